// A printer as the command line names it:
//   tcp:HOST[:PORT]  serial:DEVICE[@BAUD]  parallel:DEVICE
//   dual:SERIAL_DEVICE[@BAUD]+PARALLEL_DEVICE  queue:NAME
// and a targets file, one target a line, optionally followed by a name.
#pragma once

#include "link/channel_params.h"

#include <string>
#include <vector>

struct Target {
    // The target in one spelling (port and baud rate written out), which
    // the ledger and the output use.
    std::string text;
    // What the output calls it: the name after it in a targets file, or
    // its text.
    std::string name;
    ChannelParams params;
    // What the target opens (its devices, its address, its queue), so that
    // two targets that would open the same one are refused.
    std::vector<std::string> holds;
    // Its trace's file name, unique among the run's targets.
    std::string traceFile;
};

// Reads one target. false with a message that says what is wrong.
bool ParseTarget(const std::string& text, Target& target, std::string& error);

// A targets file is read no further than this; one for a thousand printers
// takes a few dozen KiB.
inline constexpr size_t kMaxTargetsFileBytes = 1024 * 1024;
inline constexpr size_t kMaxTargetsLineBytes = 1024;

// Adds the targets of a targets file: one per line, then optionally a name;
// double quotes keep spaces in either (queue:"Shipping L11" "dock 3"); '#'
// at the start of a word begins a comment. A UTF-8 byte-order mark is
// passed over; UTF-16 text, a file above kMaxTargetsFileBytes or a line
// above kMaxTargetsLineBytes is refused. false with a message.
bool ReadTargetsFile(const std::string& path, std::vector<Target>& targets, std::string& error);

// false with a message when a target is given twice, or two targets name
// the same device (COM1 and com1 are one port): a device is never opened
// twice at once.
bool RefuseDuplicates(const std::vector<Target>& targets, std::string& error);
