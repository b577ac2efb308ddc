// What every channel kind shares: the handle that names one open channel.
#pragma once

#include <cstdint>

// A device handle, a spooler printer handle or the address of a socket
// object; the connection mode alone says which.
using ChannelHandle = intptr_t;

// What every channel open returns on failure: all bits set.
inline constexpr ChannelHandle InvalidChannel = -1;
