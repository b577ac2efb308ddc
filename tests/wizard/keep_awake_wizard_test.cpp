// The exchanges with the printer hold logind's sleep inhibitor, against a
// private message bus with a stand-in logind (Linux).
#include "tests/support/private_bus.h"
#include "tests/wizard/pages_common.h"

TEST(WizardPages, ThePrinterExchangesKeepTheComputerAwake)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.Running());
    LogindStandin logind;
    ASSERT_TRUE(logind.Start(ORVI_LOGIND_STANDIN));
    WizardEnvironment env;
    std::vector<FirmwareFile> files = env.WriteFirmware({{"main.bin", std::string(3000, 'm')}});
    std::string address = env.StartTcpPrinter();
    WizardHarness w;
    ToPreparation(w, address);
    ASSERT_EQ(w.Page(), 2);
    // Page 3's exchange took the inhibitor and let it go when it ended.
    EXPECT_TRUE(logind.WaitFor("released", 1, kPromptMs)) << logind.Log();
    EXPECT_EQ(logind.Count("inhibit sleep"), 1);
    ASSERT_TRUE(w.Press("next"));
    ASSERT_TRUE(w.Press("finish"));
    EXPECT_EQ(w.FinishText(), "Done");
    EXPECT_TRUE(logind.WaitFor("released", 2, kPromptMs)) << logind.Log();
    EXPECT_EQ(logind.Count("inhibit sleep"), 2);
}
