// The keep-awake guard against a private D-Bus daemon: with a logind on it
// (the stand-in in tests/support), without one, and with no bus at all.
#include "pages/keep_awake.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <string>
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

void Kill(pid_t pid)
{
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
}

std::string Read(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Polls until the file holds the text; false after the limit.
bool WaitFor(const std::filesystem::path& path, const std::string& text, int limitMs)
{
    for (int waited = 0; waited < limitMs; waited += 10) {
        if (Read(path).find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// A message bus of the test's own, which the guard takes for the system bus.
class PrivateBus {
public:
    PrivateBus()
    {
        m_address = "unix:path=" + (m_dir.Path() / "bus").string();
        m_pid = Spawn({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + m_address});
        for (int i = 0; i < 500 && !std::filesystem::exists(m_dir.Path() / "bus"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~PrivateBus() { Kill(m_pid); }
    const std::string& Address() const { return m_address; }
    bool Running() const { return std::filesystem::exists(m_dir.Path() / "bus"); }

private:
    TempDir m_dir;
    std::string m_address;
    pid_t m_pid = -1;
};

int g_argc = 1;
char g_name[] = "keep_awake_tests";
char* g_argv[] = {g_name, nullptr};

} // namespace

TEST(KeepAwake, HoldsLogindsInhibitorUntilTheGuardGoes)
{
    QCoreApplication app(g_argc, g_argv);
    PrivateBus bus;
    ASSERT_TRUE(bus.Running());
    ScopedEnv address("DBUS_SYSTEM_BUS_ADDRESS", bus.Address().c_str());
    TempDir scratch;
    const auto log = scratch.Path() / "logind.log";
    pid_t logind = Spawn({ORVI_LOGIND_STANDIN, log.string()});
    ASSERT_TRUE(WaitFor(log, "ready", 10000));
    {
        CKeepAwake awake;
        EXPECT_TRUE(awake.Holding());
        EXPECT_TRUE(WaitFor(log, "inhibit sleep orvi-upgrade", 5000)) << Read(log);
        EXPECT_TRUE(Read(log).find(" block") != std::string::npos) << Read(log);
        // Held for as long as the guard lives.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(Read(log).find("released"), std::string::npos);
    }
    EXPECT_TRUE(WaitFor(log, "released", 5000)) << Read(log);
    Kill(logind);
}

TEST(KeepAwake, WithoutLogindOrABusNothingIsHeldAndNothingWaits)
{
    QCoreApplication app(g_argc, g_argv);
    {
        PrivateBus bus;
        ASSERT_TRUE(bus.Running());
        ScopedEnv address("DBUS_SYSTEM_BUS_ADDRESS", bus.Address().c_str());
        CKeepAwake awake;
        EXPECT_FALSE(awake.Holding());
    }
    TempDir nowhere;
    ScopedEnv address("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + (nowhere.Path() / "none").string()).c_str());
    CKeepAwake awake;
    EXPECT_FALSE(awake.Holding());
}
