// The simulator's command line.
#pragma once

#include "tools/printer-sim/serve.h"
#include "tools/printer-sim/status_answers.h"

#include <string>
#include <vector>

enum class Transport { kTcp, kPty, kDual };

struct SimOptions {
    Transport transport = Transport::kTcp;
    std::string tcpAddress = "127.0.0.1:2864";
    // TCP: the socket's receive buffer, in bytes; 0 leaves the system's. A
    // small one keeps the kernel from acknowledging for a printer that has
    // stopped reading.
    int receiveBuffer = 0;
    std::string ptyLink;
    std::string serialLink;
    std::string parallelLink;
    std::vector<StatusAnswer> statuses;   // "0" unless --status says otherwise
    std::string outDir;
    std::string reportFile;
    ServeOptions serve;
    int help = 0;
};

// Returns 0 with the reason in `error` for a command line it cannot use.
int ParseSimOptions(int argc, char** argv, SimOptions& options, std::string& error);

extern const char kSimUsage[];
