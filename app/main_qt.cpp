// The program on Linux: the Qt application object, then the wizard.
#include "app/upgrade_app.h"

#include <QApplication>

namespace {
CUpgradeApp theApp;
} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    theApp.InitInstance();
    return 0;
}
