#include "link/modem_lines_posix.h"

#include <sys/ioctl.h>

namespace {

DsrLine FromDriver(int fd, void*)
{
    int lines = 0;
    if (::ioctl(fd, TIOCMGET, &lines) != 0)
        return DsrLine::NotReported;
    return (lines & TIOCM_DSR) ? DsrLine::Asserted : DsrLine::Dropped;
}

ModemLineSource g_source = FromDriver;
void* g_context = nullptr;

} // namespace

void SetModemLineSource(ModemLineSource source, void* pContext)
{
    g_source = source ? source : FromDriver;
    g_context = source ? pContext : nullptr;
}

DsrLine ReadDsrLine(int fd)
{
    return g_source(fd, g_context);
}
