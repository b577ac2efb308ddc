#include "tests/support/private_bus.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

PrivateBus::PrivateBus()
{
    const std::string address = "unix:path=" + (m_dir.Path() / "bus").string();
    m_bus.Start({"/usr/bin/dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + address});
    for (int i = 0; i < 500 && !Running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    m_address = std::make_unique<ScopedEnv>("DBUS_SYSTEM_BUS_ADDRESS", address.c_str());
}

PrivateBus::~PrivateBus() = default;

bool PrivateBus::Running() const
{
    return std::filesystem::exists(m_dir.Path() / "bus");
}

bool LogindStandin::Start(const std::string& program)
{
    m_process.Start({program, (m_dir.Path() / "logind.log").string()});
    return WaitFor("ready", 1, 10000);
}

LogindStandin::~LogindStandin() = default;

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
