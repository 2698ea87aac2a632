#pragma once
// The run host of the command line: the output folder comes from the
// arguments, messages are kept for the command to print, progress goes to
// standard error, and Ctrl-C asks the run to stop (what was converted so far
// is kept).

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/run/run_host.h"

namespace tessaly {

class TerminalHost : public RunHost {
public:
    explicit TerminalHost(std::string outputFolder, std::FILE* err = stderr);
    ~TerminalHost() override;

    std::string BrowseForFolder(const std::string& prompt) override;
    void showMessage(const std::string& title, const std::string& text, MessageIcon icon) override;
    void showProgress(std::int32_t cardsSaved, const std::string& caption) override;
    bool stopRequested() override;

    // Writes the last progress caption for good (once, at the end of a run).
    void finishProgress();

    // The messages the run showed, lines ending in LF.
    const std::string& messages() const { return messages_; }

private:
    std::string outputFolder_;
    std::FILE* err_;
    bool liveProgress_;  // standard error is a terminal: rewrite the caption in place
    std::chrono::steady_clock::time_point lastShown_{};
    std::string caption_;
    bool shownOnce_ = false;
    std::string messages_;
};

}  // namespace tessaly
