// What the harness does the same way in either frame.
#include "tests/wizard/wizard_harness.h"

#include "res/dialogs.h"

IPageControls& WizardHarness::Controls() const
{
    return sheet.GetPage(Page())->Controls();
}

std::vector<std::string> WizardHarness::TakeMessages()
{
    std::vector<std::string> texts;
    for (const AnsweredBox& b : boxes)
        texts.push_back(b.text);
    boxes.clear();
    return texts;
}

int ModeButton(CommMode mode)
{
    switch (mode) {
    case Com: return IDC_MODE_COM;
    case Lpt: return IDC_MODE_LPT;
    case Dual: return IDC_MODE_DUAL;
    case Network: return IDC_MODE_NETWORK;
    default: return IDC_MODE_TCPIP;
    }
}

const char* ModeName(CommMode mode)
{
    const char* const names[] = {"Com", "Lpt", "Dual", "Network", "TcpIp"};
    return mode >= Com && mode <= TcpIp ? names[mode] : "None";
}
