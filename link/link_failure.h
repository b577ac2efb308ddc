// Why a step of the link failed, in words a person and a script can act
// on, with the system's own code beside. The channel functions report the
// system's code; the channel table turns it into a reason (one place per
// platform does the turning, link/error_codes_*.cpp) and hands both up
// through the exchanges to whoever tells the user.
#pragma once

#include <cstdint>

enum class LinkReason {
    None,
    // Nobody listens at the address.
    Refused,
    // No answer, or no progress, within the link's limit.
    TimedOut,
    // The network has no way to the printer's address.
    NoRoute,
    // The host text is not an address and no name server knows it.
    HostNotFound,
    // No such device, or what is named is not a port.
    NoSuchDevice,
    NoPermission,
    // Another program holds the port.
    DeviceBusy,
    // The printer's side reset the connection.
    ResetByPrinter,
    // The printer's side closed the connection, or hung the line up.
    ClosedByPrinter,
    // This computer ran out of something: descriptors, memory, buffers.
    LocalResource,
    // The program was asked to stop.
    Stopped,
    // Any other error; the system's code says which.
    Other,
};

struct LinkFailure {
    LinkReason reason = LinkReason::None;
    // The system's error code (errno, GetLastError, WSAGetLastError); 0
    // where the step gave none.
    int32_t code = 0;
};

// The reason as one word of the interface ("refused", "timed-out", ...):
// orvi-flash's JSON, its lines and traces, never renamed.
const char* LinkReasonName(LinkReason reason);

// The failure a system error code stands for.
LinkFailure FailureOf(int32_t code);
