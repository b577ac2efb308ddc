// Where the serial channel learns whether the printer asserts DSR. The
// driver answers for a real port. A test of the flow control installs a
// source of its own: no device on a test machine has modem lines (a
// pseudo-terminal reports none), yet what the channel does when DSR drops
// and rises must be shown on real bytes through a real pseudo-terminal.
#pragma once

enum class DsrLine {
    // The device reports no modem lines: nothing to wait for.
    NotReported,
    Asserted,
    Dropped,
};

using ModemLineSource = DsrLine (*)(int fd, void* pContext);

// Installs another source; nullptr gives the driver's back.
void SetModemLineSource(ModemLineSource source, void* pContext);

// DSR of the open device fd, as the installed source reports it.
DsrLine ReadDsrLine(int fd);
