// The libFuzzer entry of one target, named by TAVLO_FUZZ_TARGET when compiled.
#include <cstdio>
#include <cstdlib>

#include "fuzz_target.h"

namespace tavlo::fuzz {
void check(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "property does not hold: %s\n", what);
    std::abort();
}
}  // namespace tavlo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return tavlo::fuzz::TAVLO_FUZZ_TARGET(data, size);
}
