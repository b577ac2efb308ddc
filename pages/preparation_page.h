// Page 3: puts the printer into its upgrade state and shows its answer; owns
// the wizard's cancel action.
#pragma once

#include "ui/property_page.h"

#include <string>

class CMyPropertyPage3 : public CPropertyPage {
public:
    CMyPropertyPage3();

    void DoDataExchange(CDataExchange* pDX) override;
    // The preparation exchange: open, KU, SU, the status line, close.
    bool OnSetActive() override;
    // Retry.
    bool OnWizardFinish() override;
    // KK, unless the upgrade has been sent.
    void OnCancel() override;

    std::string m_strStatus;

private:
    // The failure path of the exchange: message, back to page 2, close.
    bool Fail(int nMessageId, bool bClose);
};
