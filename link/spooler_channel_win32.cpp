// The spooler job channel on Windows: one raw document in the named queue,
// one page, written as it comes, through the spooler's functions as loaded
// from the system folder.
#include "link/spooler_channel.h"

#include "link/spooler_api_win32.h"

#include <new>
#include <vector>

namespace {

struct SpoolerJob {
    HANDLE hPrinter = nullptr;
    // Set by the first failed write: the document has a hole and must not
    // reach the printer.
    bool bLostData = false;
};

} // namespace

ChannelHandle OpenSpoolerChannel(const std::string& strPrinterName, const std::string& strDocumentName)
{
    // A NUL would cut the name short and open another queue.
    if (strPrinterName.find('\0') != std::string::npos || strDocumentName.find('\0') != std::string::npos)
        return InvalidChannel;
    const SpoolerApi* spooler = Spooler();
    if (!spooler)
        return InvalidChannel;
    auto* job = new (std::nothrow) SpoolerJob;
    if (!job)
        return InvalidChannel;
    std::vector<char> printer(strPrinterName.begin(), strPrinterName.end());
    printer.push_back('\0');
    HANDLE h = nullptr;
    if (!spooler->OpenPrinterA(printer.data(), &h, nullptr)) {
        delete job;
        return InvalidChannel;
    }
    std::vector<char> document(strDocumentName.begin(), strDocumentName.end());
    document.push_back('\0');
    char dataType[] = "RAW";
    DOC_INFO_1A info{};
    info.pDocName = document.data();
    info.pOutputFile = nullptr;
    info.pDatatype = dataType;
    // Unwound in reverse order when a step fails.
    if (spooler->StartDocPrinterA(h, 1, reinterpret_cast<LPBYTE>(&info)) == 0) {
        spooler->ClosePrinter(h);
        delete job;
        return InvalidChannel;
    }
    if (!spooler->StartPagePrinter(h)) {
        spooler->EndDocPrinter(h);
        spooler->ClosePrinter(h);
        delete job;
        return InvalidChannel;
    }
    job->hPrinter = h;
    return ChannelHandleOf(job);
}

int SpoolerQueueExists(const std::string& strPrinterName)
{
    const SpoolerApi* spooler = Spooler();
    if (!spooler || strPrinterName.empty() || strPrinterName.find('\0') != std::string::npos)
        return 0;
    std::vector<char> printer(strPrinterName.begin(), strPrinterName.end());
    printer.push_back('\0');
    HANDLE h = nullptr;
    if (!spooler->OpenPrinterA(printer.data(), &h, nullptr))
        return 0;
    spooler->ClosePrinter(h);
    return 1;
}

int WriteSpoolerChannel(ChannelHandle hChannel, const void* pBuffer, int32_t nLength, int32_t* pnError)
{
    SpoolerJob* job = ChannelObject<SpoolerJob>(hChannel);
    // A job exists only where the spooler was loaded.
    const SpoolerApi* spooler = Spooler();
    if (!job || nLength < 0) {
        *pnError = ERROR_INVALID_HANDLE;
        return 0;
    }
    if (nLength == 0)
        return 1;
    DWORD written = 0;
    if (spooler->WritePrinter(job->hPrinter, const_cast<void*>(pBuffer), static_cast<DWORD>(nLength), &written) &&
        written == static_cast<DWORD>(nLength))
        return 1;
    *pnError = static_cast<int32_t>(GetLastError());
    if (*pnError == 0)
        *pnError = ERROR_WRITE_FAULT;
    job->bLostData = true;
    return 0;
}

int CloseSpoolerChannel(ChannelHandle hChannel)
{
    SpoolerJob* job = ChannelObject<SpoolerJob>(hChannel);
    const SpoolerApi* spooler = Spooler();
    if (!job)
        return 1;
    bool bHandedOver = false;
    if (!job->bLostData) {
        spooler->EndPagePrinter(job->hPrinter);
        // The job reaches the printer only once the document has ended; a
        // spooler that refuses it here has sent nothing.
        bHandedOver = spooler->EndDocPrinter(job->hPrinter) != FALSE;
    }
    if (!bHandedOver) {
        // Deletes the spooled job, so the printer never gets the document
        // with its hole.
        spooler->AbortPrinter(job->hPrinter);
    }
    spooler->ClosePrinter(job->hPrinter);
    delete job;
    return bHandedOver ? 1 : 0;
}

void WithdrawSpoolerChannel(ChannelHandle hChannel)
{
    if (SpoolerJob* job = ChannelObject<SpoolerJob>(hChannel))
        job->bLostData = true;
    CloseSpoolerChannel(hChannel);
}
