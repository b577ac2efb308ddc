// The spooler job channel on Windows: one raw document in the named queue,
// one page, written as it comes.
#include "link/spooler_channel.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

namespace {

HANDLE FromHandle(ChannelHandle h)
{
    if (h == InvalidChannel || h == 0)
        return nullptr;
    return reinterpret_cast<HANDLE>(h);
}

} // namespace

ChannelHandle OpenSpoolerChannel(const std::string& strPrinterName, const std::string& strDocumentName)
{
    std::vector<char> printer(strPrinterName.begin(), strPrinterName.end());
    printer.push_back('\0');
    HANDLE h = nullptr;
    if (!OpenPrinterA(printer.data(), &h, nullptr))
        return InvalidChannel;
    std::vector<char> document(strDocumentName.begin(), strDocumentName.end());
    document.push_back('\0');
    char dataType[] = "RAW";
    DOC_INFO_1A info{};
    info.pDocName = document.data();
    info.pOutputFile = nullptr;
    info.pDatatype = dataType;
    // Unwound in reverse order when a step fails.
    if (StartDocPrinterA(h, 1, reinterpret_cast<LPBYTE>(&info)) == 0) {
        ClosePrinter(h);
        return InvalidChannel;
    }
    if (!StartPagePrinter(h)) {
        EndDocPrinter(h);
        ClosePrinter(h);
        return InvalidChannel;
    }
    return reinterpret_cast<ChannelHandle>(h);
}

int WriteSpoolerChannel(ChannelHandle hChannel, const void* pBuffer, int32_t nLength, int32_t* pnError)
{
    HANDLE h = FromHandle(hChannel);
    if (!h || nLength < 0) {
        *pnError = ERROR_INVALID_HANDLE;
        return 0;
    }
    if (nLength == 0)
        return 1;
    DWORD written = 0;
    if (WritePrinter(h, const_cast<void*>(pBuffer), static_cast<DWORD>(nLength), &written) &&
        written == static_cast<DWORD>(nLength))
        return 1;
    *pnError = static_cast<int32_t>(GetLastError());
    return 0;
}

int CloseSpoolerChannel(ChannelHandle hChannel)
{
    if (HANDLE h = FromHandle(hChannel)) {
        EndPagePrinter(h);
        EndDocPrinter(h);
        ClosePrinter(h);
    }
    return 1;
}
