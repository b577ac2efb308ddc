#include "flash/system.h"

#include "flash/lock_name.h"
#include "flash/outcome.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>

namespace {

std::atomic<int> g_interrupts{0};
// Set once the run has told its printers and written its ledger.
HANDLE g_runFinished = nullptr;

// How long a closing console, a logoff or a shutdown is held off: the
// system ends the process 5 s after a close or logoff event whatever the
// handler does.
constexpr DWORD kClosingWaitMs = 4500;

BOOL WINAPI OnControl(DWORD type)
{
    const bool closing = type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT;
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && !closing)
        return FALSE;
    if (g_interrupts.fetch_add(1) > 0 && !closing) {
        // At once, whatever locks the printers' threads hold; ExitProcess
        // would run the cleanups that wait on them.
        TerminateProcess(GetCurrentProcess(), kExitSomeBroken);
    }
    // The system ends the process once this returns: the printers are
    // told and the ledger written first, within the time it gives.
    if (closing && g_runFinished)
        WaitForSingleObject(g_runFinished, kClosingWaitMs);
    return TRUE;
}

} // namespace

bool MakeFolder(const std::string& path)
{
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '\\' && path[at] != '/')
            continue;
        const std::string part = path.substr(0, at);
        if (part.size() == 2 && part[1] == ':')
            continue;
        if (!CreateDirectoryA(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return true;
}

std::string DefaultLedgerPath()
{
    char folder[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", folder, sizeof folder);
    std::string path = n > 0 && n < sizeof folder ? std::string(folder, n) : std::string(".");
    path += "\\orvi-flash";
    MakeFolder(path);
    return path + "\\ledger.jsonl";
}

bool AppendWhole(const std::string& path, const std::string& text)
{
    HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == text.size();
}

std::string UtcTimeNow()
{
    SYSTEMTIME utc{};
    GetSystemTime(&utc);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", utc.wYear, utc.wMonth, utc.wDay, utc.wHour,
                  utc.wMinute, utc.wSecond);
    return text;
}

bool OutputIsTerminal()
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(out, &mode))
        return false;
    SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    return true;
}

void CatchInterrupts()
{
    g_runFinished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnControl, TRUE);
}

void RunFinished()
{
    if (g_runFinished)
        SetEvent(g_runFinished);
}

bool InterruptRequested()
{
    return g_interrupts.load() > 0;
}

void RequestInterrupt()
{
    g_interrupts.fetch_add(1);
}

std::string CanonicalDevice(const std::string& device)
{
    // \\.\COM12 is COM12 in the device namespace; the system compares
    // device names without regard to case.
    std::string name = device.rfind("\\\\.\\", 0) == 0 ? device.substr(4) : device;
    for (char& c : name)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return name;
}

struct PrinterLock::Held {
    HANDLE file = INVALID_HANDLE_VALUE;
};

PrinterLock::PrinterLock() : m_held(std::make_unique<Held>()) {}

PrinterLock::~PrinterLock()
{
    if (m_held->file != INVALID_HANDLE_VALUE)
        CloseHandle(m_held->file);
}

PrinterLock::Taken PrinterLock::Take(const std::string& folder, const std::string& identity)
{
    if (!MakeFolder(folder))
        return Taken::NoLockFolder;
    const std::string path = folder + "\\" + LockFileName(identity);
    // Opened with no sharing: another process's open fails until this
    // handle closes, which the system does when the process ends.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION ? Taken::HeldElsewhere : Taken::NoLockFolder;
    m_held->file = h;
    return Taken::Yes;
}

std::FILE* OpenTraceForAppend(const std::string& path)
{
    // A link or junction at the trace's place is refused, not followed.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)))
        return nullptr;
    HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_APPEND | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "ab");
    if (!file)
        _close(fd);
    return file;
}

uint64_t PhysicalMemoryBytes()
{
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? static_cast<uint64_t>(status.ullTotalPhys) : 0;
}

uint64_t RaiseOpenFileLimit()
{
    // Handles have no per-process limit to raise; the C runtime's files,
    // which traces use, have one.
    _setmaxstdio(8192);
    return 16u * 1024 * 1024;
}
