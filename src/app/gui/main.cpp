// qelt: the desktop program. The main window with its two promotional windows; the program
// ends when its last window closes or when "退 出" is pressed.

#include <QApplication>

#include "app/gui/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Qelt"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    qelt::gui::QeltFrm window;
    window.show();
    return QApplication::exec();
}
