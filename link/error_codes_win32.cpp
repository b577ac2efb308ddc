#include "link/error_codes.h"

#include "link/link_failure.h"

#include <winsock2.h>
#include <windows.h>

const int32_t kErrorByteTimedOut = ERROR_TIMEOUT;
// A blocking socket call ended by its limit is cancelled, and the socket
// layer reports a cancelled call as interrupted.
const int32_t kErrorSocketTimedOut = WSAEINTR;
const int32_t kErrorHostUnknown = WSAEINVAL;
// Not WSAECONNRESET: a close is not a reset.
const int32_t kErrorPeerClosed = WSAEDISCON;
const int32_t kErrorBadHandle = ERROR_INVALID_HANDLE;
const int32_t kErrorNotADevice = ERROR_BAD_DEVICE;
const int32_t kErrorStopped = ERROR_CANCELLED;

int32_t LastSystemError()
{
    return static_cast<int32_t>(GetLastError());
}

LinkReason ReasonForError(int32_t code)
{
    switch (code) {
    case ERROR_TIMEOUT:
    case WSAEINTR:
    case WSAETIMEDOUT: return LinkReason::TimedOut;
    case WSAECONNREFUSED: return LinkReason::Refused;
    case WSAEHOSTUNREACH:
    case WSAENETUNREACH:
    case WSAENETDOWN: return LinkReason::NoRoute;
    case WSAHOST_NOT_FOUND:
    case WSANO_DATA: return LinkReason::HostNotFound;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_DEVICE:
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST: return LinkReason::NoSuchDevice;
    // Windows refuses a port that another program holds as access denied.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY: return LinkReason::DeviceBusy;
    case WSAECONNRESET:
    case WSAECONNABORTED:
    case ERROR_NETNAME_DELETED: return LinkReason::ResetByPrinter;
    case WSAEDISCON: return LinkReason::ClosedByPrinter;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_TOO_MANY_OPEN_FILES:
    case ERROR_NO_SYSTEM_RESOURCES:
    case WSAEMFILE:
    case WSAENOBUFS: return LinkReason::LocalResource;
    case ERROR_CANCELLED:
    case WSAECANCELLED: return LinkReason::Stopped;
    default: return LinkReason::Other;
    }
}
