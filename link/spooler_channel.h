// The spooler job channel: everything written between open and close goes to
// a printer queue as one raw print job. A queue has no return path, so the
// channel cannot be read. Defined once per platform
// (spooler_channel_posix.cpp over CUPS; a Windows file over the spooler).
#pragma once

#include "link/channel.h"

#include <cstdint>
#include <string>

// Opens the queue strPrinterName (as the installed printer list names it) and
// starts one raw document named strDocumentName in it. Returns the channel,
// or InvalidChannel; a failed open leaves no job and no connection behind.
ChannelHandle OpenSpoolerChannel(const std::string& strPrinterName, const std::string& strDocumentName);

// 1 when the spooler knows a queue of that name; no job is made.
int SpoolerQueueExists(const std::string& strPrinterName);

// Hands all nLength bytes to the job in one call; 0 bytes succeed at once.
// Returns 1, or 0 with the system's error code in *pnError. A failed write is
// not retried; the job stays open until the channel is closed.
int WriteSpoolerChannel(ChannelHandle hChannel, const void* pBuffer, int32_t nLength, int32_t* pnError);

// Ends the document, which hands the job to the printer, and releases the
// queue. Returns 1 when the spooler took the job whole. A job that lost data
// in a failed write, or that the spooler refused or cancelled as it ended,
// is withdrawn (the printer never receives a truncated upgrade) and gives 0:
// the bytes a write accepted count as sent only once the job is taken.
int CloseSpoolerChannel(ChannelHandle hChannel);

// Withdraws the job and releases the queue: an exchange that stopped short
// (interrupted, or a file changed on disk) must not reach the printer as a
// truncated or altered upgrade.
void WithdrawSpoolerChannel(ChannelHandle hChannel);
