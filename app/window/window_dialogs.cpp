#include "app/window/window_dialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace tessaly {

namespace {

// Qt's dialogs speak QString; Tessaly's paths are UTF-8 bytes.
std::string utf8(const QString& text) { return text.toUtf8().toStdString(); }
QString qt(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

std::string QtDialogs::chooseVcardFile(QWidget* owner) {
    return utf8(QFileDialog::getOpenFileName(owner, QString(), QString(), QStringLiteral("vCard File (*.vcf)")));
}

std::string QtDialogs::chooseFolder(QWidget* owner, const std::string& prompt) {
    return utf8(QFileDialog::getExistingDirectory(owner, qt(prompt), QString(), QFileDialog::ShowDirsOnly));
}

namespace {

// A link in a line of a message: the README's Troubleshooting, say.
const QRegularExpression kLink(QStringLiteral("[a-z]+://\\S+"));

// One line of a message's first part. A line holding a link is never broken
// (a link cut in two cannot be followed) and the link opens on a click; other
// lines wrap at the box's width.
QLabel* messageLine(const QString& line, QWidget* parent) {
    auto* label = new QLabel(parent);
    const QRegularExpressionMatch link = kLink.match(line);
    if (!link.hasMatch()) {
        label->setTextFormat(Qt::PlainText);
        label->setText(line);
        label->setWordWrap(true);
        return label;
    }
    const QString url = link.captured();
    label->setTextFormat(Qt::RichText);
    label->setText(line.left(link.capturedStart()).toHtmlEscaped() + QStringLiteral("<a href=\"") + url.toHtmlEscaped() +
                   QStringLiteral("\">") + url.toHtmlEscaped() + QStringLiteral("</a>") +
                   line.mid(link.capturedEnd()).toHtmlEscaped());
    label->setWordWrap(false);
    label->setOpenExternalLinks(true);
    label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    return label;
}

// The message box: the icon, the message's first part line by line, and
// what follows its first empty line (a run's list of problems, however
// long) in a scrolling area below, so that the box never grows past the
// screen.
class MessageBox : public QDialog {
public:
    MessageBox(QWidget* owner, const QString& title, const QString& text, MessageIcon icon) : QDialog(owner) {
        setWindowTitle(title);
        const qsizetype blank = text.indexOf(QStringLiteral("\n\n"));
        const QString head = blank < 0 ? text : text.left(blank);
        const QString details = blank < 0 ? QString() : text.mid(blank + 2);

        auto* grid = new QGridLayout(this);
        grid->setSizeConstraint(QLayout::SetFixedSize);
        auto* picture = new QLabel(this);
        const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        picture->setPixmap(style()
                               ->standardIcon(icon == MessageIcon::Information ? QStyle::SP_MessageBoxInformation
                                                                              : QStyle::SP_MessageBoxWarning,
                                              nullptr, this)
                               .pixmap(side, side));
        grid->addWidget(picture, 0, 0, Qt::AlignTop);
        auto* lines = new QVBoxLayout;
        lines->setSpacing(0);
        for (const QString& line : head.split(QLatin1Char('\n'))) lines->addWidget(messageLine(line, this));
        grid->addLayout(lines, 0, 1);

        const QRect screen = (owner != nullptr && owner->screen() != nullptr ? owner->screen()
                                                                              : QGuiApplication::primaryScreen())
                                 ->availableGeometry();
        // The wrapping lines take the width a few words need, not a sliver.
        for (QLabel* label : findChildren<QLabel*>())
            if (label->wordWrap()) label->setMinimumWidth(qMin(fontMetrics().averageCharWidth() * 80, screen.width() * 2 / 3));
        if (!details.isEmpty()) {
            auto* list = new QPlainTextEdit(details, this);
            list->setObjectName(QStringLiteral("messageDetails"));
            list->setReadOnly(true);
            list->setLineWrapMode(QPlainTextEdit::NoWrap);
            const QFontMetrics metrics(list->font());
            const int frame = 2 * (list->frameWidth() + qRound(list->document()->documentMargin()));
            int widest = 0;
            for (const QString& line : details.split(QLatin1Char('\n')))
                widest = qMax(widest, metrics.horizontalAdvance(line));
            const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
            list->setFixedWidth(qMin(widest + frame + scrollBar, screen.width() * 2 / 3));
            list->setFixedHeight(qMin(static_cast<int>(list->document()->blockCount()) * metrics.lineSpacing() + frame,
                                      screen.height() / 3));
            grid->addWidget(list, 1, 1);
        }
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        grid->addWidget(buttons, 2, 0, 1, 2);
    }
};

}  // namespace

void QtDialogs::showMessage(QWidget* owner, const std::string& title, const std::string& text, MessageIcon icon) {
    QString lines = qt(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    MessageBox box(owner, qt(title), lines, icon);
    box.exec();
}

}  // namespace tessaly
