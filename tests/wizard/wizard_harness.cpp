// What the harness does the same way in either frame.
#include "tests/wizard/wizard_harness.h"

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
