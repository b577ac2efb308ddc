#include "link/error_codes.h"

#include <winsock2.h>
#include <windows.h>

const int32_t kErrorByteTimedOut = ERROR_TIMEOUT;
// A blocking socket call ended by its limit is cancelled, and the socket
// layer reports a cancelled call as interrupted.
const int32_t kErrorSocketTimedOut = WSAEINTR;
const int32_t kErrorHostUnknown = WSAEINVAL;
const int32_t kErrorPeerClosed = WSAECONNRESET;
const int32_t kErrorBadHandle = ERROR_INVALID_HANDLE;
const int32_t kErrorNotADevice = ERROR_BAD_DEVICE;

int32_t LastSystemError()
{
    return static_cast<int32_t>(GetLastError());
}
