// The system's side of the device channel: one call per system operation,
// so that the channel's rules (one byte per read call, the per-byte limit,
// all-or-nothing writes) are written once above it.
#pragma once

#include "link/channel.h"

#include <cstdint>

struct SerialLine {
    uint32_t nBaudRate;
    uint8_t nParity;
    uint8_t nStopBits;
};

// Opens the named device for reading and writing, exclusively, and gives it
// the read and write timeouts; applies pLine when it is a serial port.
// InvalidChannel with *pnError on failure (kErrorNotADevice when the name
// leads to something other than a character device).
ChannelHandle DeviceOpen(const char* pszDevice, uint32_t nReadTimeout, uint32_t nWriteTimeout,
                         const SerialLine* pLine, int32_t* pnError);

// One write call: 1 when the call succeeded, with *pnWritten the bytes that
// went out before the write timeout; 0 on a system error. *pnError is set
// whenever fewer than nLength bytes went out.
int DeviceWrite(ChannelHandle hDevice, const void* pBuffer, int32_t nLength, int32_t* pnWritten,
                int32_t* pnError);

// One read call for one byte, waiting at most the read timeout: 1 with
// *pbGot 1 and the byte, or 1 with *pbGot 0 when the timeout passed; 0 with
// *pnError on a system error (a device that went away included).
int DeviceReadOne(ChannelHandle hDevice, unsigned char* pByte, int* pbGot, int32_t* pnError);

// After the last write: waits, at most nLimitMs, until what the device was
// given has left it (a serial port's output queue empty, a USB printer's
// last transfer completed). 1 when it has, or when the device holds nothing
// back; 0 with *pnError when the limit passed or the device reported a
// failed transfer.
int DeviceFinish(ChannelHandle hDevice, uint32_t nLimitMs, int32_t* pnError);

// Clears the device's error state after a failed call.
void DeviceClearError(ChannelHandle hDevice);

// 1 when the device was released, 0 when the system refused.
int DeviceClose(ChannelHandle hDevice);
