#include "link/error_codes.h"

#include <cerrno>

const int32_t kErrorByteTimedOut = ETIMEDOUT;
const int32_t kErrorSocketTimedOut = ETIMEDOUT;
const int32_t kErrorHostUnknown = EINVAL;
const int32_t kErrorPeerClosed = ECONNRESET;
const int32_t kErrorBadHandle = EBADF;
const int32_t kErrorNotADevice = ENODEV;

int32_t LastSystemError()
{
    return errno;
}
