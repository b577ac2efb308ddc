#include "res/dialogs.h"

#include "res/strings.h"

#include "link/baud_rates.h"

#include <string>
#include <vector>

namespace {

constexpr const char* kFont = "MS Sans Serif";

const ControlTemplate kWelcome[] = {
    {kNoControlId, ControlKind::StaticText,
     "Welcome to the TWS ORVI Printer Upgrade Utility Version 1.1", 7, 15, 261, 10, kStyleCentred, nullptr},
    {kNoControlId, ControlKind::StaticText,
     "This utility will guide you through the simple process of upgrading your TWS\n"
     "Label Printer's operating firmware.",
     7, 32, 261, 18, kStyleNone, nullptr},
    {kNoControlId, ControlKind::StaticText,
     "The process will only take a few minutes to complete.  Press the Next button to\n"
     "proceed to step #1, or Cancel to abort.",
     7, 57, 261, 19, kStyleNone, nullptr},
    {kNoControlId, ControlKind::StaticText, kContactBlock, 7, 108, 261, 59, kStyleSunken, nullptr},
};

const char* const kSerialPorts[] = {"COM1", "COM2", nullptr};
// The list of rates as text, from the printer's one table.
const std::vector<std::string> kBaudRateTexts = [] {
    std::vector<std::string> texts;
    for (uint32_t baud : kPrinterBaudRates)
        texts.push_back(std::to_string(baud));
    return texts;
}();
const std::vector<const char*> kBaudRates = [] {
    std::vector<const char*> entries;
    for (const std::string& text : kBaudRateTexts)
        entries.push_back(text.c_str());
    entries.push_back(nullptr);
    return entries;
}();
const char* const kSamplePrinters[] = {kSamplePrinter1, kSamplePrinter2, kSamplePrinter3, nullptr};

const ControlTemplate kCommSetup[] = {
    {kNoControlId, ControlKind::StaticText,
     "Connect your printer using any of the following options.   Configure each option\r\n"
     "to match your printer's communication setup.  If Velmar Pro is installed, just\r\n"
     "verify the settings below.",
     7, 7, 261, 25, kStyleGroup, nullptr},
    {kNoControlId, ControlKind::GroupBox, "Communication Setup", 7, 39, 125, 88, kStyleNone, nullptr},
    {IDC_MODE_COM, ControlKind::RadioButton, "COM (Serial Port)", 16, 53, 115, 10, kStyleGroup, nullptr},
    {IDC_MODE_LPT, ControlKind::RadioButton, "LPT (Parallel Port)", 16, 68, 115, 10, kStyleNone, nullptr},
    {IDC_MODE_DUAL, ControlKind::RadioButton, "DUAL (Both COM && LPT)", 16, 83, 114, 10, kStyleNone, nullptr},
    {IDC_MODE_NETWORK, ControlKind::RadioButton, "Network (via Windows Driver)", 16, 98, 115, 10, kStyleNone,
     nullptr},
    {IDC_MODE_TCPIP, ControlKind::RadioButton, "TCP/IP (Direct Ethernet)", 16, 113, 114, 10, kStyleNone, nullptr},
    {kNoControlId, ControlKind::GroupBox, "COM", 138, 39, 130, 46, kStyleGroup, nullptr},
    {kNoControlId, ControlKind::StaticText, "Port:", 150, 52, 16, 8, kStyleGroup, nullptr},
    {kNoControlId, ControlKind::StaticText, "Baud:", 146, 68, 20, 8, kStyleGroup, nullptr},
    {IDC_SERIAL_PORT, ControlKind::DropDownList, "", 193, 50, 63, 35, kStyleTabStop | kStyleVScroll, kSerialPorts},
    {IDC_BAUD_RATE, ControlKind::DropDownList, "", 193, 67, 63, 62, kStyleTabStop | kStyleVScroll, kBaudRates.data()},
    {kNoControlId, ControlKind::GroupBox, "LPT Port", 138, 90, 130, 37, kStyleNone, nullptr},
    {IDC_LPT1, ControlKind::RadioButton, "LPT1", 144, 101, 33, 10, kStyleGroup, nullptr},
    {IDC_LPT2, ControlKind::RadioButton, "LPT2", 144, 113, 33, 10, kStyleNone, nullptr},
    {kNoControlId, ControlKind::GroupBox, "TCP/IP (Direct Ethernet)", 7, 131, 125, 36, kStyleGroup, nullptr},
    {IDC_IP_ADDRESS, ControlKind::IpAddress, "", 19, 147, 100, 12, kStyleTabStop, nullptr},
    {kNoControlId, ControlKind::GroupBox, "Network (via Windows Driver)", 138, 131, 130, 36, kStyleNone, nullptr},
    {IDC_PRINTER_LIST, ControlKind::DropDownList, "", 143, 147, 119, 98, kStyleTabStop | kStyleVScroll,
     kSamplePrinters},
};

const ControlTemplate kPreparation[] = {
    {IDC_STATUS_TEXT, ControlKind::StaticText, "", 7, 7, 261, 160, kStyleNone, nullptr},
};

const ControlTemplate kTransfer[] = {
    {kNoControlId, ControlKind::StaticText,
     "Press the Finish button below to begin sending the firmware to your printer.", 7, 7, 261, 8, kStyleNone,
     nullptr},
    {kNoControlId, ControlKind::StaticText, "Sending Progress:", 7, 32, 58, 8, kStyleNone, nullptr},
    {IDC_PROGRESS, ControlKind::ProgressBar, "", 7, 42, 261, 14, kStyleBorder, nullptr},
    {IDC_UPGRADE_DONE_TEXT, ControlKind::StaticText,
     "The Printer has received all of the upgrade firmware and is currently performing the upgrade cycle.  "
     "Please allow a few minutes for it to finish.",
     7, 88, 261, 18, kStyleHidden, nullptr},
    {IDC_EXIT_TEXT, ControlKind::StaticText, "Press either the Done or Cancel button below to exit this utility.", 7,
     123, 261, 13, kStyleHidden, nullptr},
};

template <int N>
constexpr int Count(const ControlTemplate (&)[N])
{
    return N;
}

const DialogTemplate kDialogs[] = {
    {kDialogWelcome, "Tarnwell Systems Orvi Printer FLASH Upgrade", 275, 175, kFont, 8, kWelcome, Count(kWelcome)},
    {kDialogCommSetup, "ORVI FLASH Upgrade - Step #1", 275, 175, kFont, 8, kCommSetup, Count(kCommSetup)},
    {kDialogPreparation, "ORVI FLASH Upgrade - Step #2", 275, 175, kFont, 8, kPreparation, Count(kPreparation)},
    {kDialogTransfer, "Orvi FLASH Upgrade - Last Step", 275, 175, kFont, 8, kTransfer, Count(kTransfer)},
};

} // namespace

const DialogTemplate* FindDialogTemplate(int nId)
{
    for (const DialogTemplate& d : kDialogs)
        if (d.id == nId)
            return &d;
    return nullptr;
}

const ControlTemplate* FindControl(const DialogTemplate& dialog, int nId)
{
    for (int i = 0; i < dialog.controlCount; ++i)
        if (dialog.controls[i].id == nId)
            return &dialog.controls[i];
    return nullptr;
}

int RadioGroupIds(const DialogTemplate& dialog, int nFirstId, int* pIds, int nCapacity)
{
    int count = 0;
    bool inGroup = false;
    for (int i = 0; i < dialog.controlCount; ++i) {
        const ControlTemplate& c = dialog.controls[i];
        if (!inGroup) {
            inGroup = c.id == nFirstId;
        } else if (c.style & kStyleGroup) {
            break;
        }
        if (inGroup && c.kind == ControlKind::RadioButton) {
            if (count < nCapacity)
                pIds[count] = c.id;
            ++count;
        }
    }
    return count;
}
