// The wizard's behaviour, apart from any toolkit: which page is current,
// when each page handler runs, the frame's own queue of posted operations
// and when it is applied, which buttons show and which are enabled, the
// wait-cursor count, the titles of the window and of message boxes, and the
// repaint while an exchange waits. Each frame (the Qt dialog, comctl32's
// property sheet, the benchmarks' headless view) renders what it is told
// through IWizardView and passes the user's input here.
#pragma once

#include "ui/property_sheet.h"
#include "ui/wizard_frame.h"

#include <deque>
#include <string>
#include <vector>

// The sheet's buttons as they stand. Finish stands in the place of Next: at
// most one of the two is shown, and Enter presses the one that is.
struct WizardButtons {
    bool backVisible = true;
    bool backEnabled = false;
    bool nextVisible = true;
    bool nextEnabled = false;
    bool finishVisible = false;
    bool finishEnabled = false;
    std::string finishText = "Finish";
    bool helpVisible = false;
    bool helpEnabled = false;

    // Enter presses Finish where it shows, else Next.
    bool DefaultIsFinish() const { return finishVisible; }
};

class IWizardView {
public:
    virtual ~IWizardView() = default;
    // Creates the window of page nIndex from its template, not yet shown.
    virtual IPageControls* CreatePageWindow(int nIndex) = 0;
    // Shows page nIndex as the current one, the window titled strTitle.
    virtual void ShowPage(int nIndex, const std::string& strTitle) = 0;
    virtual void ShowButtons(const WizardButtons& buttons) = 0;
    // Modal over the wizard: the text, one OK button, the warning icon.
    // Returns once OK has been pressed.
    virtual void ShowMessageBox(const std::string& strTitle, const std::string& strText) = 0;
    virtual void SetBusy(bool bBusy) = 0;
    // Paints the window now without taking any input.
    virtual void Repaint() = 0;
    // The wizard is over: 1 by Finish, 0 by Cancel.
    virtual void Close(int nResult) = 0;
};

class CWizardEngine : public IWizardFrame {
public:
    // While the engine exists, a waiting exchange repaints through the view.
    CWizardEngine(CPropertySheet& sheet, IWizardView& view);
    ~CWizardEngine() override;
    CWizardEngine(const CWizardEngine&) = delete;
    CWizardEngine& operator=(const CWizardEngine&) = delete;

    // The sheet's window exists: its OnInitDialog, then the start page.
    void Start();

    // The user's presses. A wizard button counts only while it is shown and
    // enabled. Each runs the page's handler, then applies what it queued.
    void PressBack();
    void PressNext();
    void PressFinish();
    // Enter: the button that stands in the place of Next.
    void PressDefault();
    // The Cancel button, Escape or the close box; never refused.
    void Cancel();
    // A button of the current page was clicked.
    void ClickControl(int nId);

    int CurrentPage() const { return m_nCurrent; }
    const WizardButtons& Buttons() const { return m_buttons; }
    bool IsClosed() const { return m_bClosed; }
    int Result() const { return m_nResult; }

    // IWizardFrame
    void PostSetWizardButtons(unsigned nFlags) override;
    void PostPressBack() override;
    void SetFinishText(const std::string& strText) override;
    void MessageBox(const std::string& strText) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void RepaintWithoutInput() override;

private:
    // The sheet's own buttons, for its OnInitDialog: Help is the one it
    // addresses.
    class SheetButtons : public ISheetButtons {
    public:
        explicit SheetButtons(CWizardEngine& engine) : m_engine(engine) {}
        void EnableWindow(int nId, bool bEnable) override;
        void ShowWindow(int nId, bool bShow) override;

    private:
        CWizardEngine& m_engine;
    };

    struct Operation {
        bool pressBack;
        unsigned flags;
    };

    bool Running() const { return !m_bClosed && m_nCurrent >= 0; }
    void Move(int nDelta);
    bool Activate(int nIndex);
    void ApplyButtons(unsigned nFlags);
    // Applies queued operations in order. With bStopAtBack, stops before a
    // Back press: a page changes only once its handler has returned.
    void ApplyQueued(bool bStopAtBack);
    void Finish(int nResult);

    CPropertySheet& m_sheet;
    IWizardView& m_view;
    SheetButtons m_sheetButtons{*this};
    std::vector<IPageControls*> m_windows;
    std::deque<Operation> m_queue;
    WizardButtons m_buttons;
    int m_nCurrent = -1;
    // A Finish text hid Back on the current page: a later button setting on
    // the same page leaves it hidden, the next page gives it its place.
    bool m_bBackHiddenHere = false;
    int m_nWaitCount = 0;
    bool m_bClosed = false;
    int m_nResult = 0;
};
