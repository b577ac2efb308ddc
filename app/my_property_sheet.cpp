#include "app/my_property_sheet.h"

#include "link/port_dispatch.h"
#include "res/strings.h"

CMyPropertySheet::CMyPropertySheet()
    : CPropertySheet(IDS_CAPTION, 0), m_page3(static_cast<IPageSheet&>(*this)),
      m_page4(static_cast<IPageSheet&>(*this))
{
    AddPage(&m_page1);
    AddPage(&m_page2);
    AddPage(&m_page3);
    AddPage(&m_page4);
    m_bWizard = true;
}

bool CMyPropertySheet::OnInitDialog(ISheetButtons& buttons)
{
    bool result = CPropertySheet::OnInitDialog(buttons);
    // The Help button comes with the application's Help command; the
    // program offers no help.
    buttons.EnableWindow(IDHELP, false);
    buttons.ShowWindow(IDHELP, false);
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

Delivery CMyPropertySheet::ConfirmPort()
{
    return DispatchConfirmPort(m_page2, m_limits, m_hPort, m_hStatusPort);
}

void CMyPropertySheet::AbandonPort()
{
    DispatchAbandonPort(m_page2, m_hPort, m_hStatusPort);
}

int CMyPropertySheet::ClosePort()
{
    return DispatchClosePort(m_page2, m_hPort, m_hStatusPort);
}

namespace {

// The sheet's port operations say only whether they failed.
LinkResult From(int result)
{
    return result ? LinkResult{} : LinkResult::Failed({});
}

} // namespace

LinkResult CMyPropertySheet::SheetPort::Open()
{
    return From(m_sheet.OpenPort());
}

LinkResult CMyPropertySheet::SheetPort::Write(const void* pBuffer, int32_t nLength, bool bStatusLine)
{
    return From(m_sheet.WritePort(pBuffer, nLength, bStatusLine));
}

LinkResult CMyPropertySheet::SheetPort::ReadLine(void* pBuffer, int32_t* pnLength)
{
    return From(m_sheet.ReadPort(pBuffer, pnLength));
}

DeliveryResult CMyPropertySheet::SheetPort::ConfirmDelivery()
{
    return {m_sheet.ConfirmPort(), {}};
}

LinkResult CMyPropertySheet::SheetPort::Close()
{
    return From(m_sheet.ClosePort());
}

void CMyPropertySheet::SheetPort::Abandon()
{
    m_sheet.AbandonPort();
}

bool CMyPropertySheet::SheetPort::CanAnswer() const
{
    return m_sheet.m_page2.m_nCommMode != Network;
}
