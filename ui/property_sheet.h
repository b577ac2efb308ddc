// Our property sheet: the pages in wizard order and the sheet's own
// handlers. The frame that runs it is chosen by the build (RunWizardFrame).
#pragma once

#include "ui/property_page.h"
#include "ui/sheet_buttons.h"

#include <string>
#include <vector>

class CPropertySheet {
public:
    CPropertySheet(int nCaptionId, int nStartPage) : m_nCaptionId(nCaptionId), m_nStartPage(nStartPage) {}
    virtual ~CPropertySheet() = default;
    CPropertySheet(const CPropertySheet&) = delete;
    CPropertySheet& operator=(const CPropertySheet&) = delete;

    void AddPage(CPropertyPage* pPage) { m_pages.push_back(pPage); }
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int nIndex) const { return m_pages[static_cast<size_t>(nIndex)]; }
    int CaptionId() const { return m_nCaptionId; }
    int StartPage() const { return m_nStartPage; }

    // Wizard mode; the Help button exists because the application handles
    // the Help command.
    bool m_bWizard = false;
    bool m_bHasHelp = true;

    // Called once the sheet's window exists, with the sheet's own buttons.
    virtual bool OnInitDialog(ISheetButtons& buttons);

    // Runs the wizard modally. 1 by Finish, 0 by Cancel.
    int DoModal() { return RunWizardFrame(*this); }

private:
    int m_nCaptionId;
    int m_nStartPage;
    std::vector<CPropertyPage*> m_pages;
};
