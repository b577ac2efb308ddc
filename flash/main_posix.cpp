// orvi-flash on Linux. The keep-awake guard asks logind over D-Bus, which
// wants a Qt application object; no event loop runs.
#include "flash/flash.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    return RunFlash(argc, argv);
}
