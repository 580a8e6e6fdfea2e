// The monitor program: one main window that lives in the notification area. Closing
// the window (menu, close box, end of the desktop session) takes one path, the window's
// shutdown, and then the event loop ends.
#include "alarms/AlsaMixer.h"
#include "console/FrmPing.h"
#include "console/QtTranslation.h"

#include <QApplication>
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

namespace {

// A session that ends, a terminal closed or Ctrl-C reach the program as signals. The
// handler only writes a byte; the event loop reads it and closes the window the usual way.
int gSignalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char b = 1;
    [[maybe_unused]] const auto n = ::write(gSignalPipe[0], &b, 1);
}

void CatchEndSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) != 0) return;
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(s, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    // First of all, so that a signal at any moment, a start-up box included, ends the
    // program the usual way rather than not at all or abruptly.
    CatchEndSignals();
    QApplication app(argc, argv);
    InstallQtTranslation();
    // No application display name: the platform would append it to every window title,
    // and each window shows exactly its own caption.
    // The window hides in the tray and dialogs come and go: only the shutdown ends the
    // program.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallAlsaMixer();

    FrmPing window;
    // Every window of the program, dialogs and message boxes included, shows its icon.
    QApplication::setWindowIcon(window.windowIcon());

    // Watched before the start-up, whose boxes and dialogs wait for the user.
    std::unique_ptr<QSocketNotifier> endSignal;
    if (gSignalPipe[1] >= 0) {
        endSignal = std::make_unique<QSocketNotifier>(gSignalPipe[1], QSocketNotifier::Read);
        QObject::connect(endSignal.get(), &QSocketNotifier::activated, &window, [&window] {
            char b = 0;
            [[maybe_unused]] const auto n = ::read(gSignalPipe[1], &b, 1);
            window.EndBySignal();
        });
    }

    switch (window.Load()) {
        case FrmPing::StartResult::Running:
            break;
        case FrmPing::StartResult::Ended:
            return 0;
        case FrmPing::StartResult::SecondInstance:
        case FrmPing::StartResult::DatabaseMissing:
            return 1;
        case FrmPing::StartResult::PortFailed:
            return 2;
    }

    window.show();
    const int code = app.exec();
    // The loop can also end from outside: the shutdown work still runs, once.
    window.Shutdown();
    return code;
}
