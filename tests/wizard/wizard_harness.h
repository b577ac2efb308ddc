// The real wizard window for a test: the program's own sheet in the Qt
// frame, driven by clicks and keys the way a person drives it. Message
// boxes are answered with OK as they appear, and remembered.
#pragma once

#include "app/my_property_sheet.h"
#include "ui/qt/page_window.h"
#include "ui/qt/wizard_window.h"

#include <QString>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

class QPushButton;

struct AnsweredBox {
    QString title;
    std::string text;
};

class WizardHarness {
public:
    WizardHarness();
    ~WizardHarness();

    CMyPropertySheet sheet;
    std::unique_ptr<QtWizardWindow> window;
    std::vector<AnsweredBox> boxes;

    // Clicks a wizard button ("back", "next", "finish", "cancel") if a
    // person could: it is shown and enabled. Returns whether it could.
    bool Press(const char* button);
    bool Shown(const char* button) const;
    bool Usable(const char* button) const;
    QString FinishText() const;

    int Page() const { return window->Engine().CurrentPage(); }
    bool Closed() const { return window->Engine().IsClosed(); }
    QString Title() const { return window->windowTitle(); }

    // A control of the current page, by id.
    QWidget* Control(int id) const;
    template <class T> T* ControlAs(int id) const { return qobject_cast<T*>(Control(id)); }
    // Clicks a radio button of page 2.
    void ClickRadio(int id);
    // Types into the address control, field by field, as a person would.
    void TypeAddress(const QString& dotted);
    // The texts of the boxes answered so far, and forgets them.
    std::vector<std::string> TakeMessages();

private:
    QPushButton* Button(const char* name) const;
    QTimer m_answerer;
};
