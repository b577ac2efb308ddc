// The program's own sheet and pages in the wizard engine, with no window:
// a view that draws nothing, the pages' controls keeping their values, and
// each message box recorded with the moment it appeared. A benchmark drives
// it as a person drives the wizard, through the engine's presses.
#pragma once

#include "app/my_property_sheet.h"
#include "ui/headless_controls.h"
#include "ui/wizard_engine.h"

#include <cstdint>
#include <string>
#include <vector>

struct ShownMessage {
    std::string text;
    uint64_t atNs = 0; // monotonic
};

class HeadlessWizard : private IWizardView {
public:
    // The wizard, started and moved on to page 2.
    HeadlessWizard();
    HeadlessWizard(const HeadlessWizard&) = delete;
    HeadlessWizard& operator=(const HeadlessWizard&) = delete;

    // Page 2's choices, made in its controls as a person makes them. What
    // page 2 showed on its way (no printers listed, say) is forgotten.
    void SetConnection(CommMode nMode, int32_t nSerialPort, int32_t nBaudRate, int32_t nParallelPort,
                       uint32_t dwAddress);
    // Next from page 2, which runs page 3's exchange with the printer, and
    // Next again. Returns whether page 4 was reached; what was shown on the
    // way is forgotten once it is.
    bool ToTransferPage();

    CMyPropertySheet sheet;
    CWizardEngine engine{sheet, *this};
    std::vector<ShownMessage> messages;

private:
    // Checks the button at nPosition of the radio group that begins at
    // nFirstId, clears the others, and reports the click.
    void ClickRadio(int nFirstId, int nPosition);

    // IWizardView
    IPageControls* CreatePageWindow(int nIndex) override { return &m_controls[static_cast<size_t>(nIndex)]; }
    void ShowPage(int, const std::string&) override {}
    void ShowButtons(const WizardButtons&) override {}
    void ShowMessageBox(const std::string& strTitle, const std::string& strText) override;
    void SetBusy(bool) override {}
    void Repaint() override {}
    void Close(int) override {}

    HeadlessControls m_controls[4];
};

uint64_t MonotonicNs();
