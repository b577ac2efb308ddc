// A CUPS scheduler of a script's own, with one raw queue: for the Windows
// program's printer-queue test, whose spooler (Wine's) reads the queues
// once, when the program starts, so the scheduler must be up before it.
//   private-cupsd QUEUE DEVICE_URI
// Prints "CUPS_SERVER=SOCKET" once the queue takes jobs, then runs until it
// is asked to end (SIGTERM or SIGINT), and stops the scheduler.
#include "tests/support/private_cupsd.h"

#include <csignal>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: private-cupsd QUEUE DEVICE_URI\n");
        return 2;
    }
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    sigprocmask(SIG_BLOCK, &ending, nullptr);
    PrivateCupsd cupsd;
    if (!cupsd.Running() || !cupsd.AddRawQueue(argv[1], argv[2])) {
        std::fprintf(stderr, "private-cupsd: the scheduler or its queue did not start\n");
        return 1;
    }
    std::printf("CUPS_SERVER=%s\n", cupsd.SocketPath().c_str());
    std::fflush(stdout);
    int sig = 0;
    sigwait(&ending, &sig);
    return 0;
}
