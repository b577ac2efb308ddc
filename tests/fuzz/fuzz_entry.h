// The fuzzers' entry functions. The libFuzzer programs call them with each
// generated input, and the regression tests with every saved one, so a
// case found once keeps running in the ordinary test run. Each returns 1
// when the code under test kept its promises for the input, else 0; a
// memory fault is the sanitizers' to report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The input as "l11config.bld" beside a small firmware set, through the
// real parser and file access.
int FuzzConfigParser(const uint8_t* pData, size_t nSize);

// The input as the text of a Wine user.reg, read for the stored port
// settings' key and for one short key.
int FuzzWineRegistry(const uint8_t* pData, size_t nSize);

// The input as bytes arriving at the simulated printer: the first byte
// chooses how the rest is cut into pieces, and every cutting must read the
// same events.
int FuzzCommandParser(const uint8_t* pData, size_t nSize);

// The events the simulated printer's parser reads from a stream, one record
// each ("KU", "DT 10 name", "data:" and a run of data, "error:" and why,
// then "end" or "cut:" and why), the stream fed in pieces whose lengths are
// the bytes of pieces in turn (each % 67 + 1), or at once when pieces is
// empty. 0 when the parser broke a promise of its interface.
int CommandParserEvents(const unsigned char* p, size_t n, const std::string& pieces, std::vector<std::string>& events);
