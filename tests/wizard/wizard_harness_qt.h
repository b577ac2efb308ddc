// The Qt frame's side of the harness, for tests of what only the Qt window
// shows (keys, layout, its own widgets).
#pragma once

#include "tests/wizard/wizard_harness.h"
#include "ui/qt/page_window.h"
#include "ui/qt/wizard_window.h"

#include <QTimer>

struct WizardHarness::Frame {
    std::unique_ptr<QtWizardWindow> window;
    QTimer answerer;
};

// A control of the current page, as a widget.
QWidget* QtControl(WizardHarness& w, int id);
