#include "link/device_channel.h"

#include "link/device_port.h"
#include "link/error_codes.h"
#include "link/deadline.h"
#include "link/stop_request.h"

ChannelHandle OpenSerialChannel(const char* pszDevice, uint32_t nReadTimeout, uint32_t nWriteTimeout,
                                uint32_t nBaudRate, uint8_t nParity, uint8_t nStopBits,
                                int32_t* pnError)
{
    SerialLine line{nBaudRate, nParity, nStopBits};
    return DeviceOpen(pszDevice, nReadTimeout, nWriteTimeout, &line, pnError);
}

ChannelHandle OpenParallelChannel(const char* pszDevice, uint32_t nReadTimeout, uint32_t nWriteTimeout,
                                  int32_t* pnError)
{
    int32_t ignored = 0;
    return DeviceOpen(pszDevice, nReadTimeout, nWriteTimeout, nullptr, pnError ? pnError : &ignored);
}

int WriteChannel(ChannelHandle hChannel, const void* pBuffer, int32_t nLength, int32_t* pnError)
{
    int32_t written = 0;
    int32_t error = 0;
    if (nLength >= 0 && DeviceWrite(hChannel, pBuffer, nLength, &written, &error) && written == nLength)
        return 1;
    *pnError = nLength < 0 ? kErrorBadHandle : error;
    DeviceClearError(hChannel);
    return 0;
}

int ReadChannel(ChannelHandle hChannel, void* pBuffer, int32_t* pnLength, unsigned char cTerminator,
                int32_t* pnError, uint32_t nByteLimitMs, uint32_t nLineLimitMs)
{
    const int32_t capacity = *pnLength;
    if (capacity <= 0)
        return 1;
    auto* out = static_cast<unsigned char*>(pBuffer);
    const Deadline line(nLineLimitMs);
    for (int32_t i = 0;; ++i) {
        // The limit runs from the start of this byte's wait; an empty read
        // call does not renew it.
        const Deadline byteDeadline(nByteLimitMs);
        unsigned char byte = 0;
        for (;;) {
            // A read call that waits on its own (Windows keeps the timeout in
            // the device) is asked between calls.
            if (LinkStopRequested() || (nLineLimitMs != kNoLineLimit && line.Expired())) {
                *pnLength = i;
                *pnError = LinkStopRequested() ? kErrorStopped : kErrorByteTimedOut;
                DeviceClearError(hChannel);
                return 0;
            }
            int got = 0;
            int32_t error = 0;
            if (!DeviceReadOne(hChannel, &byte, &got, &error)) {
                *pnLength = i;
                *pnError = error;
                DeviceClearError(hChannel);
                return 0;
            }
            if (got)
                break;
            if (byteDeadline.Expired()) {
                *pnLength = i;
                *pnError = kErrorByteTimedOut;
                DeviceClearError(hChannel);
                return 0;
            }
        }
        out[i] = byte;
        if (byte == cTerminator) {
            *pnLength = i;
            return 1;
        }
        if (i + 1 == capacity)
            return 1;
    }
}

int FinishChannel(ChannelHandle hChannel, uint32_t nLimitMs, int32_t* pnError)
{
    return DeviceFinish(hChannel, nLimitMs, pnError);
}

int CloseChannel(ChannelHandle hChannel)
{
    return DeviceClose(hChannel);
}
