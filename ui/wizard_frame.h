// The wizard operations a page asks of its sheet's window, and the entry
// point that runs a sheet in this build's frame.
#pragma once

#include <string>

class CPropertySheet;

// Wizard button bits.
inline constexpr unsigned PSWIZB_BACK = 1;
inline constexpr unsigned PSWIZB_NEXT = 2;
inline constexpr unsigned PSWIZB_FINISH = 4;

class IWizardFrame {
public:
    virtual ~IWizardFrame() = default;

    // Queued: applied in order once the running handler has returned to the
    // frame, or while a message box it opened is on screen.
    virtual void PostSetWizardButtons(unsigned nFlags) = 0;
    virtual void PostPressBack() = 0;

    // Immediate: the Finish button takes the text and stands, enabled, in
    // the place of Next; Back and Next are hidden.
    virtual void SetFinishText(const std::string& strText) = 0;

    // Modal over the wizard: the text, one OK button, the warning icon,
    // titled with the program file's name without its extension.
    virtual void MessageBox(const std::string& strText) = 0;

    // The busy cursor, nested by count.
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    // Repaints the window now without taking any input, for use inside a
    // long exchange.
    virtual void RepaintWithoutInput() = 0;
};

// Runs the sheet modally in this build's frame. Returns when the wizard
// has closed: 1 by Finish, 0 by Cancel.
int RunWizardFrame(CPropertySheet& sheet);
