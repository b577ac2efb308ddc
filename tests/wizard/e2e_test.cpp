// One whole upgrade in each connection mode, from Welcome to Done, checked
// byte for byte against what the simulated printer received.
#include "tests/wizard/e2e_common.h"

#include <gtest/gtest.h>

class WholeUpgrade : public ::testing::TestWithParam<CommMode> {};

TEST_P(WholeUpgrade, FromWelcomeToDoneEveryByteArrives)
{
    WizardEnvironment env;
    std::vector<FirmwareFile> files = SampleSet(env);
    const CommMode mode = GetParam();
    ASSERT_NE(StartPrinterFor(env, mode), "");
    WizardHarness w;
    Upgrade(w, ModeButton(mode));
    // The printer takes in the last bytes after the wizard has let go of them.
    ASSERT_TRUE(WaitForReport(env.reportPath, "\"event\":\"upgrade\"", 1, kPromptMs));
    EXPECT_EQ(CompareUpgrade(env.reportPath, files), "");
    if (mode == Dual) {
        // The status request and its answer went over the serial line, all
        // else over the parallel one.
        EXPECT_EQ(CountReport(env.reportPath, "\"name\":\"SU\",\"channel\":\"serial\""), 1);
        EXPECT_EQ(CountReport(env.reportPath, "\"name\":\"KU\",\"channel\":\"parallel\""), 1);
        EXPECT_EQ(CountReport(env.reportPath, "\"channel\":\"serial\"") -
                      CountReport(env.reportPath, "\"event\":\"connect\",\"channel\":\"serial\"") -
                      CountReport(env.reportPath, "\"event\":\"disconnect\",\"channel\":\"serial\""),
                  1);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, WholeUpgrade, ::testing::Values(Com, Lpt, Dual, TcpIp),
                         [](const ::testing::TestParamInfo<CommMode>& info) { return ModeName(info.param); });
