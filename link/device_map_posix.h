// Where the Windows device names lead on this machine. Like the map Wine
// keeps in dosdevices/, it is the machine's business, not a setting of the
// program: ORVI_COM1, ORVI_COM2, ORVI_LPT1 and ORVI_LPT2 name other devices
// (a USB adapter is /dev/ttyUSB0 or /dev/usb/lp0 on most machines today).
#pragma once

#include <string>

// "COM1" /dev/ttyS0, "COM2" /dev/ttyS1, "LPT1" /dev/lp0, "LPT2" /dev/lp1,
// unless the environment says otherwise; any other name is a path.
std::string DevicePathFor(const char* pszDevice);
