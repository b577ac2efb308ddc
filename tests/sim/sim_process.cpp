#include "sim_process.h"

#include "link/monotonic_clock.h"
#include "link/tcp_channel.h"
#include "upgrade/sha256.h"

#include <chrono>
#include <fstream>
#include <thread>

int SimProcess::Start(const std::vector<std::string>& args)
{
    // One printer at a time: a second start replaces the first.
    m_process = std::make_unique<HostProcess>();
    m_startLine.clear();
    std::vector<std::string> argv = {ORVI_SIM_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    const std::filesystem::path output = m_dir.Path() / ("sim-" + std::to_string(++m_starts) + ".out");
    if (!m_process->Start(argv, HostPath(output)))
        return 0;
    // The start line comes once the printer listens; a printer that cannot
    // start says why and ends.
    const int64_t deadline = static_cast<int64_t>(MonotonicMs()) + kPromptMs;
    while (static_cast<int64_t>(MonotonicMs()) < deadline) {
        std::ifstream in(output, std::ios::binary);
        std::string line;
        if (std::getline(in, line) && !in.eof()) {
            m_startLine = line;
            return line.rfind("listening ", 0) == 0;
        }
        if (!m_process->Running()) {
            // What it said instead, for the test's failure message.
            std::ifstream said(output, std::ios::binary);
            std::getline(said, m_startLine, '\0');
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return 0;
}

int SimProcess::TcpPort() const
{
    size_t colon = m_startLine.rfind(':');
    return colon == std::string::npos ? -1 : std::stoi(m_startLine.substr(colon + 1));
}

int SimProcess::Signal(int sig)
{
    return m_process && m_process->Signal(sig);
}

int SimProcess::Running()
{
    return m_process && m_process->Running();
}

int SimProcess::WaitExit(int timeoutMs, int& exitCode)
{
    return m_process && m_process->WaitExit(timeoutMs, exitCode);
}

std::vector<std::string> ReadReport(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

int CountReport(const std::string& path, const std::string& needle)
{
    int count = 0;
    for (const std::string& line : ReadReport(path))
        count += line.find(needle) != std::string::npos;
    return count;
}

int WaitForReport(const std::string& path, const std::string& needle, int count, int timeoutMs)
{
    int64_t deadline = static_cast<int64_t>(MonotonicMs()) + timeoutMs;
    for (;;) {
        if (CountReport(path, needle) >= count)
            return 1;
        if (static_cast<int64_t>(MonotonicMs()) >= deadline)
            return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::string CompareUpgrade(const std::string& reportPath, const std::vector<FirmwareFile>& files)
{
    std::vector<std::string> lines = ReadReport(reportPath);
    size_t at = 0;
    std::string names;
    for (const FirmwareFile& f : files) {
        std::string want = "\"event\":\"file\",\"name\":\"" + f.name + "\",\"announced\":" +
                           std::to_string(f.bytes.size()) + ",\"received\":" + std::to_string(f.bytes.size()) +
                           ",\"sha256\":\"" + Sha256Hex(f.bytes) + "\"";
        while (at < lines.size() && lines[at].find("\"event\":\"file\"") == std::string::npos)
            ++at;
        if (at == lines.size())
            return "no report of " + f.name;
        if (lines[at].find(want) == std::string::npos)
            return "expected " + want + "\n got " + lines[at];
        ++at;
        names += (names.empty() ? "\"" : ",\"") + f.name + "\"";
    }
    for (; at < lines.size(); ++at)
        if (lines[at].find("\"event\":\"upgrade\"") != std::string::npos)
            return lines[at].find("\"files\":[" + names + "]") != std::string::npos ? "" : "upgrade: " + lines[at];
    return "no upgrade after the files";
}

bool SettleTcpPrinter(const std::string& reportPath, const std::string& address)
{
    const std::string mark = "unknown command QZ";
    const int before = CountReport(reportPath, mark);
    // An unknown command: the printer reports it, and nothing else does.
    int32_t error = 0;
    int16_t timedOut = 0;
    ChannelHandle h = OpenTcpChannel(address.c_str(), 2864, kPromptMs, kPromptMs, &error, &timedOut);
    if (h == InvalidChannel)
        return false;
    const bool sent = SendTcpChannel(h, "\x01QZ\r\n", 5, &error, &timedOut) == 5;
    CloseTcpChannel(h);
    return sent && WaitForReport(reportPath, mark, before + 1, kPromptMs);
}
