// libFuzzer's entry point, the same for every target.
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return torvexa::fuzz::FuzzOne(data, size);
}
