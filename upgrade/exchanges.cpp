#include "upgrade/exchanges.h"

#include "upgrade/commands.h"
#include "upgrade/file_access.h"

#include <cstring>

namespace {

LinkResult Send(IPrinterPort& port, IExchangeEvents& events, const void* p, int32_t n, bool statusLine = false)
{
    const LinkResult written = port.Write(p, n, statusLine);
    if (written.Done())
        events.CommandSent(p, n);
    return written;
}

// The listed files as the folder holds them, each closed once sent, or on
// the transfer's way out.
class FolderFiles : public IFirmwareFiles {
public:
    FolderFiles(const std::string& directory, const UpgradeFileList& list, FileSharing sharing)
        : m_directory(directory), m_list(list), m_sharing(sharing)
    {
    }
    ~FolderFiles() override { Close(); }
    FolderFiles(const FolderFiles&) = delete;
    FolderFiles& operator=(const FolderFiles&) = delete;

    bool Open(int index) override
    {
        Close();
        m_file = OpenFileForReading(m_directory, m_list.m_strNames[index], m_sharing);
        return m_file != InvalidFile;
    }
    bool Read(unsigned char* piece, int capacity, int& read) override
    {
        return ReadFileBytes(m_file, piece, capacity, &read) != 0;
    }
    void Close() override
    {
        CloseFile(m_file);
        m_file = InvalidFile;
    }

private:
    const std::string& m_directory;
    const UpgradeFileList& m_list;
    FileSharing m_sharing;
    FileHandle m_file = InvalidFile;
};

// What went wrong on this side, not the link's: a firmware file that does
// not open or read, or changed on disk; and a stop the caller asked for.
constexpr LinkFailure kLocalFailure{LinkReason::LocalResource, 0};
constexpr LinkFailure kStopped{LinkReason::Stopped, 0};

} // namespace

Preparation Prepare(IPrinterPort& port, IExchangeEvents& events)
{
    Preparation p;
    // The failure is told while the connection is still open, then the
    // connection is given up: nothing it still holds goes on.
    auto fail = [&](ExchangeFailure failure, const LinkResult& why, bool opened) {
        p.result = PreparationResult::Failed;
        p.failure = why.failure.reason == LinkReason::Stopped ? ExchangeFailure::Interrupted : failure;
        p.link = why.failure;
        events.Failed(p.failure);
        if (opened)
            port.Abandon();
        return p;
    };
    if (const LinkResult opened = port.Open(); !opened.Done())
        return fail(ExchangeFailure::PortNotOpened, opened, false);
    if (const LinkResult ku = Send(port, events, kCommandKU, kCommandLength); !ku.Done())
        return fail(ExchangeFailure::CommandNotSent, ku, true);
    if (!port.CanAnswer()) {
        // A printer queue sends KU's job only once it has ended, if the
        // spooler takes it.
        if (const LinkResult closed = port.Close(); !closed.Done())
            return fail(ExchangeFailure::CommandNotSent, closed, false);
        p.upgradeCommandSent = true;
        events.UpgradeCommandSent();
        p.result = PreparationResult::NoReturnPath;
        return p;
    }
    p.upgradeCommandSent = true;
    events.UpgradeCommandSent();
    if (const LinkResult su = Send(port, events, kCommandSU, kCommandLength, true); !su.Done())
        return fail(ExchangeFailure::CommandNotSent, su, true);
    unsigned char line[kStatusCapacity] = {};
    int32_t length = kStatusCapacity;
    if (const LinkResult read = port.ReadLine(line, &length); !read.Done())
        return fail(ExchangeFailure::NoStatusLine, read, true);
    // The line as it came: up to its LF (the TCP link leaves the length at
    // the capacity), or the whole buffer when none came.
    const int32_t bound = length < kStatusCapacity ? length + 1 : kStatusCapacity;
    const void* lf = std::memchr(line, '\n', static_cast<size_t>(bound));
    events.AnswerRead(line, lf ? static_cast<int32_t>(static_cast<const unsigned char*>(lf) - line) + 1 : bound);
    port.Close();
    p.result = PreparationResult::StatusRead;
    p.status = line[0];
    return p;
}

bool CancelUpgrade(IPrinterPort& port, IExchangeEvents& events)
{
    if (!port.Open().Done())
        return false;
    const bool sent = Send(port, events, kCommandKK, kCommandLength).Done() &&
                      port.ConfirmDelivery().delivery != Delivery::Failed;
    port.Close();
    return sent;
}

Transfer SendUpgrade(IPrinterPort& port, const std::string& directory, const UpgradeFileList& list,
                     IExchangeEvents& events, FileSharing sharing)
{
    FolderFiles files(directory, list, sharing);
    return SendUpgrade(port, list, files, events);
}

Transfer SendUpgrade(IPrinterPort& port, const UpgradeFileList& list, IFirmwareFiles& files,
                     IExchangeEvents& events)
{
    Transfer t;
    auto fail = [&](ExchangeFailure failure, LinkFailure why, bool opened) {
        t.result = TransferResult::Failed;
        // A step the caller's stop cut short is the stop's, whatever step.
        t.failure = why.reason == LinkReason::Stopped ? ExchangeFailure::Interrupted : failure;
        t.link = why;
        events.Failed(t.failure);
        if (opened)
            port.Abandon();
        return t;
    };
    if (const LinkResult opened = port.Open(); !opened.Done())
        return fail(ExchangeFailure::PortNotOpened, opened.failure, false);

    unsigned char piece[kPieceSize];
    for (int k = 0; k < list.m_nCount; ++k) {
        if (!files.Open(k))
            return fail(ExchangeFailure::FileNotOpened, kLocalFailure, true);
        events.FileStarted(k, list.m_strNames[k], list.m_nSizes[k]);
        const std::string header = FormatDtHeader(list.m_nSizes[k], list.m_strNames[k]);
        t.firmwareSent = true;
        if (const LinkResult sent = Send(port, events, header.data(), static_cast<int32_t>(header.size()));
            !sent.Done())
            return fail(ExchangeFailure::CommandNotSent, sent.failure, true);
        // The data must be exactly what the header announced: a file that
        // has grown or shrunk since the list was read is not sent.
        const uint64_t announced = static_cast<uint64_t>(list.m_nSizes[k]);
        uint64_t sent = 0;
        for (;;) {
            if (events.StopRequested())
                return fail(ExchangeFailure::Interrupted, kStopped, true);
            int n = 0;
            if (!files.Read(piece, kPieceSize, n))
                return fail(ExchangeFailure::DataNotSent, kLocalFailure, true);
            if (sent + static_cast<uint64_t>(n) > announced || (n < kPieceSize && sent + n != announced))
                return fail(ExchangeFailure::DataNotSent, kLocalFailure, true);
            if (const LinkResult written = port.Write(piece, n, false); !written.Done())
                return fail(ExchangeFailure::DataNotSent, written.failure, true);
            events.DataSent(piece, n);
            sent += static_cast<uint64_t>(n);
            if (n < kPieceSize)
                break;
        }
        files.Close();
        if (!events.FileSent(k))
            return fail(ExchangeFailure::DataNotSent, kLocalFailure, true);
    }
    if (const LinkResult sr = Send(port, events, kCommandSR, kCommandLength); !sr.Done())
        return fail(ExchangeFailure::DataNotSent, sr.failure, true);
    // Written is not received: the bytes may still sit in a queue on this
    // side when the printer stops taking them.
    const DeliveryResult delivery = port.ConfirmDelivery();
    if (delivery.delivery == Delivery::Failed)
        return fail(ExchangeFailure::NotConfirmed, delivery.failure, true);
    // A printer-queue job that the spooler refuses as it ends was not sent.
    if (const LinkResult closed = port.Close(); !closed.Done())
        return fail(ExchangeFailure::DataNotSent, closed.failure, false);
    t.result =
        delivery.delivery == Delivery::Confirmed ? TransferResult::Confirmed : TransferResult::SentUnconfirmed;
    return t;
}
