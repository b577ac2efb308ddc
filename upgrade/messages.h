// What the user is told of an exchange, as ids of the string table: the
// status line's first byte, and the step that failed. The wizard's pages
// show these messages; orvi-flash gives them as each printer's message.
#pragma once

#include "upgrade/exchanges.h"

// '0'..'4' give 116..120 (ready, no card, not formatted, no space,
// write-protected); any other byte gives 121 (no proper status).
int StatusStringId(unsigned char firstByte);

inline constexpr int kStatusReadyId = 116;
inline constexpr int kStatusUnknownId = 121;

// The message of a failed step: 105 the port did not open, 109 a command or
// header was not sent, 110 no status line, 114 a firmware file did not
// open, 115 a piece or SR was not sent or not confirmed. 0 for a stop the
// caller asked for, which the wizard never asks and has no message for.
int FailureStringId(ExchangeFailure failure);
