// Under Wine, CreateProcess of a Linux program starts it as a host process.
// A small shell in front of it writes its process id, so that the test can
// signal it, and sends its output where asked.
#include "tests/support/host_process.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

namespace {

// A Windows command line that Wine splits back into exactly these words.
std::string Quoted(const std::string& word)
{
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : word) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"')
            out.append(backslashes * 2 + 1, '\\');
        else
            out.append(backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

// The Windows name of a host path: Wine's Z: drive is the host's root.
std::string WindowsName(const std::string& hostPath)
{
    std::string name = "Z:" + hostPath;
    for (char& c : name)
        if (c == '/')
            c = '\\';
    return name;
}

} // namespace

struct HostProcess::Handle {
    HANDLE process = nullptr;
    std::string pid;
};

HostProcess::HostProcess() : m_h(std::make_unique<Handle>()) {}

HostProcess::~HostProcess()
{
    if (m_h->process) {
        if (Running())
            Signal(9);
        WaitForSingleObject(m_h->process, 10000);
        CloseHandle(m_h->process);
    }
}

bool HostProcess::Start(const std::vector<std::string>& argv, const std::string& outputPath)
{
    static std::atomic<int> serial{0};
    const std::string pidFile =
        "/tmp/orvi-host-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++) + ".pid";
    std::string line = Quoted("Z:\\bin\\sh") + " -c " +
                       Quoted("echo $$ >\"$0\"; out=$1; shift; exec \"$@\" >\"$out\" 2>&1 </dev/null") + " " +
                       Quoted(pidFile) + " " + Quoted(outputPath.empty() ? "/dev/null" : outputPath);
    for (const std::string& word : argv)
        line += " " + Quoted(word);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    m_h->process = info.hProcess;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (m_h->pid.empty() && std::chrono::steady_clock::now() < deadline) {
        std::ifstream in(WindowsName(pidFile));
        std::getline(in, m_h->pid);
        if (m_h->pid.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    DeleteFileA(WindowsName(pidFile).c_str());
    return !m_h->pid.empty();
}

bool HostProcess::Signal(int sig)
{
    return !m_h->pid.empty() && RunHost({"/bin/kill", "-" + std::to_string(sig), m_h->pid}) == 0;
}

bool HostProcess::Running()
{
    return m_h->process && WaitForSingleObject(m_h->process, 0) == WAIT_TIMEOUT;
}

bool HostProcess::WaitExit(int timeoutMs, int& exitCode)
{
    if (!m_h->process || WaitForSingleObject(m_h->process, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    GetExitCodeProcess(m_h->process, &code);
    exitCode = code > 255 ? -1 : static_cast<int>(code);
    CloseHandle(m_h->process);
    m_h->process = nullptr;
    return true;
}

int RunHost(const std::vector<std::string>& argv)
{
    // No shell in front: nothing to signal, and the exit status is the
    // program's own.
    std::string line;
    for (const std::string& word : argv)
        line += (line.empty() ? "" : " ") + Quoted(line.empty() ? WindowsName(word) : word);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return -1;
    CloseHandle(info.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(info.hProcess, kHostRunLimitMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    return code > 255 ? -1 : static_cast<int>(code);
}

std::string HostPath(const std::filesystem::path& path)
{
    using ToUnix = char*(CDECL*)(LPCWSTR);
    static auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    if (!toUnix)
        return path.string();
    char* unix = toUnix(std::filesystem::absolute(path).wstring().c_str());
    if (!unix)
        return path.string();
    std::string host = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return host;
}

std::string EnvironmentValue(const char* name)
{
    char value[4096];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}
