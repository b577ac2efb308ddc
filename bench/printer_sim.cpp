#include "bench/printer_sim.h"

#include "ui/ip_address_ctrl.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <thread>
#include <unistd.h>

std::string FreshLoopbackAddress()
{
    std::random_device seed;
    return "127." + std::to_string(1 + seed() % 250) + "." + std::to_string(seed() % 250) + "." +
           std::to_string(2 + seed() % 250);
}

uint32_t PackAddress(const std::string& strDotted)
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (std::sscanf(strDotted.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d) != 4)
        return 0;
    return MakeIpAddress(a, b, c, d);
}

void ReportFollower::ReadMore()
{
    int fd = ::open(m_strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(m_nOffset));
        if (n <= 0)
            break;
        m_strText.append(buffer, static_cast<size_t>(n));
        m_nOffset += static_cast<uint64_t>(n);
    }
    ::close(fd);
}

int ReportFollower::Seen(const std::string& strNeedle) const
{
    int count = 0;
    for (size_t at = m_strText.find(strNeedle); at != std::string::npos; at = m_strText.find(strNeedle, at + 1))
        ++count;
    return count;
}

int ReportFollower::WaitFor(const std::string& strNeedle, int count, int nTimeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    for (;;) {
        ReadMore();
        if (Seen(strNeedle) >= count)
            return 1;
        if (std::chrono::steady_clock::now() >= deadline)
            return 0;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}
