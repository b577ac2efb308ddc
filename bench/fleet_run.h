// One run of a fleet figure, inside the printer link model (link_model.h):
// the fleet printer started for N printers, one sender started against them
// all at once, and how long it took until the last printer had read its
// last byte.
#pragma once

#include "bench/firmware_set.h"

#include <cstdint>
#include <string>

enum class Sender {
    OrviFlash, // orvi-flash upgrade --jobs N
    PlainC,    // bench/plain_sender.c: a process per printer, 1024-byte writes
    Shell,     // bash: cat STREAM > /dev/tcp/ADDRESS/2864 &, a job per printer
};

// Its name in the log and in the results' keys: flash, plain_c, shell.
const char* SenderKey(Sender sender);

struct FleetSetup {
    std::string flashProgram;     // the orvi-flash to measure
    std::string packageDirectory; // the firmware set, ending in '/'
    std::string streamFile;       // the transfer's bytes as one file, for the plain senders
    std::string streamSha256;
    uint64_t streamBytes = 0;
    uint64_t printerRate = 0;     // bytes a second each printer reads; 0: as fast as it can
    int receiveBuffer = 16384;
    std::string scratch;          // a folder for ledgers and output, ending in '/'
};

struct FleetRun {
    bool everyStreamExact = false; // and the sender said it succeeded
    int exactStreams = 0;
    double seconds = 0;            // the sender's start to the last printer's last byte
    int senderExitCode = -1;
    double senderCpuSeconds = 0;
    long senderPeakRssKib = 0;
    double printerCpuSeconds = 0;
    std::string flashOutcomes;     // orvi-flash's summary of outcomes
    std::string flashFirstFailure; // its first outcome other than upgraded
};

// Writes a firmware set of firmwareBytes (pseudo-random) into
// setup.packageDirectory and its stream into setup.scratch, and fills in
// the stream's fields. False, having said why, when it cannot.
bool WriteFleetPackage(uint64_t firmwareBytes, FleetSetup& setup, FirmwareSet& set);

// orvi-flash starts with this soft limit of open files (0: the benchmark's
// own); the plain senders never need many.
FleetRun RunFleet(const FleetSetup& setup, Sender sender, int printers, uint64_t flashDescriptorLimit);
