#include "ui/win32/page_window.h"

#include <vector>

namespace {

// An id of -1 would find the first control that has none.
constexpr int kNoId = -1;

} // namespace

HWND Win32DialogControls::Control(int nId) const
{
    if (!m_hDialog || nId == kNoId)
        return nullptr;
    return GetDlgItem(m_hDialog, nId);
}

void Win32DialogControls::EnableWindow(int nId, bool bEnable)
{
    if (HWND h = Control(nId))
        ::EnableWindow(h, bEnable ? TRUE : FALSE);
}

bool Win32DialogControls::IsWindowEnabled(int nId) const
{
    HWND h = Control(nId);
    return h && ::IsWindowEnabled(h);
}

void Win32DialogControls::ShowWindow(int nId, bool bShow)
{
    if (HWND h = Control(nId))
        ::ShowWindow(h, bShow ? SW_SHOW : SW_HIDE);
}

bool Win32DialogControls::IsWindowVisible(int nId) const
{
    // The control's own flag: a page that is not current still knows which
    // of its controls it shows.
    HWND h = Control(nId);
    return h && (GetWindowLongPtrA(h, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32DialogControls::SetWindowText(int nId, const std::string& strText)
{
    HWND h = Control(nId);
    if (!h)
        return;
    ::SetWindowTextA(h, strText.c_str());
    // Handlers run long exchanges on this thread: show the text now.
    UpdateWindow(h);
}

std::string Win32DialogControls::GetWindowText(int nId) const
{
    HWND h = Control(nId);
    if (!h)
        return std::string();
    int length = GetWindowTextLengthA(h);
    if (length <= 0)
        return std::string();
    std::vector<char> text(static_cast<size_t>(length) + 1);
    int got = ::GetWindowTextA(h, text.data(), length + 1);
    return std::string(text.data(), static_cast<size_t>(got > 0 ? got : 0));
}

void Win32DialogControls::ResetContent(int nId)
{
    if (HWND h = Control(nId))
        SendMessageA(h, CB_RESETCONTENT, 0, 0);
}

void Win32DialogControls::AddString(int nId, const std::string& strEntry)
{
    if (HWND h = Control(nId))
        SendMessageA(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(strEntry.c_str()));
}

int Win32DialogControls::GetCount(int nId) const
{
    HWND h = Control(nId);
    LRESULT n = h ? SendMessageA(h, CB_GETCOUNT, 0, 0) : 0;
    return n < 0 ? 0 : static_cast<int>(n);
}

std::string Win32DialogControls::GetLBText(int nId, int nIndex) const
{
    HWND h = Control(nId);
    if (!h)
        return std::string();
    LRESULT length = SendMessageA(h, CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex), 0);
    if (length == CB_ERR || length <= 0)
        return std::string();
    std::vector<char> text(static_cast<size_t>(length) + 1);
    LRESULT got = SendMessageA(h, CB_GETLBTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(text.data()));
    if (got == CB_ERR || got < 0)
        return std::string();
    return std::string(text.data(), static_cast<size_t>(got));
}

int Win32DialogControls::GetCurSel(int nId) const
{
    HWND h = Control(nId);
    return h ? static_cast<int>(SendMessageA(h, CB_GETCURSEL, 0, 0)) : -1;
}

void Win32DialogControls::SetCurSel(int nId, int nIndex)
{
    if (HWND h = Control(nId))
        SendMessageA(h, CB_SETCURSEL, static_cast<WPARAM>(nIndex), 0);
}

int Win32DialogControls::SelectString(int nId, const std::string& strPrefix)
{
    HWND h = Control(nId);
    if (!h)
        return -1;
    // The first entry that begins with the text, without regard to case;
    // the selection stays when none does. Searched here rather than with
    // CB_SELECTSTRING, which not every list answers for an empty text.
    const int count = GetCount(nId);
    for (int i = 0; i < count; ++i) {
        const std::string entry = GetLBText(nId, i);
        if (entry.size() < strPrefix.size())
            continue;
        if (strPrefix.empty() ||
            CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, entry.data(), static_cast<int>(strPrefix.size()),
                           strPrefix.data(), static_cast<int>(strPrefix.size())) == CSTR_EQUAL) {
            SendMessageA(h, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            return i;
        }
    }
    return -1;
}

bool Win32DialogControls::GetCheck(int nId) const
{
    HWND h = Control(nId);
    return h && SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32DialogControls::SetCheck(int nId, bool bChecked)
{
    if (HWND h = Control(nId))
        SendMessageA(h, BM_SETCHECK, bChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int Win32DialogControls::GetAddress(int nId, uint32_t* pdwAddress) const
{
    *pdwAddress = 0;
    HWND h = Control(nId);
    if (!h)
        return 0;
    DWORD address = 0;
    LRESULT fields = SendMessageA(h, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    *pdwAddress = address;
    return static_cast<int>(fields);
}

void Win32DialogControls::SetAddress(int nId, uint32_t dwAddress)
{
    if (HWND h = Control(nId))
        SendMessageA(h, IPM_SETADDRESS, 0, static_cast<LPARAM>(dwAddress));
}

void Win32DialogControls::SetRange(int nId, int nLower, int nUpper)
{
    if (HWND h = Control(nId))
        SendMessageA(h, PBM_SETRANGE, 0, MAKELPARAM(nLower, nUpper));
}

void Win32DialogControls::SetStep(int nId, int nStep)
{
    if (HWND h = Control(nId))
        SendMessageA(h, PBM_SETSTEP, static_cast<WPARAM>(nStep), 0);
}

void Win32DialogControls::SetPos(int nId, int nPos)
{
    if (HWND h = Control(nId)) {
        SendMessageA(h, PBM_SETPOS, static_cast<WPARAM>(nPos), 0);
        UpdateWindow(h);
    }
}

int Win32DialogControls::GetPos(int nId) const
{
    HWND h = Control(nId);
    return h ? static_cast<int>(SendMessageA(h, PBM_GETPOS, 0, 0)) : 0;
}

void Win32DialogControls::StepIt(int nId)
{
    if (HWND h = Control(nId)) {
        SendMessageA(h, PBM_STEPIT, 0, 0);
        // The transfer runs on this thread: paint the step now.
        UpdateWindow(h);
    }
}
