#include "upgrade/file_list.h"

#include "res/strings.h"
#include "upgrade/commands.h"
#include "upgrade/file_access.h"
#include "upgrade/package_name.h"

namespace {

// Whether the file can no longer be read as a list: unreadable, too large,
// or with a line or field too long for any name.
bool Unreadable(const CConfigFile& file, const std::string& strText)
{
    return file.ReadFailed() || file.TooLarge() || strText.size() > kMaxConfigFieldLength;
}

// Reads one field, lowered, into strText. Returns 1 with bEnd telling whether
// it was the terminating "end", or 0 when the list cannot go on: the file was
// unreadable, or it ended before a field read "end". A field cut off by the
// end of the file still counts when its text is "end".
int ReadListField(CConfigFile& file, std::string& strText, bool& bEnd)
{
    strText.clear();
    int ended = ReadConfigField(file, strText, true);
    if (Unreadable(file, strText))
        return 0;
    LowerCaseAnsi(strText);
    bEnd = strText == "end";
    return ended || bEnd;
}

// Looks name up and records it at position i. 1 when it was found; 0 with
// nErrorIndex set otherwise.
int AddFile(UpgradeFileList& list, int i, const std::string& strDirectory,
            const std::string& strName, int32_t& nErrorIndex)
{
    list.m_strNames[i] = strName;
    uint64_t size = 0;
    if (!LookupFileSize(strDirectory, strName, &size)) {
        nErrorIndex = i;
        return 0;
    }
    if (size > static_cast<uint64_t>(kLargestAnnouncedSize)) {
        nErrorIndex = kConfigCorrupt;
        return 0;
    }
    list.m_nSizes[i] = static_cast<int32_t>(size);
    list.m_nTotalSize += static_cast<int64_t>(size);
    return 1;
}

} // namespace

int64_t ParseDeclaredCount(const std::string& strLine)
{
    constexpr int64_t kLimit = 1000000000;
    size_t i = 0;
    while (i < strLine.size() && (strLine[i] == ' ' || (strLine[i] >= '\t' && strLine[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < strLine.size() && (strLine[i] == '+' || strLine[i] == '-'))
        negative = strLine[i++] == '-';
    int64_t value = 0;
    for (; i < strLine.size() && strLine[i] >= '0' && strLine[i] <= '9'; ++i)
        if (value < kLimit)
            value = value * 10 + (strLine[i] - '0');
    if (value > kLimit)
        value = kLimit;
    return negative ? -value : value;
}

int ReadConfigField(CConfigFile& file, std::string& strText, bool bField)
{
    unsigned char byte = 0;
    if (!bField) {
        strText.clear();
        while (file.ReadByte(&byte)) {
            if (byte == '\r')
                return 1;
            strText += static_cast<char>(byte);
            if (strText.size() > kMaxConfigFieldLength)
                return 0;
        }
        return 0;
    }
    do {
        if (!file.ReadByte(&byte))
            return 0;
    } while (byte != '*');
    strText.clear();
    while (file.ReadByte(&byte)) {
        if (byte == ':')
            return 1;
        strText += static_cast<char>(byte);
        if (strText.size() > kMaxConfigFieldLength)
            return 0;
    }
    return 0;
}

int ParseUpgradeConfig(const std::string& strConfigName, const std::string& strDirectory,
                       UpgradeFileList& list, int32_t& nErrorIndex)
{
    CConfigFile file;
    if (!file.Open(strDirectory, strConfigName)) {
        nErrorIndex = kConfigNotOpened;
        return 0;
    }

    std::string text;
    ReadConfigField(file, text, false);
    int64_t declared = ParseDeclaredCount(text);
    if (Unreadable(file, text) || declared < 0 || declared > kMaxConfigEntries) {
        nErrorIndex = kConfigCorrupt;
        return 0;
    }
    list.m_nCount = static_cast<int32_t>(declared);
    list.m_nTotalSize = 0;

    int i = 0;
    for (;;) {
        bool end = false;
        if (!ReadListField(file, text, end)) {
            nErrorIndex = kConfigCorrupt;
            return 0;
        }
        if (end)
            break;
        // A control byte would go into the DT header as it stands, and the
        // printer would read another command stream than the one sent.
        if (i == kMaxConfigEntries || HasControlByte(text)) {
            nErrorIndex = kConfigCorrupt;
            return 0;
        }
        if (!AddFile(list, i, strDirectory, text, nErrorIndex))
            return 0;
        ++i;
        if (!ReadListField(file, text, end)) {
            nErrorIndex = kConfigCorrupt;
            return 0;
        }
        if (end)
            break;
    }
    file.Close();

    // The number of positions sent comes from the declared count: one that
    // differs from the entries would send an incomplete set, or run into
    // empty names, and still end in the printer's upgrade cycle.
    if (i != list.m_nCount) {
        nErrorIndex = kConfigCorrupt;
        return 0;
    }
    if (!AddFile(list, i, strDirectory, kIoSubsystemFileName, nErrorIndex))
        return 0;
    list.m_nCount += 1;
    return 1;
}

int BuildSendingList(const std::string& strDirectory, UpgradeFileList& list, int32_t& nErrorIndex)
{
    if (!ParseUpgradeConfig(kConfigFileName, strDirectory, list, nErrorIndex))
        return 0;
    // The configuration file goes last, announced with the size its entry
    // has now; if it has gone since it was read, nothing is sent.
    uint64_t configSize = 0;
    if (!LookupFileSize(strDirectory, kConfigFileName, &configSize)) {
        nErrorIndex = kConfigNotOpened;
        return 0;
    }
    if (configSize > static_cast<uint64_t>(kLargestAnnouncedSize)) {
        nErrorIndex = kConfigCorrupt;
        return 0;
    }
    list.m_strNames[list.m_nCount] = kConfigFileName;
    list.m_nSizes[list.m_nCount] = static_cast<int32_t>(configSize);
    list.m_nTotalSize += static_cast<int64_t>(configSize);
    list.m_nCount += 1;
    return 1;
}

std::string ListRefusalText(int32_t nErrorIndex, const UpgradeFileList& list)
{
    if (nErrorIndex == kConfigNotOpened)
        return LoadStringResource(IDS_CONFIG_NOT_FOUND);
    if (nErrorIndex < 0 || nErrorIndex >= kFileListCapacity)
        return LoadStringResource(IDS_CONFIG_CORRUPT);
    // "%s" takes the name as the list holds it; the name goes in whole,
    // whatever it contains.
    std::string text = LoadStringResource(IDS_FILE_MISSING);
    size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, list.m_strNames[nErrorIndex].c_str());
    return text;
}
