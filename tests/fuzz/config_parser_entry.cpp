#include "tests/fuzz/fuzz_entry.h"

#include "upgrade/file_list.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A firmware directory that lives for the whole process, on tmpfs when the
// machine has one, so that each input costs a write and no disk access.
class FirmwareDirectory {
public:
    FirmwareDirectory()
    {
        std::error_code ec;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, ec))
            base = std::filesystem::temp_directory_path(ec);
        m_path = base / ("orvi-fuzz-config-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_path / "fw", ec);
        std::filesystem::create_directories(m_path / "sub", ec);
        Write("boot.bin", std::string(10, 'b'));
        Write("MAIN.BIN", std::string(1500, 'm'));
        Write("Main.bin", std::string(7, 'M'));
        Write("fw/Fonts.bin", std::string(3, 'f'));
        Write("empty.bin", "");
        Write(kIoSubsystemFileName, "IOSS");
        // What a package may not hold: a link out of it, and a FIFO.
        std::filesystem::create_directory_symlink("/", m_path / "out", ec);
        ::mkfifo((m_path / "pipe").c_str(), 0600);
        m_text = m_path.string() + "/";
    }
    ~FirmwareDirectory()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }

    const std::string& Text() const { return m_text; }

    int Write(const std::string& strName, const std::string& strBytes) const
    {
        const std::string path = (m_path / strName).string();
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            return 0;
        size_t done = 0;
        while (done < strBytes.size()) {
            ssize_t n = ::write(fd, strBytes.data() + done, strBytes.size() - done);
            if (n <= 0)
                break;
            done += static_cast<size_t>(n);
        }
        ::close(fd);
        return done == strBytes.size();
    }

private:
    std::filesystem::path m_path;
    std::string m_text;
};

// Upper case, which the list lowers, or a control byte, which it refuses.
bool HasUpperCaseOrControl(const std::string& str)
{
    for (char c : str)
        if ((c >= 'A' && c <= 'Z') || static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    return false;
}

// Whether a name leads into the link out of the folder or to the FIFO, which
// no list may hold, or is absolute (a name with ".." may lead back in).
bool LeadsOut(const std::string& name)
{
    const std::string first = name.substr(0, name.find_first_of("\\/"));
    return name.find("..") == std::string::npos &&
           (first == "out" || first == "pipe" || (!name.empty() && (name[0] == '/' || name[0] == '\\')));
}

// What a successful parse promises the transfer: a list it can send, with
// room left for the configuration file, and sizes that add up.
int CheckList(const UpgradeFileList& list)
{
    if (list.m_nCount < 1 || list.m_nCount > kMaxConfigEntries + 1)
        return 0;
    if (list.m_strNames[list.m_nCount - 1] != kIoSubsystemFileName)
        return 0;
    int64_t total = 0;
    for (int i = 0; i < list.m_nCount; ++i) {
        if (list.m_nSizes[i] < 0 || HasUpperCaseOrControl(list.m_strNames[i]) || LeadsOut(list.m_strNames[i]))
            return 0;
        total += list.m_nSizes[i];
    }
    for (int i = list.m_nCount; i < kFileListCapacity; ++i)
        if (!list.m_strNames[i].empty())
            return 0;
    return total == list.m_nTotalSize;
}

} // namespace

int FuzzConfigParser(const uint8_t* pData, size_t nSize)
{
    static FirmwareDirectory directory;
    if (!directory.Write(kConfigFileName, std::string(reinterpret_cast<const char*>(pData), nSize)))
        return 0;
    UpgradeFileList list;
    int32_t errorIndex = 12345;
    if (ParseUpgradeConfig(kConfigFileName, directory.Text(), list, errorIndex))
        return errorIndex == 12345 && CheckList(list);
    // A missing file is named by its position, which holds its name.
    if (errorIndex >= 0)
        return errorIndex <= kMaxConfigEntries;
    return errorIndex == kConfigCorrupt;
}
