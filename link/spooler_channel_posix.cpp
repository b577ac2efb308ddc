// The spooler channel over CUPS. Each channel owns a connection of its own to
// the scheduler: the document travels over it as one chunked Send-Document
// request from cupsStartDocument to cupsFinishDocument, and nothing else may
// speak on that connection in between.
#include "link/spooler_channel_posix.h"

#include <cups/cups.h>

#include <cerrno>
#include <memory>
#include <new>

namespace {

// The limit libcups itself uses for its default connection.
constexpr int kConnectTimeoutMs = 30000;

struct SpoolerJob {
    http_t* http = nullptr;
    int nSilenceLimitMs = kSpoolerSilenceLimitMs;
    std::string strQueue;
    int nJobId = 0;
    // Set by the first failed write: the document has a hole and must not
    // reach the printer.
    int32_t nLostError = 0;
};

// libcups would otherwise ask for a password on the terminal, where nobody
// using the wizard can answer, and the wizard would hang.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*)
{
    return nullptr;
}

// Called by libcups when a wait for the scheduler has lasted the whole
// silence limit; 0 abandons the request, where libcups would retry for ever.
int GiveUp(http_t*, void*)
{
    return 0;
}

http_t* ConnectToScheduler(int nSilenceLimitMs)
{
    cupsSetPasswordCB2(NoPassword, nullptr);
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                kConnectTimeoutMs, nullptr);
    if (http)
        httpSetTimeout(http, nSilenceLimitMs / 1000.0, GiveUp, nullptr);
    return http;
}

// cupsCreateJob falls back on libcups' default connection, which waits on a
// silent scheduler without end; so the scheduler must first show, within
// the silence limit, that it answers at all.
bool SchedulerAnswers(http_t* http)
{
    httpClearFields(http);
    if (httpOptions(http, "/") != 0)
        return false;
    http_status_t status;
    while ((status = httpUpdate(http)) == HTTP_STATUS_CONTINUE) {
    }
    httpFlush(http);
    return status != HTTP_STATUS_ERROR;
}

// On a connection of its own, because the job's connection may be stuck in
// the middle of the request that failed.
void CancelJob(const SpoolerJob& job)
{
    http_t* http = ConnectToScheduler(job.nSilenceLimitMs);
    if (!http)
        return;
    cupsCancelJob2(http, job.strQueue.c_str(), job.nJobId, 0);
    httpClose(http);
}

bool HasNul(const std::string& str)
{
    return str.find('\0') != std::string::npos;
}

} // namespace

ChannelHandle OpenSpoolerChannel(const std::string& strPrinterName, const std::string& strDocumentName)
{
    return OpenSpoolerChannelWithin(strPrinterName, strDocumentName, kSpoolerSilenceLimitMs);
}

ChannelHandle OpenSpoolerChannelWithin(const std::string& strPrinterName, const std::string& strDocumentName,
                                       int nSilenceLimitMs)
{
    // libcups takes C strings: a NUL would cut the name short and could pick
    // another queue.
    if (strPrinterName.empty() || HasNul(strPrinterName) || HasNul(strDocumentName) || nSilenceLimitMs <= 0)
        return InvalidChannel;

    std::unique_ptr<SpoolerJob> job(new (std::nothrow) SpoolerJob);
    if (!job)
        return InvalidChannel;
    job->strQueue = strPrinterName;
    job->nSilenceLimitMs = nSilenceLimitMs;

    job->http = ConnectToScheduler(nSilenceLimitMs);
    if (!job->http)
        return InvalidChannel;
    if (!SchedulerAnswers(job->http)) {
        httpClose(job->http);
        return InvalidChannel;
    }

    job->nJobId = cupsCreateJob(job->http, strPrinterName.c_str(), strDocumentName.c_str(), 0, nullptr);
    if (job->nJobId <= 0) {
        httpClose(job->http);
        return InvalidChannel;
    }

    if (cupsStartDocument(job->http, strPrinterName.c_str(), job->nJobId, strDocumentName.c_str(),
                          CUPS_FORMAT_RAW, 1) != HTTP_STATUS_CONTINUE) {
        httpClose(job->http);
        // Otherwise the job would wait in the queue for a document that never
        // comes.
        CancelJob(*job);
        return InvalidChannel;
    }
    return ChannelHandleOf(job.release());
}

int SpoolerQueueExists(const std::string& strPrinterName)
{
    if (strPrinterName.empty() || HasNul(strPrinterName))
        return 0;
    http_t* http = ConnectToScheduler(kSpoolerSilenceLimitMs);
    if (!http)
        return 0;
    cups_dest_t* dest = SchedulerAnswers(http) ? cupsGetNamedDest(http, strPrinterName.c_str(), nullptr) : nullptr;
    const int exists = dest != nullptr;
    cupsFreeDests(dest ? 1 : 0, dest);
    httpClose(http);
    return exists;
}

int WriteSpoolerChannel(ChannelHandle hChannel, const void* pBuffer, int32_t nLength, int32_t* pnError)
{
    SpoolerJob* job = ChannelObject<SpoolerJob>(hChannel);
    int32_t nError = 0;
    if (!job)
        nError = EBADF;
    else if (nLength < 0 || (nLength > 0 && !pBuffer))
        nError = EINVAL;
    else if (job->nLostError)
        // Later bytes could only land behind the hole.
        nError = job->nLostError;
    else if (nLength == 0)
        // An empty chunk would end the document early.
        return 1;
    else if (cupsWriteRequestData(job->http, static_cast<const char*>(pBuffer), static_cast<size_t>(nLength)) ==
             HTTP_STATUS_CONTINUE)
        return 1;
    else {
        nError = httpError(job->http);
        if (nError == 0)
            nError = EIO;
        job->nLostError = nError;
    }
    if (pnError)
        *pnError = nError;
    return 0;
}

int CloseSpoolerChannel(ChannelHandle hChannel)
{
    std::unique_ptr<SpoolerJob> job(ChannelObject<SpoolerJob>(hChannel));
    if (!job)
        return 1;
    // libcups sends what it has buffered only now: the scheduler may still
    // refuse the document here.
    bool bHandedOver = !job->nLostError &&
                       cupsFinishDocument(job->http, job->strQueue.c_str()) <= IPP_STATUS_OK_EVENTS_COMPLETE;
    httpClose(job->http);
    if (!bHandedOver)
        CancelJob(*job);
    return bHandedOver ? 1 : 0;
}

void WithdrawSpoolerChannel(ChannelHandle hChannel)
{
    if (SpoolerJob* job = ChannelObject<SpoolerJob>(hChannel))
        job->nLostError = ECANCELED;
    CloseSpoolerChannel(hChannel);
}
