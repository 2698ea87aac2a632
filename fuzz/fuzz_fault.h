#pragma once
// How a fuzz entry point reports a broken rule: it says which and why on
// standard error and aborts, which libFuzzer records as a crash (saving the
// input) and which fails the regression test that replays the input.

#include <string>

namespace tessaly::fuzz {

[[noreturn]] void fuzzFault(const char* target, const std::string& what);

}  // namespace tessaly::fuzz
