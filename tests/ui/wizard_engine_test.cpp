// The wizard's contract with its pages, with no toolkit and no window: four
// pages that write each handler the engine runs into one log, and a view
// that writes what it is told to show into the same log.
#include "ui/headless_controls.h"
#include "ui/wizard_engine.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

class TestPage : public CPropertyPage {
public:
    TestPage(Log& log, int nIndex) : CPropertyPage(0), m_log(log), m_strName("p" + std::to_string(nIndex)) {}

    std::function<void()> onSetActive;
    std::function<void()> onCommand;
    int nextResult = 0;
    bool leaves = true;

    bool OnInitDialog() override
    {
        Write("OnInitDialog");
        return CPropertyPage::OnInitDialog();
    }
    bool OnSetActive() override
    {
        Write("OnSetActive");
        if (onSetActive)
            onSetActive();
        return CPropertyPage::OnSetActive();
    }
    bool OnKillActive() override
    {
        Write("OnKillActive");
        return leaves;
    }
    int OnWizardBack() override
    {
        Write("OnWizardBack");
        return 0;
    }
    int OnWizardNext() override
    {
        Write("OnWizardNext");
        return nextResult;
    }
    bool OnWizardFinish() override
    {
        Write("OnWizardFinish");
        return true;
    }
    void OnCancel() override { Write("OnCancel"); }
    void OnCommand(int nId) override
    {
        Write("OnCommand " + std::to_string(nId));
        if (onCommand)
            onCommand();
    }

private:
    void Write(const std::string& strHandler) { m_log.push_back(m_strName + " " + strHandler); }

    Log& m_log;
    std::string m_strName;
};

class TestSheet : public CPropertySheet {
    Log& m_log;

public:
    explicit TestSheet(Log& log) : CPropertySheet(0, 0), m_log(log)
    {
        for (TestPage& page : pages)
            AddPage(&page);
        m_bWizard = true;
    }

    bool OnInitDialog(ISheetButtons& buttons) override
    {
        m_log.push_back("sheet OnInitDialog");
        buttons.EnableWindow(IDHELP, false);
        buttons.ShowWindow(IDHELP, false);
        return CPropertySheet::OnInitDialog(buttons);
    }

    TestPage pages[4]{{m_log, 0}, {m_log, 1}, {m_log, 2}, {m_log, 3}};
};

std::string Describe(const WizardButtons& b)
{
    auto one = [](const char* name, bool visible, bool enabled) {
        return std::string(name) + (visible ? (enabled ? "" : "(off)") : "(hidden)");
    };
    return "buttons " + one("back", b.backVisible, b.backEnabled) + " " + one("next", b.nextVisible, b.nextEnabled) +
           " " + one(("finish:" + b.finishText).c_str(), b.finishVisible, b.finishEnabled);
}

class TestView : public IWizardView {
public:
    explicit TestView(Log& log) : m_log(log) {}

    std::function<void()> whileBoxIsOpen;

    IPageControls* CreatePageWindow(int nIndex) override
    {
        m_log.push_back("window " + std::to_string(nIndex));
        return &m_controls[nIndex];
    }
    void ShowPage(int nIndex, const std::string&) override { m_log.push_back("show " + std::to_string(nIndex)); }
    void ShowButtons(const WizardButtons& buttons) override
    {
        shown = buttons;
        if (logButtons)
            m_log.push_back(Describe(buttons));
    }
    void ShowMessageBox(const std::string&, const std::string& strText) override
    {
        m_log.push_back("box " + strText);
        if (whileBoxIsOpen)
            whileBoxIsOpen();
    }
    void SetBusy(bool bBusy) override { m_log.push_back(bBusy ? "busy" : "not busy"); }
    void Repaint() override {}
    void Close(int nResult) override { m_log.push_back("close " + std::to_string(nResult)); }

    WizardButtons shown;
    bool logButtons = false;

private:
    Log& m_log;
    HeadlessControls m_controls[4];
};

class WizardEngine : public ::testing::Test {
protected:
    WizardEngine()
    {
        // Each page offers Back and Next unless a test says otherwise.
        for (TestPage& page : sheet.pages)
            page.onSetActive = [this] { engine.PostSetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT); };
    }

    // What was logged since the last call.
    Log Take()
    {
        Log taken;
        taken.swap(log);
        return taken;
    }

    Log log;
    TestSheet sheet{log};
    TestView view{log};
    CWizardEngine engine{sheet, view};
};

} // namespace

TEST_F(WizardEngine, StartsOnTheStartPageOnceTheSheetIsReady)
{
    // Help comes with the sheet; its OnInitDialog takes it away.
    EXPECT_TRUE(engine.Buttons().helpVisible && engine.Buttons().helpEnabled);
    engine.Start();
    EXPECT_EQ(Take(), (Log{"sheet OnInitDialog", "window 0", "p0 OnInitDialog", "p0 OnSetActive", "show 0"}));
    EXPECT_EQ(engine.CurrentPage(), 0);
    EXPECT_FALSE(view.shown.helpVisible);
    EXPECT_FALSE(view.shown.helpEnabled);
}

TEST_F(WizardEngine, NextAndBackMoveOnePageAtATimeInOrder)
{
    engine.Start();
    Take();
    engine.PressNext();
    EXPECT_EQ(Take(), (Log{"p0 OnWizardNext", "p0 OnKillActive", "window 1", "p1 OnInitDialog", "p1 OnSetActive",
                           "show 1"}));
    engine.PressNext();
    engine.PressNext();
    EXPECT_EQ(engine.CurrentPage(), 3);
    Take();
    // Past the last page there is nowhere to go.
    engine.PressNext();
    EXPECT_EQ(Take(), Log{});
    EXPECT_EQ(engine.CurrentPage(), 3);
    // A page met again keeps its window and is not initialised again.
    engine.PressBack();
    EXPECT_EQ(Take(), (Log{"p3 OnWizardBack", "p3 OnKillActive", "p2 OnSetActive", "show 2"}));
    engine.PressBack();
    engine.PressBack();
    EXPECT_EQ(engine.CurrentPage(), 0);
    Take();
    engine.PressBack();
    EXPECT_EQ(Take(), Log{});
}

TEST_F(WizardEngine, APageKeepsTheWizardWhereItIs)
{
    engine.Start();
    sheet.pages[0].nextResult = -1;
    Take();
    engine.PressNext();
    EXPECT_EQ(Take(), Log{"p0 OnWizardNext"});
    sheet.pages[0].nextResult = 0;
    sheet.pages[0].leaves = false;
    engine.PressNext();
    EXPECT_EQ(Take(), (Log{"p0 OnWizardNext", "p0 OnKillActive"}));
    EXPECT_EQ(engine.CurrentPage(), 0);
}

TEST_F(WizardEngine, ButtonSettingsWaitForTheHandlerAndTheLastOneWins)
{
    WizardButtons during;
    sheet.pages[0].onSetActive = [&] {
        engine.PostSetWizardButtons(PSWIZB_NEXT);
        engine.PostSetWizardButtons(PSWIZB_FINISH);
        engine.PostSetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
        during = engine.Buttons();
    };
    engine.Start();
    EXPECT_FALSE(during.nextEnabled);
    EXPECT_TRUE(view.shown.backVisible && view.shown.backEnabled);
    EXPECT_TRUE(view.shown.nextVisible && view.shown.nextEnabled);
    EXPECT_FALSE(view.shown.finishVisible);
}

TEST_F(WizardEngine, WizardButtonsCountOnlyWhileShownAndEnabled)
{
    sheet.pages[0].onSetActive = [this] { engine.PostSetWizardButtons(PSWIZB_BACK); };
    engine.Start();
    Take();
    engine.PressNext();
    engine.PressDefault();
    engine.PressFinish();
    EXPECT_EQ(Take(), Log{});
    EXPECT_EQ(engine.CurrentPage(), 0);
}

TEST_F(WizardEngine, APagesOwnBackPressWorksWhileBackIsDisabledOrHidden)
{
    engine.Start();
    engine.PressNext();
    view.logButtons = true;
    // Back disabled by the setting queued before the press, and Back hidden
    // by a Finish text, as after a failed Retry: the page asked for it.
    sheet.pages[1].onCommand = [this] {
        engine.PostSetWizardButtons(PSWIZB_NEXT);
        engine.PostPressBack();
    };
    Take();
    engine.ClickControl(1015);
    EXPECT_EQ(Take(), (Log{"p1 OnCommand 1015", "buttons back(off) next finish:Finish(hidden)", "p1 OnWizardBack",
                           "p1 OnKillActive", "p0 OnSetActive", "show 0",
                           "buttons back next finish:Finish(hidden)"}));
    engine.PressNext();
    view.logButtons = false;
    sheet.pages[1].onCommand = [this] {
        engine.PostSetWizardButtons(PSWIZB_FINISH);
        engine.SetFinishText("Retry");
        engine.PostPressBack();
    };
    Take();
    engine.ClickControl(1015);
    EXPECT_EQ(Take(), (Log{"p1 OnCommand 1015", "p1 OnWizardBack", "p1 OnKillActive", "p0 OnSetActive", "show 0"}));
}

TEST_F(WizardEngine, AMessageBoxAppliesWhatIsQueuedUpToABackPress)
{
    engine.Start();
    engine.PressNext();
    std::vector<std::string> seen;
    view.whileBoxIsOpen = [&] {
        seen.push_back("page " + std::to_string(engine.CurrentPage()) + ", " + Describe(engine.Buttons()));
    };
    sheet.pages[1].onCommand = [this] {
        engine.PostSetWizardButtons(PSWIZB_FINISH);
        engine.MessageBox("first");
        engine.PostPressBack();
        engine.PostSetWizardButtons(PSWIZB_BACK);
        engine.MessageBox("second");
    };
    engine.ClickControl(1015);
    EXPECT_EQ(seen, (std::vector<std::string>{"page 1, buttons back(off) next(hidden) finish:Finish",
                                              "page 1, buttons back(off) next(hidden) finish:Finish"}));
    // Once the handler has returned: the Back press, then the setting after
    // it, then the earlier page's own.
    EXPECT_EQ(engine.CurrentPage(), 0);
    EXPECT_TRUE(engine.Buttons().nextVisible && engine.Buttons().nextEnabled);
}

TEST_F(WizardEngine, CancelReachesEveryPageWhoseWindowExists)
{
    engine.Start();
    engine.PressNext();
    engine.PressNext();
    engine.PressBack();
    Take();
    engine.Cancel();
    EXPECT_EQ(Take(), (Log{"p0 OnCancel", "p1 OnCancel", "p2 OnCancel", "close 0"}));
    EXPECT_TRUE(engine.IsClosed());
    EXPECT_EQ(engine.Result(), 0);
    // Nothing more happens once the wizard is over.
    engine.Cancel();
    engine.PressBack();
    engine.ClickControl(1015);
    EXPECT_EQ(Take(), Log{});
}

TEST_F(WizardEngine, AFinishTextStandsInThePlaceOfNextAndHidesBackOnItsPage)
{
    engine.Start();
    engine.PressNext();
    sheet.pages[2].onSetActive = [this] {
        engine.PostSetWizardButtons(PSWIZB_FINISH);
        engine.SetFinishText("Retry");
    };
    engine.PressNext();
    EXPECT_EQ(Describe(view.shown), "buttons back(hidden) next(hidden) finish:Retry");
    // A later setting on the same page leaves Back hidden; one without
    // Finish brings a usable Next back.
    sheet.pages[2].onCommand = [this] { engine.PostSetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT); };
    engine.ClickControl(1015);
    EXPECT_EQ(Describe(view.shown), "buttons back(hidden) next finish:Retry(hidden)");
    // Enabled but hidden, Back cannot be pressed.
    EXPECT_TRUE(engine.Buttons().backEnabled);
    Take();
    engine.PressBack();
    EXPECT_EQ(Take(), Log{});
    EXPECT_EQ(engine.CurrentPage(), 2);
    // The next page gives Back its place again.
    engine.PressDefault();
    EXPECT_EQ(engine.CurrentPage(), 3);
    EXPECT_EQ(Describe(view.shown), "buttons back next finish:Retry(hidden)");
}

TEST_F(WizardEngine, TheWaitCursorNests)
{
    sheet.pages[0].onSetActive = [this] {
        engine.BeginWaitCursor();
        engine.BeginWaitCursor();
        engine.EndWaitCursor();
        engine.EndWaitCursor();
        engine.EndWaitCursor();
        engine.BeginWaitCursor();
    };
    engine.Start();
    EXPECT_EQ(Take(), (Log{"sheet OnInitDialog", "window 0", "p0 OnInitDialog", "p0 OnSetActive", "busy",
                           "not busy", "busy", "show 0"}));
}
