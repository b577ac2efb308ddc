#include "link/error_codes.h"

#include "link/link_failure.h"

#include <cerrno>

const int32_t kErrorByteTimedOut = ETIMEDOUT;
const int32_t kErrorSocketTimedOut = ETIMEDOUT;
const int32_t kErrorHostUnknown = EINVAL;
// Not ECONNRESET: a close is not a reset.
const int32_t kErrorPeerClosed = ESHUTDOWN;
const int32_t kErrorBadHandle = EBADF;
const int32_t kErrorNotADevice = ENODEV;
const int32_t kErrorStopped = ECANCELED;

int32_t LastSystemError()
{
    return errno;
}

LinkReason ReasonForError(int32_t code)
{
    switch (code) {
    case ETIMEDOUT: return LinkReason::TimedOut;
    case ECONNREFUSED: return LinkReason::Refused;
    case EHOSTUNREACH:
    case ENETUNREACH:
    case ENETDOWN:
    case EHOSTDOWN: return LinkReason::NoRoute;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR: return LinkReason::NoSuchDevice;
    case EACCES:
    case EPERM:
    case EROFS: return LinkReason::NoPermission;
    // EWOULDBLOCK: another program's flock on the port.
    case EBUSY:
    case EWOULDBLOCK: return LinkReason::DeviceBusy;
    case ECONNRESET:
    case EPIPE: return LinkReason::ResetByPrinter;
    case ESHUTDOWN: return LinkReason::ClosedByPrinter;
    case EMFILE:
    case ENFILE:
    case ENOMEM:
    case ENOBUFS: return LinkReason::LocalResource;
    case ECANCELED: return LinkReason::Stopped;
    default: return LinkReason::Other;
    }
}
