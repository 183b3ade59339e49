// The program: one window over the program's folder, until the user closes it.
#include <QApplication>
#include <QMessageBox>

#include <exception>
#include <optional>

#include "base/error.h"
#include "gui/main_window.h"
#include "gui/qt_translations.h"
#include "platform/file_output.h"

#ifdef VESK_TIMING_HOOK
#include <QElapsedTimer>
#include <QEvent>
#include <cstdio>
#include <cstdlib>

namespace {

// Built into the benchmark's window only (CMake option VESK_TIMING_HOOK): the program ends as
// soon as the first paint event has been handled and prints the milliseconds since main() began;
// scripts/bench times the start so. It ends without closing the window, so nothing is written to
// vesk.ini.
class QuitAfterFirstPaint : public QObject {
public:
    QuitAfterFirstPaint() { clock_.start(); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done_) {
            done_ = true;
            // Queued behind the paint, so that the frame is drawn and flushed first.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    std::printf("first paint after %lld ms\n", static_cast<long long>(clock_.elapsed()));
                    std::fflush(stdout);
                    std::_Exit(0);
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QElapsedTimer clock_;
    bool done_ = false;
};

}  // namespace
#endif

int main(int argc, char* argv[]) {
#ifdef VESK_TIMING_HOOK
    QuitAfterFirstPaint firstPaint;  // first, so that its clock starts with the program
#endif
    vesk::RemoveTemporariesOnSignals();  // ended by the session, no half file stays behind
    QApplication app(argc, argv);
#ifdef VESK_TIMING_HOOK
    app.installEventFilter(&firstPaint);
#endif
    // The application's title. Not the display name: Qt would append that to every caption.
    QApplication::setApplicationName(QStringLiteral("Vesk File Manager"));
    QApplication::setFont(vesk::WindowFont());
    const auto translations = vesk::InstallQtTranslations(vesk::ProgramFolder::OfRunningProgram());
    std::optional<vesk::ProgramFolder> folder;
    try {
        // Installed in /usr, the first start makes the user's own program folder.
        folder = vesk::StartingProgramFolder();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QApplication::applicationName(), QString::fromStdString(vesk::BoxText(e)));
        return 1;
    }
    vesk::TForm1 window(*folder);
    window.show();
    return QApplication::exec();
}
