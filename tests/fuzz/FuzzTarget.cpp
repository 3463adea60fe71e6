// The libFuzzer entry of one target; the build names the entry point it calls.
#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TAVRO_FUZZ_ENTRY(data, size);
    return 0;
}
