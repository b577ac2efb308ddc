// Reads what a window of the wizard's process shows, for the scripts that
// drive the program: wizard_probe TITLE prints the texts of the visible
// static controls of the visible top-level windows with that title, one per
// line, and exits 1 when no such window is on screen. Hidden windows may
// bear the same title (the program's name titles both its message boxes and
// windows of the system's own), so each is looked at, not just the first.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Search {
    const char* title;
    bool found;
};

BOOL CALLBACK PrintStatic(HWND hChild, LPARAM)
{
    char cls[64] = {};
    GetClassNameA(hChild, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") != 0 || !IsWindowVisible(hChild))
        return TRUE;
    int length = GetWindowTextLengthA(hChild);
    if (length <= 0)
        return TRUE;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(hChild, text.data(), length + 1)));
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
    EnumChildWindows(hWindow, PrintStatic, 0);
    return TRUE;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    Search search{argv[1], false};
    EnumWindows(VisitTopLevel, reinterpret_cast<LPARAM>(&search));
    std::fflush(stdout);
    return search.found ? 0 : 1;
}
