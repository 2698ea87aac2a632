#pragma once
// What a conversion run asks of the user interface that started it: the window
// answers with dialogs, the command line with the terminal, tests with a fake.

#include <cstdint>
#include <string>

namespace tessaly {

enum class MessageIcon { Information, Exclamation };

class RunHost {
public:
    virtual ~RunHost() = default;

    // The output folder, or "" when the user cancels.
    virtual std::string BrowseForFolder(const std::string& prompt) = 0;

    // A message box with an OK button. Lines of `text` are joined with CR LF.
    virtual void showMessage(const std::string& title, const std::string& text, MessageIcon icon) = 0;

    // The progress caption, "(" N ") vCards Saved", after each card.
    virtual void showProgress(std::int32_t cardsSaved, const std::string& caption) = 0;

    // A chance to process window events during long work.
    virtual void processEvents() {}

    // True once the user asked the run to stop.
    virtual bool stopRequested() { return false; }
};

}  // namespace tessaly
