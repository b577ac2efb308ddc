#include "pages/preparation_page.h"

#include "upgrade/keep_awake.h"
#include "res/dialogs.h"
#include "res/strings.h"
#include "ui/data_exchange.h"
#include "upgrade/commands.h"
#include "upgrade/exchanges.h"
#include "upgrade/messages.h"

namespace {

// The exchange as the page shows it: "ok" once KU is out; a failure in its
// message box, then the queued Back press, while the connection is still
// open (the exchange closes it after).
class PreparationView : public IExchangeEvents {
public:
    explicit PreparationView(CMyPropertyPage3& page) : m_page(page) {}

    void UpgradeCommandSent() override
    {
        m_page.m_strStatus += "ok\r\n\r\n";
        m_page.UpdateData(false);
    }

    void Failed(ExchangeFailure failure) override
    {
        m_page.Wizard().MessageBox(LoadStringResource(FailureStringId(failure)));
        m_page.Wizard().PostPressBack();
    }

private:
    CMyPropertyPage3& m_page;
};

} // namespace

CMyPropertyPage3::CMyPropertyPage3(IPageSheet& sheet) : CPropertyPage(kDialogPreparation), m_sheet(sheet) {}

void CMyPropertyPage3::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_STATUS_TEXT, m_strStatus);
}

bool CMyPropertyPage3::OnSetActive()
{
    CKeepAwake awake;
    Wizard().PostSetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    Wizard().BeginWaitCursor();
    m_strStatus = "Preparing printer for upgrade....";
    UpdateData(false);

    PreparationView view(*this);
    const Preparation p = Prepare(m_sheet.PrinterPort(), view);
    if (p.result == PreparationResult::Failed) {
        Wizard().EndWaitCursor();
        return true;
    }
    Wizard().PostSetWizardButtons(PSWIZB_NEXT);
    if (p.result == PreparationResult::NoReturnPath) {
        m_strStatus += LoadStringResource(IDS_STATUS_NETWORK);
        UpdateData(false);
    } else {
        const int id = StatusStringId(p.status);
        m_strStatus += LoadStringResource(id);
        UpdateData(false);
        if (id != kStatusReadyId) {
            Wizard().PostSetWizardButtons(PSWIZB_FINISH);
            Wizard().SetFinishText("Retry");
        }
    }
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
    if (m_sheet.UpgradeDone())
        return;
    Wizard().BeginWaitCursor();
    IExchangeEvents silent;
    CancelUpgrade(m_sheet.PrinterPort(), silent);
    Wizard().EndWaitCursor();
}
