// The printer queues the spooler knows, for page 2's printer list: those
// installed on this computer, and the connections to printers that other
// computers share. Defined once per platform (printer_enum_posix.cpp over
// CUPS; a Windows file over EnumPrinters).
#pragma once

#include <string>
#include <vector>

// How long one enumeration may wait for the spooler, so that page 2 never
// hangs on a scheduler that does not answer.
inline constexpr int kPrinterEnumTimeoutMs = 2000;

// Each fills vecNames with the queue names of its group in the spooler's
// order and returns 1; no names means "no printer found", which is also the
// answer when the spooler cannot be reached, does not answer within
// nTimeoutMs, or has no queue. Returns 0, with no names, when the spooler
// said it had queues and then failed to list them: the one case the page
// reports with a message of its own.
int EnumLocalPrinters(std::vector<std::string>& vecNames, int nTimeoutMs = kPrinterEnumTimeoutMs);
int EnumPrinterConnections(std::vector<std::string>& vecNames, int nTimeoutMs = kPrinterEnumTimeoutMs);
