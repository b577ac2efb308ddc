// The spooler's functions on Windows, taken from winspool.drv in the system
// folder the first time they are asked for. Neither program imports the
// DLL: winspool.drv is not one of the DLLs Windows always loads from the
// system folder, and the wizard runs from a downloaded firmware folder,
// where a planted winspool.drv would otherwise be loaded into it.
#pragma once

#include <windows.h>
#include <winspool.h>

struct SpoolerApi {
    decltype(&::OpenPrinterA) OpenPrinterA;
    decltype(&::ClosePrinter) ClosePrinter;
    decltype(&::StartDocPrinterA) StartDocPrinterA;
    decltype(&::StartPagePrinter) StartPagePrinter;
    decltype(&::WritePrinter) WritePrinter;
    decltype(&::EndPagePrinter) EndPagePrinter;
    decltype(&::EndDocPrinter) EndDocPrinter;
    decltype(&::AbortPrinter) AbortPrinter;
    decltype(&::EnumPrintersA) EnumPrintersA;
};

// The functions, or null when the system folder has no spooler that holds
// them all (every caller then acts as with no printer at all).
const SpoolerApi* Spooler();
