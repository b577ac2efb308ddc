// The connection modes, numbered as the mode radio buttons on page 2.
#pragma once

#include <cstdint>

using CommMode = int32_t;

inline constexpr CommMode Com = 0;
inline constexpr CommMode Lpt = 1;
inline constexpr CommMode Dual = 2;
inline constexpr CommMode Network = 3;
inline constexpr CommMode TcpIp = 4;
// Any other value (-1 when no button is selected) selects no channel.
