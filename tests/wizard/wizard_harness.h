// The real wizard window for a test, in this build's frame (the Qt dialog,
// or comctl32's property sheet), driven the way a person drives it: clicks
// on its buttons and radio buttons, an address typed into its control.
// Message boxes are answered with OK as they come up, and remembered. The
// state of a page is read from its real controls.
#pragma once

#include "app/my_property_sheet.h"

#include <memory>
#include <string>
#include <vector>

// Page 2's radio button of a mode, and the mode's name.
int ModeButton(CommMode mode);
const char* ModeName(CommMode mode);

struct AnsweredBox {
    std::string title;
    std::string text;
};

class WizardHarness {
public:
    WizardHarness();
    ~WizardHarness();
    WizardHarness(const WizardHarness&) = delete;
    WizardHarness& operator=(const WizardHarness&) = delete;

    CMyPropertySheet sheet;
    std::vector<AnsweredBox> boxes;

    // Clicks a wizard button ("back", "next", "finish", "cancel") if a
    // person could: it is shown and enabled. Returns whether it could, once
    // the click and everything it queued have been handled.
    bool Press(const char* button);
    bool Shown(const char* button) const;
    bool Usable(const char* button) const;
    std::string FinishText() const;

    // The current page, from 0; whether the wizard has closed, and how (1
    // by Finish, 0 by Cancel); the window's title.
    int Page() const;
    bool Closed() const;
    int Result() const;
    std::string Title() const;

    // The current page's controls, as its window shows them.
    IPageControls& Controls() const;
    // Presses a key as the keyboard does: the window system delivers it to
    // whichever window has the focus, or to none.
    enum class Key { Enter, Escape };
    void PressKey(Key key);
    // Clicks a radio button of the current page.
    void ClickRadio(int id);
    // Puts an address into the current page's address control, field by
    // field.
    void TypeAddress(const std::string& dotted);
    // The texts of the boxes answered so far, and forgets them.
    std::vector<std::string> TakeMessages();

    // The frame's own side, for the frame's own tests.
    struct Frame;
    Frame& FrameOf() { return *m_frame; }

private:
    std::unique_ptr<Frame> m_frame;
};
