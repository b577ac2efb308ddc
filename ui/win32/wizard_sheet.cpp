#include "ui/win32/wizard_sheet.h"

#include "res/dialogs.h"
#include "res/strings.h"
#include "ui/win32/page_template.h"
#include "ui/win32/page_window.h"
#include "ui/wizard_engine.h"

#include <string>
#include <vector>

namespace {

// Enough for any burst of paint messages, and a bound if a window keeps
// invalidating itself.
constexpr int kPaintMessagesPerWait = 64;

HCURSOR WaitCursor()
{
    return LoadCursor(nullptr, IDC_WAIT);
}

void SetResult(HWND hWindow, LONG_PTR result)
{
    SetWindowLongPtrA(hWindow, DWLP_MSGRESULT, result);
}

bool TakesKeys(HWND hWindow)
{
    return hWindow && IsWindowVisible(hWindow) && IsWindowEnabled(hWindow);
}

void PlaceButton(HWND hSheet, int nId, bool bVisible, bool bEnabled)
{
    HWND button = GetDlgItem(hSheet, nId);
    ShowWindow(button, bVisible ? SW_SHOW : SW_HIDE);
    EnableWindow(button, bEnabled ? TRUE : FALSE);
}

} // namespace

// The sheet as the engine's view. The sheet changes page, finishes and
// cancels only when the engine has decided it: it is asked to with its own
// messages, and the notifications it sends on its own account are refused.
class Win32WizardRun::SheetView : public IWizardView {
public:
    struct PageSlot {
        SheetView* pView = nullptr;
        Win32DialogControls controls;
        std::vector<WORD> dialogTemplate;
    };

    explicit SheetView(CPropertySheet& sheet) : m_engine(sheet, *this) {}

    CWizardEngine& Engine() { return m_engine; }

    IPageControls* CreatePageWindow(int nIndex) override;
    void ShowPage(int nIndex, const std::string& strTitle) override;
    void ShowButtons(const WizardButtons& buttons) override;
    void ShowMessageBox(const std::string& strTitle, const std::string& strText) override;
    void SetBusy(bool bBusy) override;
    void Repaint() override { ServicePaintMessages(); }
    void Close(int nResult) override;

    // One sheet runs at a time; the sheet's callback has no context of its
    // own.
    static SheetView* s_pCurrent;
    static int CALLBACK SheetCallback(HWND hSheet, UINT uMsg, LPARAM lParam);
    static LRESULT CALLBACK SheetProc(HWND hSheet, UINT uMsg, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK PageProc(HWND hPage, UINT uMsg, WPARAM wParam, LPARAM lParam);

    std::vector<std::unique_ptr<PageSlot>> slots;
    std::vector<PROPSHEETPAGEA> pages;
    std::string caption;
    PROPSHEETHEADERA header{};
    HWND hModeless = nullptr;

private:
    // The sheet's Back, Next, Finish and Cancel, by mouse or key.
    bool OnSheetCommand(int nId);
    INT_PTR OnNotify(HWND hPage, const NMHDR& notify);
    bool SetCursorIfBusy();
    void KeepFocusInSheet();

    CWizardEngine m_engine;
    HWND m_hSheet = nullptr;
    WNDPROC m_pfnSheetProc = nullptr;
    WizardButtons m_buttons;
    int m_nShown = -1;
    bool m_bStarted = false;
    // The page the sheet is selecting of its own accord as it starts (-1
    // for none): the engine showing that page needs no selection, any
    // other page it moves to does.
    int m_nSheetSelecting = -1;
    // The sheet is changing page because the engine did, or ending because
    // the engine closed the wizard.
    bool m_bSelecting = false;
    bool m_bEnding = false;
    bool m_bBusy = false;
    HCURSOR m_hRestoreCursor = nullptr;
};

Win32WizardRun::SheetView* Win32WizardRun::SheetView::s_pCurrent = nullptr;

IPageControls* Win32WizardRun::SheetView::CreatePageWindow(int nIndex)
{
    PageSlot& slot = *slots[static_cast<size_t>(nIndex)];
    // The sheet makes a page's window when it first selects the page:
    // select it, then the page on show again, before anything is drawn.
    // The start page's window the sheet has made itself.
    if (!slot.controls.Window() && m_hSheet) {
        m_bSelecting = true;
        PropSheet_SetCurSel(m_hSheet, nullptr, nIndex);
        if (m_nShown >= 0)
            PropSheet_SetCurSel(m_hSheet, nullptr, m_nShown);
        m_bSelecting = false;
        ShowButtons(m_buttons);
    }
    return &slot.controls;
}

void Win32WizardRun::SheetView::ShowPage(int nIndex, const std::string& strTitle)
{
    if (nIndex != m_nSheetSelecting) {
        m_bSelecting = true;
        PropSheet_SetCurSel(m_hSheet, nullptr, nIndex);
        m_bSelecting = false;
    }
    m_nShown = nIndex;
    SetWindowTextA(m_hSheet, strTitle.c_str());
    // A change of page may have set the buttons the sheet's own way.
    ShowButtons(m_buttons);
}

// The sheet's keyboard (Enter presses the default button, Escape cancels,
// Tab moves) reads only keys that reach a window inside it. A page with no
// control that takes the focus, a button that was hidden or a page that
// went leave the focus nowhere, and Windows then hands the keys to the
// sheet as system keys, which a dialog ignores: Enter would do nothing.
// Such a page gives the focus to its first control that takes it, or to
// the button in Next's place, as every property sheet does.
void Win32WizardRun::SheetView::KeepFocusInSheet()
{
    // While a message box is up the sheet is disabled and the box has the
    // keys.
    HWND focus = GetFocus();
    if (!m_hSheet || !IsWindowEnabled(m_hSheet) || (TakesKeys(focus) && IsChild(m_hSheet, focus)))
        return;
    HWND page = PropSheet_GetCurrentPageHwnd(m_hSheet);
    HWND first = page ? GetNextDlgTabItem(page, nullptr, FALSE) : nullptr;
    if (TakesKeys(first) && (GetWindowLongA(first, GWL_STYLE) & WS_TABSTOP))
        SetFocus(first);
    else
        SetFocus(GetDlgItem(m_hSheet, m_buttons.DefaultIsFinish() ? kSheetFinishButton : kSheetNextButton));
}

void Win32WizardRun::SheetView::ShowButtons(const WizardButtons& b)
{
    m_buttons = b;
    if (!m_hSheet)
        return;
    PlaceButton(m_hSheet, kSheetBackButton, b.backVisible, b.backEnabled);
    PlaceButton(m_hSheet, kSheetNextButton, b.nextVisible, b.nextEnabled);
    SetWindowTextA(GetDlgItem(m_hSheet, kSheetFinishButton), b.finishText.c_str());
    PlaceButton(m_hSheet, kSheetFinishButton, b.finishVisible, b.finishEnabled);
    PlaceButton(m_hSheet, IDHELP, b.helpVisible, b.helpEnabled);
    SendMessageA(m_hSheet, DM_SETDEFID, b.DefaultIsFinish() ? kSheetFinishButton : kSheetNextButton, 0);
    KeepFocusInSheet();
}

void Win32WizardRun::SheetView::ShowMessageBox(const std::string& strTitle, const std::string& strText)
{
    ::MessageBoxA(m_hSheet, strText.c_str(), strTitle.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void Win32WizardRun::SheetView::SetBusy(bool bBusy)
{
    m_bBusy = bBusy;
    if (bBusy)
        m_hRestoreCursor = SetCursor(WaitCursor());
    else
        SetCursor(m_hRestoreCursor ? m_hRestoreCursor : LoadCursor(nullptr, IDC_ARROW));
}

bool Win32WizardRun::SheetView::SetCursorIfBusy()
{
    if (!m_bBusy)
        return false;
    SetCursor(WaitCursor());
    return true;
}

void Win32WizardRun::SheetView::Close(int nResult)
{
    if (m_bEnding || !m_hSheet)
        return;
    m_bEnding = true;
    PropSheet_PressButton(m_hSheet, nResult ? PSBTN_FINISH : PSBTN_CANCEL);
}

bool Win32WizardRun::SheetView::OnSheetCommand(int nId)
{
    // Once the wizard is over, the sheet's own buttons end it its way.
    if (m_bEnding)
        return false;
    switch (nId) {
    case kSheetBackButton: m_engine.PressBack(); return true;
    case kSheetNextButton: m_engine.PressNext(); return true;
    case kSheetFinishButton: m_engine.PressFinish(); return true;
    case IDCANCEL: m_engine.Cancel(); return true;
    default: return false;
    }
}

INT_PTR Win32WizardRun::SheetView::OnNotify(HWND hPage, const NMHDR& notify)
{
    switch (notify.code) {
    case PSN_SETACTIVE:
        // The sheet selects its start page itself once its window and the
        // pages' exist: the wizard starts there.
        if (!m_bStarted) {
            m_bStarted = true;
            if (!m_hSheet)
                m_hSheet = GetParent(hPage);
            m_nSheetSelecting = PropSheet_HwndToIndex(m_hSheet, hPage);
            m_engine.Start();
            m_nSheetSelecting = -1;
        }
        SetResult(hPage, 0);
        return TRUE;
    case PSN_KILLACTIVE:
        // FALSE lets the page go.
        SetResult(hPage, m_bSelecting ? FALSE : TRUE);
        return TRUE;
    case PSN_WIZBACK:
    case PSN_WIZNEXT:
        SetResult(hPage, -1);
        return TRUE;
    case PSN_WIZFINISH:
        // FALSE lets the wizard close.
        SetResult(hPage, m_bEnding ? FALSE : TRUE);
        return TRUE;
    case PSN_QUERYCANCEL:
        // A cancel the sheet begins itself is the wizard's Cancel too.
        if (!m_bEnding) {
            m_bEnding = true;
            m_engine.Cancel();
        }
        SetResult(hPage, FALSE);
        return TRUE;
    case PSN_RESET:
        // The engine has told the pages.
        return TRUE;
    default:
        return FALSE;
    }
}

int CALLBACK Win32WizardRun::SheetView::SheetCallback(HWND hSheet, UINT uMsg, LPARAM)
{
    SheetView* view = s_pCurrent;
    if (uMsg != PSCB_INITIALIZED || !view)
        return 0;
    view->m_hSheet = hSheet;
    view->m_pfnSheetProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hSheet, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SheetProc)));
    return 0;
}

LRESULT CALLBACK Win32WizardRun::SheetView::SheetProc(HWND hSheet, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    SheetView* view = s_pCurrent;
    WNDPROC base = view ? view->m_pfnSheetProc : nullptr;
    if (!base)
        return DefWindowProcA(hSheet, uMsg, wParam, lParam);
    switch (uMsg) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && view->OnSheetCommand(LOWORD(wParam)))
            return 0;
        break;
    case WM_CLOSE:
        // The close box cancels as Cancel does.
        if (!view->m_bEnding) {
            view->m_engine.Cancel();
            return 0;
        }
        break;
    case WM_SETCURSOR:
        if (view->SetCursorIfBusy())
            return TRUE;
        break;
    default:
        break;
    }
    return CallWindowProcA(base, hSheet, uMsg, wParam, lParam);
}

INT_PTR CALLBACK Win32WizardRun::SheetView::PageProc(HWND hPage, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG) {
        const auto* psp = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        auto* slot = reinterpret_cast<PageSlot*>(psp->lParam);
        SetWindowLongPtrA(hPage, DWLP_USER, reinterpret_cast<LONG_PTR>(slot));
        slot->controls.SetWindow(hPage);
        return TRUE;
    }
    auto* slot = reinterpret_cast<PageSlot*>(GetWindowLongPtrA(hPage, DWLP_USER));
    if (!slot)
        return FALSE;
    SheetView& view = *slot->pView;
    switch (uMsg) {
    case WM_NOTIFY:
        return view.OnNotify(hPage, *reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && lParam) {
            view.m_engine.ClickControl(LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    case WM_SETCURSOR:
        if (view.SetCursorIfBusy()) {
            SetResult(hPage, TRUE);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        slot->controls.SetWindow(nullptr);
        SetWindowLongPtrA(hPage, DWLP_USER, 0);
        return FALSE;
    default:
        return FALSE;
    }
}

void ServicePaintMessages()
{
    MSG msg;
    for (int i = 0; i < kPaintMessagesPerWait && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT); ++i)
        DispatchMessageA(&msg);
}

Win32WizardRun::Win32WizardRun(CPropertySheet& sheet) : m_view(std::make_unique<SheetView>(sheet)), m_sheet(sheet)
{
}

Win32WizardRun::~Win32WizardRun()
{
    if (m_view->hModeless && IsWindow(m_view->hModeless))
        DestroyWindow(m_view->hModeless);
    End();
}

bool Win32WizardRun::Prepare(bool bModeless)
{
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&classes);

    SheetView& view = *m_view;
    const int count = m_sheet.GetPageCount();
    view.pages.assign(static_cast<size_t>(count), PROPSHEETPAGEA{});
    for (int i = 0; i < count; ++i) {
        auto slot = std::make_unique<SheetView::PageSlot>();
        slot->pView = &view;
        const DialogTemplate* dialog = FindDialogTemplate(m_sheet.GetPage(i)->TemplateId());
        if (!dialog)
            return false;
        slot->dialogTemplate = BuildPageTemplate(*dialog);
        PROPSHEETPAGEA& psp = view.pages[static_cast<size_t>(i)];
        psp.dwSize = sizeof psp;
        psp.dwFlags = PSP_DLGINDIRECT;
        psp.pResource = reinterpret_cast<LPCDLGTEMPLATEA>(slot->dialogTemplate.data());
        psp.pfnDlgProc = SheetView::PageProc;
        psp.lParam = reinterpret_cast<LPARAM>(slot.get());
        view.slots.push_back(std::move(slot));
    }

    view.caption = LoadStringResource(m_sheet.CaptionId());
    PROPSHEETHEADERA& header = view.header;
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
    header.pszCaption = view.caption.c_str();
    header.nPages = static_cast<UINT>(count);
    header.nStartPage = static_cast<UINT>(m_sheet.StartPage());
    header.ppsp = view.pages.data();
    header.pfnCallback = SheetView::SheetCallback;

    SheetView::s_pCurrent = &view;
    return true;
}

void Win32WizardRun::End()
{
    if (SheetView::s_pCurrent == m_view.get())
        SheetView::s_pCurrent = nullptr;
}

int Win32WizardRun::RunModal()
{
    if (Prepare(false))
        PropertySheetA(&m_view->header);
    End();
    return Result();
}

HWND Win32WizardRun::OpenModeless()
{
    if (!Prepare(true))
        return nullptr;
    m_view->hModeless = reinterpret_cast<HWND>(PropertySheetA(&m_view->header));
    return m_view->hModeless;
}

bool Win32WizardRun::Closed() const
{
    return m_view->Engine().IsClosed() ||
           (m_view->hModeless && !PropSheet_GetCurrentPageHwnd(m_view->hModeless));
}

int Win32WizardRun::Result() const
{
    return m_view->Engine().Result();
}

int RunWizardFrame(CPropertySheet& sheet)
{
    return Win32WizardRun(sheet).RunModal();
}
