// libFuzzer's entry for one target, chosen by FUZZ_TARGET when the binary is built.

#include "FuzzTargets.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FUZZ_TARGET(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
