// The fault matrix on Linux: every mode and every fault.
#include "tests/wizard/fault_matrix.h"

#include "link/device_channel.h"

#include <chrono>
#include <fstream>
#include <thread>

std::vector<FaultCase> FaultRows()
{
    std::vector<FaultCase> rows;
    for (CommMode mode : {Com, Lpt, Dual})
        for (Fault f : {Fault::SilentAfterSu, Fault::DroppedMidFile, Fault::StopsReading, Fault::PortMissing,
                        Fault::PortHeld})
            rows.push_back({mode, f});
    for (Fault f : {Fault::SilentAfterSu, Fault::DroppedMidFile, Fault::StopsReading, Fault::Refused})
        rows.push_back({TcpIp, f});
    return rows;
}

// A pseudo-terminal holds about 20 KiB unread; a TCP printer's small
// receive buffer (the printer's --receive-buffer) a few.
size_t UnreadTail(CommMode)
{
    return 64 * 1024;
}

// The path leads nowhere: the open fails as for a port that is not there.
MissingPort::MissingPort(const std::string& hostPath) : m_path(hostPath) {}
MissingPort::~MissingPort() = default;

bool DeviceOpensAgain(const std::string& hostPath)
{
    ChannelHandle h = OpenParallelChannel(hostPath.c_str(), 10, 10);
    if (h == InvalidChannel)
        return false;
    CloseChannel(h);
    return true;
}

PortHolder::PortHolder(const std::string& hostPath)
{
    // util-linux flock opens the device, takes its lock, says so and
    // becomes the command (-F: no child keeps the lock after it is gone).
    TempDir dir;
    const std::string said = (dir.Path() / "said").string();
    if (!m_process.Start({"/usr/bin/flock", "-n", "-F", hostPath, "/bin/sh", "-c", "echo held; exec sleep 600"}, said))
        return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPromptMs);
    while (!m_bHeld && m_process.Running() && std::chrono::steady_clock::now() < deadline) {
        std::string line;
        std::ifstream(said) >> line;
        m_bHeld = line == "held";
        if (!m_bHeld)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
