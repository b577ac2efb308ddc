#include "flash/system.h"

#include "flash/outcome.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<int> g_interrupts{0};

BOOL WINAPI OnControl(DWORD type)
{
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT)
        return FALSE;
    if (g_interrupts.fetch_add(1) > 0)
        ExitProcess(kExitSomeBroken);
    std::fputs(kStoppingNotice, stderr);
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
    SetConsoleCtrlHandler(OnControl, TRUE);
}

bool InterruptRequested()
{
    return g_interrupts.load() > 0;
}

void RequestInterrupt()
{
    g_interrupts.fetch_add(1);
}
