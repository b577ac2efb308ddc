// Page 4: sends the firmware files under a progress bar, then SR.
#pragma once

#include "ui/property_page.h"

class CMyPropertyPage4 : public CPropertyPage {
public:
    CMyPropertyPage4();

    bool OnSetActive() override;
    // The whole transfer, or, once it is done, the end of the wizard.
    bool OnWizardFinish() override;

private:
    // Shows the message, closes the connection and ends the wait cursor.
    bool Abort(int nMessageId);
};
