#include "bench/command_line.h"

#include <cstdlib>
#include <cstring>

uint64_t ArgValue(int argc, char** argv, const char* name, uint64_t fallback)
{
    const std::string text = ArgText(argc, argv, name);
    return text.empty() ? fallback : std::strtoull(text.c_str(), nullptr, 10);
}

std::string ArgText(int argc, char** argv, const char* name)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return argv[i + 1];
    return std::string();
}
