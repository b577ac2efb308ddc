// What pages 3 and 4 reach of their sheet: the printer's connection (the
// mode page 2 shows, read at each call) and whether the upgrade has been
// sent. The sheet gives it to them when it builds them.
#pragma once

#include "link/printer_port.h"

class IPageSheet {
public:
    virtual ~IPageSheet() = default;
    virtual IPrinterPort& PrinterPort() = 0;
    virtual bool UpgradeDone() const = 0;
    virtual void SetUpgradeDone(bool bDone) = 0;
};
