// The harness on comctl32's property sheet: the sheet runs modeless on the
// test's thread, each click is sent to the real button and the messages it
// leads to are pumped until none is left. A thread timer answers message
// boxes from inside their own message loops, as the person at the screen
// would.
#include "tests/wizard/wizard_harness.h"

#include "res/dialogs.h"
#include "ui/win32/wizard_sheet.h"

#include <cstring>

struct WizardHarness::Frame {
    std::unique_ptr<Win32WizardRun> run;
    HWND hSheet = nullptr;
    UINT_PTR timer = 0;
    HWND hLastBox = nullptr;
};

namespace {

// The timer's procedure has no context of its own; one harness at a time.
WizardHarness* g_pHarness = nullptr;

std::string TextOf(HWND h)
{
    char text[4096] = {};
    int n = GetWindowTextA(h, text, sizeof text);
    return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

BOOL CALLBACK AddStaticText(HWND hChild, LPARAM lParam)
{
    char cls[32] = {};
    GetClassNameA(hChild, cls, sizeof cls);
    std::string text = TextOf(hChild);
    if (lstrcmpiA(cls, "Static") == 0 && IsWindowVisible(hChild) && !text.empty()) {
        auto* all = reinterpret_cast<std::string*>(lParam);
        *all += (all->empty() ? "" : "\n") + text;
    }
    return TRUE;
}

BOOL CALLBACK AnswerIfBox(HWND h, LPARAM)
{
    WizardHarness::Frame& f = g_pHarness->FrameOf();
    char cls[32] = {};
    GetClassNameA(h, cls, sizeof cls);
    HWND ok = GetDlgItem(h, IDOK);
    if (h == f.hSheet || std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(h) || !ok)
        return TRUE;
    if (h != f.hLastBox) {
        std::string text;
        EnumChildWindows(h, AddStaticText, reinterpret_cast<LPARAM>(&text));
        g_pHarness->boxes.push_back({TextOf(h), text});
        f.hLastBox = h;
        SendMessageA(ok, BM_CLICK, 0, 0);
    }
    return FALSE;
}

void CALLBACK AnswerBoxes(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_pHarness)
        EnumThreadWindows(GetCurrentThreadId(), AnswerIfBox, 0);
}

int ButtonId(const char* name)
{
    if (std::strcmp(name, "back") == 0)
        return kSheetBackButton;
    if (std::strcmp(name, "next") == 0)
        return kSheetNextButton;
    if (std::strcmp(name, "finish") == 0)
        return kSheetFinishButton;
    if (std::strcmp(name, "help") == 0)
        return IDHELP;
    return IDCANCEL;
}

// Handles every message that is waiting, and those they lead to.
void Pump(HWND hSheet)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsWindow(hSheet) || !PropSheet_IsDialogMessage(hSheet, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

} // namespace

WizardHarness::WizardHarness() : m_frame(std::make_unique<Frame>())
{
    g_pHarness = this;
    m_frame->timer = SetTimer(nullptr, 0, 10, AnswerBoxes);
    m_frame->run = std::make_unique<Win32WizardRun>(sheet);
    m_frame->hSheet = m_frame->run->OpenModeless();
    Pump(m_frame->hSheet);
}

WizardHarness::~WizardHarness()
{
    if (!Closed())
        Press("cancel");
    m_frame->run.reset();
    Pump(nullptr);
    KillTimer(nullptr, m_frame->timer);
    g_pHarness = nullptr;
}

bool WizardHarness::Shown(const char* button) const
{
    HWND b = GetDlgItem(m_frame->hSheet, ButtonId(button));
    return b && IsWindowVisible(b);
}

bool WizardHarness::Usable(const char* button) const
{
    HWND b = GetDlgItem(m_frame->hSheet, ButtonId(button));
    return b && IsWindowVisible(b) && IsWindowEnabled(b);
}

std::string WizardHarness::FinishText() const
{
    return TextOf(GetDlgItem(m_frame->hSheet, kSheetFinishButton));
}

bool WizardHarness::Press(const char* button)
{
    if (Closed() || !Usable(button))
        return false;
    SendMessageA(GetDlgItem(m_frame->hSheet, ButtonId(button)), BM_CLICK, 0, 0);
    Pump(m_frame->hSheet);
    return true;
}

int WizardHarness::Page() const
{
    HWND page = PropSheet_GetCurrentPageHwnd(m_frame->hSheet);
    return page ? static_cast<int>(PropSheet_HwndToIndex(m_frame->hSheet, page)) : -1;
}

bool WizardHarness::Closed() const
{
    return m_frame->run->Closed();
}

int WizardHarness::Result() const
{
    return m_frame->run->Result();
}

std::string WizardHarness::Title() const
{
    return TextOf(m_frame->hSheet);
}

void WizardHarness::PressKey(Key key)
{
    // Into the system's input queue, as from a keyboard: the key goes to the
    // window that has the focus in the foreground window, or, when none has
    // it, to the foreground window itself as a system key.
    SetForegroundWindow(m_frame->hSheet);
    INPUT press[2] = {};
    press[0].type = INPUT_KEYBOARD;
    press[0].ki.wVk = key == Key::Enter ? VK_RETURN : VK_ESCAPE;
    press[1] = press[0];
    press[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, press, sizeof(INPUT));
    Pump(m_frame->hSheet);
}

void WizardHarness::ClickRadio(int id)
{
    SendMessageA(GetDlgItem(PropSheet_GetCurrentPageHwnd(m_frame->hSheet), id), BM_CLICK, 0, 0);
    Pump(m_frame->hSheet);
}

void WizardHarness::TypeAddress(const std::string& dotted)
{
    // The address control's own fields take the keys: digits, and a dot to
    // move to the next field.
    HWND control = GetDlgItem(PropSheet_GetCurrentPageHwnd(m_frame->hSheet), IDC_IP_ADDRESS);
    SendMessageA(control, IPM_CLEARADDRESS, 0, 0);
    SendMessageA(control, IPM_SETFOCUS, 0, 0);
    Pump(m_frame->hSheet);
    for (char c : dotted) {
        SendMessageA(GetFocus(), WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 0);
        Pump(m_frame->hSheet);
    }
}
