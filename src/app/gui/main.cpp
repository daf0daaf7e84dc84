// qelt: the desktop program. The main window with its two promotional windows; the program
// ends when its last window closes or when "退 出" is pressed.

#include <QApplication>

#include "app/gui/main_window.h"
#include "app/gui/services.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Qelt"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    // Without the translations the dialogs speak English; the program runs all the same.
    qelt::gui::install_qt_translations(qelt::gui::qt_translations_folder());
    qelt::gui::QeltFrm window;
    window.show();
    return QApplication::exec();
}
