// The error codes the channels hand back through their out-parameters, as
// this platform's system writes them. Callers above the channels only pass
// them on; tests compare against these names so that the same test holds on
// both platforms.
#pragma once

#include <cstdint>

// A device read whose byte did not come in time.
extern const int32_t kErrorByteTimedOut;
// A socket step (connect, send, one-byte receive) that ran out of its limit.
extern const int32_t kErrorSocketTimedOut;
// Host text that is neither a dotted address nor a name that resolves.
extern const int32_t kErrorHostUnknown;
// The peer closed the connection before the line was complete, or a line
// was hung up.
extern const int32_t kErrorPeerClosed;
// A handle that names no open channel.
extern const int32_t kErrorBadHandle;
// A serial or parallel port that names something else: a file, a FIFO, a
// folder. Nothing is written to it.
extern const int32_t kErrorNotADevice;

// A step ended because the program asked to stop (link/stop_request.h).
extern const int32_t kErrorStopped;

// The calling thread's last system error, as the channels report it.
int32_t LastSystemError();

// What a system error code means to the link's callers: the one place
// where this platform's codes become reasons. kErrorHostUnknown is a
// generic code on both systems: only a TCP open reads it as a host that was
// not found.
enum class LinkReason;
LinkReason ReasonForError(int32_t code);
