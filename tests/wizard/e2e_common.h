// What the end-to-end tests share: a sample firmware set, and a walk from
// the welcome page to Done in one connection mode.
#pragma once

#include "tests/wizard/wizard_env.h"
#include "tests/wizard/wizard_harness.h"

#include <vector>

std::vector<FirmwareFile> SampleSet(WizardEnvironment& env);

// Page 2 with the mode chosen, then the preparation, the transfer and Done.
void Upgrade(WizardHarness& w, int modeButton);
