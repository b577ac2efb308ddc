#include "flash/printer_run.h"

#include "flash/human_text.h"
#include "flash/ledger.h"
#include "flash/system.h"
#include "flash/trace.h"
#include "link/error_codes.h"
#include "link/printer_connection.h"
#include "link/spooler_channel.h"
#include "res/dialogs.h"
#include "res/strings.h"
#include "upgrade/commands.h"
#include "upgrade/exchanges.h"
#include "upgrade/sha256.h"

#include <chrono>
#include <cstdio>

namespace {

std::string DialogText(int dialogId, int controlId)
{
    const DialogTemplate* dialog = FindDialogTemplate(dialogId);
    for (int i = 0; dialog && i < dialog->controlCount; ++i)
        if (dialog->controls[i].id == controlId)
            return dialog->controls[i].text;
    return "";
}

// The wizard's message for a failed step.
std::string FailureText(ExchangeFailure failure)
{
    switch (failure) {
    case ExchangeFailure::PortNotOpened: return LoadStringResource(IDS_PORT_NOT_OPENED);
    case ExchangeFailure::CommandNotSent: return LoadStringResource(IDS_COMMAND_NOT_SENT);
    case ExchangeFailure::NoStatusLine: return LoadStringResource(IDS_NO_STATUS);
    case ExchangeFailure::FileNotOpened: return LoadStringResource(IDS_FILE_NOT_OPENED);
    case ExchangeFailure::DataNotSent:
    case ExchangeFailure::NotConfirmed: return LoadStringResource(IDS_FILE_NOT_SENT);
    case ExchangeFailure::Interrupted: return "Interrupted.";
    }
    return "";
}

// What every exchange of the run reports: into the trace, as progress, and
// whether the user asked to stop. Each file's data is hashed as it goes:
// the ledger records the package's digest, so a file changed on disk since
// the package was read must not end as that package upgraded.
// The bytes it counts as sent are those the printer's side confirmed, where
// the link tells (TCP on Linux); elsewhere those the link took.
class RunEvents : public IExchangeEvents {
public:
    RunEvents(TraceFile& trace, const ProgressReport& progress, const Package* package,
              const CPrinterConnection& connection)
        : m_trace(trace), m_progress(progress), m_package(package), m_connection(connection)
    {
    }

    void Failed(ExchangeFailure failure) override
    {
        // The connection is still open: what the printer confirmed of it.
        LookAtConfirmed();
        m_trace.FileEnded();
        m_trace.Note("failed: " + FailureText(failure) +
                     (failure == ExchangeFailure::NotConfirmed ? " (the printer did not confirm every byte)" : ""));
    }
    void CommandSent(const void* p, int32_t n) override { m_trace.Bytes('>', p, n); }
    void AnswerRead(const void* p, int32_t n) override { m_trace.Bytes('<', p, n); }
    void FileStarted(int, const std::string& name, int32_t size) override
    {
        m_trace.FileStarted(name, size);
        m_fileSha = Sha256();
    }
    void DataSent(const void* p, int32_t n) override
    {
        m_trace.Data(p, n);
        m_fileSha.Update(static_cast<const unsigned char*>(p), static_cast<size_t>(n));
        m_written += static_cast<uint64_t>(n);
        if (++m_pieces % kPiecesPerLook == 0)
            LookAtConfirmed();
        if (m_progress)
            m_progress(m_confirmed, Total());
    }
    bool StopRequested() override { return InterruptRequested(); }
    bool FileSent(int index) override
    {
        if (!m_package || index >= static_cast<int>(m_package->files.size()))
            return false;
        const PackageFile& file = m_package->files[static_cast<size_t>(index)];
        if (m_fileSha.FinishHex() == file.sha256)
            return true;
        m_trace.Note(file.name + " changed on disk since the package was read; its data as sent is not the package's");
        return false;
    }

    // The transfer ended confirmed, or as far as the link can tell.
    void AllTaken() { m_confirmed = m_written; }
    uint64_t Sent() const { return m_confirmed; }
    uint64_t Total() const { return m_package ? m_package->dataBytes : 0; }

private:
    // Each look is a system call; progress needs no finer grain.
    static constexpr uint64_t kPiecesPerLook = 32;

    // The unconfirmed bytes of the connection include headers and commands,
    // so the data they leave is a lower bound of the data confirmed.
    void LookAtConfirmed()
    {
        const uint64_t unconfirmed = m_connection.Unconfirmed();
        const uint64_t confirmed = m_written > unconfirmed ? m_written - unconfirmed : 0;
        if (confirmed > m_confirmed)
            m_confirmed = confirmed;
    }

    TraceFile& m_trace;
    const ProgressReport& m_progress;
    const Package* m_package;
    const CPrinterConnection& m_connection;
    uint64_t m_written = 0;
    uint64_t m_confirmed = 0;
    uint64_t m_pieces = 0;
    Sha256 m_fileSha;
};

// A connection that could answer, over which the system cannot tell what the
// printer acknowledged (TCP where the system does not say).
constexpr const char* kSentUnconfirmedText =
    "Every byte was sent, but this system cannot tell whether the printer received them all.";

// The wizard's message for a connection that did not open, and why, where
// the link says more than the wizard shows.
std::string UnreachableText(const CPrinterConnection& connection)
{
    std::string text = LoadStringResource(IDS_PORT_NOT_OPENED);
    if (connection.OpenError() == kErrorNotADevice)
        text += " (the device named is not a serial or parallel port; nothing was written to it)";
    return text;
}

PrinterResult Result(Outcome outcome, const std::string& message)
{
    PrinterResult r;
    r.outcome = outcome;
    r.message = message;
    return r;
}

PrinterResult Reach(CPrinterConnection& connection, TraceFile& trace)
{
    // A queue's open would start a job: it is asked for by name instead.
    const bool reached = connection.Params().kind == ChannelKind::Queue
                             ? SpoolerQueueExists(connection.Params().queue) != 0
                             : connection.Open() == LinkStatus::Done;
    if (reached && connection.Params().kind != ChannelKind::Queue)
        connection.Close();
    trace.Note(reached ? "reached" : "not reached");
    return reached ? Result(Outcome::Reachable, "") : Result(Outcome::Unreachable, UnreachableText(connection));
}

PrinterResult Run(const Target& target, const RunSettings& settings, CPrinterConnection& connection,
                  RunEvents& events, TraceFile& trace)
{
    if (InterruptRequested())
        return Result(Outcome::Interrupted, "Interrupted.");
    if (settings.command == Command::ReachOnly)
        return Reach(connection, trace);
    if (settings.command == Command::Status && !connection.CanAnswer())
        return Result(Outcome::Unknown, LoadStringResource(IDS_STATUS_NETWORK));
    if (settings.command == Command::Upgrade && settings.ledger && !settings.force &&
        settings.ledger->AlreadyUpgraded(target.text, settings.package->digest))
        return Result(Outcome::Skipped, "The ledger shows this package sent to this printer already.");
    if (settings.dryRun)
        return Reach(connection, trace);

    const Preparation prepared = Prepare(connection, events);
    // A printer left in its upgrade state is told to leave it (KK).
    auto cancel = [&] {
        if (prepared.upgradeCommandSent)
            CancelUpgrade(connection, events);
    };
    if (prepared.result == PreparationResult::Failed) {
        cancel();
        if (prepared.failure == ExchangeFailure::PortNotOpened)
            return Result(Outcome::Unreachable, UnreachableText(connection));
        return Result(Outcome::FailedBeforeFirmware, FailureText(prepared.failure));
    }
    PrinterResult r;
    if (prepared.result == PreparationResult::StatusRead)
        r.status = prepared.status;
    // A stop asked for while the printer was being prepared ends it here,
    // whatever it answered: it is not in its transfer yet.
    if (InterruptRequested()) {
        cancel();
        r.outcome = Outcome::Interrupted;
        r.message = "Interrupted.";
        return r;
    }
    if (prepared.result == PreparationResult::StatusRead) {
        const int id = StatusStringId(prepared.status);
        if (settings.command == Command::Status || id != kStatusReadyId) {
            cancel();
            r.outcome = id == kStatusReadyId ? Outcome::Ready : Outcome::NotReady;
            r.message = LoadStringResource(id);
            return r;
        }
    }
    const Transfer sent = SendUpgrade(connection, settings.package->directory, settings.package->list, events);
    r.firmwareSent = sent.firmwareSent;
    if (sent.result == TransferResult::Confirmed) {
        events.AllTaken();
        r.outcome = Outcome::Upgraded;
        r.message = DialogText(kDialogTransfer, IDC_UPGRADE_DONE_TEXT);
        return r;
    }
    if (sent.result == TransferResult::SentUnconfirmed) {
        events.AllTaken();
        r.outcome = Outcome::SentUnconfirmed;
        r.message = connection.CanAnswer() ? kSentUnconfirmedText : LoadStringResource(IDS_STATUS_NETWORK);
        return r;
    }
    // The upgrade is not done: the printer is told to leave its upgrade
    // state, where the link still lets a word through.
    cancel();
    if (sent.failure == ExchangeFailure::Interrupted)
        r.outcome = Outcome::Interrupted;
    else
        r.outcome = sent.firmwareSent ? Outcome::FailedDuringTransfer : Outcome::FailedBeforeFirmware;
    r.message = FailureText(sent.failure);
    return r;
}

} // namespace

PrinterResult RunPrinter(const Target& target, const RunSettings& settings, const ProgressReport& progress)
{
    const auto start = std::chrono::steady_clock::now();
    TraceFile trace;
    if (!settings.traceFolder.empty() && !trace.Open(settings.traceFolder, target.traceFile, target.text))
        std::fprintf(stderr, "orvi-flash: cannot write the trace %s/%s\n",
                     EscapeControlBytes(settings.traceFolder).c_str(), target.traceFile.c_str());
    ChannelParams params = target.params;
    params.limits = settings.limits;
    CPrinterConnection connection(params);
    RunEvents events(trace, progress, settings.command == Command::Upgrade ? settings.package : nullptr, connection);

    PrinterResult r = Run(target, settings, connection, events, trace);
    r.bytesSent = events.Sent();
    r.bytesTotal = events.Total();
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    trace.Note(std::string("outcome ") + OutcomeName(r.outcome) + (r.message.empty() ? "" : ": " + r.message));
    if (settings.command == Command::Upgrade && settings.ledger && !settings.dryRun && r.outcome != Outcome::Skipped)
        settings.ledger->Record(target.text, settings.package->digest, r.outcome);
    return r;
}
