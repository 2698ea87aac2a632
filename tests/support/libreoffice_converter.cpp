#include "support/libreoffice_converter.h"

namespace tessaly::testing {

CommandResult libreOfficeConvert(const std::filesystem::path& work, const std::string& format,
                                 const std::string& outputFolder, const std::vector<std::filesystem::path>& sheets) {
    std::string command = "cd " + shellQuote(work.string()) + " && soffice -env:UserInstallation=file://" +
                          (work / "profile").string() + " --headless --convert-to " + shellQuote(format) +
                          " --outdir " + shellQuote(outputFolder);
    for (const auto& sheet : sheets) command += " " + shellQuote(sheet.string());
    return runCommand(command);
}

}  // namespace tessaly::testing
