#include "ui/wizard_engine.h"

CWizardEngine::CWizardEngine(CPropertySheet& sheet, IWizardView& view)
    : m_sheet(sheet), m_view(view), m_windows(static_cast<size_t>(sheet.GetPageCount()), nullptr)
{
}

CWizardEngine::~CWizardEngine()
{
    for (int i = 0; i < m_sheet.GetPageCount(); ++i)
        m_sheet.GetPage(i)->DetachWindow();
}

void CWizardEngine::Start()
{
    m_sheet.OnInitDialog(m_view.SheetControls());
    m_view.ShowButtons(m_buttons);
    if (m_sheet.GetPageCount() > 0)
        Activate(m_sheet.StartPage());
    ApplyQueued(false);
}

bool CWizardEngine::Activate(int nIndex)
{
    CPropertyPage* page = m_sheet.GetPage(nIndex);
    if (!m_windows[static_cast<size_t>(nIndex)]) {
        IPageControls* controls = m_view.CreatePageWindow(nIndex);
        m_windows[static_cast<size_t>(nIndex)] = controls;
        page->AttachWindow(&m_sheet, controls, this);
        page->OnInitDialog();
    }
    if (nIndex != m_nCurrent)
        m_bBackHiddenHere = false;
    if (!page->OnSetActive())
        return false;
    m_nCurrent = nIndex;
    m_view.ShowPage(nIndex);
    return true;
}

void CWizardEngine::Move(int nDelta)
{
    if (m_bClosed || m_nCurrent < 0)
        return;
    int target = m_nCurrent + nDelta;
    if (target < 0 || target >= m_sheet.GetPageCount())
        return;
    CPropertyPage* page = m_sheet.GetPage(m_nCurrent);
    int r = nDelta > 0 ? page->OnWizardNext() : page->OnWizardBack();
    if (r == -1)
        return;
    if (!page->OnKillActive())
        return;
    Activate(target);
}

void CWizardEngine::PressNext()
{
    Move(+1);
    ApplyQueued(false);
}

void CWizardEngine::PressBack()
{
    Move(-1);
    ApplyQueued(false);
}

void CWizardEngine::PressFinish()
{
    if (m_bClosed || m_nCurrent < 0)
        return;
    if (m_sheet.GetPage(m_nCurrent)->OnWizardFinish()) {
        Finish(1);
        return;
    }
    ApplyQueued(false);
}

void CWizardEngine::Cancel()
{
    if (m_bClosed)
        return;
    // Every page whose window exists hears of it; none can refuse it.
    for (int i = 0; i < m_sheet.GetPageCount(); ++i)
        if (m_windows[static_cast<size_t>(i)])
            m_sheet.GetPage(i)->OnCancel();
    Finish(0);
}

void CWizardEngine::ClickControl(int nId)
{
    if (m_bClosed || m_nCurrent < 0)
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

void CWizardEngine::ApplyQueued(bool bStopAtNavigation)
{
    while (!m_queue.empty() && !m_bClosed) {
        Operation op = m_queue.front();
        if (op.pressBack && bStopAtNavigation)
            return;
        m_queue.pop_front();
        if (op.pressBack) {
            Move(-1);
            continue;
        }
        m_buttons.backVisible = !m_bBackHiddenHere;
        m_buttons.backEnabled = op.flags & PSWIZB_BACK;
        if (op.flags & PSWIZB_FINISH) {
            m_buttons.finishVisible = true;
            m_buttons.finishEnabled = true;
            m_buttons.nextVisible = false;
        } else {
            m_buttons.finishVisible = false;
            m_buttons.nextVisible = true;
            m_buttons.nextEnabled = op.flags & PSWIZB_NEXT;
        }
        m_view.ShowButtons(m_buttons);
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
    // The box's own message loop would apply what is queued.
    ApplyQueued(true);
    m_view.ShowMessageBox(strText);
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
