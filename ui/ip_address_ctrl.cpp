#include "ui/ip_address_ctrl.h"

#include "ui/page_controls.h"

void CIPAddressCtrl::SetAddress(uint32_t dwAddress)
{
    if (m_pControls)
        m_pControls->SetAddress(m_nId, dwAddress);
}

int CIPAddressCtrl::GetAddress(uint8_t& b0, uint8_t& b1, uint8_t& b2, uint8_t& b3) const
{
    uint32_t address = 0;
    int fields = m_pControls ? m_pControls->GetAddress(m_nId, &address) : 0;
    b0 = IpAddressField(address, 0);
    b1 = IpAddressField(address, 1);
    b2 = IpAddressField(address, 2);
    b3 = IpAddressField(address, 3);
    return fields;
}
