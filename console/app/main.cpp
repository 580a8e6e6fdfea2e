// The monitor program: one main window that lives in the notification area. Closing
// the window (menu, close box, end of the desktop session) takes one path, the window's
// shutdown, and then the event loop ends.
#include "alarms/AlsaMixer.h"
#include "console/FrmPing.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(FrmPing::kCaption);
    // The window hides in the tray and dialogs come and go: only the shutdown ends the
    // program.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallAlsaMixer();

    FrmPing window;
    switch (window.Load()) {
        case FrmPing::StartResult::Running:
            break;
        case FrmPing::StartResult::SecondInstance:
        case FrmPing::StartResult::DatabaseMissing:
            return 1;
        case FrmPing::StartResult::PortFailed:
            return 2;
    }
    window.show();
    const int code = app.exec();
    // The loop can also end from outside (a signal, the session manager): the shutdown
    // work still runs, once.
    window.Shutdown();
    return code;
}
