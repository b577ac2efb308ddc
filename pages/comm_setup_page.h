// Page 2: how the printer is connected. Holds the communication choices
// that the sheet's port operations read.
#pragma once

#include "link/port_settings.h"
#include "pages/stored_settings.h"
#include "ui/ip_address_ctrl.h"
#include "ui/property_page.h"

#include <cstdint>
#include <string>

class CMyPropertyPage2 : public CPropertyPage, public IPortSettings {
public:
    CMyPropertyPage2();

    void DoDataExchange(CDataExchange* pDX) override;
    bool OnInitDialog() override;
    bool OnSetActive() override;
    int OnWizardNext() override;
    bool OnWizardFinish() override;
    // The five mode radio buttons.
    void OnCommand(int nId) override;

    // Applies the maker's stored port settings; false when there are none
    // (nothing is changed then).
    bool LoadPortSettings();
    // Lists the installed printers in list nId: local ones, then
    // connections. false when neither listing found a printer.
    bool FillPrinterList(int nId);
    // Enables the controls of the mode in m_nCommMode.
    void UpdateControlStates();

    // IPortSettings: the fields, and the address control's four fields.
    CommMode GetCommMode() const override { return m_nCommMode; }
    int32_t GetSerialPort() const override { return m_nSerialPort; }
    int32_t GetBaudRate() const override { return m_nBaudRate; }
    int32_t GetParallelPort() const override { return m_nParallelPort; }
    std::string GetPrinterName() const override { return m_strPrinterName; }
    void GetIpAddress(uint8_t octets[4]) const override;

    CIPAddressCtrl m_ipAddress;
    int32_t m_nBaudRate = -1;
    int32_t m_nSerialPort = -1;
    int32_t m_nCommMode = -1;
    int32_t m_nParallelPort = -1;
    std::string m_strPrinterName;

private:
    // The fields and the address control take these values.
    void ApplyPortSettings(const StoredPortSettings& settings);

    // The last fill of the printer list found a printer. Without one, the
    // list holds nothing that is a queue and stays disabled.
    bool m_bPrintersListed = false;
};
