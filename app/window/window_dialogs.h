#pragma once
// The dialogs the window opens: the vCard file dialog, the folder chooser
// and message boxes. The window reaches them through this interface, so that
// tests can answer in their place.

#include <string>

#include "app/run/run_host.h"

class QWidget;

namespace tessaly {

class WindowDialogs {
public:
    virtual ~WindowDialogs() = default;
    // One .vcf file (the one filter "vCard File (*.vcf)"), or "" when cancelled.
    virtual std::string chooseVcardFile(QWidget* owner) = 0;
    // A file-system folder, or "" when cancelled; `prompt` is the dialog's text.
    virtual std::string chooseFolder(QWidget* owner, const std::string& prompt) = 0;
    // A message box with an OK button only; lines of `text` end in CR LF.
    virtual void showMessage(QWidget* owner, const std::string& title, const std::string& text, MessageIcon icon) = 0;
};

// The desktop's own dialogs.
class QtDialogs : public WindowDialogs {
public:
    std::string chooseVcardFile(QWidget* owner) override;
    std::string chooseFolder(QWidget* owner, const std::string& prompt) override;
    void showMessage(QWidget* owner, const std::string& title, const std::string& text, MessageIcon icon) override;
};

}  // namespace tessaly
