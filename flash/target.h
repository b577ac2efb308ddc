// A printer as the command line names it:
//   tcp:HOST[:PORT]  serial:DEVICE[@BAUD]  parallel:DEVICE
//   dual:SERIAL_DEVICE[@BAUD]+PARALLEL_DEVICE  queue:NAME
// and a targets file, one target a line, optionally followed by a name.
#pragma once

#include "link/channel_params.h"
#include "link/link_failure.h"

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
    // The printer it reaches, whatever it was called (IdentifyTargets): the
    // ledger's key, the lock another orvi-flash run meets, the trace's name.
    std::string identity;
    // What the target opens (its devices, its address, its queue), so that
    // two targets that would open the same one are refused.
    std::vector<std::string> holds;
    // A host name that did not resolve: the target ends unreachable with
    // this failure, and nothing is opened.
    LinkFailure lookupFailure;
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

// Gives each target its identity, and holds in the same terms: a TCP
// printer by the IPv4 address its host resolves to (names looked up once,
// here, at most lookupMs each and several at a time; the connection then
// uses that address) and its port; a serial or parallel device by the
// device its name leads to (system.h: CanonicalDevice); a queue by its name
// without regard to case.
void IdentifyTargets(std::vector<Target>& targets, uint32_t lookupMs);

// false with a message when two targets are one printer, or name the same
// device (COM1 and com1, /dev/ttyUSB0 and a link to it): a device is never
// opened twice at once. Run after IdentifyTargets.
bool RefuseDuplicates(const std::vector<Target>& targets, std::string& error);
