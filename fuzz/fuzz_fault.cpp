#include "fuzz/fuzz_fault.h"

#include <cstdio>
#include <cstdlib>

namespace tessaly::fuzz {

void fuzzFault(const char* target, const std::string& what) {
    std::fprintf(stderr, "tessaly fuzz %s: %s\n", target, what.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace tessaly::fuzz
