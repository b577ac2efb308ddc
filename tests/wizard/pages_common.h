// What the tests of the pages share.
#pragma once

#include "res/dialogs.h"
#include "res/strings.h"
#include "tests/wizard/wizard_env.h"
#include "tests/wizard/wizard_harness.h"

#include <gtest/gtest.h>

#include <string>

inline std::string Message(int id)
{
    return LoadStringResource(id);
}

// Walks from the welcome page to page 3 in TCP/IP mode to address.
inline void ToPreparation(WizardHarness& w, const std::string& address)
{
    ASSERT_TRUE(w.Press("next"));
    w.ClickRadio(IDC_MODE_TCPIP);
    w.TypeAddress(address);
    w.TakeMessages();
    ASSERT_TRUE(w.Press("next"));
}
