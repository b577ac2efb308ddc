// The three exchanges with a printer, apart from any window: the
// preparation (KU, SU, the status line), the cancel (KK) and the transfer
// (a DT header and 1024-byte pieces per file, then SR). Each runs on a
// connection opened for it alone and closed before it returns. The wizard's
// pages and orvi-flash both run them, so the bytes on the wire are the same.
#pragma once

#include "link/printer_port.h"
#include "upgrade/file_access.h"
#include "upgrade/file_list.h"

#include <cstdint>
#include <string>

inline constexpr int kPieceSize = 1024;
inline constexpr int kStatusCapacity = 1024;

enum class ExchangeFailure {
    PortNotOpened,
    // KU or SU, or a DT header, did not go out (or, to a printer queue, KU's
    // job was not taken).
    CommandNotSent,
    NoStatusLine,
    FileNotOpened,
    // A piece or SR did not go out, a file's size changed while it was
    // sent, the caller refused what was sent, or the printer queue did not
    // take the transfer's job.
    DataNotSent,
    // The caller asked to stop: between two pieces, or in a wait of the
    // link that its stop request cut short.
    Interrupted,
    // Everything went out, but the printer's side did not confirm every
    // byte within the link's limit, or reset the connection.
    NotConfirmed,
};

// What an exchange tells its caller as it goes. Every handler has a
// default that does nothing.
class IExchangeEvents {
public:
    virtual ~IExchangeEvents() = default;
    // KU has gone out (to a printer queue: its job was taken).
    virtual void UpgradeCommandSent() {}
    // A step failed. The connection, if it opened, is still open and is
    // given up once this returns (a printer queue's job is withdrawn).
    virtual void Failed(ExchangeFailure) {}
    // Every command and header as it goes out, and the status line as it
    // came in.
    virtual void CommandSent(const void*, int32_t) {}
    virtual void AnswerRead(const void*, int32_t) {}
    // A file's transfer: its header is next, then its data in pieces (the
    // last one perhaps empty), then the next file.
    virtual void FileStarted(int, const std::string&, int32_t) {}
    virtual void DataSent(const void*, int32_t) {}
    // Asked before each piece: true stops the transfer there.
    virtual bool StopRequested() { return false; }
    // Asked once a file's last piece has gone: false stops the transfer
    // before the next file, for a caller that knows the bytes it meant to
    // send and saw others go.
    virtual bool FileSent(int) { return true; }
};

enum class PreparationResult {
    Failed,
    // The status line came; its first byte says the printer's state.
    StatusRead,
    // A printer queue: KU went out, and nothing can come back.
    NoReturnPath,
};

struct Preparation {
    PreparationResult result = PreparationResult::Failed;
    ExchangeFailure failure = ExchangeFailure::PortNotOpened;
    // The status line's first byte; 0 if nobody wrote it.
    unsigned char status = 0;
    // Whether KU went out, so that the printer may be in its upgrade state.
    bool upgradeCommandSent = false;
    // Why the failed step failed.
    LinkFailure link;
};

// Open, KU, and unless the printer cannot answer, SU and the status line;
// close.
Preparation Prepare(IPrinterPort& port, IExchangeEvents& events);

// Open, KK, close. Whether KK went out (and, where the link can tell, was
// confirmed); nothing is reported.
bool CancelUpgrade(IPrinterPort& port, IExchangeEvents& events);

enum class TransferResult {
    // The printer's side confirmed every byte.
    Confirmed,
    // Everything was handed on, and the link cannot tell whether it
    // arrived (a printer queue, or a TCP stack that does not say).
    SentUnconfirmed,
    Failed,
};

struct Transfer {
    TransferResult result = TransferResult::Failed;
    ExchangeFailure failure = ExchangeFailure::PortNotOpened;
    // Whether any firmware byte (a header included) went out.
    bool firmwareSent = false;
    // Why the failed step failed: the link's reason, or this side's (a file
    // that does not read: LocalResource; a stop asked for: Stopped).
    LinkFailure link;
};

// Where a transfer reads the listed files' bytes: the package's folder,
// or bytes read and checked before (orvi-flash holds a small package once
// for all its printers).
class IFirmwareFiles {
public:
    virtual ~IFirmwareFiles() = default;
    // Makes the list's file `index` the one read; false when it cannot be
    // opened.
    virtual bool Open(int index) = 0;
    // Up to `capacity` next bytes of it into `piece`, 0 at its end; false
    // when it does not read.
    virtual bool Read(unsigned char* piece, int capacity, int& read) = 0;
    // Its last byte is sent.
    virtual void Close() {}
};

// Open; for each file of the list its DT header and its bytes in pieces of
// 1024 (each file exactly the size the list announces); SR; the printer's
// confirmation of every byte; close.
Transfer SendUpgrade(IPrinterPort& port, const UpgradeFileList& list, IFirmwareFiles& files,
                     IExchangeEvents& events);
// The same, the files read from the folder.
Transfer SendUpgrade(IPrinterPort& port, const std::string& directory, const UpgradeFileList& list,
                     IExchangeEvents& events, FileSharing sharing = FileSharing::None);
