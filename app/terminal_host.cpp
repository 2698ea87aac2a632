#include "app/terminal_host.h"

#include <unistd.h>

#include <atomic>
#include <csignal>

namespace tessaly {

namespace {

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int) { interrupted = true; }

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Rewritten at most ten times a second.
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

// Message boxes join lines with CR LF; a terminal wants LF.
std::string terminalLines(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

}  // namespace

TerminalHost::TerminalHost(std::string outputFolder, std::FILE* err)
    : outputFolder_(std::move(outputFolder)), err_(err), liveProgress_(isatty(fileno(err)) != 0) {
    interrupted = false;
    // Ctrl-C, a shutdown's SIGTERM and a closed terminal's SIGHUP all stop
    // the run before the next card: what was converted is kept and no
    // temporary file is left behind.
    for (const int signal : kStopSignals) std::signal(signal, onInterrupt);
}

TerminalHost::~TerminalHost() {
    for (const int signal : kStopSignals) std::signal(signal, SIG_DFL);
}

std::string TerminalHost::BrowseForFolder(const std::string&) { return outputFolder_; }

void TerminalHost::showMessage(const std::string&, const std::string& text, MessageIcon) {
    finishProgress();
    // A run shows one message, at its end; the command decides where it goes
    // once it knows how the run ended.
    messages_ += terminalLines(text) + "\n";
}

void TerminalHost::showProgress(std::int32_t, const std::string& caption) {
    caption_ = caption;
    if (!liveProgress_) return;
    const auto now = std::chrono::steady_clock::now();
    if (shownOnce_ && now - lastShown_ < kProgressInterval) return;
    lastShown_ = now;
    shownOnce_ = true;
    std::fprintf(err_, "\r%s", caption_.c_str());
    std::fflush(err_);
}

void TerminalHost::finishProgress() {
    if (caption_.empty()) return;
    std::fprintf(err_, liveProgress_ ? "\r%s\n" : "%s\n", caption_.c_str());
    std::fflush(err_);
    caption_.clear();
}

bool TerminalHost::stopRequested() { return interrupted; }

}  // namespace tessaly
