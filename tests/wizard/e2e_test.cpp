// One whole upgrade in each connection mode, from Welcome to Done, checked
// byte for byte against what the simulated printer received.
#include "link/port_dispatch.h"
#include "res/dialogs.h"
#include "res/strings.h"
#include "tests/support/private_cupsd.h"
#include "tests/wizard/wizard_env.h"
#include "tests/wizard/wizard_harness.h"

#include <QComboBox>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sstream>

namespace {

constexpr int kJobCanceled = 7;
constexpr int kJobAborted = 8;

std::vector<FirmwareFile> SampleSet(WizardEnvironment& env)
{
    std::string main;
    for (int i = 0; i < 70000; ++i)
        main += static_cast<char>((i * 131) ^ (i >> 8));
    return env.WriteFirmware({{"boot.bin", std::string("\x01SR\r\n\x01KK\r\n", 10)},
                              {"main.bin", main},
                              {"fonts.bin", std::string(3072, '\0')}},
                             std::string(4000, '\xff'));
}

// Page 2 with the mode chosen, then the preparation, the transfer and Done.
void Upgrade(WizardHarness& w, int modeButton)
{
    ASSERT_TRUE(w.Press("next"));
    w.ClickRadio(modeButton);
    w.TakeMessages();
    ASSERT_TRUE(w.Press("next"));
    ASSERT_EQ(w.Page(), 2) << (w.boxes.empty() ? "" : w.boxes[0].text);
    ASSERT_TRUE(w.Press("next")) << w.sheet.m_page3.m_strStatus;
    ASSERT_TRUE(w.Press("finish"));
    ASSERT_TRUE(w.boxes.empty()) << w.boxes[0].text;
    ASSERT_EQ(w.FinishText(), "Done");
    ASSERT_TRUE(w.Press("finish"));
    ASSERT_TRUE(w.Closed());
}

} // namespace

TEST(WholeUpgrade, OverASerialPort)
{
    WizardEnvironment env;
    std::vector<FirmwareFile> files = SampleSet(env);
    std::string link = (env.scratch.Path() / "com1").string();
    ASSERT_TRUE(env.printer.Start({"--pty", link, "--out", env.outDir, "--report", env.reportPath}));
    ::setenv("ORVI_COM1", link.c_str(), 1);
    WizardHarness w;
    Upgrade(w, IDC_MODE_COM);
    ASSERT_TRUE(WaitForReport(env.reportPath, "\"event\":\"upgrade\"", 1, kPromptMs));
    EXPECT_EQ(CompareUpgrade(env.reportPath, files), "");
}

TEST(WholeUpgrade, OverAParallelPort)
{
    WizardEnvironment env;
    std::vector<FirmwareFile> files = SampleSet(env);
    std::string link = (env.scratch.Path() / "lpt1").string();
    ASSERT_TRUE(env.printer.Start({"--pty", link, "--out", env.outDir, "--report", env.reportPath}));
    ::setenv("ORVI_LPT1", link.c_str(), 1);
    WizardHarness w;
    Upgrade(w, IDC_MODE_LPT);
    ASSERT_TRUE(WaitForReport(env.reportPath, "\"event\":\"upgrade\"", 1, kPromptMs));
    EXPECT_EQ(CompareUpgrade(env.reportPath, files), "");
}

TEST(WholeUpgrade, OverBothPortsAtOnce)
{
    WizardEnvironment env;
    std::vector<FirmwareFile> files = SampleSet(env);
    std::string serial = (env.scratch.Path() / "com2").string();
    std::string parallel = (env.scratch.Path() / "lpt2").string();
    ASSERT_TRUE(
        env.printer.Start({"--dual", serial, parallel, "--out", env.outDir, "--report", env.reportPath}));
    ::setenv("ORVI_COM1", serial.c_str(), 1);
    ::setenv("ORVI_LPT1", parallel.c_str(), 1);
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

TEST(WholeUpgrade, ThroughAPrinterQueue)
{
    WizardEnvironment env;
    std::vector<FirmwareFile> files = SampleSet(env);
    ASSERT_TRUE(env.printer.Start({"--tcp", "127.0.0.1:0", "--out", env.outDir, "--report", env.reportPath}));
    PrivateCupsd cupsd;
    ASSERT_TRUE(cupsd.Running());
    std::string uri = "socket://127.0.0.1:" + std::to_string(env.printer.TcpPort());
    ASSERT_TRUE(cupsd.AddRawQueue("Front_Desk", "socket://127.0.0.1:9"));
    ASSERT_TRUE(cupsd.AddRawQueue("Orvi_L11", uri));
    // The stored name is the start of a listed one, in another case.
    env.SetUserRegistry("WINE REGISTRY Version 2\n\n"
                        "[Software\\\\Tarnwell Systems\\\\Color Tarnwell\\\\Print Manager\\\\Port Setup] 1\n"
                        "\"Port Type\"=dword:00000029\n\"Type String\"=\"orvi\"\n");
    WizardHarness w;
    ASSERT_TRUE(w.Press("next"));
    EXPECT_TRUE(w.boxes.empty());
    auto* list = w.ControlAs<QComboBox>(IDC_PRINTER_LIST);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(0), "Front_Desk");
    EXPECT_EQ(list->currentText(), "Orvi_L11");
    EXPECT_TRUE(list->isEnabled());
    ASSERT_TRUE(w.Press("next"));
    ASSERT_EQ(w.Page(), 2);
    EXPECT_EQ(w.sheet.m_page2.m_strPrinterName, "Orvi_L11");
    EXPECT_EQ(w.sheet.m_page3.m_strStatus,
              std::string("Preparing printer for upgrade....ok\r\n\r\n") + LoadStringResource(IDS_STATUS_NETWORK));
    ASSERT_TRUE(w.Press("next"));
    ASSERT_TRUE(w.Press("finish"));
    ASSERT_TRUE(w.boxes.empty()) << w.boxes[0].text;
    EXPECT_EQ(w.FinishText(), "Done");
    // The preparation job and the transfer job reach the printer in turn.
    ASSERT_TRUE(WaitForReport(env.reportPath, "\"event\":\"upgrade\"", 1, 60000));
    EXPECT_EQ(CompareUpgrade(env.reportPath, files), "");
    EXPECT_EQ(CountReport(env.reportPath, "\"name\":\"SU\""), 0);
}

TEST(WholeUpgrade, OverTcpToPort2864)
{
    WizardEnvironment env;
    std::vector<FirmwareFile> files = SampleSet(env);
    // Port 2864 of an address of its own: 127.0.0.1:2864 is the
    // demonstration's.
    std::string address = env.StartTcpPrinter();
    ASSERT_FALSE(address.empty());
    std::string octets[4];
    std::istringstream dotted(address);
    for (std::string& octet : octets)
        std::getline(dotted, octet, '.');
    env.SetUserRegistry("WINE REGISTRY Version 2\n\n"
                        "[Software\\\\Tarnwell Systems\\\\Color Tarnwell\\\\Print Manager\\\\Port Setup] 1\n"
                        "\"IP Octet1\"=\"" + octets[0] + "\"\n\"IP Octet2\"=\"" + octets[1] + "\"\n"
                        "\"IP Octet3\"=\"" + octets[2] + "\"\n\"IP Octet4\"=\"" + octets[3] + "\"\n"
                        "\"Port Type\"=dword:00000033\n");
    WizardHarness w;
    Upgrade(w, IDC_MODE_TCPIP);
    // The printer takes in the last bytes after the wizard has let go of them.
    ASSERT_TRUE(WaitForReport(env.reportPath, "\"event\":\"upgrade\"", 1, kPromptMs));
    EXPECT_EQ(CompareUpgrade(env.reportPath, files), "");
}

TEST(WholeUpgrade, APrinterQueueJobTheSpoolerRefusesIsNotDone)
{
    WizardEnvironment env;
    SampleSet(env);
    ASSERT_TRUE(env.printer.Start({"--tcp", "127.0.0.1:0", "--out", env.outDir, "--report", env.reportPath}));
    std::string uri = "socket://127.0.0.1:" + std::to_string(env.printer.TcpPort());
    {
        // The scheduler takes page 3's small job and refuses the transfer's
        // document once it is bigger than it allows: it says so only when
        // the job ends. Page 4 says the files were not sent, and stays.
        PrivateCupsd cupsd("LimitRequestBody 4096\n");
        ASSERT_TRUE(cupsd.Running());
        ASSERT_TRUE(cupsd.AddRawQueue("Orvi_L11", uri));
        WizardHarness w;
        ASSERT_TRUE(w.Press("next"));
        w.ClickRadio(IDC_MODE_NETWORK);
        ASSERT_TRUE(w.Press("next"));
        ASSERT_EQ(w.Page(), 2) << (w.boxes.empty() ? "" : w.boxes[0].text);
        ASSERT_TRUE(w.Press("next"));
        ASSERT_TRUE(w.Press("finish"));
        EXPECT_EQ(w.TakeMessages(), std::vector<std::string>{LoadStringResource(IDS_FILE_NOT_SENT)});
        EXPECT_EQ(w.FinishText(), "Finish");
        EXPECT_FALSE(w.sheet.m_bUpgradeDone);
        std::vector<CupsJobInfo> jobs = cupsd.Jobs();
        ASSERT_EQ(jobs.size(), 2u);
        // Withdrawn for good, so it can never be printed later.
        EXPECT_TRUE(jobs[1].nState == kJobCanceled || jobs[1].nState == kJobAborted) << jobs[1].nState;
        // Page 3's job reached the printer; of the transfer, not one file.
        ASSERT_TRUE(WaitForReport(env.reportPath, "\"name\":\"KU\"", 1, 60000));
        EXPECT_EQ(CountReport(env.reportPath, "\"event\":\"file\""), 0);
    }
    // A scheduler that refuses every document: KU was not sent, and page 3
    // says so and goes back.
    PrivateCupsd cupsd("DefaultPolicy orvi\n"
                       "<Policy orvi>\n"
                       "  <Limit Send-Document>\n    AuthType Default\n    Require user nobody\n  </Limit>\n"
                       "  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                       "</Policy>");
    ASSERT_TRUE(cupsd.Running());
    ASSERT_TRUE(cupsd.AddRawQueue("Orvi_L11", uri));
    WizardHarness w;
    ASSERT_TRUE(w.Press("next"));
    w.ClickRadio(IDC_MODE_NETWORK);
    ASSERT_TRUE(w.Press("next"));
    EXPECT_EQ(w.Page(), 1);
    EXPECT_EQ(w.TakeMessages().front(), LoadStringResource(IDS_COMMAND_NOT_SENT));
    EXPECT_EQ(w.sheet.m_page3.m_strStatus, "Preparing printer for upgrade....");
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
    w.TypeAddress(QString::fromStdString(address));
    w.TakeMessages();
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(w.Press("next"));
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(w.Page(), 1);
    ASSERT_FALSE(w.boxes.empty());
    EXPECT_EQ(w.boxes[0].text, LoadStringResource(IDS_NO_STATUS));
    EXPECT_GE(waited, std::chrono::milliseconds(kShortLimits.tcpConnectMs - 5));
}
