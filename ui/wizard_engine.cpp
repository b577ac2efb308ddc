#include "ui/wizard_engine.h"

#include "link/wait_hook.h"
#include "res/dialogs.h"
#include "ui/application_name.h"

namespace {

void RepaintWhileWaiting(void* pEngine)
{
    static_cast<CWizardEngine*>(pEngine)->RepaintWithoutInput();
}

std::string PageTitle(const CPropertyPage& page)
{
    const DialogTemplate* dialog = FindDialogTemplate(page.TemplateId());
    return dialog ? dialog->caption : std::string();
}

} // namespace

CWizardEngine::CWizardEngine(CPropertySheet& sheet, IWizardView& view)
    : m_sheet(sheet), m_view(view), m_windows(static_cast<size_t>(sheet.GetPageCount()), nullptr)
{
    // The Help button comes with the sheet; its OnInitDialog may take it away.
    m_buttons.helpVisible = sheet.m_bHasHelp;
    m_buttons.helpEnabled = sheet.m_bHasHelp;
    SetWaitHook(RepaintWhileWaiting, this);
}

CWizardEngine::~CWizardEngine()
{
    ClearWaitHook(this);
    for (int i = 0; i < m_sheet.GetPageCount(); ++i)
        m_sheet.GetPage(i)->DetachWindow();
}

void CWizardEngine::Start()
{
    m_view.ShowButtons(m_buttons);
    m_sheet.OnInitDialog(m_sheetButtons);
    if (m_sheet.GetPageCount() > 0)
        Activate(m_sheet.StartPage());
    ApplyQueued(false);
}

bool CWizardEngine::Activate(int nIndex)
{
    CPropertyPage* page = m_sheet.GetPage(nIndex);
    IPageControls*& window = m_windows[static_cast<size_t>(nIndex)];
    if (!window) {
        window = m_view.CreatePageWindow(nIndex);
        page->AttachWindow(&m_sheet, window, this);
        page->OnInitDialog();
    }
    if (nIndex != m_nCurrent)
        m_bBackHiddenHere = false;
    if (!page->OnSetActive())
        return false;
    m_nCurrent = nIndex;
    m_view.ShowPage(nIndex, PageTitle(*page));
    return true;
}

void CWizardEngine::Move(int nDelta)
{
    if (!Running())
        return;
    const int target = m_nCurrent + nDelta;
    if (target < 0 || target >= m_sheet.GetPageCount())
        return;
    CPropertyPage* page = m_sheet.GetPage(m_nCurrent);
    if ((nDelta > 0 ? page->OnWizardNext() : page->OnWizardBack()) == -1)
        return;
    if (!page->OnKillActive())
        return;
    Activate(target);
}

void CWizardEngine::PressBack()
{
    if (!Running() || !m_buttons.backVisible || !m_buttons.backEnabled)
        return;
    Move(-1);
    ApplyQueued(false);
}

void CWizardEngine::PressNext()
{
    if (!Running() || !m_buttons.nextVisible || !m_buttons.nextEnabled)
        return;
    Move(+1);
    ApplyQueued(false);
}

void CWizardEngine::PressFinish()
{
    if (!Running() || !m_buttons.finishVisible || !m_buttons.finishEnabled)
        return;
    if (m_sheet.GetPage(m_nCurrent)->OnWizardFinish()) {
        Finish(1);
        return;
    }
    ApplyQueued(false);
}

void CWizardEngine::PressDefault()
{
    if (m_buttons.DefaultIsFinish())
        PressFinish();
    else
        PressNext();
}

void CWizardEngine::Cancel()
{
    if (m_bClosed)
        return;
    // Every page whose window exists hears of it, current or not; none can
    // refuse it.
    for (int i = 0; i < m_sheet.GetPageCount(); ++i)
        if (m_windows[static_cast<size_t>(i)])
            m_sheet.GetPage(i)->OnCancel();
    Finish(0);
}

void CWizardEngine::ClickControl(int nId)
{
    if (!Running())
        return;
    m_sheet.GetPage(m_nCurrent)->OnCommand(nId);
    ApplyQueued(false);
}

void CWizardEngine::Finish(int nResult)
{
    m_bClosed = true;
    m_nResult = nResult;
    m_queue.clear();
    m_view.Close(nResult);
}

void CWizardEngine::ApplyButtons(unsigned nFlags)
{
    m_buttons.backVisible = !m_bBackHiddenHere;
    m_buttons.backEnabled = (nFlags & PSWIZB_BACK) != 0;
    if (nFlags & PSWIZB_FINISH) {
        m_buttons.finishVisible = true;
        m_buttons.finishEnabled = true;
        m_buttons.nextVisible = false;
    } else {
        // A page that asks for Next gets a usable Next, also after a Finish
        // text.
        m_buttons.finishVisible = false;
        m_buttons.nextVisible = true;
        m_buttons.nextEnabled = (nFlags & PSWIZB_NEXT) != 0;
    }
    m_view.ShowButtons(m_buttons);
}

void CWizardEngine::ApplyQueued(bool bStopAtBack)
{
    while (!m_queue.empty() && !m_bClosed) {
        const Operation op = m_queue.front();
        if (op.pressBack && bStopAtBack)
            return;
        m_queue.pop_front();
        if (op.pressBack)
            Move(-1);
        else
            ApplyButtons(op.flags);
    }
}

void CWizardEngine::PostSetWizardButtons(unsigned nFlags)
{
    m_queue.push_back({false, nFlags});
}

void CWizardEngine::PostPressBack()
{
    m_queue.push_back({true, 0});
}

void CWizardEngine::SetFinishText(const std::string& strText)
{
    m_buttons.finishText = strText;
    m_buttons.finishVisible = true;
    m_buttons.finishEnabled = true;
    m_buttons.backVisible = false;
    m_buttons.nextVisible = false;
    m_bBackHiddenHere = true;
    m_view.ShowButtons(m_buttons);
}

void CWizardEngine::MessageBox(const std::string& strText)
{
    // A message box's own message loop applies what is queued, up to a Back
    // press, which waits for the handler to return.
    ApplyQueued(true);
    m_view.ShowMessageBox(ApplicationName(), strText);
}

void CWizardEngine::BeginWaitCursor()
{
    if (m_nWaitCount++ == 0)
        m_view.SetBusy(true);
}

void CWizardEngine::EndWaitCursor()
{
    if (m_nWaitCount > 0 && --m_nWaitCount == 0)
        m_view.SetBusy(false);
}

void CWizardEngine::RepaintWithoutInput()
{
    m_view.Repaint();
}

void CWizardEngine::SheetButtons::EnableWindow(int nId, bool bEnable)
{
    if (nId != IDHELP)
        return;
    m_engine.m_buttons.helpEnabled = bEnable;
    m_engine.m_view.ShowButtons(m_engine.m_buttons);
}

void CWizardEngine::SheetButtons::ShowWindow(int nId, bool bShow)
{
    if (nId != IDHELP)
        return;
    m_engine.m_buttons.helpVisible = bShow;
    m_engine.m_view.ShowButtons(m_engine.m_buttons);
}
