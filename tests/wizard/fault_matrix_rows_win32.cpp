// The fault matrix on Windows, under Wine: every mode but the printer
// queue's, every fault but a port held by another program. Wine does not
// refuse a second open of a port that is held, so that row cannot be shown
// here, and for the same reason a device that is free is seen only in the
// printer's report of every connection's end. Wine's spooler reads the
// queues once, when a program starts: tests/windows/ drives that mode.
#include "tests/wizard/fault_matrix.h"

std::vector<FaultCase> FaultRows()
{
    std::vector<FaultCase> rows;
    for (CommMode mode : {Com, Lpt, Dual})
        for (Fault f : {Fault::SilentAfterSu, Fault::DroppedMidFile, Fault::StopsReading, Fault::PortMissing})
            rows.push_back({mode, f});
    for (Fault f : {Fault::SilentAfterSu, Fault::DroppedMidFile, Fault::StopsReading, Fault::Refused})
        rows.push_back({TcpIp, f});
    return rows;
}

// Wine does not say what the printer's stack acknowledged, and its sockets
// keep what the host's do: over TCP a stall shows only once more than that
// is left.
size_t UnreadTail(CommMode mode)
{
    return mode == TcpIp ? 4u << 20 : 64 * 1024;
}

MissingPort::MissingPort(const std::string& hostPath) : m_path(hostPath)
{
    // Wine takes a COM port whose link leads nowhere to be /dev/ttyS0, which
    // many machines have. A node that is no device (a socket file nobody
    // listens on) is refused as no such device, as Windows refuses a port
    // that is not there.
    RunHost({"/usr/bin/perl", "-MSocket", "-e",
             "socket(S, PF_UNIX, SOCK_STREAM, 0) && bind(S, pack_sockaddr_un($ARGV[0])) or exit 1", hostPath});
}

MissingPort::~MissingPort()
{
    // Gone before the test's folder is: removing a folder that still holds
    // a socket file never ends under Wine.
    RunHost({"/bin/rm", "-f", m_path});
}

bool DeviceOpensAgain(const std::string&)
{
    return true;
}

PortHolder::PortHolder(const std::string&) {}
