#include "app/welcome_page.h"

#include "res/dialogs.h"

CMyPropertyPage1::CMyPropertyPage1() : CPropertyPage(kDialogWelcome) {}

bool CMyPropertyPage1::OnSetActive()
{
    Wizard().PostSetWizardButtons(PSWIZB_NEXT);
    return CPropertyPage::OnSetActive();
}
