// Win32 file access: files open with no sharing, sizes come from the
// directory entry (FindFirstFileA), and names are lowered with the ANSI code
// page's rules.
#include "upgrade/file_access.h"

#include <windows.h>

namespace {

std::string JoinPath(const std::string& strDirectory, const std::string& strName)
{
    return strDirectory + strName;
}

// A NUL would cut the path short; '*' and '?' would make FindFirstFileA
// match a pattern instead of the one file named.
bool IsPlainName(const std::string& strPath)
{
    return strPath.find_first_of(std::string("*?\0", 3)) == std::string::npos;
}

} // namespace

FileHandle OpenFileForReading(const std::string& strDirectory, const std::string& strName)
{
    std::string path = JoinPath(strDirectory, strName);
    if (!IsPlainName(path))
        return InvalidFile;
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return InvalidFile;
    return reinterpret_cast<FileHandle>(h);
}

int ReadFileBytes(FileHandle hFile, void* pBuffer, int nCapacity, int* pnRead)
{
    *pnRead = 0;
    if (hFile == InvalidFile || nCapacity < 0)
        return 0;
    DWORD got = 0;
    if (!::ReadFile(reinterpret_cast<HANDLE>(hFile), pBuffer, static_cast<DWORD>(nCapacity), &got,
                    nullptr))
        return 0;
    *pnRead = static_cast<int>(got);
    return 1;
}

void CloseFile(FileHandle hFile)
{
    if (hFile != InvalidFile)
        ::CloseHandle(reinterpret_cast<HANDLE>(hFile));
}

int LookupFileSize(const std::string& strDirectory, const std::string& strName, uint64_t* pnSize)
{
    std::string path = JoinPath(strDirectory, strName);
    if (!IsPlainName(path))
        return 0;
    WIN32_FIND_DATAA data;
    HANDLE h = ::FindFirstFileA(path.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    ::FindClose(h);
    *pnSize = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return 1;
}

namespace {

std::string ProgramPath()
{
    char buf[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, buf, sizeof buf);
    return std::string(buf, n < sizeof buf ? n : sizeof buf);
}

} // namespace

std::string ProgramDirectory()
{
    const std::string path = ProgramPath();
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(0, slash + 1);
}

std::string ProgramFileName()
{
    const std::string path = ProgramPath();
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void LowerCaseAnsi(std::string& str)
{
    if (!str.empty())
        ::CharLowerBuffA(str.data(), static_cast<DWORD>(str.size()));
}
