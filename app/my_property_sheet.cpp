#include "app/my_property_sheet.h"

#include "link/port_dispatch.h"
#include "res/dialogs.h"
#include "res/strings.h"

CMyPropertySheet::CMyPropertySheet() : CPropertySheet(IDS_CAPTION, 0)
{
    AddPage(&m_page1);
    AddPage(&m_page2);
    AddPage(&m_page3);
    AddPage(&m_page4);
    m_bWizard = true;
}

bool CMyPropertySheet::OnInitDialog(IPageControls& sheetControls)
{
    bool result = CPropertySheet::OnInitDialog(sheetControls);
    // The Help button comes with the application's Help command; the
    // program offers no help.
    sheetControls.EnableWindow(IDHELP, false);
    sheetControls.ShowWindow(IDHELP, false);
    return result;
}

int CMyPropertySheet::OpenPort()
{
    return DispatchOpenPort(m_page2, m_limits, m_hPort, m_hStatusPort);
}

int CMyPropertySheet::WritePort(const void* pBuffer, int32_t nLength, bool bStatusPort)
{
    return DispatchWritePort(m_page2, m_hPort, m_hStatusPort, pBuffer, nLength, bStatusPort);
}

int CMyPropertySheet::ReadPort(void* pBuffer, int32_t* pnLength)
{
    return DispatchReadPort(m_page2, m_limits, m_hPort, m_hStatusPort, pBuffer, pnLength);
}

int CMyPropertySheet::ClosePort()
{
    return DispatchClosePort(m_page2, m_hPort, m_hStatusPort);
}
