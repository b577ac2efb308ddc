// One libFuzzer program per entry function; the build names the entry in
// ORVI_FUZZ_ENTRY. A broken promise stops the run like a memory fault, so
// that libFuzzer keeps the input.
#include "tests/fuzz/fuzz_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (!ORVI_FUZZ_ENTRY(pData, nSize))
        __builtin_trap();
    return 0;
}
