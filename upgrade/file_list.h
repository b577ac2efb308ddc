// The upgrade file list and the parser of "l11config.bld".
#pragma once

#include "upgrade/config_file.h"

#include <cstdint>
#include <string>

inline constexpr int kFileListCapacity = 100;
// "iosubsys.bin" and the configuration file itself take the last two
// positions, so a configuration file can list at most 98 entries.
inline constexpr int kMaxConfigEntries = kFileListCapacity - 2;

// The longest count line or field the configuration file may hold: a name
// is a path inside the package, and Windows takes no longer one.
inline constexpr size_t kMaxConfigFieldLength = 255;

inline constexpr const char* kConfigFileName = "l11config.bld";
inline constexpr const char* kIoSubsystemFileName = "iosubsys.bin";

// Error indices that are not positions of the list.
inline constexpr int32_t kConfigNotOpened = -1;
inline constexpr int32_t kConfigCorrupt = -2;

// The files to send, in sending order, with the size each directory entry
// gave when the list was read.
struct UpgradeFileList {
    std::string m_strNames[kFileListCapacity];
    int32_t m_nSizes[kFileListCapacity] = {};
    int32_t m_nCount = 0;
    // 64 bits: up to 100 files just under 2 GiB each must add up exactly.
    int64_t m_nTotalSize = 0;
};

// Reads the configuration file strConfigName in strDirectory into list (whose
// names are all empty) and appends "iosubsys.bin". Returns 1, or 0 with
// nErrorIndex set: -1 the file did not open; k the file at position k is
// missing (its name is in m_strNames[k]), or is not one the package may hold
// (file_access.h); -2 the file is corrupt (it ends before its list does,
// declares a count outside 0..98 or one that differs from its entries,
// lists more than 98 files, names a file of 2 GiB or more, holds a name with
// a control byte, a count line or field longer than kMaxConfigFieldLength or
// more than kMaxConfigFileBytes, or cannot be read).
int ParseUpgradeConfig(const std::string& strConfigName, const std::string& strDirectory,
                       UpgradeFileList& list, int32_t& nErrorIndex);

// The list as it is sent: the configuration file's list, then the
// configuration file itself, last, announced with the size its entry has
// now. Returns 1, or 0 with nErrorIndex as ParseUpgradeConfig sets it (-1
// also when the configuration file is gone by the time it is appended, -2
// when it has grown to 2 GiB or more).
int BuildSendingList(const std::string& strDirectory, UpgradeFileList& list, int32_t& nErrorIndex);

// The wizard's message for a list that was refused: "Configuration BLD
// file could not be found." (-1), "Configuration file is corrupt." (-2, or
// any index outside the list), or the missing file's name in message 113.
std::string ListRefusalText(int32_t nErrorIndex, const UpgradeFileList& list);

// Reads the count line (bField false: up to the first CR) or one field
// (bField true: skip to '*', then up to ':'). Returns 1 when it ended at its
// terminator, 0 when the file ended first, or once the text has grown past
// kMaxConfigFieldLength (it then holds one byte more, and nothing further is
// read). A field call that finds no '*' leaves strText as it was.
int ReadConfigField(CConfigFile& file, std::string& strText, bool bField);

// The declared count of a count line, converted the way atoi reads decimal
// text but saturating instead of overflowing.
int64_t ParseDeclaredCount(const std::string& strLine);
