// The program on Windows: the application object, then the wizard. There
// is no window or message loop of the program's own.
#include "app/upgrade_app.h"

#include <windows.h>

namespace {
CUpgradeApp theApp;
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // DLLs loaded from now on come from the system folder, never from the
    // firmware folder the program is started in.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    theApp.InitInstance();
    return 0;
}
