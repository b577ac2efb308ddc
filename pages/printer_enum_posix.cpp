// The printer list over CUPS. Like the Windows spooler's two-step
// enumeration, each group first asks how many queues there are (one
// CUPS-Get-Printers request) and only then fetches the destinations with
// cupsGetDests2. A queue is a connection when the scheduler types it remote
// (a queue that forwards to another scheduler) or discovered (found on the
// network); everything else, classes included, is local.
//
// libcups waits on a silent scheduler for as long as it likes, so every wait
// on our own connection is cut into short slices and the request is given up
// once the enumeration's time has run out. The count is what meets a
// scheduler that is gone or silent, and it keeps to that time exactly.
#include "pages/printer_enum.h"

#include "link/deadline.h"

#include <cups/cups.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr double kWaitSliceSeconds = 0.05;
constexpr cups_ptype_t kConnectionTypes = CUPS_PRINTER_REMOTE | CUPS_PRINTER_DISCOVERED;

// Called by libcups whenever a wait slice ends without an answer; 0 abandons
// the request.
int KeepWaiting(http_t*, void* pDeadline)
{
    return static_cast<const Deadline*>(pDeadline)->Expired() ? 0 : 1;
}

// libcups would otherwise ask for a password on the terminal, where nobody
// using the wizard can answer.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*)
{
    return nullptr;
}

// The number of queues the scheduler reports; 0 when it does not answer or
// refuses to say. Sent by hand rather than through cupsDoRequest, which
// waits a second of its own for the scheduler's go-ahead, beyond any limit.
int CountQueues(http_t* http)
{
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-name");
    int n = 0;
    httpClearFields(http);
    httpSetField(http, HTTP_FIELD_CONTENT_TYPE, "application/ipp");
    httpSetLength(http, ippLength(request));
    if (httpPost(http, "/") == 0 && ippWrite(http, request) != IPP_STATE_ERROR) {
        http_status_t status;
        while ((status = httpUpdate(http)) == HTTP_STATUS_CONTINUE) {
        }
        ipp_t* response = ippNew();
        if (status == HTTP_STATUS_OK && ippRead(http, response) != IPP_STATE_ERROR &&
            ippGetStatusCode(response) <= IPP_STATUS_OK_EVENTS_COMPLETE)
            for (ipp_attribute_t* a = ippFindAttribute(response, "printer-name", IPP_TAG_NAME); a;
                 a = ippFindNextAttribute(response, "printer-name", IPP_TAG_NAME))
                ++n;
        ippDelete(response);
    }
    ippDelete(request);
    httpFlush(http);
    return n;
}

bool IsConnection(const cups_dest_t& dest)
{
    const char* type = cupsGetOption("printer-type", dest.num_options, dest.options);
    return type && (std::strtoul(type, nullptr, 10) & kConnectionTypes) != 0;
}

int EnumPrinters(bool bConnections, std::vector<std::string>& vecNames, int nTimeoutMs)
{
    vecNames.clear();
    nTimeoutMs = std::max(nTimeoutMs, 1);
    Deadline deadline(static_cast<uint64_t>(nTimeoutMs));

    cupsSetPasswordCB2(NoPassword, nullptr);
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, nTimeoutMs,
                                nullptr);
    // A computer without a running scheduler is one without printers.
    if (!http)
        return 1;
    httpSetTimeout(http, kWaitSliceSeconds, KeepWaiting, &deadline);

    int nResult = 1;
    if (CountQueues(http) > 0) {
        cups_dest_t* dests = nullptr;
        int n = cupsGetDests2(http, &dests);
        // Queues removed since the count leave the scheduler saying "not
        // found"; anything else that ends with no list is a failure.
        if (n <= 0 && (deadline.Expired() || cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND))
            nResult = 0;
        for (int i = 0; i < n; ++i) {
            // Instances are option sets of a queue (lpoptions), not queues.
            if (dests[i].instance || IsConnection(dests[i]) != bConnections)
                continue;
            vecNames.push_back(dests[i].name);
        }
        cupsFreeDests(n, dests);
    }
    httpClose(http);
    return nResult;
}

} // namespace

int EnumLocalPrinters(std::vector<std::string>& vecNames, int nTimeoutMs)
{
    return EnumPrinters(false, vecNames, nTimeoutMs);
}

int EnumPrinterConnections(std::vector<std::string>& vecNames, int nTimeoutMs)
{
    return EnumPrinters(true, vecNames, nTimeoutMs);
}
