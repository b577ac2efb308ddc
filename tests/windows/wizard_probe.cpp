// Reads what a window of the wizard's process shows, for the scripts that
// drive the program: wizard_probe TITLE prints the texts of the visible
// static controls of the visible top-level windows with that title, one per
// line, and exits 1 when no such window is on screen. wizard_probe --buttons
// TITLE prints its visible buttons instead, each as its text, a tab, and
// "enabled" or "disabled": a hidden button is not listed at all. Hidden windows may
// bear the same title (the program's name titles both its message boxes and
// windows of the system's own), so each is looked at, not just the first.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Search {
    const char* title;
    bool buttons;
    bool found;
};

BOOL CALLBACK PrintChild(HWND hChild, LPARAM lParam)
{
    const bool buttons = lParam != 0;
    char cls[64] = {};
    GetClassNameA(hChild, cls, sizeof cls);
    if (lstrcmpiA(cls, buttons ? "Button" : "Static") != 0 || !IsWindowVisible(hChild))
        return TRUE;
    int length = GetWindowTextLengthA(hChild);
    if (length <= 0)
        return TRUE;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(hChild, text.data(), length + 1)));
    if (buttons)
        std::printf("%s\t%s\n", text.c_str(), IsWindowEnabled(hChild) ? "enabled" : "disabled");
    else
        std::printf("%s\n", text.c_str());
    return TRUE;
}

BOOL CALLBACK VisitTopLevel(HWND hWindow, LPARAM lParam)
{
    auto* search = reinterpret_cast<Search*>(lParam);
    if (!IsWindowVisible(hWindow))
        return TRUE;
    char title[512] = {};
    GetWindowTextA(hWindow, title, sizeof title);
    if (lstrcmpA(title, search->title) != 0)
        return TRUE;
    search->found = true;
    EnumChildWindows(hWindow, PrintChild, search->buttons ? 1 : 0);
    return TRUE;
}

} // namespace

int main(int argc, char** argv)
{
    const bool buttons = argc == 3 && lstrcmpA(argv[1], "--buttons") == 0;
    if (argc != 2 && !buttons)
        return 2;
    Search search{argv[argc - 1], buttons, false};
    EnumWindows(VisitTopLevel, reinterpret_cast<LPARAM>(&search));
    std::fflush(stdout);
    return search.found ? 0 : 1;
}
