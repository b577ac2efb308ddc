#include "pages/transfer_page.h"

#include "upgrade/keep_awake.h"
#include "res/dialogs.h"
#include "res/strings.h"
#include "upgrade/exchanges.h"
#include "upgrade/messages.h"
#include "upgrade/file_access.h"
#include "upgrade/file_list.h"

#include <string>

namespace {

constexpr int kProgressRange = 100;

// The transfer as the page shows it: the bar moves one step for each step's
// worth of full pieces (the last, shorter piece of a file never counts, and
// bytes above a step are dropped); a failure in its message box, while the
// connection is still open.
class TransferView : public IExchangeEvents {
public:
    TransferView(CPropertyPage& page, uint64_t step) : m_page(page), m_step(step) {}

    void DataSent(const void*, int32_t n) override
    {
        if (n < kPieceSize)
            return;
        m_counted += kPieceSize;
        if (m_counted >= m_step) {
            m_page.Controls().StepIt(IDC_PROGRESS);
            m_counted = 0;
        }
    }

    void Failed(ExchangeFailure failure) override
    {
        m_page.Wizard().MessageBox(LoadStringResource(FailureStringId(failure)));
    }

private:
    CPropertyPage& m_page;
    uint64_t m_step;
    uint64_t m_counted = 0;
};

} // namespace

CMyPropertyPage4::CMyPropertyPage4(IPageSheet& sheet) : CPropertyPage(kDialogTransfer), m_sheet(sheet) {}

bool CMyPropertyPage4::OnSetActive()
{
    Wizard().PostSetWizardButtons(PSWIZB_FINISH);
    Wizard().SetFinishText("Finish");
    Controls().ShowWindow(IDC_UPGRADE_DONE_TEXT, false);
    Controls().ShowWindow(IDC_EXIT_TEXT, false);
    m_sheet.SetUpgradeDone(false);
    return CPropertyPage::OnSetActive();
}

bool CMyPropertyPage4::OnWizardFinish()
{
    if (m_sheet.UpgradeDone())
        return CPropertyPage::OnWizardFinish();
    CKeepAwake awake;
    Wizard().BeginWaitCursor();

    const std::string directory = ProgramDirectory();
    UpgradeFileList list;
    int32_t errorIndex = 0;
    if (!BuildSendingList(directory, list, errorIndex)) {
        Wizard().MessageBox(ListRefusalText(errorIndex, list));
        Wizard().EndWaitCursor();
        return false;
    }
    const uint64_t step = static_cast<uint64_t>(list.m_nTotalSize) / kProgressRange;
    Controls().SetRange(IDC_PROGRESS, 0, kProgressRange);
    Controls().SetStep(IDC_PROGRESS, 1);
    Controls().SetPos(IDC_PROGRESS, 0);

    TransferView view(*this, step);
    // Where the link cannot tell whether the printer has every byte (a
    // printer queue; TCP where the system does not say, as under Wine and
    // on Windows before 10 version 1703), what was handed on counts as
    // sent, as it always has.
    if (SendUpgrade(m_sheet.PrinterPort(), directory, list, view).result == TransferResult::Failed) {
        Wizard().EndWaitCursor();
        return false;
    }
    Controls().SetPos(IDC_PROGRESS, kProgressRange);
    Controls().ShowWindow(IDC_UPGRADE_DONE_TEXT, true);
    Controls().ShowWindow(IDC_EXIT_TEXT, true);
    Wizard().SetFinishText("Done");
    m_sheet.SetUpgradeDone(true);
    Wizard().EndWaitCursor();
    return false;
}
