// The keep-awake guard against a private D-Bus daemon: with a logind on it
// (the stand-in in tests/support), without one, and with no bus at all.
#include "upgrade/keep_awake.h"
#include "tests/support/private_bus.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <thread>

namespace {

int g_argc = 1;
char g_name[] = "keep_awake_tests";
char* g_argv[] = {g_name, nullptr};

} // namespace

TEST(KeepAwake, HoldsLogindsInhibitorUntilTheGuardGoesAndWithoutItWaitsForNothing)
{
    QCoreApplication app(g_argc, g_argv);
    {
        PrivateBus bus;
        ASSERT_TRUE(bus.Running());
        {   // A bus with no logind on it.
            CKeepAwake awake;
            EXPECT_FALSE(awake.Holding());
        }
        LogindStandin logind;
        ASSERT_TRUE(logind.Start(ORVI_LOGIND_STANDIN));
        {
            CKeepAwake awake;
            EXPECT_TRUE(awake.Holding());
            EXPECT_TRUE(logind.WaitFor("inhibit sleep orvi-upgrade", 1, 5000)) << logind.Log();
            EXPECT_EQ(logind.Count(" block\n"), 1) << logind.Log();
            // Held for as long as the guard lives: a release that came too
            // early would reach the stand-in within this wait.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            EXPECT_EQ(logind.Count("released"), 0);
        }
        EXPECT_TRUE(logind.WaitFor("released", 1, 5000)) << logind.Log();
    }
    // The bus has gone as well.
    CKeepAwake awake;
    EXPECT_FALSE(awake.Holding());
}
