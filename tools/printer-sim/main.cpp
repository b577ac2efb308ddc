// orvi-printer-sim: a stand-in for the label printer, for trying out and
// testing the upgrade without one. See the README for the command line.
#include "tools/printer-sim/options.h"
#include "tools/printer-sim/printer_state.h"
#include "tools/printer-sim/pty_port.h"
#include "tools/printer-sim/serve.h"
#include "tools/printer-sim/stop_signals.h"
#include "tools/printer-sim/tcp_port.h"

#include <cstdio>
#include <memory>

namespace {

int Fail(const std::string& error)
{
    std::fprintf(stderr, "orvi-printer-sim: %s\n", error.c_str());
    return 1;
}

// Opens the ports the command line asks for and says where they listen.
int OpenPorts(const SimOptions& options, std::vector<std::unique_ptr<Port>>& ports, std::string& startLine,
              std::string& error)
{
    if (options.transport == Transport::kTcp) {
        auto tcp = std::make_unique<TcpPort>();
        if (!tcp->Listen(options.tcpAddress, options.receiveBuffer, error))
            return 0;
        startLine = "listening tcp " + tcp->Where();
        ports.push_back(std::move(tcp));
        return 1;
    }
    if (options.transport == Transport::kPty) {
        auto pty = std::make_unique<PtyPort>("pty");
        if (!pty->Create(options.ptyLink, error))
            return 0;
        startLine = "listening pty " + pty->Where();
        ports.push_back(std::move(pty));
        return 1;
    }
    auto serial = std::make_unique<PtyPort>("serial");
    auto parallel = std::make_unique<PtyPort>("parallel");
    if (!serial->Create(options.serialLink, error) || !parallel->Create(options.parallelLink, error))
        return 0;
    startLine = "listening dual " + serial->Where() + " " + parallel->Where();
    ports.push_back(std::move(serial));
    ports.push_back(std::move(parallel));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    SimOptions options;
    std::string error;
    if (!ParseSimOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "orvi-printer-sim: %s\n%s", error.c_str(), kSimUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kSimUsage, stdout);
        return 0;
    }

    // Blocked before any port exists, so a signal sent as soon as the start
    // line appears is never lost.
    sigset_t waitMask;
    if (!InstallStopSignals(waitMask))
        return Fail("cannot set up signal handling");

    PrinterState printer(options.statuses);
    if (!options.reportFile.empty() && !printer.report.Open(options.reportFile, error))
        return Fail(error);
    if (!options.outDir.empty() && !printer.out.Open(options.outDir, error))
        return Fail(error);

    std::vector<std::unique_ptr<Port>> ports;
    std::string startLine;
    if (!OpenPorts(options, ports, startLine, error))
        return Fail(error);
    std::printf("%s\n", startLine.c_str());
    std::fflush(stdout);

    std::vector<Port*> served;
    for (auto& port : ports)
        served.push_back(port.get());
    if (!Serve(served, printer, options.serve, waitMask, error))
        return Fail(error);
    return 0;
}
