// The pages through the real wizard window, against the simulated printer.
#include "tests/wizard/pages_common.h"

#include "link/port_dispatch.h"
#include "res/dialogs.h"
#include "upgrade/file_access.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::string Selected(WizardHarness& w, int id)
{
    IPageControls& c = w.Controls();
    return c.GetCurSel(id) < 0 ? std::string() : c.GetLBText(id, c.GetCurSel(id));
}

} // namespace

TEST(WizardPages, FirstRunShowsDefaultsAndOnlyTheLptControls)
{
    WizardEnvironment env;
    WizardHarness w;
    EXPECT_EQ(w.Page(), 0);
    EXPECT_EQ(w.Title(), "Tarnwell Systems Orvi Printer FLASH Upgrade");
    EXPECT_FALSE(w.Shown("help"));
    EXPECT_TRUE(w.Usable("next"));
    EXPECT_FALSE(w.Usable("back"));

    ASSERT_TRUE(w.Press("next"));
    EXPECT_EQ(w.Title(), "ORVI FLASH Upgrade - Step #1");
    // No scheduler: no printer, message 104, and Network mode held back.
    ASSERT_EQ(w.boxes.size(), 1u);
    EXPECT_EQ(w.boxes[0].text, Message(IDS_NO_PRINTERS));
    // Titled with the program file's name, without its extension.
    EXPECT_EQ(w.boxes[0].title, "pages_tests");
    EXPECT_FALSE(w.Controls().IsWindowEnabled(IDC_MODE_NETWORK));
    EXPECT_TRUE(w.Controls().GetCheck(IDC_MODE_LPT));
    EXPECT_TRUE(w.Controls().GetCheck(IDC_LPT1));
    EXPECT_EQ(Selected(w, IDC_SERIAL_PORT), "COM1");
    EXPECT_EQ(Selected(w, IDC_BAUD_RATE), "19200");
    uint8_t ip[4];
    w.sheet.m_page2.GetIpAddress(ip);
    EXPECT_EQ(FormatIpAddress(ip), "192.168.255.1");
    for (int id : {IDC_LPT1, IDC_LPT2})
        EXPECT_TRUE(w.Controls().IsWindowEnabled(id)) << id;
    for (int id : {IDC_SERIAL_PORT, IDC_BAUD_RATE, IDC_PRINTER_LIST, IDC_IP_ADDRESS})
        EXPECT_FALSE(w.Controls().IsWindowEnabled(id)) << id;
    // The sample names stay in the list when no printer is found.
    EXPECT_EQ(w.Controls().GetCount(IDC_PRINTER_LIST), 3);
    EXPECT_TRUE(w.Usable("back") && w.Usable("next"));

    // A mode button switches the controls at once.
    w.ClickRadio(IDC_MODE_DUAL);
    EXPECT_EQ(w.sheet.m_page2.m_nCommMode, Dual);
    for (int id : {IDC_SERIAL_PORT, IDC_BAUD_RATE, IDC_LPT1, IDC_LPT2})
        EXPECT_TRUE(w.Controls().IsWindowEnabled(id)) << id;
    EXPECT_FALSE(w.Controls().IsWindowEnabled(IDC_IP_ADDRESS));

    // Back to the welcome page: Next only, as at the start.
    ASSERT_TRUE(w.Press("back"));
    EXPECT_EQ(w.Page(), 0);
    EXPECT_TRUE(w.Usable("next"));
    EXPECT_FALSE(w.Usable("back"));

    // Cancel before page 3 ends the wizard.
    ASSERT_TRUE(w.Press("cancel"));
    EXPECT_TRUE(w.Closed());
}

TEST(WizardPages, EnterPressesTheButtonInNextsPlaceAndEscapeCancels)
{
    WizardEnvironment env;
    std::vector<FirmwareFile> files = env.WriteFirmware({{"boot.bin", "BOOT"}});
    std::string address = env.StartTcpPrinter({"--status", "1,0"});
    {
        WizardHarness w;
        // The welcome page has no control that takes the focus.
        w.PressKey(WizardHarness::Key::Enter);
        ASSERT_EQ(w.Page(), 1);
        w.ClickRadio(IDC_MODE_TCPIP);
        w.TypeAddress(address);
        w.TakeMessages();
        w.PressKey(WizardHarness::Key::Enter);
        ASSERT_EQ(w.Page(), 2);
        // Not ready: Enter is Retry.
        ASSERT_EQ(w.FinishText(), "Retry");
        w.PressKey(WizardHarness::Key::Enter);
        ASSERT_TRUE(w.Usable("next"));
        w.PressKey(WizardHarness::Key::Enter);
        ASSERT_EQ(w.Page(), 3);
        w.PressKey(WizardHarness::Key::Enter);
        EXPECT_EQ(w.FinishText(), "Done");
        w.PressKey(WizardHarness::Key::Enter);
        EXPECT_TRUE(w.Closed());
        EXPECT_EQ(w.Result(), 1);
        EXPECT_TRUE(w.boxes.empty());
        ASSERT_TRUE(WaitForReport(env.reportPath, "\"event\":\"upgrade\"", 1, kPromptMs));
        EXPECT_EQ(CompareUpgrade(env.reportPath, files), "");
    }
    WizardHarness w;
    w.PressKey(WizardHarness::Key::Escape);
    EXPECT_TRUE(w.Closed());
    EXPECT_EQ(w.Result(), 0);
}

TEST(WizardPages, StoredSettingsArePassedOnAsStored)
{
    WizardEnvironment env;
    env.StoreSettings({Number("Baud Rate", 9600), Text("IP Octet1", "10"), Text("IP Octet2", "300"),
                       Text("IP Octet3", "-1"), Text("IP Octet4", "x"), Number("Parallel Port Number", 3),
                       Number("Port Type", 1), Number("Serial Port Number", 3), Text("Type String", "Orvi")});
    WizardHarness w;
    ASSERT_TRUE(w.Press("next"));
    EXPECT_TRUE(w.Controls().GetCheck(IDC_MODE_COM));
    EXPECT_EQ(Selected(w, IDC_BAUD_RATE), "9600");
    // Port numbers outside 1..2 select nothing, and read back as -1.
    EXPECT_EQ(w.Controls().GetCurSel(IDC_SERIAL_PORT), -1);
    EXPECT_FALSE(w.Controls().GetCheck(IDC_LPT1));
    EXPECT_FALSE(w.Controls().GetCheck(IDC_LPT2));
    uint8_t ip[4];
    w.sheet.m_page2.GetIpAddress(ip);
    EXPECT_EQ(FormatIpAddress(ip), "10.44.255.0");
    w.sheet.m_page2.UpdateData(true);
    EXPECT_EQ(w.sheet.m_page2.m_nSerialPort, -1);
    EXPECT_EQ(w.sheet.m_page2.m_nParallelPort, -1);
    EXPECT_EQ(w.sheet.m_page2.m_nBaudRate, 1);
}

TEST(WizardPages, WithoutAPrinterQueueTheListOffersNothing)
{
    // Stored Network mode, on a computer with no printer: message 104, and
    // the list of sample names stays out of reach whatever the mode.
    WizardEnvironment env;
    env.StoreSettings({Number("Port Type", 41)});
    WizardHarness w;
    ASSERT_TRUE(w.Press("next"));
    EXPECT_EQ(w.TakeMessages(), std::vector<std::string>{Message(IDS_NO_PRINTERS)});
    EXPECT_TRUE(w.Controls().GetCheck(IDC_MODE_NETWORK));
    EXPECT_FALSE(w.Controls().IsWindowEnabled(IDC_MODE_NETWORK));
    EXPECT_FALSE(w.Controls().IsWindowEnabled(IDC_PRINTER_LIST));
    for (int id : {IDC_SERIAL_PORT, IDC_BAUD_RATE, IDC_LPT1, IDC_LPT2, IDC_IP_ADDRESS})
        EXPECT_FALSE(w.Controls().IsWindowEnabled(id)) << id;
    // Away and back again: still nothing to pick.
    ASSERT_TRUE(w.Press("back"));
    ASSERT_TRUE(w.Press("next"));
    EXPECT_FALSE(w.Controls().IsWindowEnabled(IDC_PRINTER_LIST));
}

TEST(WizardPages, PreparationShowsEachStatusAndRetries)
{
    WizardEnvironment env;
    std::string address = env.StartTcpPrinter({"--status", "1,2,3,4,junk,0"});
    ASSERT_FALSE(address.empty()) << env.printer.StartLine();
    WizardHarness w;
    ToPreparation(w, address);
    EXPECT_EQ(w.Title(), "ORVI FLASH Upgrade - Step #2");
    const std::string ok = "Preparing printer for upgrade....ok\r\n\r\n";
    for (int id : {IDS_STATUS_NO_CARD, IDS_STATUS_NOT_FORMATTED, IDS_STATUS_NO_SPACE, IDS_STATUS_WRITE_PROTECTED,
                   IDS_STATUS_UNKNOWN}) {
        EXPECT_EQ(w.sheet.m_page3.m_strStatus, ok + Message(id)) << id;
        EXPECT_TRUE(w.Usable("finish")) << id;
        EXPECT_EQ(w.FinishText(), "Retry");
        EXPECT_FALSE(w.Shown("next"));
        // Retry and Cancel only: the Finish text hid Back on this page.
        EXPECT_FALSE(w.Shown("back"));
        ASSERT_TRUE(w.Press("finish")); // Retry
        EXPECT_EQ(w.Page(), 2);
    }
    EXPECT_EQ(w.sheet.m_page3.m_strStatus, ok + Message(IDS_STATUS_READY));
    EXPECT_TRUE(w.Usable("next"));
    EXPECT_FALSE(w.Shown("back"));
    EXPECT_FALSE(w.Shown("finish"));
    EXPECT_TRUE(w.boxes.empty());
    // Each attempt was a whole exchange on its own connection.
    EXPECT_EQ(CountReport(env.reportPath, "\"name\":\"KU\""), 6);
    EXPECT_EQ(CountReport(env.reportPath, "\"name\":\"SU\""), 6);
    // The printer sees the last hang-up a moment after the wizard has made it.
    EXPECT_TRUE(WaitForReport(env.reportPath, "\"event\":\"disconnect\"", 6, kPromptMs));
    EXPECT_EQ(CountReport(env.reportPath, "\"event\":\"disconnect\""), 6);
}

TEST(WizardPages, PreparationFailuresReturnToPageTwo)
{
    WizardEnvironment env;
    // Nothing listens at this address: the connection cannot be opened.
    {
        WizardHarness w;
        ToPreparation(w, "127.0.0.1");
        EXPECT_EQ(w.Page(), 1);
        // 105, then page 2 shows itself again, with its 104.
        EXPECT_EQ(w.TakeMessages(), (std::vector<std::string>{Message(IDS_PORT_NOT_OPENED), Message(IDS_NO_PRINTERS)}));
        EXPECT_EQ(w.sheet.m_page3.m_strStatus, "Preparing printer for upgrade....");
        // Next again repeats the whole exchange, with the same result.
        ASSERT_TRUE(w.Press("next"));
        EXPECT_EQ(w.Page(), 1);
        EXPECT_EQ(w.TakeMessages().size(), 2u);
    }
    // A status line that starts with LF is no status over TCP.
    std::string address = env.StartTcpPrinter({"--status", "lf"});
    WizardHarness w;
    ToPreparation(w, address);
    EXPECT_EQ(w.Page(), 1);
    std::vector<std::string> texts = w.TakeMessages();
    ASSERT_GE(texts.size(), 1u);
    EXPECT_EQ(texts[0], Message(IDS_NO_STATUS));
    EXPECT_EQ(w.sheet.m_page3.m_strStatus, "Preparing printer for upgrade....ok\r\n\r\n");
    // KU cannot be written: a device that refuses every write.
    env.MapPort("LPT1", "/dev/full");
    w.ClickRadio(IDC_MODE_LPT);
    ASSERT_TRUE(w.Press("next"));
    EXPECT_EQ(w.Page(), 1);
    texts = w.TakeMessages();
    ASSERT_GE(texts.size(), 1u);
    EXPECT_EQ(texts[0], Message(IDS_COMMAND_NOT_SENT));
    EXPECT_EQ(w.sheet.m_page3.m_strStatus, "Preparing printer for upgrade....");
}

TEST(WizardPages, CancelSendsKkOnlyBeforeTheUpgradeIsDone)
{
    WizardEnvironment env;
    std::vector<FirmwareFile> files = env.WriteFirmware({{"boot.bin", "BOOT"}});
    std::string address = env.StartTcpPrinter({"--status", "lf,1,0"});
    {
        // Page 3 has been current, and the wizard is back on page 2 after a
        // failed exchange: Cancel there still sends KK.
        WizardHarness w;
        ToPreparation(w, address);
        ASSERT_EQ(w.Page(), 1);
        EXPECT_EQ(w.TakeMessages().front(), Message(IDS_NO_STATUS));
        ASSERT_TRUE(w.Press("cancel"));
        EXPECT_TRUE(w.Closed());
        EXPECT_TRUE(WaitForReport(env.reportPath, "\"name\":\"KK\"", 1, kPromptMs));
    }
    {
        // On page 3 with Retry: Cancel sends KK.
        WizardHarness w;
        ToPreparation(w, address);
        EXPECT_EQ(w.Page(), 2);
        EXPECT_EQ(w.FinishText(), "Retry");
        ASSERT_TRUE(w.Press("cancel"));
        EXPECT_TRUE(w.Closed());
        EXPECT_TRUE(WaitForReport(env.reportPath, "\"name\":\"KK\"", 2, kPromptMs));
    }
    {
        // Cancel on page 4 before the transfer sends KK.
        WizardHarness w;
        ToPreparation(w, address);
        ASSERT_TRUE(w.Press("next"));
        EXPECT_EQ(w.Page(), 3);
        EXPECT_EQ(w.Title(), "Orvi FLASH Upgrade - Last Step");
        EXPECT_EQ(w.FinishText(), "Finish");
        EXPECT_FALSE(w.Shown("back"));
        ASSERT_TRUE(w.Press("cancel"));
        EXPECT_TRUE(WaitForReport(env.reportPath, "\"name\":\"KK\"", 3, kPromptMs));
    }
    // After Done, Cancel sends nothing.
    WizardHarness w;
    ToPreparation(w, address);
    ASSERT_TRUE(w.Press("next"));
    ASSERT_TRUE(w.Press("finish"));
    EXPECT_EQ(w.FinishText(), "Done");
    EXPECT_FALSE(w.Shown("back"));
    ASSERT_TRUE(WaitForReport(env.reportPath, "\"event\":\"upgrade\"", 1, kPromptMs));
    int connections = CountReport(env.reportPath, "\"event\":\"connect\"");
    ASSERT_TRUE(w.Press("cancel"));
    ASSERT_TRUE(env.SettleTcpPrinter(address));
    EXPECT_EQ(CountReport(env.reportPath, "\"name\":\"KK\""), 3);
    // The only connection since Done is the test's own.
    EXPECT_EQ(CountReport(env.reportPath, "\"event\":\"connect\""), connections + 1);
}

TEST(WizardPages, TransferSendsTheSetInOrderAndEndsWithDone)
{
    WizardEnvironment env;
    // Sizes around the piece size: an empty file, exact multiples, one over.
    std::string every;
    for (int i = 0; i < 5000; ++i)
        every += static_cast<char>(i * 7);
    std::vector<FirmwareFile> files =
        env.WriteFirmware({{"boot.bin", std::string(1024, '\x01')},
                           {"empty.bin", ""},
                           {"main.bin", every},
                           {"fonts.bin", std::string(2048, '\n')}},
                          std::string(1025, '\r'));
    std::string address = env.StartTcpPrinter();
    WizardHarness w;
    ToPreparation(w, address);
    ASSERT_TRUE(w.Press("next"));
    EXPECT_FALSE(w.Controls().IsWindowVisible(IDC_UPGRADE_DONE_TEXT));
    ASSERT_TRUE(w.Press("finish"));
    EXPECT_TRUE(w.boxes.empty());
    // The printer takes in the last bytes after the wizard has let go of them.
    ASSERT_TRUE(WaitForReport(env.reportPath, "\"event\":\"upgrade\"", 1, kPromptMs));
    EXPECT_EQ(CompareUpgrade(env.reportPath, files), "");
    EXPECT_EQ(w.Controls().GetPos(IDC_PROGRESS), 100);
    EXPECT_TRUE(w.Controls().IsWindowVisible(IDC_UPGRADE_DONE_TEXT));
    EXPECT_TRUE(w.Controls().IsWindowVisible(IDC_EXIT_TEXT));
    EXPECT_EQ(w.FinishText(), "Done");
    EXPECT_TRUE(w.sheet.m_bUpgradeDone);
    // Done ends the wizard without another connection.
    int connections = CountReport(env.reportPath, "\"event\":\"connect\"");
    ASSERT_TRUE(w.Press("finish"));
    EXPECT_TRUE(w.Closed());
    EXPECT_EQ(w.Result(), 1);
    ASSERT_TRUE(env.SettleTcpPrinter(address));
    EXPECT_EQ(CountReport(env.reportPath, "\"event\":\"connect\""), connections + 1);
    EXPECT_EQ(CountReport(env.reportPath, "\"name\":\"KK\""), 0);
}

TEST(WizardPages, TransferFailuresSayWhichStepAndCloseTheConnection)
{
    WizardEnvironment env;
    std::string address = env.StartTcpPrinter();
    WizardHarness w;
    ToPreparation(w, address);
    ASSERT_TRUE(w.Press("next"));
    auto finish = [&] {
        w.TakeMessages();
        EXPECT_TRUE(w.Press("finish"));
        std::vector<std::string> texts = w.TakeMessages();
        EXPECT_EQ(w.FinishText(), "Finish");
        return texts.size() == 1 ? texts[0] : std::string("(") + std::to_string(texts.size()) + " boxes)";
    };
    EXPECT_EQ(finish(), Message(IDS_CONFIG_NOT_FOUND));
    env.WriteProgramFile("l11config.bld", "2\r\n*end:");
    EXPECT_EQ(finish(), Message(IDS_CONFIG_CORRUPT));
    env.WriteProgramFile("l11config.bld", "1\r\n*A.bin:*end:");
    EXPECT_EQ(finish(), "The following upgrade file: a.bin is missing.");
    // A link that leads out of the program's folder is a file it does not
    // hold.
    env.LinkProgramFile("out.bin", "/proc/self/status");
    env.WriteProgramFile("l11config.bld", "1\r\n*out.bin:*end:");
    EXPECT_EQ(finish(), "The following upgrade file: out.bin is missing.");
    ASSERT_TRUE(env.SettleTcpPrinter(address));
    // Page 3's and the test's own: none of the refused sets opened one.
    EXPECT_EQ(CountReport(env.reportPath, "\"event\":\"connect\""), 2);

    // A listed directory is found but does not open: 114, after the files
    // before it went out whole, with the bar where the rule puts it.
    env.WriteProgramFile("a.bin", std::string(20480, 'a'));
    env.WriteProgramFile("iosubsys.bin", "");
    std::filesystem::create_directories(std::filesystem::path(ProgramDirectory()) / "dir");
    env.WriteProgramFile("dir/keep", "");
    env.WriteProgramFile("l11config.bld", "2\r\n*a.bin:*x:*dir:*end:");
    EXPECT_EQ(finish(), Message(IDS_FILE_NOT_OPENED));
    EXPECT_TRUE(WaitForReport(env.reportPath, "\"event\":\"disconnect\"", 3, kPromptMs));
    EXPECT_EQ(CountReport(env.reportPath, "\"name\":\"a.bin\",\"announced\":20480,\"received\":20480"), 1);
    // 20 full pieces, each at least the step (a hundredth of the set).
    EXPECT_EQ(w.Controls().GetPos(IDC_PROGRESS), 20);
    EXPECT_EQ(CountReport(env.reportPath, "\"event\":\"upgrade\""), 0);

    // Fixed, the next Finish sends everything again from the first file.
    std::vector<FirmwareFile> files = env.WriteFirmware({{"a.bin", std::string(20480, 'a')}}, "");
    w.TakeMessages();
    ASSERT_TRUE(w.Press("finish"));
    EXPECT_TRUE(w.boxes.empty());
    EXPECT_EQ(w.FinishText(), "Done");
    ASSERT_TRUE(WaitForReport(env.reportPath, "\"event\":\"upgrade\"", 1, kPromptMs));
    EXPECT_EQ(CountReport(env.reportPath, "\"name\":\"a.bin\",\"announced\":20480,\"received\":20480"), 2);
}
