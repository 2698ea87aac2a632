// A libFuzzer program: each input goes to the entry point that
// TESSALY_FUZZ_TARGET names (see fuzz_entry_points.h).

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_entry_points.h"

namespace {

decltype(tessaly::fuzz::FuzzEntryPoint::run) entryPoint() {
    for (const tessaly::fuzz::FuzzEntryPoint& entry : tessaly::fuzz::fuzzEntryPoints())
        if (std::strcmp(entry.name, TESSALY_FUZZ_TARGET) == 0) return entry.run;
    std::fprintf(stderr, "no fuzz entry point is named %s\n", TESSALY_FUZZ_TARGET);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto run = entryPoint();
    run(data, size);
    return 0;
}
