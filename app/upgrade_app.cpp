#include "app/upgrade_app.h"

#include "app/my_property_sheet.h"
#include "link/socket_port.h"

bool CUpgradeApp::InitInstance()
{
    // The wizard runs whether or not the socket layer starts.
    StartSocketLayer();
    RunWizard();
    return false;
}

void CUpgradeApp::RunWizard()
{
    CMyPropertySheet sheet;
    sheet.DoModal();
}
