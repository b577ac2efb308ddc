// The wizard on Windows: comctl32's property sheet in wizard mode, its
// pages created from the templates in res/, and the page contract mapped
// onto the sheet's notifications.
#pragma once

#include "ui/win32/windows_api.h"

#include "ui/property_sheet.h"
#include "ui/wizard_frame.h"

#include <memory>
#include <string>

// The sheet's own buttons.
inline constexpr int kSheetBackButton = 0x3023;
inline constexpr int kSheetNextButton = 0x3024;
inline constexpr int kSheetFinishButton = 0x3025;

// The wizard operations over the sheet window of one run.
class Win32WizardFrame : public IWizardFrame {
public:
    Win32WizardFrame() = default;
    void SetSheetWindow(HWND hSheet) { m_hSheet = hSheet; }
    HWND SheetWindow() const { return m_hSheet; }
    bool Waiting() const { return m_nWaitCount > 0; }
    // A Finish text hid Back on the page that is current; a page change
    // gives Back its place again.
    bool BackHiddenHere() const { return m_bBackHiddenHere; }
    void PageChanged() { m_bBackHiddenHere = false; }

    void PostSetWizardButtons(unsigned nFlags) override;
    void PostPressBack() override;
    void SetFinishText(const std::string& strText) override;
    void MessageBox(const std::string& strText) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void RepaintWithoutInput() override;

private:
    HWND m_hSheet = nullptr;
    int m_nWaitCount = 0;
    bool m_bBackHiddenHere = false;
    HCURSOR m_hRestoreCursor = nullptr;
};

// The program file's name without its folder and extension: the title of
// every message box.
std::string ApplicationName();

// Dispatches the paint messages that are waiting, and nothing else: the
// window repaints while input stays queued.
void ServicePaintMessages();

// After the sheet's own handling of PSM_SETWIZBUTTONS: with the Finish bit,
// Finish stands in the place of Next; without it, Next does, also after a
// Finish text was set. Back shows unless a Finish text hid it on this page.
void PlaceWizardButtons(HWND hSheet, unsigned nFlags, bool bBackHidden);

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
    struct State;
    bool Prepare(bool bModeless);
    void End();

    std::unique_ptr<State> m_state;
    CPropertySheet& m_sheet;
};
