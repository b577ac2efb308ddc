#include "tests/support/private_bus.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

pid_t Spawn(const std::vector<std::string>& args)
{
    pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

void Stop(pid_t pid)
{
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
}

} // namespace

PrivateBus::PrivateBus()
{
    const std::string address = "unix:path=" + (m_dir.Path() / "bus").string();
    m_pid = Spawn({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + address});
    for (int i = 0; i < 500 && !Running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    m_address = std::make_unique<ScopedEnv>("DBUS_SYSTEM_BUS_ADDRESS", address.c_str());
}

PrivateBus::~PrivateBus()
{
    Stop(m_pid);
}

bool PrivateBus::Running() const
{
    return std::filesystem::exists(m_dir.Path() / "bus");
}

bool LogindStandin::Start(const std::string& program)
{
    m_pid = Spawn({program, (m_dir.Path() / "logind.log").string()});
    return WaitFor("ready", 1, 10000);
}

LogindStandin::~LogindStandin()
{
    Stop(m_pid);
}

std::string LogindStandin::Log() const
{
    std::ifstream in(m_dir.Path() / "logind.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int LogindStandin::Count(const std::string& text) const
{
    const std::string log = Log();
    int n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size()))
        ++n;
    return n;
}

bool LogindStandin::WaitFor(const std::string& text, int count, int limitMs) const
{
    for (int waited = 0; waited < limitMs; waited += 10) {
        if (Count(text) >= count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}
