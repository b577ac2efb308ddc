#include "flash/outcome.h"

#include <algorithm>

const char* OutcomeName(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Upgraded: return "upgraded";
    case Outcome::SentUnconfirmed: return "sent-unconfirmed";
    case Outcome::NotReady: return "not-ready";
    case Outcome::Unreachable: return "unreachable";
    case Outcome::FailedBeforeFirmware: return "failed-before-firmware";
    case Outcome::FailedDuringTransfer: return "failed-during-transfer";
    case Outcome::Interrupted: return "interrupted";
    case Outcome::Skipped: return "skipped";
    case Outcome::Busy: return "busy";
    case Outcome::Ready: return "ready";
    case Outcome::Unknown: return "unknown";
    case Outcome::Reachable: return "reachable";
    }
    return "unknown";
}

namespace {

// How bad an outcome is for the run, as its exit status ranks them.
int Rank(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Upgraded:
    case Outcome::Skipped:
    case Outcome::Ready:
    case Outcome::Reachable:
        return 0;
    case Outcome::SentUnconfirmed:
    case Outcome::Unknown:
        return 1;
    case Outcome::NotReady:
    case Outcome::Busy:
    case Outcome::Unreachable:
    case Outcome::FailedBeforeFirmware:
        return 2;
    case Outcome::FailedDuringTransfer:
    case Outcome::Interrupted:
        return 3;
    }
    return 3;
}

} // namespace

int ExitStatusFor(const std::vector<Outcome>& outcomes, bool ledgerWriteFailed)
{
    int worst = 0;
    for (Outcome o : outcomes)
        worst = std::max(worst, Rank(o));
    const int status[] = {kExitAllDone, kExitUnconfirmed, kExitSomeNotDone, kExitSomeBroken};
    return ledgerWriteFailed && worst <= 1 ? kExitLedgerNotWritten : status[worst];
}
