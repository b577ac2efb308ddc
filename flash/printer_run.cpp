#include "flash/printer_run.h"

#include "flash/human_text.h"
#include "flash/ledger.h"
#include "flash/system.h"
#include "flash/trace.h"
#include "link/error_codes.h"
#include "link/printer_connection.h"
#include "link/spooler_channel.h"
#include "link/stop_request.h"
#include "res/dialogs.h"
#include "res/strings.h"
#include "upgrade/commands.h"
#include "upgrade/exchanges.h"
#include "upgrade/messages.h"
#include "upgrade/sha256.h"

#include <algorithm>
#include <chrono>
#include <optional>

namespace {

std::string DialogText(int dialogId, int controlId)
{
    const DialogTemplate* dialog = FindDialogTemplate(dialogId);
    for (int i = 0; dialog && i < dialog->controlCount; ++i)
        if (dialog->controls[i].id == controlId)
            return dialog->controls[i].text;
    return "";
}

constexpr const char* kInterruptedText = "Interrupted.";

// The wizard's message for a failed step; a stop has one of its own.
std::string FailureText(ExchangeFailure failure)
{
    const int id = FailureStringId(failure);
    return id ? LoadStringResource(id) : kInterruptedText;
}

// A connection that could answer, over which the system cannot tell what the
// printer acknowledged (TCP where the system does not say).
constexpr const char* kSentUnconfirmedText =
    "Every byte was sent, but this system cannot tell whether the printer received them all.";
constexpr const char* kOutOfResourcesText =
    "This computer ran out of open files, memory or buffers before the printer was reached; "
    "the printer was not touched.";
constexpr const char* kBusyText = "Another orvi-flash run is working with this printer now; it was not touched.";
constexpr const char* kSkippedText = "The ledger shows this package sent to this printer already.";

// What every exchange of the run reports: into the trace, as progress, and
// whether the user asked to stop. A package read from its folder again is
// hashed once more, as it goes: the ledger records the package's digest, so
// a file changed on disk since the package was read must not end as that
// package upgraded, and the trace shows the same digest. A package held is
// sent as it was hashed, and hashed no more.
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
        if (m_inFile)
            m_trace.FileEnded(m_fileName, m_fileBytes, CutShortDigest());
        m_inFile = false;
        m_trace.Note("failed: " + FailureText(failure) +
                     (failure == ExchangeFailure::NotConfirmed ? " (the printer did not confirm every byte)" : ""));
    }
    void CommandSent(const void* p, int32_t n) override { m_trace.Bytes('>', p, n); }
    void AnswerRead(const void* p, int32_t n) override { m_trace.Bytes('<', p, n); }
    void FileStarted(int index, const std::string& name, int32_t size) override
    {
        m_trace.FileStarted(name, size);
        m_inFile = true;
        m_fileIndex = static_cast<size_t>(index);
        m_fileName = name;
        m_fileBytes = 0;
        if (!Held())
            m_fileSha.emplace();
    }
    void DataSent(const void* p, int32_t n) override
    {
        if (m_fileSha)
            m_fileSha->Update(static_cast<const unsigned char*>(p), static_cast<size_t>(n));
        m_fileBytes += static_cast<uint64_t>(n);
        m_written += static_cast<uint64_t>(n);
        // A slow line takes long over 32 pieces: it is looked at by time too.
        const auto now = std::chrono::steady_clock::now();
        if (++m_pieces % kPiecesPerLook == 0 || now - m_lastLook >= kLookEvery) {
            m_lastLook = now;
            const uint64_t before = m_confirmed;
            LookAtConfirmed();
            if (m_progress && m_confirmed != before)
                m_progress(m_confirmed, Total());
        }
    }
    bool StopRequested() override { return InterruptRequested(); }
    bool FileSent(int index) override
    {
        m_inFile = false;
        if (!m_package || index >= static_cast<int>(m_package->files.size()))
            return false;
        const PackageFile& file = m_package->files[static_cast<size_t>(index)];
        if (Held()) {
            m_trace.FileEnded(m_fileName, m_fileBytes, file.sha256);
            return true;
        }
        const std::string sha256 = m_fileSha->FinishHex();
        m_fileSha.reset();
        m_trace.FileEnded(m_fileName, m_fileBytes, sha256);
        if (sha256 == file.sha256)
            return true;
        if (sha256.empty()) {
            m_trace.Note("the system's SHA-256 could not hash " + file.name + " as sent");
            return false;
        }
        m_trace.Note(file.name + " changed on disk since the package was read; its data as sent is not the package's");
        return false;
    }

    // The transfer ended confirmed, or as far as the link can tell.
    void AllTaken() { m_confirmed = m_written; }
    uint64_t Sent() const { return m_confirmed; }
    uint64_t Total() const { return m_package ? m_package->dataBytes : 0; }

private:
    bool Held() const { return m_package && m_package->held; }

    // The digest of what went of a file cut short; of a held file's, only
    // for a trace that is written.
    std::string CutShortDigest()
    {
        if (m_fileSha) {
            std::string digest = m_fileSha->FinishHex();
            m_fileSha.reset();
            return digest;
        }
        if (!Held() || !m_trace.IsOpen() || m_fileIndex >= m_package->files.size())
            return "";
        const PackageFile& file = m_package->files[m_fileIndex];
        Sha256 sha;
        sha.Update(file.bytes.get(), std::min<size_t>(static_cast<size_t>(file.size), m_fileBytes));
        return sha.FinishHex();
    }

    // Each look is a system call; progress needs no finer grain.
    static constexpr uint64_t kPiecesPerLook = 32;
    static constexpr std::chrono::milliseconds kLookEvery{100};

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
    std::chrono::steady_clock::time_point m_lastLook{};
    bool m_inFile = false;
    size_t m_fileIndex = 0;
    std::string m_fileName;
    uint64_t m_fileBytes = 0;
    std::optional<Sha256> m_fileSha;
};

PrinterResult Result(Outcome outcome, const std::string& message, LinkFailure reason = {})
{
    PrinterResult r;
    r.outcome = outcome;
    r.message = message;
    r.reason = reason;
    return r;
}

// The wizard's message for a connection that did not open, with what the
// link knows beyond it; a local shortage is this computer's, not the
// printer's.
PrinterResult NotOpened(const LinkFailure& why)
{
    if (why.reason == LinkReason::LocalResource)
        return Result(Outcome::FailedBeforeFirmware, kOutOfResourcesText, why);
    std::string text = LoadStringResource(IDS_PORT_NOT_OPENED);
    if (why.code == kErrorNotADevice)
        text += " (the device named is not a serial or parallel port; nothing was written to it)";
    return Result(Outcome::Unreachable, text, why);
}

PrinterResult Reach(CPrinterConnection& connection, TraceFile& trace)
{
    // A queue's open would start a job: it is asked for by name instead.
    if (connection.Params().kind == ChannelKind::Queue) {
        const bool exists = SpoolerQueueExists(connection.Params().queue) != 0;
        trace.Note(exists ? "reached" : "not reached");
        return exists ? Result(Outcome::Reachable, "") : NotOpened({LinkReason::NoSuchDevice, 0});
    }
    const LinkResult opened = connection.Open();
    trace.Note(opened.Done() ? "reached" : "not reached");
    if (!opened.Done())
        return NotOpened(opened.failure);
    connection.Close();
    return Result(Outcome::Reachable, "");
}

// The transfer, from the bytes held or from the folder, which the other
// printers of the run read at the same time.
Transfer SendPackage(CPrinterConnection& connection, const Package& package, RunEvents& events)
{
    if (!package.held)
        return SendUpgrade(connection, package.directory, package.list, events, FileSharing::Readers);
    HeldFiles held(package);
    return SendUpgrade(connection, package.list, held, events);
}

// A stop asked for ends the printer as interrupted, whatever step it cut.
PrinterResult Interrupted(PrinterResult r)
{
    r.outcome = Outcome::Interrupted;
    r.message = kInterruptedText;
    r.reason = {LinkReason::Stopped, kErrorStopped};
    return r;
}

PrinterResult Run(const RunSettings& settings, CPrinterConnection& connection, RunEvents& events, TraceFile& trace)
{
    if (settings.command == Command::ReachOnly || settings.dryRun)
        return Reach(connection, trace);
    if (settings.command == Command::Status && !connection.CanAnswer())
        return Result(Outcome::Unknown, LoadStringResource(IDS_STATUS_NETWORK));

    const Preparation prepared = Prepare(connection, events);
    // A printer left in its upgrade state is told to leave it (KK), also
    // when the run is stopping: that exchange waits within its own limits.
    auto cancel = [&] {
        if (prepared.upgradeCommandSent) {
            StopExemption stillSent;
            CancelUpgrade(connection, events);
        }
    };
    PrinterResult r;
    if (prepared.result == PreparationResult::Failed) {
        cancel();
        if (InterruptRequested())
            return Interrupted(r);
        if (prepared.failure == ExchangeFailure::PortNotOpened)
            return NotOpened(prepared.link);
        return Result(Outcome::FailedBeforeFirmware, FailureText(prepared.failure), prepared.link);
    }
    if (prepared.result == PreparationResult::StatusRead)
        r.status = prepared.status;
    // A stop asked for while the printer was being prepared ends it here,
    // whatever it answered: it is not in its transfer yet.
    if (InterruptRequested()) {
        cancel();
        return Interrupted(r);
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
    const Transfer sent = SendPackage(connection, *settings.package, events);
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
    if (sent.failure == ExchangeFailure::Interrupted || InterruptRequested())
        return Interrupted(r);
    if (sent.failure == ExchangeFailure::PortNotOpened && !sent.firmwareSent)
        return NotOpened(sent.link);
    r.outcome = sent.firmwareSent ? Outcome::FailedDuringTransfer : Outcome::FailedBeforeFirmware;
    r.message = FailureText(sent.failure);
    r.reason = sent.link;
    return r;
}

// What happens before a printer is opened, in this order: the ledger's skip
// (a stop asked for changes nothing of it), a stop, a name that did not
// resolve, another run that holds the printer. None of them opens anything,
// writes a trace or changes the ledger.
std::optional<PrinterResult> BeforeOpening(const Target& target, const RunSettings& settings, PrinterLock& lock)
{
    if (settings.command == Command::Upgrade && settings.ledger && !settings.force &&
        settings.ledger->AlreadyUpgraded(target, settings.package->digest))
        return Result(Outcome::Skipped, kSkippedText);
    if (InterruptRequested())
        return Interrupted({});
    if (target.lookupFailure.reason != LinkReason::None)
        return NotOpened(target.lookupFailure);
    if (lock.Take(settings.lockFolder, target.identity) == PrinterLock::Taken::HeldElsewhere)
        return Result(Outcome::Busy, kBusyText, {LinkReason::DeviceBusy, 0});
    return std::nullopt;
}

} // namespace

const char* CommandName(Command command)
{
    switch (command) {
    case Command::Status: return "status";
    case Command::ReachOnly: return "status";
    case Command::Upgrade: return "upgrade";
    }
    return "";
}

PrinterResult RunPrinter(const Target& target, const RunSettings& settings, const ProgressReport& progress,
                         const WarningReport& warn)
{
    const auto start = std::chrono::steady_clock::now();
    PrinterLock lock;
    if (std::optional<PrinterResult> early = BeforeOpening(target, settings, lock))
        return *early;

    TraceFile trace;
    if (!settings.traceFolder.empty() &&
        !trace.Open(settings.traceFolder, target.traceFile,
                    std::string(CommandName(settings.command)) + " of " + target.text + " (" + target.identity +
                        "), " + UtcTimeNow() + ", orvi-flash " + ORVI_VERSION))
        warn("cannot write the trace " + settings.traceFolder + "/" + target.traceFile);
    ChannelParams params = target.params;
    params.limits = settings.limits;
    CPrinterConnection connection(params);
    RunEvents events(trace, progress, settings.command == Command::Upgrade ? settings.package : nullptr, connection);

    PrinterResult r = Run(settings, connection, events, trace);
    r.bytesSent = events.Sent();
    r.bytesTotal = events.Total();
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    trace.Note(std::string("outcome ") + OutcomeName(r.outcome) +
               (r.reason.reason == LinkReason::None ? "" : std::string(" (") + LinkReasonName(r.reason.reason) + ")") +
               (r.message.empty() ? "" : ": " + r.message));
    // Only what changes a rerun's choice is recorded: a printer that got
    // firmware, whole or in part.
    if (settings.command == Command::Upgrade && settings.ledger && !settings.dryRun && r.firmwareSent &&
        !settings.ledger->Record(target, settings.package->digest, r.outcome))
        warn("the ledger " + settings.ledger->Path() + " could not be written: a rerun will not know that this "
             "printer was " + OutcomeName(r.outcome));
    return r;
}
