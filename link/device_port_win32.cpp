// Devices on Windows: the communications API keeps the timeouts in the
// device and refuses a second open of a port that is held.
#include "link/device_port.h"

#include "link/error_codes.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace {

// InvalidChannel is also the pseudo-handle of the current process, which
// the system would accept; the one conversion refuses it.
HANDLE FromHandle(ChannelHandle h)
{
    return ChannelObject<void>(h);
}

// Windows finds COM1 to COM9 and LPT1 to LPT9 by their plain names; a port
// numbered above 9 only in the device namespace: COM12 is \\.\COM12.
std::string DeviceName(const char* pszDevice)
{
    const std::string name = pszDevice;
    const bool port = name.size() > 4 && (_strnicmp(pszDevice, "COM", 3) == 0 || _strnicmp(pszDevice, "LPT", 3) == 0) &&
                      name.find_first_not_of("0123456789", 3) == std::string::npos;
    return port ? "\\\\.\\" + name : name;
}

} // namespace

ChannelHandle DeviceOpen(const char* pszDevice, uint32_t nReadTimeout, uint32_t nWriteTimeout,
                         const SerialLine* pLine, int32_t* pnError)
{
    const std::string name = DeviceName(pszDevice);
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *pnError = LastSystemError();
        return InvalidChannel;
    }
    // A port is a character device; a file named in its place would take
    // the firmware as if it were the printer.
    if (GetFileType(h) != FILE_TYPE_CHAR) {
        *pnError = kErrorNotADevice;
        CloseHandle(h);
        return InvalidChannel;
    }
    // A read call returns when its byte has come, or after the read timeout
    // with nothing; a write call finishes within the write timeout.
    COMMTIMEOUTS timeouts{};
    // A total of 0 with no interval would mean no limit at all: a limit
    // is at least a millisecond.
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = nReadTimeout > 0 ? nReadTimeout : 1;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = nWriteTimeout > 0 ? nWriteTimeout : 1;
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
    return ChannelHandleOf(h);
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

int DeviceFinish(ChannelHandle hDevice, uint32_t nLimitMs, int32_t* pnError)
{
    HANDLE h = FromHandle(hDevice);
    if (!h) {
        *pnError = kErrorBadHandle;
        return 0;
    }
    // WriteFile is synchronous: a parallel port's driver completes it once
    // the bytes went to the port. A serial driver completes it once they
    // are in its output queue, which is watched until it is empty.
    const ULONGLONG deadline = GetTickCount64() + nLimitMs;
    for (DWORD pause = 1;; pause = pause * 2 < 50 ? pause * 2 : 50) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(h, &errors, &status) || status.cbOutQue == 0)
            return 1;
        if (GetTickCount64() >= deadline) {
            *pnError = kErrorByteTimedOut;
            return 0;
        }
        Sleep(pause);
    }
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
