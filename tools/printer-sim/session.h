// The printer's side of one connection: it takes the bytes the connection
// delivers, acts on each command, stores and hashes DT files and reports
// every event. It does no I/O on the connection itself; it tells the
// caller when the connection must answer, drop or stop reading.
#pragma once

#include "tools/printer-sim/command_parser.h"
#include "tools/printer-sim/output_dir.h"
#include "tools/printer-sim/printer_state.h"
#include "upgrade/sha256.h"

#include <cstdint>
#include <string>
#include <vector>

inline constexpr uint64_t kNoLimit = UINT64_MAX;

// Faults counted in file-data bytes, afresh on every connection.
struct SessionLimits {
    uint64_t dropAfter = kNoLimit;
    uint64_t stallAfter = kNoLimit;
};

enum class SessionStop {
    kNone,
    kAnswer,   // SU was taken: send `answer` before feeding more
    kDrop,     // close the connection now
    kStall,    // read nothing more on this connection
};

class Session {
public:
    // Reports the connection. `channel` names it in every event.
    Session(PrinterState& printer, const std::string& channel, const SessionLimits& limits);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Takes bytes, stopping early (with `used` < n) when the connection must
    // act first; the bytes not used are fed again afterwards.
    void Feed(const unsigned char* p, size_t n, size_t& used, SessionStop& stop, std::string& answer);

    // The connection is over. `byPrinter` is 1 when the printer cut it (a
    // fault or shutdown), so what it cut short is no protocol error.
    void End(int byPrinter);

private:
    void Emit(JsonLine& line);
    void OnCommand(const std::string& name, SessionStop& stop, std::string& answer);
    void BeginFile(const std::string& name, int32_t size);
    void TakeData(const unsigned char* p, size_t n);
    void FinishFile();
    SessionStop LimitReached() const;

    PrinterState& m_printer;
    std::string m_channel;
    SessionLimits m_limits;
    CommandParser m_parser;
    uint64_t m_dataTaken = 0;

    int m_inFile = 0;
    std::string m_fileName;
    uint64_t m_announced = 0;
    uint64_t m_received = 0;
    int m_refused = 0;
    Sha256 m_sha;
    IncomingFile m_file;

    std::vector<std::string> m_files;   // taken on this connection since KU/SR/KK
};
