#include "link/spooler_api_win32.h"

namespace {

template <class Function>
bool Take(HMODULE dll, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(dll, name)));
    return function != nullptr;
}

const SpoolerApi* Load()
{
    static SpoolerApi api;
    HMODULE dll = ::LoadLibraryExW(L"winspool.drv", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!dll)
        return nullptr;
    const bool all = Take(dll, "OpenPrinterA", api.OpenPrinterA) && Take(dll, "ClosePrinter", api.ClosePrinter) &&
                     Take(dll, "StartDocPrinterA", api.StartDocPrinterA) &&
                     Take(dll, "StartPagePrinter", api.StartPagePrinter) &&
                     Take(dll, "WritePrinter", api.WritePrinter) && Take(dll, "EndPagePrinter", api.EndPagePrinter) &&
                     Take(dll, "EndDocPrinter", api.EndDocPrinter) && Take(dll, "AbortPrinter", api.AbortPrinter) &&
                     Take(dll, "EnumPrintersA", api.EnumPrintersA);
    // The DLL stays loaded for the program's life: the functions point
    // into it.
    return all ? &api : nullptr;
}

} // namespace

const SpoolerApi* Spooler()
{
    // Loaded once, also when orvi-flash's printers ask from several threads.
    static const SpoolerApi* const api = Load();
    return api;
}
