// The wizard's behaviour, apart from any toolkit: which page is current,
// which buttons stand where, the frame contract with the pages, and the
// frame's own queue of posted operations. A toolkit frame renders what it is
// told through IWizardView and reports the user's presses here.
#pragma once

#include "ui/property_sheet.h"
#include "ui/wizard_frame.h"

#include <deque>
#include <string>
#include <vector>

struct WizardButtons {
    bool backVisible = true;
    bool backEnabled = false;
    bool nextVisible = true;
    bool nextEnabled = false;
    bool finishVisible = false;
    bool finishEnabled = false;
    std::string finishText = "Finish";
};

class IWizardView {
public:
    virtual ~IWizardView() = default;
    // The sheet's own controls (its Help button, id 9).
    virtual IPageControls& SheetControls() = 0;
    // Creates the window of page nIndex from its template.
    virtual IPageControls* CreatePageWindow(int nIndex) = 0;
    // Shows page nIndex as the current one, with its title.
    virtual void ShowPage(int nIndex) = 0;
    virtual void ShowButtons(const WizardButtons& buttons) = 0;
    virtual void ShowMessageBox(const std::string& strText) = 0;
    virtual void SetBusy(bool bBusy) = 0;
    virtual void Repaint() = 0;
    // The wizard is over: 1 by Finish, 0 by Cancel.
    virtual void Close(int nResult) = 0;
};

class CWizardEngine : public IWizardFrame {
public:
    CWizardEngine(CPropertySheet& sheet, IWizardView& view);
    ~CWizardEngine() override;

    // Creates the sheet (its OnInitDialog) and shows the start page.
    void Start();

    // The user's presses. Each runs the page's handler, then applies what
    // it queued.
    void PressNext();
    void PressBack();
    void PressFinish();
    void Cancel();
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
    struct Operation {
        bool pressBack;
        unsigned flags;
    };

    void Move(int nDelta);
    bool Activate(int nIndex);
    // Applies queued operations in order. With bStopAtNavigation, stops at
    // a Back press: a page changes only once its handler has returned.
    void ApplyQueued(bool bStopAtNavigation);
    void Finish(int nResult);

    CPropertySheet& m_sheet;
    IWizardView& m_view;
    std::vector<IPageControls*> m_windows;
    std::deque<Operation> m_queue;
    WizardButtons m_buttons;
    int m_nCurrent = -1;
    // A Finish text hid Back on the current page: a later button setting on
    // the same page leaves it hidden.
    bool m_bBackHiddenHere = false;
    int m_nWaitCount = 0;
    bool m_bClosed = false;
    int m_nResult = 0;
};
