// Devices on Windows: the communications API keeps the timeouts in the
// device and refuses a second open of a port that is held.
#include "link/device_port.h"

#include "link/error_codes.h"

#include <windows.h>

namespace {

// InvalidChannel is also the pseudo-handle of the current process, which
// the system would accept; refuse it and null here.
HANDLE FromHandle(ChannelHandle h)
{
    if (h == InvalidChannel || h == 0)
        return nullptr;
    return reinterpret_cast<HANDLE>(h);
}

} // namespace

ChannelHandle DeviceOpen(const char* pszDevice, uint32_t nReadTimeout, uint32_t nWriteTimeout,
                         const SerialLine* pLine, int32_t* pnError)
{
    HANDLE h = CreateFileA(pszDevice, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *pnError = LastSystemError();
        return InvalidChannel;
    }
    // A read call returns when its byte has come, or after the read timeout
    // with nothing; a write call finishes within the write timeout.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = nReadTimeout;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = nWriteTimeout;
    SetCommTimeouts(h, &timeouts);
    if (pLine) {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        GetCommState(h, &dcb);
        dcb.BaudRate = pLine->nBaudRate;
        dcb.ByteSize = 8;
        dcb.Parity = pLine->nParity;
        dcb.StopBits = pLine->nStopBits;
        dcb.fOutxCtsFlow = 0;
        dcb.fOutxDsrFlow = 1;
        dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        SetCommState(h, &dcb);
    }
    return reinterpret_cast<ChannelHandle>(h);
}

int DeviceWrite(ChannelHandle hDevice, const void* pBuffer, int32_t nLength, int32_t* pnWritten,
                int32_t* pnError)
{
    *pnWritten = 0;
    HANDLE h = FromHandle(hDevice);
    if (!h) {
        *pnError = kErrorBadHandle;
        return 0;
    }
    DWORD written = 0;
    BOOL ok = WriteFile(h, pBuffer, static_cast<DWORD>(nLength), &written, nullptr);
    *pnWritten = static_cast<int32_t>(written);
    if (!ok || written != static_cast<DWORD>(nLength))
        *pnError = LastSystemError();
    return ok ? 1 : 0;
}

int DeviceReadOne(ChannelHandle hDevice, unsigned char* pByte, int* pbGot, int32_t* pnError)
{
    *pbGot = 0;
    HANDLE h = FromHandle(hDevice);
    if (!h) {
        *pnError = kErrorBadHandle;
        return 0;
    }
    DWORD got = 0;
    if (!ReadFile(h, pByte, 1, &got, nullptr)) {
        *pnError = LastSystemError();
        return 0;
    }
    *pbGot = got == 1;
    return 1;
}

void DeviceClearError(ChannelHandle hDevice)
{
    if (HANDLE h = FromHandle(hDevice)) {
        DWORD errors = 0;
        COMSTAT status{};
        ClearCommError(h, &errors, &status);
    }
}

int DeviceClose(ChannelHandle hDevice)
{
    HANDLE h = FromHandle(hDevice);
    return h && CloseHandle(h) ? 1 : 0;
}
