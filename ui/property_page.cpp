#include "ui/property_page.h"

#include "res/dialogs.h"

bool CPropertyPage::OnInitDialog()
{
    // The template's first list entries, then the fields to the controls.
    if (const DialogTemplate* dialog = FindDialogTemplate(m_nTemplateId)) {
        for (int i = 0; i < dialog->controlCount; ++i) {
            const ControlTemplate& c = dialog->controls[i];
            if (c.kind != ControlKind::DropDownList || !c.entries)
                continue;
            for (const char* const* e = c.entries; *e; ++e)
                Controls().AddString(c.id, *e);
        }
    }
    UpdateData(false);
    return true;
}

void CPropertyPage::DoDataExchange(CDataExchange*) {}

bool CPropertyPage::OnSetActive()
{
    // The first display has just run OnInitDialog, which did the transfer.
    if (m_bActivatedOnce)
        UpdateData(false);
    m_bActivatedOnce = true;
    return true;
}

bool CPropertyPage::OnKillActive()
{
    return UpdateData(true);
}

int CPropertyPage::OnWizardBack()
{
    return 0;
}

int CPropertyPage::OnWizardNext()
{
    return 0;
}

bool CPropertyPage::OnWizardFinish()
{
    return true;
}

void CPropertyPage::OnCancel() {}

void CPropertyPage::OnCommand(int) {}

bool CPropertyPage::UpdateData(bool bSaveAndValidate)
{
    if (!m_pControls)
        return false;
    CDataExchange dx(*this, bSaveAndValidate);
    DoDataExchange(&dx);
    return true;
}

void CPropertyPage::AttachWindow(CPropertySheet* pSheet, IPageControls* pControls, IWizardFrame* pFrame)
{
    m_pSheet = pSheet;
    m_pControls = pControls;
    m_pFrame = pFrame;
    m_bActivatedOnce = false;
}

void CPropertyPage::DetachWindow()
{
    m_pControls = nullptr;
    m_pFrame = nullptr;
}
