#include "app/window/window_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

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

void QtDialogs::showMessage(QWidget* owner, const std::string& title, const std::string& text, MessageIcon icon) {
    QString lines = qt(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(icon == MessageIcon::Information ? QMessageBox::Information : QMessageBox::Warning, qt(title),
                    lines, QMessageBox::Ok, owner);
    box.exec();
}

}  // namespace tessaly
