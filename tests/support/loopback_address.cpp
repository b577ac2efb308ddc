#include "tests/support/loopback.h"

#include <random>

std::string LoopbackAddress(int lastOctet)
{
    static std::random_device seed;
    static const std::string network =
        "127." + std::to_string(1 + seed() % 250) + "." + std::to_string(seed() % 250) + ".";
    return network + std::to_string(lastOctet >= 0 ? lastOctet : 2 + static_cast<int>(seed() % 250));
}
