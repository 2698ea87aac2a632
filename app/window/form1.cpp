#include "app/window/form1.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QSvgRenderer>

#include <algorithm>
#include <filesystem>


// The artwork is compiled into this static library: its resources are
// registered by hand (Q_INIT_RESOURCE works outside any namespace only).
static void registerArtwork() { Q_INIT_RESOURCE(artwork); }

namespace tessaly {

namespace {

// The client area, in twips (1/1440 inch; 15 to a pixel at 96 dpi).
constexpr int kClientWidth = 11490;
constexpr int kClientHeight = 6525;

// Lines of a message box's text end in CR LF.
const char* const kLineBreak = "\r\n";

QString qt(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// A filled rectangle with a border, drawn behind the bottom bar.
class RectangleShape : public QWidget {
public:
    RectangleShape(QWidget* parent, QColor fill, QColor border) : QWidget(parent), fill_(fill), border_(border) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), fill_);
        painter.setPen(border_);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    QColor fill_, border_;
};

QPixmap artwork(const QString& name, QSize size) {
    QSvgRenderer renderer(QStringLiteral(":/tessaly/") + name);
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

// A control's own colour while it can be used; disabled, it is drawn in the
// style's disabled colour like every other control.
void setTextColor(QWidget* control, QPalette::ColorRole role, const char* color) {
    QPalette palette = control->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, role, QColor(color));
    control->setPalette(palette);
}

void setBackground(QWidget* control, const char* color) {
    QPalette palette = control->palette();
    palette.setColor(QPalette::Window, QColor(color));
    control->setPalette(palette);
}

std::string withTrailingSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace

QFont windowFont() {
    // Only the regular face is registered: the bold face fonts-wine ships for
    // Tahoma has regular-weight outlines, and with no bold face to pick the
    // font engine emboldens the regular one.
    static const QString family = [] {
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
        return QFontDatabase::families().contains(QStringLiteral("Tahoma"))
                   ? QStringLiteral("Tahoma")
                   : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    QFont font(family);
    font.setPointSizeF(8.25);
    if (family != QStringLiteral("Tahoma")) font.setStyleHint(QFont::SansSerif);
    return font;
}

void Form1::Form_Initialize() {
    // Qt takes the desktop's style; the bare "Windows" style is what it falls
    // back to where the platform names none.
    if (QApplication::style() == nullptr || QApplication::style()->name().compare(QStringLiteral("windows"), Qt::CaseInsensitive) == 0)
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

Form1::Form1(WindowDialogs& dialogs, const TargetMaker& makeTargetOfKind)
    : dialogs_(dialogs), makeTargetOfKind_(makeTargetOfKind), events_([] { QCoreApplication::processEvents(); }) {
    registerArtwork();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) dpi_ = screen->logicalDotsPerInch();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tessaly v3.7"));
    setWindowIcon(QIcon(artwork(QStringLiteral("tessaly.svg"), QSize(256, 256))));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(windowFont());
    setFixedSize(twips(kClientWidth), twips(kClientHeight));

    const auto named = [](QWidget* control, const char* name) {
        control->setObjectName(QString::fromLatin1(name));
        return control;
    };
    Image2 = static_cast<QLabel*>(named(new QLabel(this), "Image2"));
    Image2->setPixmap(artwork(QStringLiteral("banner.svg"), QSize(twips(11505), twips(2130))));
    place(Image2, 0, 0, 11505, 2130);
    Label4 = static_cast<QLabel*>(named(new QLabel(QStringLiteral("Select vCard (.vcf) File(s)"), this), "Label4"));
    place(Label4, 240, 2400, 8535, 255);
    txtvCFPath = static_cast<QLineEdit*>(named(new QLineEdit(this), "txtvCFPath"));
    txtvCFPath->setReadOnly(true);
    setTextColor(txtvCFPath, QPalette::Text, "#0000C0");
    place(txtvCFPath, 240, 2640, 6495, 375);
    CmdBrowse = static_cast<QPushButton*>(named(new QPushButton(QStringLiteral("Browse vCard File..."), this), "CmdBrowse"));
    place(CmdBrowse, 6840, 2640, 2055, 375);
    Command1 = static_cast<QPushButton*>(named(new QPushButton(QStringLiteral("Browse Folder..."), this), "Command1"));
    place(Command1, 9120, 2640, 2055, 375);
    OptNormal = static_cast<QRadioButton*>(named(new QRadioButton(QStringLiteral("Normal Mode"), this), "OptNormal"));
    OptNormal->setChecked(true);
    place(OptNormal, 240, 3120, 1815, 255);
    OptAdvance = static_cast<QRadioButton*>(named(new QRadioButton(QStringLiteral("Advance Mode"), this), "OptAdvance"));
    setTextColor(OptAdvance, QPalette::WindowText, "#C00000");
    place(OptAdvance, 2160, 3120, 1575, 255);
    Label2 = static_cast<QLabel*>(named(new QLabel(QStringLiteral("(If Normal Mode fails to import vCards)"), this), "Label2"));
    setTextColor(Label2, QPalette::WindowText, "#0000FF");
    place(Label2, 3840, 3150, 5655, 255);
    Label1 = static_cast<QLabel*>(named(new QLabel(QStringLiteral("Saving vCards..."), this), "Label1"));
    place(Label1, 240, 3480, 8535, 255);
    Image1 = static_cast<QLabel*>(named(new QLabel(this), "Image1"));
    Image1->setPixmap(artwork(QStringLiteral("progress.svg"), QSize(twips(330), twips(330))));
    place(Image1, 240, 3795, 330, 330);
    LblProgessCurrent = static_cast<QLabel*>(named(new QLabel(QStringLiteral("(0) vCard Saved"), this), "LblProgessCurrent"));
    setTextColor(LblProgessCurrent, QPalette::WindowText, "#000000");
    place(LblProgessCurrent, 720, 3840, 8055, 255);
    Frame1 = static_cast<QGroupBox*>(named(new QGroupBox(QStringLiteral(" Saving Options "), this), "Frame1"));
    place(Frame1, 240, 4200, 10935, 855);
    Picture1 = named(new QWidget(Frame1), "Picture1");
    place(Picture1, 120, 240, 10695, 495);
    OptXLS = static_cast<QRadioButton*>(named(new QRadioButton(QStringLiteral("Excel/CSV (.xls)"), Picture1), "OptXLS"));
    OptXLS->setChecked(true);
    place(OptXLS, 0, 120, 1815, 255);
    OptPST = static_cast<QRadioButton*>(named(new QRadioButton(QStringLiteral("Outlook (.pst)"), Picture1), "OptPST"));
    place(OptPST, 2880, 120, 1815, 255);
    CmdSplit = static_cast<QPushButton*>(named(new QPushButton(QStringLiteral("Convert vCards"), this), "CmdSplit"));
    CmdSplit->setEnabled(false);
    place(CmdSplit, 4320, 5160, 2535, 495);
    Shape1 = named(new RectangleShape(this, QColor("#FFFFFF"), QColor("#C0C0C0")), "Shape1");
    place(Shape1, -120, 5880, 11655, 855);
    Picture3 = named(new QWidget(this), "Picture3");
    Picture3->setAutoFillBackground(true);
    setBackground(Picture3, "#FFFFFF");
    place(Picture3, 120, 6000, 11415, 495);
    cmdEnd = static_cast<QPushButton*>(named(new QPushButton(QStringLiteral("E&xit"), Picture3), "cmdEnd"));
    place(cmdEnd, 9600, 0, 1455, 375);

    // Options that share a parent form one group for Qt, whatever their
    // place: the target options inside Frame1 would join the mode options,
    // leaving one tab stop for all four and arrow keys that cross from one
    // pair into the other. A group of their own for each pair.
    modeOptions = new QButtonGroup(this);
    modeOptions->addButton(OptNormal);
    modeOptions->addButton(OptAdvance);
    targetOptions = new QButtonGroup(this);
    targetOptions->addButton(OptXLS);
    targetOptions->addButton(OptPST);
    // Tab stops at the selected option of a group; the arrow keys reach the
    // others (and select them).
    for (QButtonGroup* group : {modeOptions, targetOptions}) {
        const auto tabToSelected = [group] {
            for (QAbstractButton* option : group->buttons())
                option->setFocusPolicy(option->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
        };
        tabToSelected();
        connect(group, &QButtonGroup::buttonToggled, this, tabToSelected);
    }

    setTabOrder(txtvCFPath, CmdBrowse);
    setTabOrder(CmdBrowse, CmdSplit);
    setTabOrder(CmdSplit, cmdEnd);
    setTabOrder(cmdEnd, Command1);
    setTabOrder(Command1, OptNormal);
    setTabOrder(OptNormal, OptAdvance);
    setTabOrder(OptAdvance, OptPST);
    setTabOrder(OptPST, OptXLS);

    connect(CmdBrowse, &QPushButton::clicked, this, [this] { CmdBrowse_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(CmdSplit, &QPushButton::clicked, this, [this] { CmdSplit_Click(); });
    connect(cmdEnd, &QPushButton::clicked, this, [this] { cmdEnd_Click(); });

    boldCaptions_ = {OptAdvance, CmdSplit};
    fitCaptions();

    // Centred on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    Form_Load();
}

int Form1::twips(int value) const { return qRound(value * dpi_ / 1440.0); }

void Form1::place(QWidget* control, int left, int top, int width, int height) const {
    control->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

void Form1::Form_Load() { SourceType_ = 0; }

void Form1::CmdBrowse_Click() {
    const std::string file = dialogs_.chooseVcardFile(this);
    // A cancelled dialog leaves the earlier choice as it was.
    if (file.empty()) return;
    cdlgFileName_ = file;
    SourceType_ = 0;
    txtvCFPath->setText(qt(file));
    CmdSplit->setEnabled(true);
}

void Form1::Command1_Click() {
    const std::string folder = BrowseForFolder("Choose Source Folder Having Documents...");
    if (folder.empty()) return;
    vCardFolder_ = folder;
    processEvents();
    txtvCFPath->setText(qt(vCardFolder_));
    SourceType_ = 2;
    CmdSplit->setEnabled(true);
}

void Form1::chooseSource(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        vCardFolder_ = withTrailingSlash(path);
        SourceType_ = 2;
        txtvCFPath->setText(qt(vCardFolder_));
    } else {
        cdlgFileName_ = path;
        SourceType_ = 0;
        txtvCFPath->setText(qt(path));
    }
    CmdSplit->setEnabled(true);
}

void Form1::enableChoices(bool enabled) {
    for (QWidget* control : {static_cast<QWidget*>(CmdBrowse), static_cast<QWidget*>(Command1),
                             static_cast<QWidget*>(OptNormal), static_cast<QWidget*>(OptAdvance),
                             static_cast<QWidget*>(OptXLS), static_cast<QWidget*>(OptPST)})
        control->setEnabled(enabled);
}

void Form1::CmdSplit_Click() {
    if (running_) return;
    running_ = true;
    stopRequested_ = false;
    // Nothing that would change the run can be touched while it goes; Exit can.
    enableChoices(false);
    CmdSplit->setEnabled(false);
    const RunSource source = SourceType_ == 2 ? RunSource{vCardFolder_, true} : RunSource{cdlgFileName_, false};
    RunOptions options;
    options.mode = OptAdvance->isChecked() ? ReadMode::Advance : ReadMode::Normal;
    options.target = OptPST->isChecked() ? TargetKind::Outlook : TargetKind::Worksheet;
    runMessage_.reset();
    const RunResult result = runConversion(source, options, *this, makeTargetOfKind_);
    if (runMessage_) showRunMessage(source, result, options.target);
    running_ = false;
    enableChoices(true);
    // A cancelled folder choice started nothing: Convert stays as it was. After
    // a run a new choice enables it again.
    CmdSplit->setEnabled(!result.started);
    if (result.started && SourceType_ == 2) SourceType_ = 0;
    if (quitRequested_) quit();
}

void Form1::cmdEnd_Click() {
    quitRequested_ = true;
    // A run stops before its next card and keeps what it converted; the
    // window goes once it has.
    if (running_) {
        stopRequested_ = true;
        return;
    }
    quit();
}

void Form1::quit() {
    hide();
    QCoreApplication::quit();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        cmdEnd_Click();
        return;
    }
    quitRequested_ = true;
    event->accept();
}

void Form1::changeEvent(QEvent* event) {
    // (The window's own font is set before its controls exist.)
    if (event->type() == QEvent::FontChange && !boldCaptions_.empty()) fitCaptions();
    QWidget::changeEvent(event);
}

void Form1::fitCaptions() {
    for (QWidget* control : {static_cast<QWidget*>(Label4), static_cast<QWidget*>(CmdBrowse),
                             static_cast<QWidget*>(Command1), static_cast<QWidget*>(OptNormal),
                             static_cast<QWidget*>(OptAdvance), static_cast<QWidget*>(Label2),
                             static_cast<QWidget*>(Label1), static_cast<QWidget*>(LblProgessCurrent),
                             static_cast<QWidget*>(Frame1), static_cast<QWidget*>(OptXLS),
                             static_cast<QWidget*>(OptPST), static_cast<QWidget*>(CmdSplit),
                             static_cast<QWidget*>(cmdEnd)}) {
        // Only what the control changes is its own; family and size follow
        // the window's font.
        QFont own;
        own.setBold(std::find(boldCaptions_.begin(), boldCaptions_.end(), control) != boldCaptions_.end());
        control->setFont(own);
        // A caption wider than its control (a bold face wider than Tahoma's)
        // is drawn narrower rather than cut.
        for (int stretch = 95; control->sizeHint().width() > control->width() && stretch >= 70; stretch -= 5) {
            own.setStretch(stretch);
            control->setFont(own);
        }
    }
}

void Form1::keyPressEvent(QKeyEvent* event) {
    // Enter presses the button that has the focus, as Space does. A button
    // that is not in a dialog leaves Enter to its window.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (auto* button = qobject_cast<QPushButton*>(focusWidget()); enter && button != nullptr && button->isEnabled()) {
        button->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

std::string Form1::withWhereTheOutputWent(std::string message, const RunSource& source, const RunResult& result) {
    // Only the final message of a run that finished its file; its first
    // lines stay as they are, and the run's list of problems after them.
    const std::string head = finalMessage();
    if (result.targetFailed || message.compare(0, head.size(), head) != 0) return message;
    std::string lines;
    if (result.folderWithoutVcardFiles)
        lines += kLineBreak + ("The folder " + withTrailingSlash(source.path.string()) + " has no .vcf file.");
    if (!result.output.empty()) {
        const std::int32_t cards = result.cardsConverted;
        lines += kLineBreak + ("Wrote " + std::to_string(cards) + (cards == 1 ? " card" : " cards") + " to " +
                               result.output.filename().string() + " in " +
                               withTrailingSlash(result.output.parent_path().string()) + ".");
    }
    return message.insert(head.size(), lines);
}

std::string Form1::BrowseForFolder(const std::string& prompt) {
    outputFolder_ = withTrailingSlash(dialogs_.chooseFolder(this, prompt));
    return outputFolder_;
}

void Form1::showMessage(const std::string& title, const std::string& text, MessageIcon icon) {
    // A run's one message is its last word: it is shown once the run has
    // returned, when the window knows how the run ended.
    if (running_) {
        runMessage_ = RunMessage{title, text, icon};
        return;
    }
    dialogs_.showMessage(this, title, text, icon);
}

void Form1::showRunMessage(const RunSource& source, const RunResult& result, TargetKind target) {
    if (!quitRequested_) {
        dialogs_.showMessage(this, runMessage_->title, withWhereTheOutputWent(runMessage_->text, source, result),
                             runMessage_->icon);
        return;
    }
    // A run the user left with Exit ends without its last word, unless its
    // file could not be finished: the cards converted were lost then, and the
    // user is told so, and what is left, before the window goes.
    if (!result.targetFailed) return;
    const std::string cards = std::to_string(result.cardsConverted) + (result.cardsConverted == 1 ? " card" : " cards");
    std::string text = runMessage_->text + kLineBreak + "Exit stopped the conversion after " + cards +
                       ", and the file could not be finished: those cards were not kept." + kLineBreak;
    text += target == TargetKind::Worksheet
                ? "An earlier vCardContactsExported.xls in " + outputFolder_ + " is left as it was."
                : "No .pst file was left in " + outputFolder_ + ".";
    std::error_code error;
    const std::filesystem::path pictures = std::filesystem::path(outputFolder_) / "vCardPictures";
    if (std::filesystem::is_directory(pictures, error))
        text += std::string(kLineBreak) + "The picture files of the cards stay in " + pictures.string() + "/.";
    dialogs_.showMessage(this, runMessage_->title, text, runMessage_->icon);
}

void Form1::showProgress(std::int32_t cardsSaved, const std::string& caption) {
    LblProgessCurrent->setText(qt(caption));
    if (cardObserver_) cardObserver_(cardsSaved);
}

void Form1::processEvents() { events_.poll(); }

}  // namespace tessaly
