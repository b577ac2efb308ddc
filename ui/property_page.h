// Our property page: the handlers a page may override, with the defaults a
// wizard frame gives a page that does not, and data exchange over the
// page's controls.
#pragma once

#include "ui/page_controls.h"
#include "ui/wizard_frame.h"

class CPropertySheet;
class CPropertyPage;

class CDataExchange {
public:
    CDataExchange(CPropertyPage& page, bool bSaveAndValidate)
        : m_page(page), m_bSaveAndValidate(bSaveAndValidate) {}
    CPropertyPage& m_page;
    // true: controls to fields; false: fields to controls.
    bool m_bSaveAndValidate;
};

class CPropertyPage {
public:
    explicit CPropertyPage(int nTemplateId) : m_nTemplateId(nTemplateId) {}
    virtual ~CPropertyPage() = default;
    CPropertyPage(const CPropertyPage&) = delete;
    CPropertyPage& operator=(const CPropertyPage&) = delete;

    int TemplateId() const { return m_nTemplateId; }

    // The frame calls these: OnInitDialog once, when the page's window is
    // created at its first display; OnSetActive at every display;
    // OnKillActive when the page is left by Back or Next; OnCancel on every
    // page whose window exists when the wizard is cancelled.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual bool OnSetActive();
    virtual bool OnKillActive();
    virtual int OnWizardBack();
    virtual int OnWizardNext();
    virtual bool OnWizardFinish();
    virtual void OnCancel();
    // A button of the page was clicked.
    virtual void OnCommand(int nId);

    // Runs DoDataExchange: controls to fields (true) or fields to controls.
    bool UpdateData(bool bSaveAndValidate = true);

    // What the page reaches through its window.
    IPageControls& Controls() const { return *m_pControls; }
    IWizardFrame& Wizard() const { return *m_pFrame; }
    CPropertySheet* GetParent() const { return m_pSheet; }
    bool HasWindow() const { return m_pControls != nullptr; }

    // Called by the frame when it creates the page's window (before
    // OnInitDialog) and when it destroys it.
    void AttachWindow(CPropertySheet* pSheet, IPageControls* pControls, IWizardFrame* pFrame);
    void DetachWindow();

private:
    int m_nTemplateId;
    CPropertySheet* m_pSheet = nullptr;
    IPageControls* m_pControls = nullptr;
    IWizardFrame* m_pFrame = nullptr;
    bool m_bActivatedOnce = false;
};
