// Where the fleet figures' printers listen: the index-th (from 0) on port
// 2864 of 127.1.B.C, 250 to a B. They are addresses of the benchmark's own
// network namespace, so nothing else on the machine can hold them.
#pragma once

#include <string>

inline std::string FleetAddress(int index)
{
    return "127.1." + std::to_string(index / 250) + "." + std::to_string(1 + index % 250);
}

inline constexpr int kFleetPort = 2864;
