#pragma once
// LibreOffice's headless converter, a sheet reader nobody on this team wrote:
// it reads a sheet and writes it again in another format, which a test reads.

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace tessaly::testing {

// The --convert-to argument that makes UTF-8 CSV, comma-separated, texts
// quoted with '"' where they need it.
inline const std::string kLibreOfficeCsv = "csv:Text - txt - csv (StarCalc):44,34,76";

// Converts `sheets` to `format` (a --convert-to argument) in one call, into
// `work`/`outputFolder`, each file keeping its name with the format's
// extension. The profile folder is `work`/profile, the caller's own, so that
// tests running at once do not meet.
CommandResult libreOfficeConvert(const std::filesystem::path& work, const std::string& format,
                                 const std::string& outputFolder, const std::vector<std::filesystem::path>& sheets);

}  // namespace tessaly::testing
