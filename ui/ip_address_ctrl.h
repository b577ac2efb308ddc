// The IP address control of a page, once attached to its window's control.
#pragma once

#include <cstdint>

class IPageControls;

class CIPAddressCtrl {
public:
    bool IsAttached() const { return m_pControls != nullptr; }
    void Attach(IPageControls& controls, int nId)
    {
        m_pControls = &controls;
        m_nId = nId;
    }

    // Packed as MakeIpAddress packs it.
    void SetAddress(uint32_t dwAddress);
    // The four fields, first field first; blank fields read 0. Returns the
    // number of non-blank fields (0 when not attached).
    int GetAddress(uint8_t& b0, uint8_t& b1, uint8_t& b2, uint8_t& b3) const;

private:
    IPageControls* m_pControls = nullptr;
    int m_nId = 0;
};

// How the address control packs its four fields (MAKEIPADDRESS): the first
// in the most significant byte.
inline constexpr uint32_t MakeIpAddress(uint32_t b0, uint32_t b1, uint32_t b2, uint32_t b3)
{
    return ((b0 & 0xFF) << 24) | ((b1 & 0xFF) << 16) | ((b2 & 0xFF) << 8) | (b3 & 0xFF);
}

// Field nField of a packed address, 0 the first.
inline constexpr uint8_t IpAddressField(uint32_t dwAddress, int nField)
{
    return static_cast<uint8_t>(dwAddress >> (24 - 8 * nField));
}
