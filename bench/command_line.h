// The few options a benchmark takes, so that a quick run by hand can ask
// for less than the figure in the README was measured with.
#pragma once

#include <cstdint>
#include <string>

// The number after `name` on the command line, or fallback.
uint64_t ArgValue(int argc, char** argv, const char* name, uint64_t fallback);

// The text after `name`, or empty.
std::string ArgText(int argc, char** argv, const char* name);
