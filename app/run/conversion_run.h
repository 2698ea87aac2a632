#pragma once
// The conversion run: asks the host for the output folder, opens the chosen
// target, reads every source file into it, closes it and reports the end. It
// knows nothing of windows or terminals; the host gives it what only a user
// interface can.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/run/conversion_target.h"
#include "app/run/run_host.h"
#include "app/run/run_report.h"
#include "vcard/line_reader.h"

namespace tessaly {

struct RunSource {
    std::filesystem::path path;
    bool isFolder = false;  // a folder: all its .vcf files
};

// Fixed when the run starts; changing the window's options during a run does
// not change it.
struct RunOptions {
    ReadMode mode = ReadMode::Normal;
    TargetKind target = TargetKind::Worksheet;
};

struct RunResult {
    bool started = false;       // false: the folder choice was cancelled
    bool targetFailed = false;  // the target could not be created or written
    std::int32_t cardsConverted = 0;  // cards the target took (not those it reported as left out)
    std::filesystem::path output;  // the target's file, once closed
    bool folderWithoutVcardFiles = false;  // the source folder lists no .vcf entry at all
    RunReport report;
};

using TargetMaker = std::function<std::unique_ptr<ConversionTarget>(TargetKind)>;

// The three lines every finished run ends with, joined by CR LF.
std::string finalMessage();

RunResult runConversion(const RunSource& source, const RunOptions& options, RunHost& host,
                        const TargetMaker& makeTargetOfKind = makeTarget);

}  // namespace tessaly
