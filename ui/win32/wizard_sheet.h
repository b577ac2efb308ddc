// The wizard on Windows: comctl32's property sheet in wizard mode, its
// pages created from the templates in res/. The sheet shows the pages and
// its own buttons as the wizard engine decides; its buttons, keys and close
// box are passed to the engine.
#pragma once

#include "ui/win32/windows_api.h"

#include "ui/property_sheet.h"

#include <memory>

// The sheet's own buttons.
inline constexpr int kSheetBackButton = 0x3023;
inline constexpr int kSheetNextButton = 0x3024;
inline constexpr int kSheetFinishButton = 0x3025;

// Dispatches the paint messages that are waiting, and nothing else: the
// window repaints while input stays queued.
void ServicePaintMessages();

// One run of a sheet in comctl32's property sheet. RunWizardFrame runs it
// modally, as the program does; a caller that pumps the messages itself
// opens it modeless and reads how it ended.
class Win32WizardRun {
public:
    explicit Win32WizardRun(CPropertySheet& sheet);
    ~Win32WizardRun();
    Win32WizardRun(const Win32WizardRun&) = delete;
    Win32WizardRun& operator=(const Win32WizardRun&) = delete;

    // Returns when the wizard has closed: 1 by Finish, 0 by Cancel.
    int RunModal();
    // The sheet's window, shown; nullptr if it could not be made.
    HWND OpenModeless();
    // The wizard has closed, by Finish (1) or Cancel (0).
    bool Closed() const;
    int Result() const;

private:
    class SheetView;
    bool Prepare(bool bModeless);
    void End();

    std::unique_ptr<SheetView> m_view;
    CPropertySheet& m_sheet;
};
