// One whole upgrade in each connection mode, from Welcome to Done, checked
// byte for byte against what the simulated printer received.
#include "res/dialogs.h"
#include "res/strings.h"
#include "tests/wizard/e2e_common.h"

#include <gtest/gtest.h>

#include <chrono>

TEST(WholeUpgrade, OverASerialPort)
{
    WizardEnvironment env;
    std::vector<FirmwareFile> files = SampleSet(env);
    std::string link = env.HostFile("serial-line");
    ASSERT_TRUE(env.StartPrinter({"--pty", link}));
    env.MapPort("COM1", link);
    WizardHarness w;
    Upgrade(w, IDC_MODE_COM);
    ASSERT_TRUE(WaitForReport(env.reportPath, "\"event\":\"upgrade\"", 1, kPromptMs));
    EXPECT_EQ(CompareUpgrade(env.reportPath, files), "");
}

TEST(WholeUpgrade, OverAParallelPort)
{
    WizardEnvironment env;
    std::vector<FirmwareFile> files = SampleSet(env);
    std::string link = env.HostFile("parallel-line");
    ASSERT_TRUE(env.StartPrinter({"--pty", link}));
    env.MapPort("LPT1", link);
    WizardHarness w;
    Upgrade(w, IDC_MODE_LPT);
    ASSERT_TRUE(WaitForReport(env.reportPath, "\"event\":\"upgrade\"", 1, kPromptMs));
    EXPECT_EQ(CompareUpgrade(env.reportPath, files), "");
}

TEST(WholeUpgrade, OverBothPortsAtOnce)
{
    WizardEnvironment env;
    std::vector<FirmwareFile> files = SampleSet(env);
    std::string serial = env.HostFile("serial-line");
    std::string parallel = env.HostFile("parallel-line");
    ASSERT_TRUE(env.StartPrinter({"--dual", serial, parallel}));
    env.MapPort("COM1", serial);
    env.MapPort("LPT1", parallel);
    WizardHarness w;
    Upgrade(w, IDC_MODE_DUAL);
    ASSERT_TRUE(WaitForReport(env.reportPath, "\"event\":\"upgrade\"", 1, kPromptMs));
    EXPECT_EQ(CompareUpgrade(env.reportPath, files), "");
    // The status request and its answer went over the serial line, all
    // else over the parallel one.
    EXPECT_EQ(CountReport(env.reportPath, "\"name\":\"SU\",\"channel\":\"serial\""), 1);
    EXPECT_EQ(CountReport(env.reportPath, "\"name\":\"KU\",\"channel\":\"parallel\""), 1);
    EXPECT_EQ(CountReport(env.reportPath, "\"channel\":\"serial\"") -
                  CountReport(env.reportPath, "\"event\":\"connect\",\"channel\":\"serial\"") -
                  CountReport(env.reportPath, "\"event\":\"disconnect\",\"channel\":\"serial\""),
              1);
}

TEST(WholeUpgrade, OverTcpToPort2864)
{
    WizardEnvironment env;
    std::vector<FirmwareFile> files = SampleSet(env);
    // Port 2864 of an address of its own: 127.0.0.1:2864 is the
    // demonstration's.
    std::string address = env.StartTcpPrinter();
    ASSERT_FALSE(address.empty());
    env.StoreTcpSettings(address);
    WizardHarness w;
    Upgrade(w, IDC_MODE_TCPIP);
    // The printer takes in the last bytes after the wizard has let go of them.
    ASSERT_TRUE(WaitForReport(env.reportPath, "\"event\":\"upgrade\"", 1, kPromptMs));
    EXPECT_EQ(CompareUpgrade(env.reportPath, files), "");
}

TEST(WholeUpgrade, ASilentPrinterIsGivenUpOnAfterTheLimit)
{
    WizardEnvironment env;
    std::string address = env.StartTcpPrinter({"--status", "none"});
    ASSERT_FALSE(address.empty());
    WizardHarness w;
    w.sheet.m_limits = kShortLimits;
    ASSERT_TRUE(w.Press("next"));
    w.ClickRadio(IDC_MODE_TCPIP);
    w.TypeAddress(address);
    w.TakeMessages();
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(w.Press("next"));
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(w.Page(), 1);
    ASSERT_FALSE(w.boxes.empty());
    EXPECT_EQ(w.boxes[0].text, LoadStringResource(IDS_NO_STATUS));
    EXPECT_GE(waited, std::chrono::milliseconds(kShortLimits.tcpConnectMs - 5));
}
