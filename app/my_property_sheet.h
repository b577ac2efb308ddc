// The one wizard sheet: the four pages, the open printer connection and
// whether the upgrade has been sent.
#pragma once

#include "app/welcome_page.h"
#include "link/channel.h"
#include "link/link_limits.h"
#include "pages/comm_setup_page.h"
#include "pages/page_sheet.h"
#include "pages/preparation_page.h"
#include "pages/transfer_page.h"
#include "ui/property_sheet.h"

#include <cstdint>

class CMyPropertySheet : public CPropertySheet, private IPageSheet {
public:
    CMyPropertySheet();
    ~CMyPropertySheet() override = default;

    bool OnInitDialog(ISheetButtons& buttons) override;

    // The connection of the mode page 2 shows, read at each call. Each
    // returns 1 or 0; ClosePort gives 0 only for a printer-queue job the
    // spooler did not take, whose bytes then count as not sent.
    int OpenPort();
    int WritePort(const void* pBuffer, int32_t nLength, bool bStatusPort);
    int ReadPort(void* pBuffer, int32_t* pnLength);
    int ClosePort();
    // After the last write, before ClosePort: whether the printer's side
    // confirmed every byte written.
    Delivery ConfirmPort();
    // In place of ClosePort after an exchange that stopped short: a
    // printer-queue job is withdrawn, never printed.
    void AbandonPort();

    CMyPropertyPage1 m_page1;
    CMyPropertyPage2 m_page2;
    CMyPropertyPage3 m_page3;
    CMyPropertyPage4 m_page4;
    ChannelHandle m_hPort = 0;
    ChannelHandle m_hStatusPort = 0;
    bool m_bUpgradeDone = false;
    // The link's time limits: the program's own, shorter in a test of a
    // failure.
    LinkLimits m_limits = kProgramLimits;

private:
    // The port operations above, as the exchanges of pages 3 and 4 see them.
    class SheetPort : public IPrinterPort {
    public:
        explicit SheetPort(CMyPropertySheet& sheet) : m_sheet(sheet) {}
        LinkResult Open() override;
        LinkResult Write(const void* pBuffer, int32_t nLength, bool bStatusLine) override;
        LinkResult ReadLine(void* pBuffer, int32_t* pnLength) override;
        DeliveryResult ConfirmDelivery() override;
        LinkResult Close() override;
        void Abandon() override;
        bool CanAnswer() const override;

    private:
        CMyPropertySheet& m_sheet;
    };

    // IPageSheet
    IPrinterPort& PrinterPort() override { return m_port; }
    bool UpgradeDone() const override { return m_bUpgradeDone; }
    void SetUpgradeDone(bool bDone) override { m_bUpgradeDone = bDone; }

    SheetPort m_port{*this};
};
