// The program on Windows: the application object, then the wizard. There
// is no window or message loop of the program's own.
#include "app/upgrade_app.h"

#include <windows.h>

namespace {
CUpgradeApp theApp;
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    theApp.InitInstance();
    return 0;
}
