#include "app/window/window_main.h"

#include <QApplication>

#include "app/window/form1.h"

namespace tessaly {

int runWindow(int argc, char** argv, const std::string& source) {
    QApplication application(argc, argv);
    Form1::Form_Initialize();
    QApplication::setApplicationName(QStringLiteral("Tessaly"));
    QApplication::setFont(windowFont());
    QtDialogs dialogs;
    Form1 window(dialogs);
    if (!source.empty()) window.chooseSource(source);
    window.show();
    return QApplication::exec();
}

}  // namespace tessaly
