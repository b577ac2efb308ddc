// The registry on Linux is that of the user's Wine prefix, where the maker's
// Windows software runs: $WINEPREFIX/user.reg, or ~/.wine/user.reg. Wine
// writes the file from memory now and then and when its server ends, so
// values set a moment ago by a program still running may not be there yet.
// The file is read once, when the key is opened; the key then holds its
// values until it is closed.
#include "pages/registry_query.h"
#include "pages/wine_registry_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Far above any real user.reg; a larger file is not read into memory.
constexpr off_t kMaxFileSize = 64 * 1024 * 1024;

std::string UserRegistryPath()
{
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix && *prefix)
        return std::string(prefix) + "/user.reg";
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* pw = ::getpwuid(::getuid());
        home = pw ? pw->pw_dir : nullptr;
    }
    if (!home || !*home)
        return std::string();
    return std::string(home) + "/.wine/user.reg";
}

bool ReadWholeFile(const std::string& strPath, std::vector<char>& text)
{
    int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxFileSize;
    if (ok) {
        text.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        // The file may shrink or grow while we read; what we got is what we
        // parse.
        while (done < text.size()) {
            ssize_t n = ::read(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<size_t>(n);
        }
        text.resize(done);
    }
    ::close(fd);
    return ok;
}

bool HasNul(const std::string& str)
{
    return str.find('\0') != std::string::npos;
}

} // namespace

RegistryKeyHandle OpenUserRegistryKey(const std::string& strSubKey)
{
    if (HasNul(strSubKey))
        return InvalidRegistryKey;
    const std::string path = UserRegistryPath();
    std::vector<char> text;
    if (path.empty() || !ReadWholeFile(path, text))
        return InvalidRegistryKey;
    WineRegistryKey* key = new (std::nothrow) WineRegistryKey;
    if (!key)
        return InvalidRegistryKey;
    if (!FindWineRegistryKey(text.data(), text.size(), strSubKey, *key)) {
        delete key;
        return InvalidRegistryKey;
    }
    return reinterpret_cast<RegistryKeyHandle>(key);
}

int QueryRegistryValue(RegistryKeyHandle hKey, const std::string& strValueName, void* pBuffer, uint32_t* pnSize)
{
    if (hKey == InvalidRegistryKey || !pnSize || HasNul(strValueName))
        return 0;
    const WineRegistryValue* value =
        FindWineRegistryValue(*reinterpret_cast<const WineRegistryKey*>(hKey), strValueName);
    if (!value)
        return 0;
    const std::vector<uint8_t> data = AnsiValueData(*value);
    const uint32_t nCapacity = *pnSize;
    *pnSize = static_cast<uint32_t>(data.size());
    if (data.size() > nCapacity || (!data.empty() && !pBuffer))
        return 0;
    if (!data.empty())
        std::memcpy(pBuffer, data.data(), data.size());
    return 1;
}

void CloseRegistryKey(RegistryKeyHandle hKey)
{
    delete reinterpret_cast<WineRegistryKey*>(hKey);
}
