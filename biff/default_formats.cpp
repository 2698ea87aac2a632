#include "biff/default_formats.h"

namespace tessaly {

namespace {

// Raw strings: each backslash below is one backslash of the format text, and
// the currency sign stands in double quotes after the number.
const std::array<std::string_view, 24> kFormats = {
    R"(General)",
    R"(0)",
    R"(0.00)",
    R"(#,##0)",
    R"(#,##0.00)",
    R"(#,##0\ "$";\-#,##0\ "$")",
    R"(#,##0\ "$";[Red]\-#,##0\ "$")",
    R"(#,##0.00\ "$";\-#,##0.00\ "$")",
    R"(#,##0.00\ "$";[Red]\-#,##0.00\ "$")",
    R"(0%)",
    R"(0.00%)",
    R"(0.00E+00)",
    R"(dd/mm/yy)",
    R"(dd/\ mmm\ yy)",
    R"(dd/\ mmm)",
    R"(mmm\ yy)",
    R"(h:mm\ AM/PM)",
    R"(h:mm:ss\ AM/PM)",
    R"(hh:mm)",
    R"(hh:mm:ss)",
    R"(dd/mm/yy\ hh:mm)",
    R"(##0.0E+0)",
    R"(mm:ss)",
    R"(@)",
};

}  // namespace

const std::array<std::string_view, 24>& defaultNumberFormats() { return kFormats; }

}  // namespace tessaly
