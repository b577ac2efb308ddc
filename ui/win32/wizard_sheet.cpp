#include "ui/win32/wizard_sheet.h"

#include "link/wait_hook.h"
#include "res/dialogs.h"
#include "res/strings.h"
#include "ui/win32/page_template.h"
#include "ui/win32/page_window.h"

#include <memory>
#include <vector>

namespace {

// Enough for any burst of paint messages, and a bound if a window keeps
// invalidating itself.
constexpr int kPaintMessagesPerWait = 64;

struct PageSlot {
    CPropertySheet* pSheet = nullptr;
    CPropertyPage* pPage = nullptr;
    Win32WizardFrame* pFrame = nullptr;
    Win32DialogControls controls;
    std::vector<WORD> dialogTemplate;
    std::string strCaption;
};

// One sheet runs at a time; the sheet's callback has no context of its own.
struct SheetRun {
    CPropertySheet* pSheet = nullptr;
    Win32WizardFrame* pFrame = nullptr;
    Win32DialogControls sheetControls;
    WNDPROC pfnSheetProc = nullptr;
    // How the wizard closed: 1 by Finish, 0 by Cancel, -1 not yet.
    int nResult = -1;
};
SheetRun* g_pRun = nullptr;

void SetResult(HWND hPage, LONG_PTR result)
{
    SetWindowLongPtrA(hPage, DWLP_MSGRESULT, result);
}

void RepaintHook(void* pFrame)
{
    static_cast<Win32WizardFrame*>(pFrame)->RepaintWithoutInput();
}

HCURSOR WaitCursor()
{
    return LoadCursor(nullptr, IDC_WAIT);
}

LRESULT CALLBACK SheetProc(HWND hSheet, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    SheetRun* run = g_pRun;
    WNDPROC base = run ? run->pfnSheetProc : nullptr;
    if (!base)
        return DefWindowProcA(hSheet, uMsg, wParam, lParam);
    switch (uMsg) {
    case PSM_SETWIZBUTTONS: {
        LRESULT r = CallWindowProcA(base, hSheet, uMsg, wParam, lParam);
        PlaceWizardButtons(hSheet, static_cast<unsigned>(lParam), run->pFrame && run->pFrame->BackHiddenHere());
        return r;
    }
    case WM_SETCURSOR:
        if (run->pFrame && run->pFrame->Waiting()) {
            SetCursor(WaitCursor());
            return TRUE;
        }
        break;
    default:
        break;
    }
    return CallWindowProcA(base, hSheet, uMsg, wParam, lParam);
}

int CALLBACK SheetCallback(HWND hSheet, UINT uMsg, LPARAM)
{
    if (uMsg != PSCB_INITIALIZED || !g_pRun)
        return 0;
    g_pRun->pFrame->SetSheetWindow(hSheet);
    g_pRun->pfnSheetProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hSheet, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SheetProc)));
    g_pRun->sheetControls.SetWindow(hSheet);
    g_pRun->pSheet->OnInitDialog(g_pRun->sheetControls);
    return 0;
}

INT_PTR OnNotify(PageSlot& slot, HWND hPage, const NMHDR& header)
{
    CPropertyPage& page = *slot.pPage;
    switch (header.code) {
    case PSN_SETACTIVE: {
        slot.pFrame->PageChanged();
        bool accepted = page.OnSetActive();
        if (accepted && slot.pFrame->SheetWindow())
            SetWindowTextA(slot.pFrame->SheetWindow(), slot.strCaption.c_str());
        SetResult(hPage, accepted ? 0 : -1);
        return TRUE;
    }
    case PSN_KILLACTIVE:
        // FALSE lets the page go.
        SetResult(hPage, page.OnKillActive() ? FALSE : TRUE);
        return TRUE;
    case PSN_WIZBACK:
        SetResult(hPage, page.OnWizardBack());
        return TRUE;
    case PSN_WIZNEXT:
        SetResult(hPage, page.OnWizardNext());
        return TRUE;
    case PSN_WIZFINISH: {
        // FALSE lets the wizard close.
        const bool finished = page.OnWizardFinish();
        if (finished && g_pRun)
            g_pRun->nResult = 1;
        SetResult(hPage, finished ? FALSE : TRUE);
        return TRUE;
    }
    case PSN_QUERYCANCEL:
        // A cancel is never refused.
        SetResult(hPage, FALSE);
        return TRUE;
    case PSN_RESET:
        // The sheet tells every page whose window exists.
        page.OnCancel();
        if (g_pRun)
            g_pRun->nResult = 0;
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK PageProc(HWND hPage, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG) {
        const auto* psp = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        auto* slot = reinterpret_cast<PageSlot*>(psp->lParam);
        SetWindowLongPtrA(hPage, DWLP_USER, reinterpret_cast<LONG_PTR>(slot));
        if (!slot->pFrame->SheetWindow())
            slot->pFrame->SetSheetWindow(GetParent(hPage));
        slot->controls.SetWindow(hPage);
        slot->pPage->AttachWindow(slot->pSheet, &slot->controls, slot->pFrame);
        return slot->pPage->OnInitDialog() ? TRUE : FALSE;
    }
    auto* slot = reinterpret_cast<PageSlot*>(GetWindowLongPtrA(hPage, DWLP_USER));
    if (!slot)
        return FALSE;
    switch (uMsg) {
    case WM_NOTIFY:
        return OnNotify(*slot, hPage, *reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && lParam) {
            slot->pPage->OnCommand(LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    case WM_SETCURSOR:
        if (slot->pFrame->Waiting()) {
            SetCursor(WaitCursor());
            SetResult(hPage, TRUE);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        slot->pPage->DetachWindow();
        slot->controls.SetWindow(nullptr);
        SetWindowLongPtrA(hPage, DWLP_USER, 0);
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

void Win32WizardFrame::PostSetWizardButtons(unsigned nFlags)
{
    PostMessageA(m_hSheet, PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(nFlags));
}

void Win32WizardFrame::PostPressBack()
{
    PostMessageA(m_hSheet, PSM_PRESSBUTTON, PSBTN_BACK, 0);
}

void Win32WizardFrame::SetFinishText(const std::string& strText)
{
    SendMessageA(m_hSheet, PSM_SETFINISHTEXT, 0, reinterpret_cast<LPARAM>(strText.c_str()));
    m_bBackHiddenHere = true;
}

void Win32WizardFrame::MessageBox(const std::string& strText)
{
    const std::string title = ApplicationName();
    ::MessageBoxA(m_hSheet, strText.c_str(), title.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void Win32WizardFrame::BeginWaitCursor()
{
    if (m_nWaitCount++ == 0)
        m_hRestoreCursor = SetCursor(WaitCursor());
}

void Win32WizardFrame::EndWaitCursor()
{
    if (m_nWaitCount > 0 && --m_nWaitCount == 0)
        SetCursor(m_hRestoreCursor ? m_hRestoreCursor : LoadCursor(nullptr, IDC_ARROW));
}

void Win32WizardFrame::RepaintWithoutInput()
{
    ServicePaintMessages();
}

std::string ApplicationName()
{
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, n < MAX_PATH ? n : MAX_PATH);
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

void ServicePaintMessages()
{
    MSG msg;
    for (int i = 0; i < kPaintMessagesPerWait && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT); ++i)
        DispatchMessageA(&msg);
}

void PlaceWizardButtons(HWND hSheet, unsigned nFlags, bool bBackHidden)
{
    HWND back = GetDlgItem(hSheet, kSheetBackButton);
    HWND next = GetDlgItem(hSheet, kSheetNextButton);
    HWND finish = GetDlgItem(hSheet, kSheetFinishButton);
    const bool bFinish = (nFlags & PSWIZB_FINISH) != 0;
    ShowWindow(back, bBackHidden ? SW_HIDE : SW_SHOW);
    EnableWindow(back, (nFlags & PSWIZB_BACK) ? TRUE : FALSE);
    if (bFinish) {
        ShowWindow(next, SW_HIDE);
        ShowWindow(finish, SW_SHOW);
        EnableWindow(finish, TRUE);
    } else {
        ShowWindow(finish, SW_HIDE);
        ShowWindow(next, SW_SHOW);
        EnableWindow(next, (nFlags & PSWIZB_NEXT) ? TRUE : FALSE);
    }
    // Enter presses the button that stands in the place of Next.
    SendMessageA(hSheet, DM_SETDEFID, bFinish ? kSheetFinishButton : kSheetNextButton, 0);
}

struct Win32WizardRun::State {
    Win32WizardFrame frame;
    SheetRun run;
    std::vector<std::unique_ptr<PageSlot>> slots;
    std::vector<PROPSHEETPAGEA> pages;
    std::string caption;
    PROPSHEETHEADERA header{};
    HWND hModeless = nullptr;
};

Win32WizardRun::Win32WizardRun(CPropertySheet& sheet) : m_state(std::make_unique<State>()), m_sheet(sheet) {}

Win32WizardRun::~Win32WizardRun()
{
    if (m_state->hModeless && IsWindow(m_state->hModeless))
        DestroyWindow(m_state->hModeless);
    End();
}

bool Win32WizardRun::Prepare(bool bModeless)
{
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&classes);

    State& st = *m_state;
    st.run.pSheet = &m_sheet;
    st.run.pFrame = &st.frame;
    const int count = m_sheet.GetPageCount();
    st.pages.assign(static_cast<size_t>(count), PROPSHEETPAGEA{});
    for (int i = 0; i < count; ++i) {
        auto slot = std::make_unique<PageSlot>();
        slot->pSheet = &m_sheet;
        slot->pPage = m_sheet.GetPage(i);
        slot->pFrame = &st.frame;
        const DialogTemplate* dialog = FindDialogTemplate(slot->pPage->TemplateId());
        if (!dialog)
            return false;
        slot->dialogTemplate = BuildPageTemplate(*dialog);
        slot->strCaption = dialog->caption;
        PROPSHEETPAGEA& psp = st.pages[static_cast<size_t>(i)];
        psp.dwSize = sizeof psp;
        psp.dwFlags = PSP_DLGINDIRECT;
        psp.pResource = reinterpret_cast<LPCDLGTEMPLATEA>(slot->dialogTemplate.data());
        psp.pfnDlgProc = PageProc;
        psp.lParam = reinterpret_cast<LPARAM>(slot.get());
        st.slots.push_back(std::move(slot));
    }

    st.caption = LoadStringResource(m_sheet.CaptionId());
    PROPSHEETHEADERA& header = st.header;
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | PSH_NOCONTEXTHELP;
    if (m_sheet.m_bWizard)
        header.dwFlags |= PSH_WIZARD;
    if (m_sheet.m_bHasHelp)
        header.dwFlags |= PSH_HASHELP;
    if (bModeless)
        header.dwFlags |= PSH_MODELESS;
    header.hwndParent = nullptr;
    header.hInstance = GetModuleHandleA(nullptr);
    header.pszCaption = st.caption.c_str();
    header.nPages = static_cast<UINT>(count);
    header.nStartPage = static_cast<UINT>(m_sheet.StartPage());
    header.ppsp = st.pages.data();
    header.pfnCallback = SheetCallback;

    g_pRun = &st.run;
    SetWaitHook(RepaintHook, &st.frame);
    return true;
}

void Win32WizardRun::End()
{
    if (g_pRun != &m_state->run)
        return;
    SetWaitHook(nullptr, nullptr);
    g_pRun = nullptr;
    for (int i = 0; i < m_sheet.GetPageCount(); ++i)
        m_sheet.GetPage(i)->DetachWindow();
}

int Win32WizardRun::RunModal()
{
    if (!Prepare(false))
        return 0;
    INT_PTR result = PropertySheetA(&m_state->header);
    End();
    return result > 0 ? 1 : 0;
}

HWND Win32WizardRun::OpenModeless()
{
    if (!Prepare(true))
        return nullptr;
    m_state->hModeless = reinterpret_cast<HWND>(PropertySheetA(&m_state->header));
    return m_state->hModeless;
}

bool Win32WizardRun::Closed() const
{
    return m_state->run.nResult >= 0 ||
           (m_state->hModeless && !PropSheet_GetCurrentPageHwnd(m_state->hModeless));
}

int Win32WizardRun::Result() const
{
    return m_state->run.nResult > 0 ? 1 : 0;
}

int RunWizardFrame(CPropertySheet& sheet)
{
    return Win32WizardRun(sheet).RunModal();
}
