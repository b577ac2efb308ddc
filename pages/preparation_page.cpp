#include "pages/preparation_page.h"

#include "app/my_property_sheet.h"
#include "pages/keep_awake.h"
#include "res/dialogs.h"
#include "res/strings.h"
#include "ui/data_exchange.h"
#include "upgrade/commands.h"

namespace {

constexpr int kStatusCapacity = 1024;

CMyPropertySheet& Sheet(const CPropertyPage& page)
{
    return *static_cast<CMyPropertySheet*>(page.GetParent());
}

} // namespace

CMyPropertyPage3::CMyPropertyPage3() : CPropertyPage(kDialogPreparation) {}

void CMyPropertyPage3::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_STATUS_TEXT, m_strStatus);
}

bool CMyPropertyPage3::Fail(int nMessageId, bool bClose)
{
    Wizard().MessageBox(LoadStringResource(nMessageId));
    Wizard().PostPressBack();
    if (bClose)
        Sheet(*this).ClosePort();
    Wizard().EndWaitCursor();
    return true;
}

bool CMyPropertyPage3::OnSetActive()
{
    CKeepAwake awake;
    CMyPropertySheet& sheet = Sheet(*this);
    Wizard().PostSetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    Wizard().BeginWaitCursor();
    m_strStatus = "Preparing printer for upgrade....";
    UpdateData(false);

    if (!sheet.OpenPort())
        return Fail(IDS_PORT_NOT_OPENED, false);
    if (!sheet.WritePort(kCommandKU, kCommandLength, false))
        return Fail(IDS_COMMAND_NOT_SENT, true);
    // A printer queue takes KU as a job of its own, sent only once the job
    // has ended and the spooler has taken it.
    const bool network = sheet.m_page2.m_nCommMode == Network;
    if (network && !sheet.ClosePort())
        return Fail(IDS_COMMAND_NOT_SENT, false);
    m_strStatus += "ok\r\n\r\n";
    UpdateData(false);

    if (network) {
        Wizard().PostSetWizardButtons(PSWIZB_NEXT);
        m_strStatus += LoadStringResource(IDS_STATUS_NETWORK);
        UpdateData(false);
        Wizard().EndWaitCursor();
        return CPropertyPage::OnSetActive();
    }

    if (!sheet.WritePort(kCommandSU, kCommandLength, true))
        return Fail(IDS_COMMAND_NOT_SENT, true);
    unsigned char line[kStatusCapacity] = {};
    int32_t length = kStatusCapacity;
    if (!sheet.ReadPort(line, &length))
        return Fail(IDS_NO_STATUS, true);
    Wizard().PostSetWizardButtons(PSWIZB_NEXT);
    int id = StatusStringId(line[0]);
    m_strStatus += LoadStringResource(id);
    UpdateData(false);
    if (id != kStatusReadyId) {
        Wizard().PostSetWizardButtons(PSWIZB_FINISH);
        Wizard().SetFinishText("Retry");
    }
    sheet.ClosePort();
    Wizard().EndWaitCursor();
    return CPropertyPage::OnSetActive();
}

bool CMyPropertyPage3::OnWizardFinish()
{
    m_strStatus.clear();
    UpdateData(false);
    OnSetActive();
    return false;
}

void CMyPropertyPage3::OnCancel()
{
    CMyPropertySheet& sheet = Sheet(*this);
    if (sheet.m_bUpgradeDone)
        return;
    Wizard().BeginWaitCursor();
    if (!sheet.OpenPort()) {
        Wizard().EndWaitCursor();
        return;
    }
    sheet.WritePort(kCommandKK, kCommandLength, false);
    sheet.ClosePort();
    Wizard().EndWaitCursor();
}
