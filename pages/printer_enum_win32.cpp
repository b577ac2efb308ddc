// The printer list over the spooler: EnumPrintersA at level 1, first for
// the size the records need, then into a buffer of exactly that size. The
// spooler answers at once, so the time limit has nothing to bound here.
// With no spooler in the system folder, the list fails as the spooler's
// own enumeration would.
#include "pages/printer_enum.h"

#include "link/spooler_api_win32.h"

#include <new>

namespace {

int Enumerate(DWORD dwFlags, std::vector<std::string>& vecNames)
{
    vecNames.clear();
    const SpoolerApi* spooler = Spooler();
    if (!spooler)
        return 0;
    DWORD needed = 0;
    DWORD returned = 0;
    // Fails by design (no buffer); only the size counts.
    spooler->EnumPrintersA(dwFlags, nullptr, 1, nullptr, 0, &needed, &returned);
    if (needed == 0)
        return 1;
    BYTE* buffer = new (std::nothrow) BYTE[needed];
    if (!buffer)
        return 1;
    returned = 0;
    DWORD again = 0;
    if (!spooler->EnumPrintersA(dwFlags, nullptr, 1, buffer, needed, &again, &returned)) {
        delete[] buffer;
        return 0;
    }
    const PRINTER_INFO_1A* info = reinterpret_cast<const PRINTER_INFO_1A*>(buffer);
    for (DWORD i = 0; i < returned; ++i)
        if (info[i].pName)
            vecNames.emplace_back(info[i].pName);
    delete[] buffer;
    return 1;
}

} // namespace

int EnumLocalPrinters(std::vector<std::string>& vecNames, int)
{
    return Enumerate(PRINTER_ENUM_LOCAL, vecNames);
}

int EnumPrinterConnections(std::vector<std::string>& vecNames, int)
{
    return Enumerate(PRINTER_ENUM_CONNECTIONS, vecNames);
}
