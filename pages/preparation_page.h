// Page 3: puts the printer into its upgrade state and shows its answer; owns
// the wizard's cancel action.
#pragma once

#include "pages/page_sheet.h"
#include "ui/property_page.h"

#include <string>

class CMyPropertyPage3 : public CPropertyPage {
public:
    explicit CMyPropertyPage3(IPageSheet& sheet);

    void DoDataExchange(CDataExchange* pDX) override;
    // The preparation exchange: open, KU, SU, the status line, close.
    bool OnSetActive() override;
    // Retry.
    bool OnWizardFinish() override;
    // KK, unless the upgrade has been sent.
    void OnCancel() override;

    std::string m_strStatus;

private:
    IPageSheet& m_sheet;
};
