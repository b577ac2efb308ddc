// orvi-flash and the wizard put the same bytes on the wire: for each kind
// of target, the wizard upgrades a simulated printer, then orvi-flash
// upgrades the same printer from the same package, and the printer's report
// of the second upgrade (every connection, command and file with its
// SHA-256) is the report of the first.
#include "res/dialogs.h"
#include "tests/flash/flash_process.h"
#include "tests/support/private_cupsd.h"
#include "tests/wizard/e2e_common.h"
#include "upgrade/file_access.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Waits until the printer has seen every connection made so far end.
bool AllEnded(const std::string& report)
{
    return WaitForReport(report, "\"event\":\"disconnect\"", CountReport(report, "\"event\":\"connect\""), kPromptMs);
}

// The report from line `from` on, each channel's events in their order. A
// line has no connection of its own: the printer sees one open end and the
// next begin only when it looks between them, so a port closed and opened
// again at once may show as one connection; only network connections are
// kept. Dual's two lines are read side by side, so only the order on each
// line counts.
std::vector<std::string> WireEvents(const std::string& report, size_t from)
{
    std::vector<std::string> kept;
    const std::vector<std::string> all = ReadReport(report);
    for (size_t i = from; i < all.size(); ++i) {
        const bool lineEdge = (all[i].find("\"event\":\"connect\"") != std::string::npos ||
                               all[i].find("\"event\":\"disconnect\"") != std::string::npos) &&
                              all[i].find("\"channel\":\"tcp\"") == std::string::npos;
        if (!lineEdge)
            kept.push_back(all[i]);
    }
    std::stable_sort(kept.begin(), kept.end(), [](const std::string& a, const std::string& b) {
        return JsonField(a, "channel") < JsonField(b, "channel");
    });
    return kept;
}

void SameAsTheWizard(WizardEnvironment& env, int modeButton, const std::string& target, int exitStatus)
{
    {
        WizardHarness w;
        Upgrade(w, modeButton);
    }
    ASSERT_TRUE(WaitForReport(env.reportPath, "\"event\":\"upgrade\"", 1, 60000));
    ASSERT_TRUE(AllEnded(env.reportPath));
    const size_t wizardLines = ReadReport(env.reportPath).size();
    const std::vector<std::string> wizard = WireEvents(env.reportPath, 0);

    FlashProcess run;
    ASSERT_EQ(RunFlashProgram({"upgrade", target, "--package", ProgramDirectory(), "--ledger",
                               env.HostFile("ledger"), "--json"},
                              run),
              exitStatus)
        << run.Out() << run.Err();
    ASSERT_TRUE(WaitForReport(env.reportPath, "\"event\":\"upgrade\"", 2, 60000));
    ASSERT_TRUE(AllEnded(env.reportPath));
    EXPECT_EQ(WireEvents(env.reportPath, wizardLines), wizard);
}

} // namespace

class SameWire : public ::testing::TestWithParam<CommMode> {};

TEST_P(SameWire, AsTheWizard)
{
    WizardEnvironment env;
    const std::string target = StartPrinterFor(env, GetParam());
    ASSERT_NE(target, "");
    SampleSet(env);
    SameAsTheWizard(env, ModeButton(GetParam()), target, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, SameWire, ::testing::Values(Com, Lpt, Dual, TcpIp),
                         [](const ::testing::TestParamInfo<CommMode>& info) { return ModeName(info.param); });

TEST(SameWire, QueueTargetSendsTheJobsAndCannotConfirm)
{
    WizardEnvironment env;
    ASSERT_TRUE(env.StartPrinter({"--tcp", "127.0.0.1:0"}));
    PrivateCupsd cupsd;
    ASSERT_TRUE(cupsd.Running());
    ASSERT_TRUE(cupsd.AddRawQueue("Orvi_L11", "socket://127.0.0.1:" + std::to_string(env.printer.TcpPort())));
    env.StoreSettings({Number("Port Type", 41), Text("Type String", "Orvi_L11")});
    SampleSet(env);
    // Exit status 6: the jobs were taken, and nothing can be read back.
    SameAsTheWizard(env, IDC_MODE_NETWORK, "queue:Orvi_L11", 6);

    // A queue cannot tell whether the printer is ready: status says so and
    // makes no job.
    const size_t jobs = cupsd.Jobs().size();
    FlashProcess status;
    ASSERT_EQ(RunFlashProgram({"status", "queue:Orvi_L11", "--json"}, status), 6) << status.Out() << status.Err();
    EXPECT_EQ(JsonField(status.Event("outcome", "queue:Orvi_L11"), "outcome"), "unknown");
    EXPECT_EQ(cupsd.Jobs().size(), jobs);
}
