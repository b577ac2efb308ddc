// The serial and parallel device channel: plain functions over a device
// handle. A channel holds its device exclusively from open to close.
#pragma once

#include "link/channel.h"
#include "link/link_limits.h"

#include <cstdint>

// A read fails when a byte has not come this long after its wait began.
inline constexpr uint32_t kReadByteLimitMs = 5000;

// Opens a serial port ("COM1", "COM2") with 8 data bits, the given baud
// rate, parity and stop bits (0 none / 0 one stop bit, as the system
// numbers them), CTS not watched, DSR watched before sending, DTR raised and
// RTS held off. A port that refuses the line settings still opens. Returns
// the channel, or InvalidChannel with the system's error code in *pnError.
ChannelHandle OpenSerialChannel(const char* pszDevice, uint32_t nReadTimeout, uint32_t nWriteTimeout,
                                uint32_t nBaudRate, uint8_t nParity, uint8_t nStopBits,
                                int32_t* pnError);

// Opens a parallel port ("LPT1", "LPT2"). InvalidChannel on failure, with
// the system's error code in *pnError when the caller asks for it.
ChannelHandle OpenParallelChannel(const char* pszDevice, uint32_t nReadTimeout, uint32_t nWriteTimeout,
                                  int32_t* pnError = nullptr);

// Sends the whole buffer in one call, within the write timeout. 1 when all
// nLength bytes went out; else 0 with the error code, and nothing is sent
// again.
int WriteChannel(ChannelHandle hChannel, const void* pBuffer, int32_t nLength, int32_t* pnError);

// Reads one line, byte by byte, up to and including cTerminator (non-zero).
// *pnLength holds the capacity on entry. 1 with *pnLength the number of
// bytes before the terminator (which is stored after them), or 1 with
// *pnLength left at the capacity when the buffer filled first, or 1 at once
// for a capacity of 0 or less. 0 with *pnLength the bytes stored so far when
// a read failed, a byte did not come within nByteLimitMs of its wait or the
// line within nLineLimitMs (kErrorByteTimedOut), or the program asked to
// stop (kErrorStopped). The buffer is not NUL-terminated.
int ReadChannel(ChannelHandle hChannel, void* pBuffer, int32_t* pnLength, unsigned char cTerminator,
                int32_t* pnError, uint32_t nByteLimitMs = kReadByteLimitMs, uint32_t nLineLimitMs = kNoLineLimit);

// After the last write: 1 once everything written has left the device
// (waiting at most nLimitMs), 0 with *pnError when it did not.
int FinishChannel(ChannelHandle hChannel, uint32_t nLimitMs, int32_t* pnError);

// 1 when the handle was closed, 0 when the system refused.
int CloseChannel(ChannelHandle hChannel);
