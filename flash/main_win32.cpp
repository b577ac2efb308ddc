// orvi-flash on Windows: a console program.
#include "flash/flash.h"

#include <windows.h>

int main(int argc, char** argv)
{
    // DLLs loaded from now on come from the system folder, never from the
    // folder the program or the package lies in.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    return RunFlash(argc, argv);
}
