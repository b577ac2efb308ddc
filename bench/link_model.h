// The link the fleet figures run over: a private network namespace whose
// loopback behaves like a printer's link rather than like memory. Its MTU
// is Ethernet's, a socket's send buffer grows to 64 KiB at most, and each
// printer (bench/fleet_printer.cpp) offers a small receive buffer and reads
// at a fixed rate. On the machine's own loopback (MTU 65536, buffers of
// megabytes) the kernel takes a whole package at once and the sender is
// done long before any printer has read it, so the time measured would be
// the printers'.
#pragma once

#include <string>

enum class LinkModel {
    Entered,      // this process and its children now use the private link
    NotPermitted, // neither root nor user namespaces: the figure cannot run here
    Failed,       // the namespace was made but could not be set up
};

// Moves this process into a new network namespace (a user namespace too
// when not root) whose loopback is up as the kernel sets it up (MTU 65536,
// the usual buffers). Call it before any thread starts; detail says what
// failed.
LinkModel EnterPrivateNetwork(std::string& detail);

// Then makes that loopback the printer link described above.
LinkModel ShapeAsPrinterLink(std::string& detail);

// Both.
LinkModel EnterPrinterLinkModel(std::string& detail);

// For a benchmark's main: enters the private network, shaped as the printer
// link when asked, or says why it cannot. 0 when entered, else the status
// to exit with: kBenchSkipped without root or user namespaces, 1 when the
// namespace could not be set up.
int EnterForBenchmark(bool printerLink);

// The link model as the results record it.
inline constexpr const char* kLinkModelText =
    "private network namespace; loopback MTU 1500; net.ipv4.tcp_wmem 4096 16384 65536; "
    "each printer a 16 KiB receive buffer (SO_RCVBUF before listen) read at a fixed rate";
