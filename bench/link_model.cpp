#include "bench/link_model.h"

#include "bench/results_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool WriteProcFile(const char* path, const std::string& text)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(fd) == 0 && written;
}

// Without root, a user namespace in which this user is root, so that the
// network namespace inside it may be set up.
bool EnterNamespaces(std::string& detail)
{
    if (::unshare(CLONE_NEWNET) == 0)
        return true;
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
        detail = std::string("unshare: ") + std::strerror(errno);
        return false;
    }
    if (!WriteProcFile("/proc/self/setgroups", "deny") ||
        !WriteProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !WriteProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
        detail = std::string("user namespace maps: ") + std::strerror(errno);
        return false;
    }
    return true;
}

// ip link set lo [mtu MTU] up
bool SetLoopbackUp(int mtu, std::string& detail)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strcpy(request.ifr_name, "lo");
    request.ifr_mtu = mtu;
    bool done = fd >= 0 && (mtu == 0 || ::ioctl(fd, SIOCSIFMTU, &request) == 0) &&
                ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    done = done && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    if (!done)
        detail = std::string("loopback: ") + std::strerror(errno);
    if (fd >= 0)
        ::close(fd);
    return done;
}

} // namespace

LinkModel EnterPrivateNetwork(std::string& detail)
{
    if (!EnterNamespaces(detail))
        return LinkModel::NotPermitted;
    return SetLoopbackUp(0, detail) ? LinkModel::Entered : LinkModel::Failed;
}

LinkModel ShapeAsPrinterLink(std::string& detail)
{
    if (!SetLoopbackUp(1500, detail))
        return LinkModel::Failed;
    // sysctl -w net.ipv4.tcp_wmem="4096 16384 65536", in this namespace only.
    if (!WriteProcFile("/proc/sys/net/ipv4/tcp_wmem", "4096 16384 65536")) {
        detail = std::string("net.ipv4.tcp_wmem: ") + std::strerror(errno);
        return LinkModel::Failed;
    }
    return LinkModel::Entered;
}

LinkModel EnterPrinterLinkModel(std::string& detail)
{
    const LinkModel entered = EnterPrivateNetwork(detail);
    return entered == LinkModel::Entered ? ShapeAsPrinterLink(detail) : entered;
}

int EnterForBenchmark(bool printerLink)
{
    std::string detail;
    const LinkModel link = printerLink ? EnterPrinterLinkModel(detail) : EnterPrivateNetwork(detail);
    if (link == LinkModel::NotPermitted) {
        std::printf("skipped: the fleet figures need root or unprivileged user namespaces for a private "
                    "network namespace (%s)\n", detail.c_str());
        return kBenchSkipped;
    }
    if (link == LinkModel::Failed) {
        std::fprintf(stderr, "the private network could not be set up: %s\n", detail.c_str());
        return 1;
    }
    return 0;
}
