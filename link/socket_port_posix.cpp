#include "link/socket_port.h"

#include "link/error_codes.h"
#include "link/deadline.h"
#include "link/stop_request.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <string>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <linux/sockios.h>

namespace {

// Bytes written but not yet sent that the kernel keeps at most. Without a
// bound it keeps megabytes (the send buffer grows with the link), so a
// write would succeed long before the peer took its bytes, and the wait
// for room would end only when a third of that buffer had drained. Not
// smaller: a write that meets the bound makes the kernel push what is
// queued at once, in small segments, and at 32 KiB that cost 500 printers
// on one host four times a plain sender's system CPU.
constexpr int kNotSentBytes = 128 * 1024;

// How often a name lookup that is still running looks at the stop request.
constexpr int kLookupSliceMs = 100;

} // namespace

int StartSocketLayer()
{
    return 1;
}

int SocketCreate(SocketHandle* phSocket, int32_t* pnError)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *pnError = LastSystemError();
        return 0;
    }
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    ::setsockopt(fd, IPPROTO_TCP, TCP_NOTSENT_LOWAT, &kNotSentBytes, sizeof kNotSentBytes);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
        *pnError = LastSystemError();
        ::close(fd);
        return 0;
    }
    *phSocket = fd;
    return 1;
}

int SocketResolve(const char* pszHost, uint32_t nWaitMs, uint32_t* pnAddress, int32_t* pnError)
{
    in_addr dotted{};
    if (::inet_aton(pszHost, &dotted)) {
        *pnAddress = dotted.s_addr;
        return 1;
    }
    // A name: look it up in the background so that a dead name server
    // cannot hold the caller past its limit. The request lives on the heap:
    // a lookup that cannot be cancelled in time keeps writing to it, and is
    // then left to finish on its own.
    struct Lookup {
        std::string name;
        addrinfo hints{};
        gaicb request{};
    };
    auto* lookup = new Lookup;
    lookup->name = pszHost;
    lookup->hints.ai_family = AF_INET;
    lookup->hints.ai_socktype = SOCK_STREAM;
    lookup->request.ar_name = lookup->name.c_str();
    lookup->request.ar_request = &lookup->hints;
    gaicb* list[1] = {&lookup->request};
    if (::getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
        delete lookup;
        *pnError = kErrorHostUnknown;
        return 0;
    }
    // In slices, so that a stop request is seen while the lookup waits.
    const Deadline deadline(nWaitMs);
    int rc;
    while ((rc = ::gai_error(&lookup->request)) == EAI_INPROGRESS) {
        if (deadline.Expired() || LinkStopRequested()) {
            if (::gai_cancel(&lookup->request) == EAI_CANCELED)
                delete lookup;
            return -1;
        }
        const int slice = deadline.SliceMs(kLookupSliceMs);
        timespec step{slice / 1000, static_cast<long>(slice % 1000) * 1000000};
        const gaicb* wait[1] = {&lookup->request};
        ::gai_suspend(wait, 1, &step);
    }
    addrinfo* result = lookup->request.ar_result;
    delete lookup;
    if (rc != 0 || !result) {
        if (result)
            ::freeaddrinfo(result);
        *pnError = kErrorHostUnknown;
        return 0;
    }
    *pnAddress = reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(result);
    return 1;
}

int SocketConnectStart(SocketHandle hSocket, uint32_t nAddress, uint16_t nPort, int32_t* pnError)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = nAddress;
    to.sin_port = htons(nPort);
    if (::connect(static_cast<int>(hSocket), reinterpret_cast<sockaddr*>(&to), sizeof to) == 0)
        return 1;
    if (errno == EINPROGRESS || errno == EINTR)
        return 2;
    *pnError = LastSystemError();
    return 0;
}

int SocketConnectResult(SocketHandle hSocket, int32_t* pnError)
{
    int error = 0;
    socklen_t len = sizeof error;
    if (::getsockopt(static_cast<int>(hSocket), SOL_SOCKET, SO_ERROR, &error, &len) != 0) {
        *pnError = LastSystemError();
        return 0;
    }
    if (error != 0) {
        *pnError = error;
        return 0;
    }
    return 1;
}

int SocketWait(SocketHandle hSocket, SocketEvent event, int nWaitMs, int32_t* pnError)
{
    pollfd pfd{static_cast<int>(hSocket), static_cast<short>(event == SocketEvent::Readable ? POLLIN : POLLOUT), 0};
    int r = ::poll(&pfd, 1, nWaitMs);
    if (r < 0) {
        if (errno == EINTR)
            return 0;
        *pnError = LastSystemError();
        return -1;
    }
    // Errors and hang-ups count as ready: the next call reports them.
    return r > 0 ? 1 : 0;
}

int SocketSendSome(SocketHandle hSocket, const void* pBuffer, int32_t nLength, int32_t* pnSent,
                   int32_t* pnError)
{
    *pnSent = 0;
    ssize_t n = ::send(static_cast<int>(hSocket), pBuffer, static_cast<size_t>(nLength), MSG_NOSIGNAL);
    if (n >= 0) {
        *pnSent = static_cast<int32_t>(n);
        return 1;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return 1;
    *pnError = LastSystemError();
    return 0;
}

int SocketReceiveByte(SocketHandle hSocket, unsigned char* pByte, int32_t* pnError)
{
    ssize_t n = ::recv(static_cast<int>(hSocket), pByte, 1, 0);
    if (n == 1)
        return 1;
    if (n == 0)
        return -2;
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return 0;
    *pnError = LastSystemError();
    return -1;
}

int SocketEndSending(SocketHandle hSocket, int32_t* pnError)
{
    if (::shutdown(static_cast<int>(hSocket), SHUT_WR) == 0)
        return 1;
    *pnError = LastSystemError();
    return 0;
}

SocketAcks SocketAcknowledged(SocketHandle hSocket, int32_t* pnError)
{
    const int fd = static_cast<int>(hSocket);
    SocketAcks acks;
    int error = 0;
    socklen_t length = sizeof error;
    tcp_info info{};
    socklen_t infoLength = sizeof info;
    int queued = 0;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 ||
        ::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &infoLength) != 0 || ::ioctl(fd, SIOCOUTQ, &queued) != 0 ||
        queued < 0)
        return acks;
    acks.known = true;
    // SIOCOUTQ: what was written, the end of the stream included, beyond
    // what the peer acknowledged.
    acks.unacknowledged = static_cast<uint64_t>(queued);
    // A reset closes the socket with its bytes still unacknowledged; the
    // error it left may have been taken by an earlier call.
    if (error == 0 && info.tcpi_state == TCP_CLOSE && queued > 0)
        error = ECONNRESET;
    if (error != 0) {
        acks.failed = true;
        *pnError = error;
    }
    return acks;
}

void SocketClose(SocketHandle hSocket)
{
    if (hSocket != kNoSocket)
        ::close(static_cast<int>(hSocket));
}
