// The ledger: one JSON line for each printer a run sent firmware to (the
// target as given, the printer's identity, the package's digest, the
// outcome, the time), so that a rerun skips the printers this package
// already upgraded. Only what changes a rerun's choice is recorded: a
// printer that was never sent a byte of firmware keeps the line it had.
// Lines are appended whole; a damaged line is passed over with a warning.
#pragma once

#include "flash/outcome.h"
#include "flash/target.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

enum class LedgerRead { Read, Missing, Unreadable };

class Ledger {
public:
    // Reads the ledger at path; a missing file is an empty ledger, one that
    // exists but cannot be read says so.
    LedgerRead Load(const std::string& path, std::vector<std::string>& warnings);
    // Whether a line could be appended now, before any firmware goes out.
    bool Writable() const;
    // The last line for the printer says this package was upgraded. Lines
    // of earlier releases, which name no identity, are matched by the
    // target's text.
    bool AlreadyUpgraded(const Target& target, const std::string& package) const;
    // Appends a printer's line. false if the ledger cannot be written.
    bool Record(const Target& target, const std::string& package, Outcome outcome);
    const std::string& Path() const { return m_path; }
    // Some line could not be written.
    bool WriteFailed() const;

private:
    struct Last {
        std::string package;
        std::string outcome;
    };
    std::string m_path;
    std::map<std::string, Last> m_last;
    bool m_endsOpen = false;
    bool m_writeFailed = false;
    mutable std::mutex m_mutex;
};

// The fields of a flat JSON object whose values are all strings; false if
// the line is not one.
bool ReadFlatJsonObject(const std::string& line, std::map<std::string, std::string>& fields);
