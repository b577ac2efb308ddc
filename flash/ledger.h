// The ledger: one JSON line per printer a run finished with (its target,
// the package's digest, the outcome, the time), so that a rerun skips the
// printers this package already reached. Lines are appended whole; a
// damaged line is passed over with a warning, never fatal.
#pragma once

#include "flash/outcome.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

class Ledger {
public:
    // Reads the ledger at path; a missing file is an empty ledger.
    void Load(const std::string& path, std::vector<std::string>& warnings);
    // The last line for the target says this package was upgraded.
    bool AlreadyUpgraded(const std::string& target, const std::string& package) const;
    // Appends a finished printer's line. false if the ledger cannot be
    // written.
    bool Record(const std::string& target, const std::string& package, Outcome outcome);
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
