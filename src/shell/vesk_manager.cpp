// The program: one window over the program's folder, until the user closes it.
#include <QApplication>

#include "shell/main_window.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The application's title. Not the display name: Qt would append that to every caption.
    QApplication::setApplicationName(QStringLiteral("Vesk File Manager"));
    QApplication::setFont(vesk::WindowFont());
    vesk::TForm1 window(vesk::ProgramFolder::OfRunningProgram());
    window.show();
    return QApplication::exec();
}
