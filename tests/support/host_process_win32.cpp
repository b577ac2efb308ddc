// Under Wine, CreateProcess of a Linux program starts it as a host process.
// A small shell in front of it sends its output where asked and writes its
// process id and, once it ends, its exit status, for the test to read.
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
    std::string out(1, '"');
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
    out.push_back('"');
    return out;
}

// The Windows name of a host path: Wine's Z: drive is the host's root.
std::string WindowsName(const std::string& hostPath)
{
    std::string name("Z:");
    name.append(hostPath);
    for (char& c : name)
        if (c == '/')
            c = '\\';
    return name;
}

} // namespace

struct HostProcess::Handle {
    std::string pid;
    // Where the shell in front writes the program's process id, and its
    // exit status once it ends: Wine does not follow a Linux program it
    // started, whose process handle is signalled at once.
    std::string pidFile;
    std::string statusFile;
    bool ended = false;
    int exitCode = -1;

    bool ReadStatus()
    {
        if (ended)
            return true;
        std::ifstream in(WindowsName(statusFile));
        std::string status;
        if (!std::getline(in, status) || status.empty())
            return false;
        ended = true;
        // A shell reports a death by signal N as 128 + N.
        exitCode = std::stoi(status) > 128 ? -1 : std::stoi(status);
        return true;
    }
};

HostProcess::HostProcess() : m_h(std::make_unique<Handle>()) {}

HostProcess::~HostProcess()
{
    // Asked to end first, so that it tidies up (a printer removes its
    // line's link); made to, if it does not.
    int code = 0;
    if (Running() && !(Signal(15) && WaitExit(kHostEndMs, code)) && Signal(9))
        WaitExit(kHostEndMs, code);
    DeleteFileA(WindowsName(m_h->pidFile).c_str());
    DeleteFileA(WindowsName(m_h->statusFile).c_str());
}

bool HostProcess::Start(const std::vector<std::string>& argv, const std::string& outputPath)
{
    // In the prefix's own temporary folder: programs in two prefixes can
    // have the same Windows process id, and must not share these files.
    static std::atomic<int> serial{0};
    std::string stem = HostPath(std::filesystem::temp_directory_path() / "orvi-host-");
    stem.append(std::to_string(GetCurrentProcessId())).append("-").append(std::to_string(serial++));
    m_h->pidFile = stem + ".pid";
    m_h->statusFile = stem + ".status";
    DeleteFileA(WindowsName(m_h->pidFile).c_str());
    DeleteFileA(WindowsName(m_h->statusFile).c_str());
    std::vector<std::string> words = {
        "-c",
        "exec 2>/dev/null; pid=$1 status=$2 out=$3; shift 3; \"$@\" >\"$out\" 2>&1 </dev/null & "
        "echo $! >\"$pid\"; "
        "wait $!; echo $? >\"$status.new\"; mv \"$status.new\" \"$status\"",
        "sh", m_h->pidFile, m_h->statusFile, outputPath.empty() ? "/dev/null" : outputPath};
    words.insert(words.end(), argv.begin(), argv.end());
    std::string line = Quoted("Z:\\bin\\sh");
    for (const std::string& word : words) {
        line.push_back(' ');
        line.append(Quoted(word));
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (m_h->pid.empty() && std::chrono::steady_clock::now() < deadline) {
        std::ifstream in(WindowsName(m_h->pidFile));
        std::getline(in, m_h->pid);
        if (m_h->pid.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return !m_h->pid.empty();
}

bool HostProcess::Signal(int sig)
{
    if (m_h->pid.empty() || m_h->ReadStatus())
        return false;
    std::string signal(1, '-');
    signal.append(std::to_string(sig));
    return RunHost({"/bin/kill", signal, m_h->pid}) == 0;
}

long HostProcess::Pid() const
{
    return m_h->pid.empty() ? 0 : std::stol(m_h->pid);
}

bool HostProcess::Running()
{
    return !m_h->pid.empty() && !m_h->ReadStatus();
}

bool HostProcess::WaitExit(int timeoutMs, int& exitCode)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!m_h->pid.empty()) {
        if (m_h->ReadStatus()) {
            exitCode = m_h->exitCode;
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

int RunHost(const std::vector<std::string>& argv)
{
    HostProcess p;
    int code = -1;
    if (!p.Start(argv) || !p.WaitExit(kHostRunLimitMs, code))
        return -1;
    return code;
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
