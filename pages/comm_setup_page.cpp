#include "pages/comm_setup_page.h"

#include "link/comm_mode.h"
#include "pages/printer_enum.h"
#include "pages/stored_settings.h"
#include "res/dialogs.h"
#include "res/strings.h"
#include "ui/data_exchange.h"

#include <vector>

CMyPropertyPage2::CMyPropertyPage2() : CPropertyPage(kDialogCommSetup) {}

void CMyPropertyPage2::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_IP_ADDRESS, m_ipAddress);
    DDX_CBIndex(pDX, IDC_BAUD_RATE, m_nBaudRate);
    DDX_CBIndex(pDX, IDC_SERIAL_PORT, m_nSerialPort);
    DDX_Radio(pDX, IDC_MODE_COM, m_nCommMode);
    DDX_Radio(pDX, IDC_LPT1, m_nParallelPort);
    DDX_CBString(pDX, IDC_PRINTER_LIST, m_strPrinterName);
}

bool CMyPropertyPage2::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    if (!LoadPortSettings())
        ApplyPortSettings(StoredPortSettings{});
    return true;
}

bool CMyPropertyPage2::OnSetActive()
{
    Wizard().PostSetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    m_bPrintersListed = FillPrinterList(IDC_PRINTER_LIST);
    if (!m_bPrintersListed)
        Wizard().MessageBox(LoadStringResource(IDS_NO_PRINTERS));
    // The message says Network mode is off: it is, until printers appear.
    Controls().EnableWindow(IDC_MODE_NETWORK, m_bPrintersListed);
    UpdateData(false);
    UpdateControlStates();
    if (!m_bPrintersListed)
        Controls().EnableWindow(IDC_PRINTER_LIST, false);
    return CPropertyPage::OnSetActive();
}

int CMyPropertyPage2::OnWizardNext()
{
    UpdateData(true);
    return CPropertyPage::OnWizardNext();
}

bool CMyPropertyPage2::OnWizardFinish()
{
    OnSetActive();
    Wizard().PostSetWizardButtons(PSWIZB_NEXT);
    return false;
}

void CMyPropertyPage2::OnCommand(int nId)
{
    switch (nId) {
    case IDC_MODE_COM:
    case IDC_MODE_LPT:
    case IDC_MODE_DUAL:
    case IDC_MODE_NETWORK:
    case IDC_MODE_TCPIP:
        UpdateData(true);
        UpdateControlStates();
        break;
    default:
        break;
    }
}

bool CMyPropertyPage2::LoadPortSettings()
{
    StoredPortSettings stored;
    if (!LoadStoredPortSettings(stored))
        return false;
    ApplyPortSettings(stored);
    return true;
}

void CMyPropertyPage2::ApplyPortSettings(const StoredPortSettings& settings)
{
    m_nParallelPort = settings.m_nParallelPort;
    m_nSerialPort = settings.m_nSerialPort;
    m_strPrinterName = settings.m_strPrinterName;
    m_nCommMode = settings.m_nCommMode;
    m_nBaudRate = settings.m_nBaudRate;
    m_ipAddress.SetAddress(PackIpAddress(settings.m_nIpOctets));
}

bool CMyPropertyPage2::FillPrinterList(int nId)
{
    std::vector<std::string> local;
    std::vector<std::string> connections;
    int localListed = EnumLocalPrinters(local);
    if (!localListed)
        Wizard().MessageBox(kLocalEnumFailed);
    int connectionsListed = EnumPrinterConnections(connections);
    if (!connectionsListed)
        Wizard().MessageBox(kConnectionEnumFailed);
    const bool localFound = localListed && !local.empty();
    const bool connectionsFound = connectionsListed && !connections.empty();
    if (!localFound && !connectionsFound)
        return false;
    // Emptied whenever anything is found, so names never pile up from one
    // display to the next.
    Controls().ResetContent(nId);
    if (localFound)
        for (const std::string& name : local)
            Controls().AddString(nId, name);
    if (connectionsFound)
        for (const std::string& name : connections)
            Controls().AddString(nId, name);
    Controls().SetCurSel(nId, 0);
    return true;
}

void CMyPropertyPage2::UpdateControlStates()
{
    struct Row {
        bool com, lpt, printer, address;
    };
    Row row;
    switch (m_nCommMode) {
    case Com: row = {true, false, false, false}; break;
    case Lpt: row = {false, true, false, false}; break;
    case Dual: row = {true, true, false, false}; break;
    case Network: row = {false, false, true, false}; break;
    case TcpIp: row = {false, false, false, true}; break;
    default: return;
    }
    IPageControls& c = Controls();
    for (int id : {IDC_SERIAL_PORT, IDC_BAUD_RATE, IDC_LPT1, IDC_LPT2, IDC_PRINTER_LIST, IDC_IP_ADDRESS})
        c.EnableWindow(id, false);
    c.EnableWindow(IDC_SERIAL_PORT, row.com);
    c.EnableWindow(IDC_BAUD_RATE, row.com);
    c.EnableWindow(IDC_LPT1, row.lpt);
    c.EnableWindow(IDC_LPT2, row.lpt);
    c.EnableWindow(IDC_PRINTER_LIST, row.printer && m_bPrintersListed);
    c.EnableWindow(IDC_IP_ADDRESS, row.address);
}

void CMyPropertyPage2::GetIpAddress(uint8_t octets[4]) const
{
    m_ipAddress.GetAddress(octets[0], octets[1], octets[2], octets[3]);
}
