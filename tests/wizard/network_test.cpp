// Whole upgrades through a printer queue of a CUPS scheduler of the test's
// own, whose raw queue's device is the simulated printer. Linux only: Wine's
// spooler reads the scheduler's queues once, when a program starts, so the
// Windows program's queue upgrade is driven in tests/windows/ instead.
#include "res/dialogs.h"
#include "res/strings.h"
#include "tests/support/private_cupsd.h"
#include "tests/wizard/e2e_common.h"

#include <gtest/gtest.h>

namespace {

constexpr int kJobCanceled = 7;
constexpr int kJobAborted = 8;

} // namespace

TEST(WholeUpgrade, ThroughAPrinterQueue)
{
    WizardEnvironment env;
    std::vector<FirmwareFile> files = SampleSet(env);
    ASSERT_TRUE(env.StartPrinter({"--tcp", "127.0.0.1:0"}));
    PrivateCupsd cupsd;
    ASSERT_TRUE(cupsd.Running());
    std::string uri = "socket://127.0.0.1:" + std::to_string(env.printer.TcpPort());
    ASSERT_TRUE(cupsd.AddRawQueue("Front_Desk", "socket://127.0.0.1:9"));
    ASSERT_TRUE(cupsd.AddRawQueue("Orvi_L11", uri));
    // The stored name is the start of a listed one, in another case.
    env.StoreSettings({Number("Port Type", 41), Text("Type String", "orvi")});
    WizardHarness w;
    ASSERT_TRUE(w.Press("next"));
    EXPECT_TRUE(w.boxes.empty());
    IPageControls& c = w.Controls();
    ASSERT_EQ(c.GetCount(IDC_PRINTER_LIST), 2);
    EXPECT_EQ(c.GetLBText(IDC_PRINTER_LIST, 0), "Front_Desk");
    EXPECT_EQ(c.GetLBText(IDC_PRINTER_LIST, c.GetCurSel(IDC_PRINTER_LIST)), "Orvi_L11");
    EXPECT_TRUE(c.IsWindowEnabled(IDC_PRINTER_LIST));
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

TEST(WholeUpgrade, APrinterQueueJobTheSpoolerRefusesIsNotDone)
{
    WizardEnvironment env;
    SampleSet(env);
    ASSERT_TRUE(env.StartPrinter({"--tcp", "127.0.0.1:0"}));
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
    PrivateCupsd cupsd(kRefuseEveryDocument);
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


namespace {

// The fault-matrix rows of a printer queue: page 2 lists the queue, then
// the queue goes (deleted, or its scheduler stopped) before page 3 opens
// it. Message 105, back to page 2; once the queue is back, the retry
// delivers every file.
void QueueGoneAfterPage2(bool bStopScheduler)
{
    WizardEnvironment env;
    std::vector<FirmwareFile> files = SampleSet(env);
    ASSERT_TRUE(env.StartPrinter({"--tcp", "127.0.0.1:0"}));
    const std::string uri = "socket://127.0.0.1:" + std::to_string(env.printer.TcpPort());
    PrivateCupsd cupsd;
    ASSERT_TRUE(cupsd.Running());
    ASSERT_TRUE(cupsd.AddRawQueue("Orvi", uri));
    WizardHarness w;
    ASSERT_TRUE(w.Press("next"));
    w.ClickRadio(IDC_MODE_NETWORK);
    if (bStopScheduler)
        cupsd.Stop();
    else
        ASSERT_TRUE(cupsd.RemoveQueue("Orvi"));
    ASSERT_TRUE(w.Press("next"));
    EXPECT_EQ(w.Page(), 1);
    ASSERT_FALSE(w.boxes.empty());
    EXPECT_EQ(w.boxes[0].text, LoadStringResource(IDS_PORT_NOT_OPENED));

    if (bStopScheduler) {
        ASSERT_TRUE(cupsd.Restart());
    } else {
        ASSERT_TRUE(cupsd.AddRawQueue("Orvi", uri));
    }
    // Page 2 lists the queue anew, then the whole upgrade.
    w.TakeMessages();
    ASSERT_TRUE(w.Press("back") && w.Press("next"));
    ASSERT_TRUE(w.Press("next"));
    ASSERT_EQ(w.Page(), 2) << (w.boxes.empty() ? "" : w.boxes[0].text);
    ASSERT_TRUE(w.Press("next"));
    ASSERT_TRUE(w.Press("finish"));
    ASSERT_TRUE(w.boxes.empty()) << w.boxes[0].text;
    EXPECT_EQ(w.FinishText(), "Done");
    ASSERT_TRUE(WaitForReport(env.reportPath, "\"event\":\"upgrade\"", 1, 60000));
    EXPECT_EQ(CompareUpgrade(env.reportPath, files), "");
}

} // namespace

TEST(PrinterQueueFaults, QueueDeletedAfterPage2ListedIt)
{
    QueueGoneAfterPage2(false);
}

TEST(PrinterQueueFaults, SchedulerStoppedAfterPage2ListedIt)
{
    QueueGoneAfterPage2(true);
}
