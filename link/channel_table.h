// The channel kinds, one row of operations each (open, write, read, close),
// over a connection's two handles: the port, and in Dual the status line.
// The caller owns the handles; nothing here remembers a port.
#pragma once

#include "link/channel.h"
#include "link/channel_params.h"
#include "link/printer_port.h"

#include <cstdint>

inline constexpr unsigned char kLineTerminator = 10;
// The name of the raw print job that carries an upgrade to a printer queue.
inline constexpr const char* kSpoolerDocumentName = "Orvi Upgrade";

// Each operation says why it failed (LinkFailure): the reason the channel's
// error code stands for.

// Opens the channel(s) of the kind into hPort (and hStatusPort in Dual). A
// failed open holds nothing.
LinkResult OpenChannels(const ChannelParams& params, ChannelHandle& hPort, ChannelHandle& hStatusPort);

// The whole buffer; in Dual, on the status line when bStatusLine.
LinkResult WriteChannels(ChannelKind kind, ChannelHandle hPort, ChannelHandle hStatusPort, const void* pBuffer,
                         int32_t nLength, bool bStatusLine);

// One LF-terminated line within the limits' per-byte and whole-line
// limits; *pnLength holds the capacity on entry, and what the kind leaves
// there after (each channel kind says what).
LinkResult ReadChannelLine(ChannelKind kind, const LinkLimits& limits, ChannelHandle hPort,
                           ChannelHandle hStatusPort, void* pBuffer, int32_t* pnLength);

// After the last write: whether the printer's side confirmed every byte
// written, waiting within the limits (a printer queue cannot tell).
DeliveryResult ConfirmChannels(ChannelKind kind, const LinkLimits& limits, ChannelHandle hPort,
                               ChannelHandle hStatusPort);

// Bytes written that the printer's side has not confirmed yet; 0 where the
// system does not say.
uint64_t UnconfirmedBytes(ChannelKind kind, ChannelHandle hPort);

// Closes what the open opened. Failed only for a printer-queue job that the
// spooler did not take whole.
LinkResult CloseChannels(ChannelKind kind, ChannelHandle hPort, ChannelHandle hStatusPort);

// Closes after an exchange that stopped short: a printer queue's job is
// withdrawn, never printed; other kinds close.
void AbandonChannels(ChannelKind kind, ChannelHandle hPort, ChannelHandle hStatusPort);
