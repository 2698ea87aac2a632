#pragma once
// Every .pst file a test writes is also checked by the verifier, rule by rule:
// readers are lenient, Outlook is not.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "pst/verify/verify_pst.h"

namespace tessaly::testing {

inline void expectValidPst(const std::filesystem::path& path) {
    const auto report = pst::verify::verifyPstFile(path);
    std::string found;
    for (const auto& violation : report.violations) found += pst::verify::describe(violation) + "\n";
    EXPECT_TRUE(report.passed()) << path.string() << ":\n" << found;
}

}  // namespace tessaly::testing
