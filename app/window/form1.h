#pragma once
// Form1, Tessaly's one window: the source (a .vcf file or a folder), the
// reading mode, the target, and the Convert button that starts a run. The
// window is a host of the conversion run: it answers the run's questions
// with its dialogs, shows the count as cards are saved, and keeps its event
// loop turning while the run reads.

#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/run/conversion_run.h"
#include "app/run/run_host.h"
#include "app/window/event_throttle.h"
#include "app/window/window_dialogs.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tessaly {

class Form1 : public QWidget, public RunHost {
public:
    // Sets the application's look before any window exists: the desktop's
    // own style, or Fusion where the platform offers none.
    static void Form_Initialize();

    explicit Form1(WindowDialogs& dialogs, const TargetMaker& makeTargetOfKind = makeTarget);

    // The handlers of the window's controls.
    void Form_Load();
    void CmdBrowse_Click();
    void Command1_Click();
    void CmdSplit_Click();
    void cmdEnd_Click();

    // A source chosen before the window opens (`tessaly FILE.vcf`): a file or
    // a folder, as if chosen with the buttons.
    void chooseSource(const std::string& path);

    // The run's questions.
    std::string BrowseForFolder(const std::string& prompt) override;
    void showMessage(const std::string& title, const std::string& text, MessageIcon icon) override;
    void showProgress(std::int32_t cardsSaved, const std::string& caption) override;
    void processEvents() override;
    bool stopRequested() override { return stopRequested_; }

    std::int16_t SourceType() const { return SourceType_; }
    const std::string& vCardFolder() const { return vCardFolder_; }
    bool running() const { return running_; }
    // Exit was asked for (the program ends once a run has stopped).
    bool quitRequested() const { return quitRequested_; }
    // Told of every card saved, for tests that act in the middle of a run.
    void setCardObserver(std::function<void(std::int32_t)> observer) { cardObserver_ = std::move(observer); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int twips(int value) const;
    void place(QWidget* control, int left, int top, int width, int height) const;
    void enableChoices(bool enabled);
    void quit();
    // Gives every caption the window's font, bold where the layout says, and
    // narrows one that would not fit its control.
    void fitCaptions();
    // Shows the message the run ended with, as the run ended.
    void showRunMessage(const RunSource& source, const RunResult& result, TargetKind target);
    // The final message with, after its first lines, where the output went
    // (and that a source folder had no .vcf file).
    static std::string withWhereTheOutputWent(std::string message, const RunSource& source, const RunResult& result);

    WindowDialogs& dialogs_;
    TargetMaker makeTargetOfKind_;
    EventThrottle events_;
    double dpi_ = 96;

    QLabel* Image2;
    QLabel* Label4;
    QLineEdit* txtvCFPath;
    QPushButton* CmdBrowse;
    QPushButton* Command1;
    QRadioButton* OptNormal;
    QRadioButton* OptAdvance;
    QLabel* Label2;
    QLabel* Label1;
    QLabel* Image1;
    QLabel* LblProgessCurrent;
    QGroupBox* Frame1;
    QWidget* Picture1;
    QRadioButton* OptXLS;
    QRadioButton* OptPST;
    QPushButton* CmdSplit;
    QWidget* Shape1;
    QWidget* Picture3;
    QPushButton* cmdEnd;
    // The two groups of options: each one tab stop, its arrow keys its own.
    QButtonGroup* modeOptions;
    QButtonGroup* targetOptions;

    std::int16_t SourceType_ = 0;
    std::string vCardFolder_;
    std::string cdlgFileName_;  // the file the file dialog chose
    bool running_ = false;
    bool stopRequested_ = false;
    bool quitRequested_ = false;
    std::function<void(std::int32_t)> cardObserver_;
    std::vector<QWidget*> boldCaptions_;
    // The folder chooser's last answer: the output folder of the run.
    std::string outputFolder_;
    struct RunMessage {
        std::string title, text;
        MessageIcon icon;
    };
    std::optional<RunMessage> runMessage_;
};

// The window's text font: Tahoma 8.25 pt (from the fonts-wine package, which
// fontconfig does not index), else the closest sans-serif at that size.
QFont windowFont();

}  // namespace tessaly
