// Throughput over TCP: page 4's whole transfer of a 64 MiB firmware set to
// the simulated printer on loopback, against a plain blocking socket loop
// that pushes the same bytes into the same printer, alternating, in one run.
// A transfer counts as done when the printer reports the upgrade, that is
// when it has taken every byte, not when the last write returned.
// On loopback the simulated printer (which hashes every byte) can be the
// slower side, and then both reach its ceiling; the CPU time each sender
// spends per GiB is recorded beside the ratio so that the cost of page 4's
// 1024-byte pieces stays visible either way. Rounds of the same transfer
// through the exchanges themselves time its end: from SR written until the
// printer's stack has acknowledged every byte.
#include "bench/command_line.h"
#include "bench/firmware_set.h"
#include "bench/headless_frame.h"
#include "bench/printer_sim.h"
#include "bench/results_file.h"
#include "link/printer_connection.h"
#include "tests/support/temp_dir.h"
#include "upgrade/commands.h"
#include "upgrade/exchanges.h"
#include "upgrade/file_access.h"
#include "upgrade/file_list.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint64_t kMiB = 1024 * 1024;
const char kUpgradeEvent[] = "\"event\":\"upgrade\"";

int SendAll(int fd, const void* p, size_t n)
{
    const char* bytes = static_cast<const char*>(p);
    while (n > 0) {
        ssize_t sent = ::send(fd, bytes, n, MSG_NOSIGNAL);
        if (sent <= 0)
            return 0;
        bytes += sent;
        n -= static_cast<size_t>(sent);
    }
    return 1;
}

// The baseline: the same headers and bytes in large blocking writes, with
// nothing between the file and the socket.
int PushPlain(const std::string& strAddress, const std::string& strDirectory, const FirmwareSet& set,
              size_t nBlock)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(2864);
    if (fd < 0 || ::inet_pton(AF_INET, strAddress.c_str(), &to.sin_addr) != 1 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        if (fd >= 0)
            ::close(fd);
        return 0;
    }
    std::vector<char> block(nBlock);
    int ok = 1;
    for (size_t i = 0; ok && i < set.names.size(); ++i) {
        const std::string header = FormatDtHeader(static_cast<int32_t>(set.sizes[i]), set.names[i]);
        ok = SendAll(fd, header.data(), header.size());
        int in = ::open((strDirectory + set.names[i]).c_str(), O_RDONLY | O_CLOEXEC);
        ok = ok && in >= 0;
        while (ok) {
            ssize_t n = ::read(in, block.data(), block.size());
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            ok = SendAll(fd, block.data(), static_cast<size_t>(n));
        }
        if (in >= 0)
            ::close(in);
    }
    ok = ok && SendAll(fd, kCommandSR, kCommandLength);
    ::close(fd);
    return ok;
}

// This process's CPU time, user and system, in seconds.
double CpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// When SR went out, of the transfer it watches.
class SrClock : public IExchangeEvents {
public:
    void CommandSent(const void* p, int32_t n) override
    {
        if (n == kCommandLength && std::memcmp(p, kCommandSR, kCommandLength) == 0)
            srAtNs = MonotonicNs();
    }
    uint64_t srAtNs = 0;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (!BenchRequested(argc, argv))
        return kBenchSkipped;
    const uint64_t total = ArgValue(argc, argv, "--mib", 64) * kMiB;
    const int rounds = static_cast<int>(ArgValue(argc, argv, "--rounds", 9));
    // --block 1024 makes the baseline write page 4's piece size, which
    // tells the cost of the pieces apart from the cost of the link code.
    const size_t block = static_cast<size_t>(ArgValue(argc, argv, "--block", 256 * 1024));

    const std::string directory = ProgramDirectory();
    ScopedFirmwareSet files(directory);
    const FirmwareSet& set = files.Set();
    if (!files.Write(total, false)) {
        std::fprintf(stderr, "cannot write the firmware set into %s\n", directory.c_str());
        return 1;
    }
    TempDir scratch;
    const std::string reportPath = scratch.Text() + "report.jsonl";
    const std::string address = FreshLoopbackAddress();
    SimProcess printer;
    if (!printer.Start({"--tcp", address + ":2864", "--report", reportPath})) {
        std::fprintf(stderr, "the simulated printer did not start\n");
        return 1;
    }
    ReportFollower report(reportPath);
    HeadlessWizard wizard;
    wizard.SetConnection(TcpIp, 0, 2, 0, PackAddress(address));
    if (!wizard.ToTransferPage()) {
        std::fprintf(stderr, "page 4 was not reached%s%s\n", wizard.messages.empty() ? "" : ": ",
                     wizard.messages.empty() ? "" : wizard.messages[0].text.c_str());
        return 1;
    }

    std::vector<double> ours, plain, oursCpu, plainCpu;
    int upgrades = 0;
    for (int round = 0; round < 2 * rounds; ++round) {
        // Alternate which goes first, so neither always meets a warm printer.
        const bool oursNow = (round % 2 == 0) == (round / 2 % 2 == 0);
        const uint64_t start = MonotonicNs();
        const double cpuStart = CpuSeconds();
        int sent = 0;
        if (oursNow) {
            // Finish again, as if page 4 had just been shown: not Done.
            wizard.sheet.m_bUpgradeDone = false;
            wizard.engine.PressFinish();
            sent = wizard.sheet.m_bUpgradeDone && wizard.messages.empty();
        } else {
            sent = PushPlain(address, directory, set, block);
        }
        if (!sent || !report.WaitFor(kUpgradeEvent, ++upgrades, 120000)) {
            std::fprintf(stderr, "round %d (%s) did not complete%s%s\n", round, oursNow ? "page 4" : "baseline",
                         wizard.messages.empty() ? "" : ": ",
                         wizard.messages.empty() ? "" : wizard.messages[0].text.c_str());
            return 1;
        }
        const double seconds = static_cast<double>(MonotonicNs() - start) / 1e9;
        const double gib = static_cast<double>(set.wireBytes) / (1024.0 * kMiB);
        (oursNow ? ours : plain).push_back(static_cast<double>(set.wireBytes) / seconds);
        (oursNow ? oursCpu : plainCpu).push_back((CpuSeconds() - cpuStart) / gib);
    }
    // The end of the transfer: what waiting for the printer's stack to
    // acknowledge every byte costs once SR is written.
    std::vector<double> confirmMs;
    UpgradeFileList list;
    int32_t errorIndex = 0;
    if (!BuildSendingList(directory, list, errorIndex)) {
        std::fprintf(stderr, "the firmware set is refused (%d)\n", errorIndex);
        return 1;
    }
    ChannelParams params;
    params.kind = ChannelKind::Tcp;
    params.host = address;
    for (int round = 0; round < rounds; ++round) {
        CPrinterConnection connection(params);
        SrClock clock;
        const Transfer transfer = SendUpgrade(connection, directory, list, clock);
        const uint64_t end = MonotonicNs();
        if (transfer.result != TransferResult::Confirmed || !report.WaitFor(kUpgradeEvent, ++upgrades, 120000)) {
            std::fprintf(stderr, "confirmation round %d did not complete\n", round);
            return 1;
        }
        confirmMs.push_back(static_cast<double>(end - clock.srAtNs) / 1e6);
    }
    if (report.Seen("protocol-error") != 0) {
        std::fprintf(stderr, "the printer reported protocol errors\n");
        return 1;
    }

    const double ratio = Median(ours) / Median(plain);
    ResultFields fields;
    fields.Add("firmware_bytes", static_cast<long long>(set.dataBytes))
        .Add("rounds", static_cast<long long>(rounds))
        .Add("page4_mib_per_s", Median(ours) / kMiB, 1)
        .Add("baseline_mib_per_s", Median(plain) / kMiB, 1)
        .Add("page4_cpu_s_per_gib", Median(oursCpu), 2)
        .Add("baseline_cpu_s_per_gib", Median(plainCpu), 2)
        .Add("confirm_ms", Median(confirmMs), 2)
        .Add("ratio", ratio)
        .Add("target", std::string(">= 0.9"))
        .Add("met", ratio >= 0.9);
    PublishResult("tcp_throughput", fields);
    return 0;
}
