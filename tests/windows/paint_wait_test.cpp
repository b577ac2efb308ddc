// What the frame does while an exchange waits: paint messages are
// dispatched, input and posted messages stay queued for later.
#include "ui/win32/wizard_sheet.h"

#include <gtest/gtest.h>

namespace {

int g_paints = 0;
int g_others = 0;

LRESULT CALLBACK CountingProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_PAINT) {
        ++g_paints;
        PAINTSTRUCT ps;
        BeginPaint(hWnd, &ps);
        EndPaint(hWnd, &ps);
        return 0;
    }
    if (uMsg == WM_APP || uMsg == WM_KEYDOWN || uMsg == WM_LBUTTONDOWN)
        ++g_others;
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

} // namespace

TEST(PaintWait, RepaintsAndLeavesInputQueued)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrviPaintWaitTest";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND h = CreateWindowA(wc.lpszClassName, "paint wait", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                           wc.hInstance, nullptr);
    ASSERT_NE(h, nullptr);
    ShowWindow(h, SW_SHOWNA);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);

    g_paints = g_others = 0;
    InvalidateRect(h, nullptr, TRUE);
    PostMessageA(h, WM_APP, 0, 0);
    PostMessageA(h, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageA(h, WM_LBUTTONDOWN, 0, 0);
    ServicePaintMessages();
    EXPECT_EQ(g_paints, 1);
    EXPECT_EQ(g_others, 0);

    int queued = 0;
    while (PeekMessageA(&msg, h, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_APP || msg.message == WM_KEYDOWN || msg.message == WM_LBUTTONDOWN)
            ++queued;
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(queued, 3) << "the input is handled once the exchange is over";
    DestroyWindow(h);
}
