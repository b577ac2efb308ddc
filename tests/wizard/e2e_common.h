// What the end-to-end tests share: a sample firmware set, a printer in each
// connection mode, and a walk from the welcome page to Done in one mode.
#pragma once

#include "tests/wizard/wizard_env.h"
#include "tests/wizard/wizard_harness.h"

#include <string>
#include <vector>

std::vector<FirmwareFile> SampleSet(WizardEnvironment& env);

// The simulated printer where the mode reaches it, with the wizard's ports
// (or its stored TCP/IP settings) leading there. Returns orvi-flash's name
// for the same printer, "" when it did not start.
std::string StartPrinterFor(WizardEnvironment& env, CommMode mode);

// Page 2 with the mode chosen, then the preparation, the transfer and Done.
void Upgrade(WizardHarness& w, int modeButton);
