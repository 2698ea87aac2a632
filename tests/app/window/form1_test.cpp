// The window, headless (Qt's offscreen platform): its controls found by
// name, the choices through stand-in dialogs, and runs driven through them.

#include "app/window/form1.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextBlock>
#include <QAbstractTextDocumentLayout>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cstdlib>
#include <deque>

#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

QApplication& application() {
    static int argc = 1;
    static char name[] = "form1_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        auto* created = new QApplication(argc, argv);
        Form1::Form_Initialize();
        return created;
    }();
    return *app;
}

// Answers the window's dialogs from queues, and keeps its messages.
struct FakeDialogs : WindowDialogs {
    std::deque<std::string> files, folders;
    struct Message {
        std::string title, text;
        MessageIcon icon;
    };
    std::vector<Message> messages;
    std::function<void()> onMessage;

    std::string chooseVcardFile(QWidget*) override { return next(files); }
    std::string chooseFolder(QWidget*, const std::string&) override { return next(folders); }
    void showMessage(QWidget*, const std::string& title, const std::string& text, MessageIcon icon) override {
        if (onMessage) onMessage();
        messages.push_back({title, text, icon});
    }
    static std::string next(std::deque<std::string>& answers) {
        if (answers.empty()) return "";
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class WindowTest : public ::testing::Test {
protected:
    template <typename Control>
    Control* find(const char* name) {
        auto* control = window.findChild<Control*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QPushButton* button(const char* name) { return find<QPushButton>(name); }
    std::string boxText() { return find<QLineEdit>("txtvCFPath")->text().toStdString(); }
    std::string progress() { return find<QLabel>("LblProgessCurrent")->text().toStdString(); }
    // The window shown and active, so that keys reach the control with the focus.
    void showActive() {
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    std::string focused() {
        QWidget* widget = QApplication::focusWidget();
        return widget != nullptr ? widget->objectName().toStdString() : "nothing";
    }
    // Where the focus goes on `count` presses of `key`, from `start`.
    std::vector<std::string> focusWalk(const char* start, int count, Qt::Key key,
                                       Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        find<QWidget>(start)->setFocus();
        std::vector<std::string> walk{focused()};
        for (int i = 0; i < count; ++i) {
            press(key, modifiers);
            walk.push_back(focused());
        }
        return walk;
    }

    QApplication& app = application();  // before any widget
    FakeDialogs dialogs;
    Form1 window{dialogs};
};

std::string cards(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) text += "BEGIN:VCARD\r\nN:Card" + std::to_string(i) + ";A\r\nEND:VCARD\r\n";
    return text;
}

// The sheet's rows as xlrd reads them (the title row first).
std::vector<std::string> sheetRows(const fs::path& sheet) {
    const auto result = testing::runCommand("/usr/bin/python3 " + testing::shellQuote(TESSALY_SOURCE_DIR "/tests/e2e/xls_cells.py") +
                                            " " + testing::shellQuote(sheet.string()));
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<std::string> rows;
    std::istringstream in(result.out);
    for (std::string row; std::getline(in, row);) rows.push_back(row);
    return rows;
}

TEST_F(WindowTest, EveryControlStandsWhereTheLayoutPutsItWithItsCaptionAndState) {
    EXPECT_EQ(window.windowTitle().toStdString(), "Tessaly v3.7");
    EXPECT_EQ(window.size(), QSize(766, 435));  // 11490 × 6525 twips at 96 dpi
    EXPECT_EQ(window.minimumSize(), window.maximumSize());  // no resizing
    const struct {
        const char* name;
        const char* parent;
        QRect geometry;  // in pixels: twips / 15
        const char* caption;
        bool enabled;
    } controls[] = {
        {"Label4", "Form1", {16, 160, 569, 17}, "Select vCard (.vcf) File(s)", true},
        {"txtvCFPath", "Form1", {16, 176, 433, 25}, "", true},
        {"CmdBrowse", "Form1", {456, 176, 137, 25}, "Browse vCard File...", true},
        {"Command1", "Form1", {608, 176, 137, 25}, "Browse Folder...", true},
        {"OptNormal", "Form1", {16, 208, 121, 17}, "Normal Mode", true},
        {"OptAdvance", "Form1", {144, 208, 105, 17}, "Advance Mode", true},
        {"Label2", "Form1", {256, 210, 377, 17}, "(If Normal Mode fails to import vCards)", true},
        {"Label1", "Form1", {16, 232, 569, 17}, "Saving vCards...", true},
        {"Image1", "Form1", {16, 253, 22, 22}, "", true},
        {"LblProgessCurrent", "Form1", {48, 256, 537, 17}, "(0) vCard Saved", true},
        {"Frame1", "Form1", {16, 280, 729, 57}, " Saving Options ", true},
        {"Picture1", "Frame1", {8, 16, 713, 33}, "", true},
        {"OptXLS", "Picture1", {0, 8, 121, 17}, "Excel/CSV (.xls)", true},
        {"OptPST", "Picture1", {192, 8, 121, 17}, "Outlook (.pst)", true},
        {"CmdSplit", "Form1", {288, 344, 169, 33}, "Convert vCards", false},
        {"Shape1", "Form1", {-8, 392, 777, 57}, "", true},
        {"Picture3", "Form1", {8, 400, 761, 33}, "", true},
        {"cmdEnd", "Picture3", {640, 0, 97, 25}, "E&xit", true},
        {"Image2", "Form1", {0, 0, 767, 142}, "", true},
    };
    for (const auto& [name, parent, geometry, caption, enabled] : controls) {
        QWidget* control = find<QWidget>(name);
        if (control == nullptr) continue;
        EXPECT_EQ(control->parentWidget()->objectName().toStdString(), parent) << name;
        EXPECT_EQ(control->geometry(), geometry) << name;
        EXPECT_EQ(control->isEnabled(), enabled) << name;
        QString text;
        if (auto* label = qobject_cast<QLabel*>(control)) text = label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(control)) text = button->text();
        if (auto* frame = qobject_cast<QGroupBox*>(control)) text = frame->title();
        if (auto* box = qobject_cast<QLineEdit*>(control)) text = box->text();
        EXPECT_EQ(text.toStdString(), caption) << name;
    }
    EXPECT_TRUE(find<QRadioButton>("OptNormal")->isChecked());
    EXPECT_TRUE(find<QRadioButton>("OptXLS")->isChecked());
    EXPECT_TRUE(find<QLineEdit>("txtvCFPath")->isReadOnly());
    EXPECT_FALSE(find<QLabel>("Image2")->pixmap().isNull());
    EXPECT_EQ(find<QLabel>("Image1")->pixmap().size(), QSize(22, 22));
    // Tahoma 8.25 pt from the bundled font; the bold captions (whose ink is
    // checked below) bold, the others not.
    EXPECT_EQ(QFontInfo(window.font()).family().toStdString(), "Tahoma");
    EXPECT_DOUBLE_EQ(window.font().pointSizeF(), 8.25);
    EXPECT_FALSE(find<QWidget>("OptNormal")->font().bold());
    const struct {
        const char* name;
        QPalette::ColorRole role;
        const char* color;
    } colours[] = {{"txtvCFPath", QPalette::Text, "#0000c0"},   {"OptAdvance", QPalette::WindowText, "#c00000"},
                   {"Label2", QPalette::WindowText, "#0000ff"}, {"LblProgessCurrent", QPalette::WindowText, "#000000"},
                   {"Picture3", QPalette::Window, "#ffffff"}};
    for (const auto& [name, role, color] : colours)
        EXPECT_EQ(find<QWidget>(name)->palette().color(role).name().toStdString(), color) << name;
}

TEST_F(WindowTest, AChoiceEnablesConvertAndACancelledOneChangesNothing) {
    dialogs.folders = {"/data/cards"};
    dialogs.files = {"/data/one.vcf", ""};
    button("Command1")->click();
    EXPECT_EQ(boxText(), "/data/cards/");
    EXPECT_EQ(window.SourceType(), 2);
    EXPECT_TRUE(button("CmdSplit")->isEnabled());
    button("CmdBrowse")->click();  // a file after a folder: the file is what a run converts
    EXPECT_EQ(boxText(), "/data/one.vcf");
    EXPECT_EQ(window.SourceType(), 0);
    button("CmdBrowse")->click();  // cancelled
    button("Command1")->click();   // cancelled
    EXPECT_EQ(boxText(), "/data/one.vcf");
    EXPECT_EQ(window.SourceType(), 0);
    EXPECT_EQ(window.vCardFolder(), "/data/cards/");
    EXPECT_TRUE(button("CmdSplit")->isEnabled());
    // A folder given when the window opens ("Open with Tessaly").
    TempDir folder;
    window.chooseSource(folder.path().string());
    EXPECT_EQ(boxText(), folder.path().string() + "/");
    EXPECT_EQ(window.SourceType(), 2);
}

TEST_F(WindowTest, ARunConvertsTheFolderWithTheWindowLockedAndEndsWithItsMessage) {
    TempDir source, output;
    source.write("a.vcf", cards(2));
    source.write("b.vcf", cards(3) + "BEGIN:VCARD\r\nN:Open\r\n");
    dialogs.folders = {source.path().string(), ""};
    button("Command1")->click();
    // The output folder's choice cancelled: nothing starts, Convert stays.
    button("CmdSplit")->click();
    EXPECT_TRUE(button("CmdSplit")->isEnabled());
    EXPECT_TRUE(dialogs.messages.empty());

    dialogs.folders = {output.path().string()};
    std::vector<std::string> disabledDuringRun;
    dialogs.onMessage = [&] {
        for (const char* name : {"CmdBrowse", "Command1", "OptNormal", "OptAdvance", "OptXLS", "OptPST", "CmdSplit"})
            if (!find<QWidget>(name)->isEnabled()) disabledDuringRun.push_back(name);
        EXPECT_TRUE(button("cmdEnd")->isEnabled());
    };
    button("CmdSplit")->click();
    EXPECT_EQ(disabledDuringRun.size(), 7u);
    EXPECT_EQ(progress(), "(5) vCards Saved");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Tessaly");
    // The card left open is reported: the exclamation icon, the place named.
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_NE(dialogs.messages[0].text.find("Finished Importing vCards.\r\n"), std::string::npos);
    EXPECT_NE(dialogs.messages[0].text.find((source.path() / "b.vcf").string() + ":10: card has no END:VCARD"),
              std::string::npos)
        << dialogs.messages[0].text;
    EXPECT_EQ(sheetRows(output.path() / "vCardContactsExported.xls").size(), 6u);
    // After the run: the choices are back, Convert waits for a new one, and a
    // folder run leaves the file mode set.
    for (const char* name : {"CmdBrowse", "Command1", "OptNormal", "OptAdvance", "OptXLS", "OptPST"})
        EXPECT_TRUE(find<QWidget>(name)->isEnabled()) << name;
    EXPECT_FALSE(button("CmdSplit")->isEnabled());
    EXPECT_EQ(window.SourceType(), 0);
}

TEST_F(WindowTest, ExitDuringARunKeepsTheCardsConvertedSoFarAndQuits) {
    TempDir source, output;
    const auto file = source.write("many.vcf", cards(10));
    window.chooseSource(file.string());
    dialogs.folders = {output.path().string()};
    window.setCardObserver([&](std::int32_t saved) {
        if (saved == 3) button("cmdEnd")->click();
    });
    button("CmdSplit")->click();
    EXPECT_TRUE(window.quitRequested());
    EXPECT_TRUE(dialogs.messages.empty());  // the run's last word is dropped
    EXPECT_EQ(progress(), "(3) vCards Saved");
    const auto rows = sheetRows(output.path() / "vCardContactsExported.xls");
    ASSERT_EQ(rows.size(), 4u);  // complete: the title row and the three cards
    EXPECT_EQ(rows[3].substr(0, rows[3].find('\x1f', rows[3].find('\x1f') + 1)), "A\x1f");
}

// A target that takes every card and fails to finish its file, as a full
// disk does at the close.
struct TargetFailingAtClose : ConversionTarget {
    void open(const fs::path&) override {}
    bool write(const ContactRecord&, const CardPlace&, RunReport&) override { return true; }
    fs::path close(RunReport&) override {
        throw TargetError("/out/vCardContactsExported.xls: No space left on device");
    }
    void abandon() noexcept override {}
};

TEST(WindowExit, AFailureToFinishTheFileAfterExitIsShownWithWhatWasKeptBeforeTheWindowCloses) {
    application();
    TempDir source, output;
    fs::create_directory(output.path() / "vCardPictures");
    for (const TargetKind kind : {TargetKind::Worksheet, TargetKind::Outlook}) {
        FakeDialogs dialogs;
        Form1 window(dialogs, [](TargetKind) { return std::make_unique<TargetFailingAtClose>(); });
        window.findChild<QRadioButton*>(kind == TargetKind::Outlook ? "OptPST" : "OptXLS")->click();
        window.chooseSource(source.write("many.vcf", cards(10)).string());
        dialogs.folders = {output.path().string()};
        window.setCardObserver([&](std::int32_t saved) {
            if (saved == 3) window.findChild<QPushButton*>("cmdEnd")->click();
        });
        window.findChild<QPushButton*>("CmdSplit")->click();
        EXPECT_TRUE(window.quitRequested());
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].title, "Tessaly");
        EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Exclamation);
        const std::string folder = output.path().string() + "/";
        EXPECT_EQ(dialogs.messages[0].text,
                  "/out/vCardContactsExported.xls: No space left on device\r\n"
                  "Exit stopped the conversion after 3 cards, and the file could not be finished: "
                  "those cards were not kept.\r\n" +
                      (kind == TargetKind::Worksheet
                           ? "An earlier vCardContactsExported.xls in " + folder + " is left as it was.\r\n"
                           : "No .pst file was left in " + folder + ".\r\n") +
                      "The picture files of the cards stay in " + folder + "vCardPictures/.");
    }
}

TEST_F(WindowTest, NamesWithSpacesAndOtherAlphabetsGoThroughUnchanged) {
    TempDir base;
    const fs::path folder = base.path() / "Kontakte Größe";
    fs::create_directories(folder);
    testing::writeFile(folder / "連絡先.vcf", cards(1));
    const fs::path output = base.path() / "Ausgabe Ordner ü";
    fs::create_directories(output);
    dialogs.files = {(folder / "連絡先.vcf").string()};
    dialogs.folders = {output.string()};
    button("CmdBrowse")->click();
    EXPECT_EQ(boxText(), (folder / "連絡先.vcf").string());
    find<QRadioButton>("OptPST")->click();
    button("CmdSplit")->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Information) << dialogs.messages[0].text;
    std::size_t stores = 0;
    for (const auto& entry : fs::directory_iterator(output)) stores += entry.path().extension() == ".pst" ? 1 : 0;
    EXPECT_EQ(stores, 1u);
}

// A source folder removed after it was chosen: the run's message names it and
// the cause. A target that cannot be made is the conversion run test's; the
// window shows that failure as it shows this one.
TEST_F(WindowTest, AFolderThatVanishedIsAMessageNotACrash) {
    TempDir base;
    const fs::path gone = base.path() / "gone";
    fs::create_directory(gone);
    dialogs.folders = {gone.string(), base.path().string()};
    button("Command1")->click();
    fs::remove(gone);
    button("CmdSplit")->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_NE(dialogs.messages[0].text.find(gone.string() + "/: the folder cannot be listed: No such file or directory"),
              std::string::npos)
        << dialogs.messages[0].text;
}

// Tab goes round the controls in the layout's tab order; each group of
// options is one stop, at its selected option, as on the platform the
// window's layout comes from.
TEST_F(WindowTest, TabGoesRoundEveryControlInTheLayoutsOrderEachGroupAtItsSelectedOption) {
    window.chooseSource("/data/one.vcf");  // Convert takes the focus once enabled
    showActive();
    using Walk = std::vector<std::string>;
    EXPECT_EQ(focusWalk("txtvCFPath", 7, Qt::Key_Tab),
              (Walk{"txtvCFPath", "CmdBrowse", "CmdSplit", "cmdEnd", "Command1", "OptNormal", "OptXLS", "txtvCFPath"}));
    find<QRadioButton>("OptAdvance")->click();
    find<QRadioButton>("OptPST")->click();
    EXPECT_EQ(focusWalk("txtvCFPath", 7, Qt::Key_Tab),
              (Walk{"txtvCFPath", "CmdBrowse", "CmdSplit", "cmdEnd", "Command1", "OptAdvance", "OptPST", "txtvCFPath"}));
    EXPECT_EQ(focusWalk("txtvCFPath", 7, Qt::Key_Backtab, Qt::ShiftModifier),
              (Walk{"txtvCFPath", "OptPST", "OptAdvance", "Command1", "cmdEnd", "CmdSplit", "CmdBrowse", "txtvCFPath"}));
}

TEST_F(WindowTest, ArrowKeysMoveWithinTheirOwnGroupOfOptionsOnly) {
    showActive();
    const auto checked = [&](const char* name) { return find<QRadioButton>(name)->isChecked(); };
    find<QRadioButton>("OptAdvance")->click();
    find<QWidget>("OptAdvance")->setFocus();
    // Down from the mode options: nothing below them in their group.
    press(Qt::Key_Down);
    press(Qt::Key_Right);
    EXPECT_EQ(focused(), "OptAdvance");
    EXPECT_TRUE(checked("OptAdvance"));
    EXPECT_TRUE(checked("OptXLS"));
    EXPECT_FALSE(checked("OptPST"));
    press(Qt::Key_Left);
    EXPECT_EQ(focused(), "OptNormal");
    EXPECT_TRUE(checked("OptNormal"));
    // Up from the target options stays among them; Right selects Outlook.
    find<QWidget>("OptXLS")->setFocus();
    press(Qt::Key_Up);
    press(Qt::Key_Left);
    EXPECT_EQ(focused(), "OptXLS");
    EXPECT_TRUE(checked("OptNormal"));
    press(Qt::Key_Right);
    EXPECT_EQ(focused(), "OptPST");
    EXPECT_TRUE(checked("OptPST"));
    EXPECT_TRUE(checked("OptNormal"));
}

TEST_F(WindowTest, EnterPressesTheFocusedButton) {
    showActive();
    dialogs.files = {"/data/one.vcf"};
    dialogs.folders = {"/data/cards"};
    find<QWidget>("CmdBrowse")->setFocus();
    press(Qt::Key_Return);
    EXPECT_EQ(boxText(), "/data/one.vcf");
    find<QWidget>("Command1")->setFocus();
    press(Qt::Key_Enter);  // the keypad's
    EXPECT_EQ(boxText(), "/data/cards/");
    // Enter on an option or the text box presses nothing.
    dialogs.files = {"/data/two.vcf"};
    for (const char* name : {"OptNormal", "txtvCFPath"}) {
        find<QWidget>(name)->setFocus();
        press(Qt::Key_Return);
    }
    EXPECT_EQ(boxText(), "/data/cards/");
    EXPECT_EQ(dialogs.files.size(), 1u);
}

// Pixels of the red that the enabled "Advance Mode" is written in.
int redPixels(QWidget* control) {
    const QImage image = control->grab().toImage();
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            red += pixel.red() > 150 && pixel.green() < 80 && pixel.blue() < 80 ? 1 : 0;
        }
    return red;
}

TEST_F(WindowTest, ADisabledOptionIsDrawnDisabledNotInItsRed) {
    TempDir source, output;
    window.chooseSource(source.write("two.vcf", cards(2)).string());
    dialogs.folders = {output.path().string()};
    QWidget* advance = find<QWidget>("OptAdvance");
    EXPECT_GT(redPixels(advance), 20);
    int redDuringRun = -1;
    window.setCardObserver([&](std::int32_t saved) {
        if (saved == 1) redDuringRun = redPixels(advance);
    });
    button("CmdSplit")->click();
    EXPECT_EQ(redDuringRun, 0);
    EXPECT_GT(redPixels(advance), 20);
}

// The final message says where the output went: the file and its folder.
TEST_F(WindowTest, TheFinalMessageSaysWhichFileWasWrittenAndWhere) {
    TempDir source, output;
    window.chooseSource(source.write("two.vcf", cards(2)).string());
    dialogs.folders = {output.path().string()};
    button("CmdSplit")->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, finalMessage() + "\r\nWrote 2 cards to vCardContactsExported.xls in " +
                                            output.path().string() + "/.");
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Information);
}

TEST_F(WindowTest, AFolderWithoutAnyVcardFileSaysSo) {
    TempDir source, output;
    source.write("notes.txt", cards(1));
    dialogs.folders = {source.path().string(), output.path().string()};
    button("Command1")->click();
    find<QRadioButton>("OptPST")->click();
    button("CmdSplit")->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const std::string text = dialogs.messages[0].text;
    const std::string head = finalMessage() + "\r\nThe folder " + source.path().string() + "/ has no .vcf file.\r\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    // The store written: its name holds the run's time stamp.
    const std::string wrote = "Wrote 0 cards to Contacts";
    ASSERT_EQ(text.substr(head.size(), wrote.size()), wrote) << text;
    const std::string rest = text.substr(head.size() + wrote.size());
    const std::string place = ".pst in " + output.path().string() + "/.";
    ASSERT_GE(rest.size(), place.size());
    EXPECT_EQ(rest.substr(rest.size() - place.size()), place);
    EXPECT_TRUE(fs::exists(output.path() / ("Contacts" + rest.substr(0, rest.size() - place.size()) + ".pst")));
}

// What the real message box shows: the message opened, looked at and closed
// from the event loop of its own.
struct ShownBox {
    int height = 0;
    std::vector<std::string> labels;  // the plain text of every label
    std::string scrolled;             // the text of the scrollable area, if any
    // The label that holds the link: its text, and whether it opens links.
    std::string linkLabel;
    bool linkOpens = false;
    bool linkOnOneLine = false;
};

// Whether `text` stands on one line in `label`, laid out at the label's width.
bool onOneLine(QLabel* label, const QString& text) {
    QTextDocument document;
    document.setDefaultFont(label->font());
    document.setDocumentMargin(0);
    if (label->textFormat() == Qt::RichText || Qt::mightBeRichText(label->text()))
        document.setHtml(label->text());
    else
        document.setPlainText(label->text());
    // A label that does not wrap lays its text out on a line of any length.
    document.setTextWidth(label->wordWrap() ? label->contentsRect().width() : 1e6);
    document.documentLayout()->documentSize();
    const QString plain = document.toPlainText();
    const int at = plain.indexOf(text);
    if (at < 0) return false;
    const QTextBlock block = document.findBlock(at);
    const QTextLayout* layout = block.layout();
    const int start = at - block.position();
    return layout->lineForTextPosition(start).lineNumber() ==
           layout->lineForTextPosition(start + static_cast<int>(text.size()) - 1).lineNumber();
}

ShownBox showBox(const std::string& text, const QString& link = QString()) {
    application();
    ShownBox shown;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        shown.height = box->frameGeometry().height();
        for (QLabel* label : box->findChildren<QLabel*>()) {
            QTextDocument plain;
            plain.setHtml(label->text());
            const QString labelText = Qt::mightBeRichText(label->text()) ? plain.toPlainText() : label->text();
            if (!labelText.isEmpty()) shown.labels.push_back(labelText.toStdString());
            if (!link.isEmpty() && labelText.contains(link)) {
                shown.linkLabel = label->text().toStdString();
                shown.linkOpens = label->openExternalLinks();
                shown.linkOnOneLine = onOneLine(label, link);
            }
        }
        for (QPlainTextEdit* area : box->findChildren<QPlainTextEdit*>()) shown.scrolled = area->toPlainText().toStdString();
        qobject_cast<QDialog*>(box)->done(0);
    });
    QtDialogs().showMessage(nullptr, "Tessaly", text, MessageIcon::Exclamation);
    return shown;
}

TEST(MessageBox, ManyKindsOfProblemScrollBelowTheFirstLinesAndTheBoxFitsTheScreen) {
    const std::string head = finalMessage() + "\r\nWrote 70 cards to vCardContactsExported.xls in /data/out/.";
    std::string list;
    for (int kind = 1; kind <= 7; ++kind) {
        list += (kind > 1 ? "\r\n" : "") + std::to_string(kind * 10) + " cards had problem " + std::to_string(kind);
        for (int place = 1; place <= 10; ++place)
            list += "\r\n  /data/cards/file" + std::to_string(place) + ".vcf:" + std::to_string(kind) + ": a cause";
    }
    const ShownBox shown = showBox(head + "\r\n\r\n" + list);
    EXPECT_LE(shown.height, QGuiApplication::primaryScreen()->availableGeometry().height());
    auto joined = [](std::string text) {
        std::string out;
        for (std::size_t at = 0; at < text.size(); ++at)
            if (!(text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n')) out += text[at];
        return out;
    };
    std::string labels;
    for (const std::string& label : shown.labels) labels += (labels.empty() ? "" : "\n") + label;
    EXPECT_EQ(labels, joined(head));
    EXPECT_EQ(shown.scrolled, joined(list));
}

TEST(MessageBox, ALinkStaysOnOneLineAndOpens) {
    const QString link = QStringLiteral("file:///usr/share/doc/tessaly/README.md#troubleshooting");
    const ShownBox shown = showBox(
        "Outlook Session Creation Error !\r\n"
        "/data/out/Contacts5.12.26 14.3.09.pst: cannot create a file in /data/out/: Permission denied\r\n"
        "For more details visit this link : " + link.toStdString(), QStringLiteral("For more details visit this link : ") + link);
    EXPECT_TRUE(shown.linkOnOneLine);
    EXPECT_TRUE(shown.linkOpens);
    EXPECT_NE(shown.linkLabel.find("href=\"" + link.toStdString() + "\""), std::string::npos) << shown.linkLabel;
}

// How much a text drawn in `font` inks: the sum of its pixels' darkness.
int ink(const QFont& font, const QString& text) {
    QImage image(400, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(4, 28, text);
    painter.end();
    int sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) sum += 255 - qGray(image.pixel(x, y));
    return sum / 255;
}

// The window with either font it may get: Tahoma from fonts-wine, or the
// desktop's sans-serif on a machine without it. Bold captions ink clearly
// more than the same words in the window's regular font, and every caption
// fits its control.
TEST_F(WindowTest, BoldCaptionsLookBoldAndNoCaptionIsCutWithEitherFont) {
    QFont fallback(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    fallback.setPointSizeF(8.25);
    for (const QFont& font : {window.font(), fallback}) {
        window.setFont(font);
        const std::string family = QFontInfo(window.font()).family().toStdString();
        for (const char* name : {"OptAdvance", "CmdSplit"}) {
            auto* control = find<QAbstractButton>(name);
            const QString caption = control->text();
            EXPECT_GT(ink(control->font(), caption), ink(window.font(), caption) * 5 / 4) << name << " in " << family;
        }
        for (QWidget* control : window.findChildren<QWidget*>()) {
            QString caption;
            if (auto* label = qobject_cast<QLabel*>(control)) caption = label->text();
            if (auto* button = qobject_cast<QAbstractButton*>(control)) caption = button->text();
            if (auto* frame = qobject_cast<QGroupBox*>(control)) caption = frame->title();
            if (caption.isEmpty()) continue;
            EXPECT_LE(control->sizeHint().width(), control->width())
                << control->objectName().toStdString() << " in " << family;
        }
    }
}

TEST(EventThrottle, EventsAreProcessedAtMostOnceEveryTwentyMilliseconds) {
    std::chrono::steady_clock::time_point now{};
    int processed = 0;
    EventThrottle throttle([&] { ++processed; }, std::chrono::milliseconds(20), [&] { return now; });
    for (int step = 0; step < 100; ++step, now += std::chrono::milliseconds(1)) throttle.poll();
    EXPECT_EQ(processed, 5);  // at 0, 20, 40, 60 and 80 ms
}

}  // namespace
}  // namespace tessaly
