#include "link/link_failure.h"

#include "link/error_codes.h"

const char* LinkReasonName(LinkReason reason)
{
    switch (reason) {
    case LinkReason::None: return "";
    case LinkReason::Refused: return "refused";
    case LinkReason::TimedOut: return "timed-out";
    case LinkReason::NoRoute: return "no-route";
    case LinkReason::HostNotFound: return "host-not-found";
    case LinkReason::NoSuchDevice: return "no-such-device";
    case LinkReason::NoPermission: return "no-permission";
    case LinkReason::DeviceBusy: return "device-busy";
    case LinkReason::ResetByPrinter: return "reset-by-printer";
    case LinkReason::ClosedByPrinter: return "closed-by-printer";
    case LinkReason::LocalResource: return "local-resource";
    case LinkReason::Stopped: return "stopped";
    case LinkReason::Other: return "other";
    }
    return "other";
}

LinkFailure FailureOf(int32_t code)
{
    return LinkFailure{code == 0 ? LinkReason::Other : ReasonForError(code), code};
}
