// Page 4: sends the firmware files under a progress bar, then SR.
#pragma once

#include "pages/page_sheet.h"
#include "ui/property_page.h"

class CMyPropertyPage4 : public CPropertyPage {
public:
    explicit CMyPropertyPage4(IPageSheet& sheet);

    bool OnSetActive() override;
    // The whole transfer, or, once it is done, the end of the wizard.
    bool OnWizardFinish() override;

private:
    IPageSheet& m_sheet;
};
