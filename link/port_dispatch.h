// The four port operations of the wizard sheet: page 2's settings, read at
// the moment of each call, turned into a channel kind and its parameters,
// and handed to the channel table. The sheet owns the two handles and
// passes them in; nothing here remembers a port.
#pragma once

#include "link/channel.h"
#include "link/channel_params.h"
#include "link/port_settings.h"
#include "link/printer_port.h"

#include <cstdint>
#include <string>

// "COM1" for 0, "COM2" for anything else; "LPT1"/"LPT2" likewise.
const char* SerialDeviceName(int32_t nSerialPort);
const char* ParallelDeviceName(int32_t nParallelPort);
// "%d.%d.%d.%d" of the four octets.
std::string FormatIpAddress(const uint8_t octets[4]);

// The channel kind of a connection mode; any value outside 0..4 is none.
ChannelKind KindForMode(CommMode mode);
// The parameters page 2's settings stand for now.
ChannelParams ParamsFromSettings(const IPortSettings& settings, const LinkLimits& limits);

// Opens the channel(s) of the current mode into hPort (and hStatusPort in
// Dual), with the given limits. 1 on success. A failed open holds nothing.
int DispatchOpenPort(const IPortSettings& settings, const LinkLimits& limits, ChannelHandle& hPort,
                     ChannelHandle& hStatusPort);

// Sends the whole buffer; in Dual, on the serial status channel when
// bStatusPort, else on the parallel one. 1 when every byte went out.
int DispatchWritePort(const IPortSettings& settings, ChannelHandle hPort, ChannelHandle hStatusPort,
                      const void* pBuffer, int32_t nLength, bool bStatusPort);

// Reads one LF-terminated line; *pnLength holds the capacity on entry.
int DispatchReadPort(const IPortSettings& settings, const LinkLimits& limits, ChannelHandle hPort,
                     ChannelHandle hStatusPort, void* pBuffer, int32_t* pnLength);

// After the last write: whether the printer's side confirmed every byte.
Delivery DispatchConfirmPort(const IPortSettings& settings, const LinkLimits& limits, ChannelHandle hPort,
                             ChannelHandle hStatusPort);

// Closes what the open opened. 1, except in Network mode when the spooler
// did not take the job whole: the data written was not sent after all.
int DispatchClosePort(const IPortSettings& settings, ChannelHandle hPort, ChannelHandle hStatusPort);

// Closes after an exchange that stopped short: in Network mode the job is
// withdrawn, never printed.
void DispatchAbandonPort(const IPortSettings& settings, ChannelHandle hPort, ChannelHandle hStatusPort);
