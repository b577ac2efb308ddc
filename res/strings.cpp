#include "res/strings.h"

namespace {

#define ORVI_CANCEL_NOTE                                                                                  \
    "If you are upgrading from v1.0 firmware and wish to cancel this upgrade,  Cancel this utility and " \
    "remove the CompactFlash card from the printer and cycle the power 2 times to return the printer to " \
    "normal operations."

struct Entry {
    int id;
    const char* text;
};

const Entry kTable[] = {
    {IDS_CAPTION, "Wizard"},
    {IDS_NO_PRINTERS, "Could not enumerate Windows Printers on your system.\nNetwork Communications mode will be "
                      "disabled."},
    {IDS_PORT_NOT_OPENED, "Could not open communications port! Check connection and settings."},
    {IDS_COMMAND_NOT_SENT, "Could not send upgrade command to printer.  Please check\nconnections and settings and "
                           "try again."},
    {IDS_NO_STATUS, "Could not read status response from printer.  Please check connections and settings and try "
                    "again."},
    {IDS_CONFIG_NOT_FOUND, "Configuration BLD file could not be found."},
    {IDS_CONFIG_CORRUPT, "Configuration file is corrupt."},
    {IDS_FILE_MISSING, "The following upgrade file: %s is missing."},
    {IDS_FILE_NOT_OPENED, "Could not open and upgrade file."},
    {IDS_FILE_NOT_SENT, "Could not send upgrade file to printer."},
    {IDS_STATUS_READY, "\n\nPrinter is now ready to receive upgrade firmware.  Press the Next Button to proceed to "
                       "the last step.\n\n\n\nNote:\n\n" ORVI_CANCEL_NOTE},
    {IDS_STATUS_NO_CARD, "\n\nNo CompactFlash card detected.  Please insert a formatted CompactFlash card into the "
                         "printer and press the Retry button or Cancel to abort."},
    {IDS_STATUS_NOT_FORMATTED, "\n\nCompactFlash card is not formatted.  Please insert a formatted CompactFlash "
                               "card into the printer and press the Retry button or Cancel to abort."},
    {IDS_STATUS_NO_SPACE, "\n\nInsufficient space for upgrade files on CompactFlash card. Please insert a card with "
                          "sufficient space and press the Retry button or Cancel to abort."},
    {IDS_STATUS_WRITE_PROTECTED, "\n\nCompactFlash card is write protected.  Using printer menus, disable write "
                                 "protect and press Retry when ready or the Cancel button to abort."},
    {IDS_STATUS_UNKNOWN, "\n\nCould not read proper status from the printer.  Please check connections and printer "
                         "communication setup before trying again."},
    {IDS_STATUS_NETWORK, "\n\nUsing Network mode, this utility cannot determine the status of the upgrade.  Please "
                         "check the Printer's display for \"Ready For Upgrade\" before proceeding.  If the "
                         "Printer's display indicates an error, resolve the error and restart this utility to "
                         "perform the upgrade.\n\n\nNote:\n\n" ORVI_CANCEL_NOTE},
};

} // namespace

const char* LoadStringResource(int nId)
{
    for (const Entry& e : kTable)
        if (e.id == nId)
            return e.text;
    return "";
}
