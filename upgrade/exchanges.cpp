#include "upgrade/exchanges.h"

#include "upgrade/commands.h"
#include "upgrade/file_access.h"

#include <cstring>

namespace {

bool Send(IPrinterPort& port, IExchangeEvents& events, const void* p, int32_t n, bool statusLine = false)
{
    if (port.Write(p, n, statusLine) != LinkStatus::Done)
        return false;
    events.CommandSent(p, n);
    return true;
}

// Closes a firmware file on every way out of the transfer.
class OpenFile {
public:
    explicit OpenFile(FileHandle h) : m_h(h) {}
    ~OpenFile() { CloseFile(m_h); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    FileHandle Get() const { return m_h; }

private:
    FileHandle m_h;
};

} // namespace

Preparation Prepare(IPrinterPort& port, IExchangeEvents& events)
{
    Preparation p;
    // The failure is told while the connection is still open, then it is
    // closed.
    auto fail = [&](ExchangeFailure failure, bool close) {
        p.result = PreparationResult::Failed;
        p.failure = failure;
        events.Failed(failure);
        if (close)
            port.Close();
        return p;
    };
    if (port.Open() != LinkStatus::Done)
        return fail(ExchangeFailure::PortNotOpened, false);
    if (!Send(port, events, kCommandKU, kCommandLength))
        return fail(ExchangeFailure::CommandNotSent, true);
    if (!port.CanAnswer()) {
        // A printer queue sends KU's job only once it has ended, if the
        // spooler takes it.
        if (port.Close() != LinkStatus::Done)
            return fail(ExchangeFailure::CommandNotSent, false);
        p.upgradeCommandSent = true;
        events.UpgradeCommandSent();
        p.result = PreparationResult::NoReturnPath;
        return p;
    }
    p.upgradeCommandSent = true;
    events.UpgradeCommandSent();
    if (!Send(port, events, kCommandSU, kCommandLength, true))
        return fail(ExchangeFailure::CommandNotSent, true);
    unsigned char line[kStatusCapacity] = {};
    int32_t length = kStatusCapacity;
    if (port.ReadLine(line, &length) != LinkStatus::Done)
        return fail(ExchangeFailure::NoStatusLine, true);
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
    if (port.Open() != LinkStatus::Done)
        return false;
    const bool sent = Send(port, events, kCommandKK, kCommandLength) && port.ConfirmDelivery() != Delivery::Failed;
    port.Close();
    return sent;
}

Transfer SendUpgrade(IPrinterPort& port, const std::string& directory, const UpgradeFileList& list,
                     IExchangeEvents& events)
{
    Transfer t;
    auto fail = [&](ExchangeFailure failure, bool close) {
        t.result = TransferResult::Failed;
        t.failure = failure;
        events.Failed(failure);
        if (close)
            port.Close();
        return t;
    };
    if (port.Open() != LinkStatus::Done)
        return fail(ExchangeFailure::PortNotOpened, false);

    unsigned char piece[kPieceSize];
    for (int k = 0; k < list.m_nCount; ++k) {
        OpenFile file(OpenFileForReading(directory, list.m_strNames[k]));
        if (file.Get() == InvalidFile)
            return fail(ExchangeFailure::FileNotOpened, true);
        events.FileStarted(k, list.m_strNames[k], list.m_nSizes[k]);
        const std::string header = FormatDtHeader(list.m_nSizes[k], list.m_strNames[k]);
        t.firmwareSent = true;
        if (!Send(port, events, header.data(), static_cast<int32_t>(header.size())))
            return fail(ExchangeFailure::CommandNotSent, true);
        // The data must be exactly what the header announced: a file that
        // has grown or shrunk since the list was read is not sent.
        const uint64_t announced = static_cast<uint64_t>(list.m_nSizes[k]);
        uint64_t sent = 0;
        for (;;) {
            if (events.StopRequested())
                return fail(ExchangeFailure::Interrupted, true);
            int n = 0;
            if (!ReadFileBytes(file.Get(), piece, kPieceSize, &n))
                return fail(ExchangeFailure::DataNotSent, true);
            if (sent + static_cast<uint64_t>(n) > announced || (n < kPieceSize && sent + n != announced))
                return fail(ExchangeFailure::DataNotSent, true);
            if (port.Write(piece, n, false) != LinkStatus::Done)
                return fail(ExchangeFailure::DataNotSent, true);
            events.DataSent(piece, n);
            sent += static_cast<uint64_t>(n);
            if (n < kPieceSize)
                break;
        }
        if (!events.FileSent(k))
            return fail(ExchangeFailure::DataNotSent, true);
    }
    if (!Send(port, events, kCommandSR, kCommandLength))
        return fail(ExchangeFailure::DataNotSent, true);
    // Written is not received: the bytes may still sit in a queue on this
    // side when the printer stops taking them.
    const Delivery delivery = port.ConfirmDelivery();
    if (delivery == Delivery::Failed)
        return fail(ExchangeFailure::NotConfirmed, true);
    // A printer-queue job that the spooler refuses as it ends was not sent.
    if (port.Close() != LinkStatus::Done)
        return fail(ExchangeFailure::DataNotSent, false);
    t.result = delivery == Delivery::Confirmed ? TransferResult::Confirmed : TransferResult::SentUnconfirmed;
    return t;
}
