// What only the CUPS side of the spooler channel has.
#pragma once

#include "link/spooler_channel.h"

// How long any call of the channel waits without a word from the scheduler
// before it gives up; libcups would wait on a hung scheduler for ever, and
// the wizard with it.
inline constexpr int kSpoolerSilenceLimitMs = 60000;

// OpenSpoolerChannel with another silence limit for the channel's calls.
ChannelHandle OpenSpoolerChannelWithin(const std::string& strPrinterName, const std::string& strDocumentName,
                                       int nSilenceLimitMs);
