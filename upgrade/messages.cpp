#include "upgrade/messages.h"

#include "res/strings.h"

int StatusStringId(unsigned char firstByte)
{
    if (firstByte >= '0' && firstByte <= '4')
        return kStatusReadyId + (firstByte - '0');
    return kStatusUnknownId;
}

int FailureStringId(ExchangeFailure failure)
{
    switch (failure) {
    case ExchangeFailure::PortNotOpened: return IDS_PORT_NOT_OPENED;
    case ExchangeFailure::CommandNotSent: return IDS_COMMAND_NOT_SENT;
    case ExchangeFailure::NoStatusLine: return IDS_NO_STATUS;
    case ExchangeFailure::FileNotOpened: return IDS_FILE_NOT_OPENED;
    case ExchangeFailure::DataNotSent:
    case ExchangeFailure::NotConfirmed: return IDS_FILE_NOT_SENT;
    case ExchangeFailure::Interrupted: return 0;
    }
    return 0;
}
