#include "engine/PortCheck.h"

#include "model/Globals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

#include <limits>

namespace {

enum class Outcome { Connected, Failed, FailedAtOnce };

Outcome TryConnect(const QString& host, quint16 port, qint64 limitMs) {
    QTcpSocket socket;
    bool failed = false;
    QObject::connect(&socket, &QAbstractSocket::errorOccurred, &socket, [&failed] { failed = true; });
    socket.connectToHost(host, port);
    if (failed) {
        socket.abort();
        return Outcome::FailedAtOnce;
    }

    // The wait yields to the event loop; the ticker only wakes it up often enough to
    // notice the limit when no socket or window event comes.
    QTimer ticker;
    ticker.start(10);
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (socket.state() == QAbstractSocket::ConnectedState || failed) break;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (clock.elapsed() >= limitMs) break;
    }
    ticker.stop();

    const bool connected = socket.state() == QAbstractSocket::ConnectedState;
    if (connected) {
        socket.disconnectFromHost();
        if (socket.state() != QAbstractSocket::UnconnectedState) socket.abort();
    } else {
        socket.abort();
    }
    return connected ? Outcome::Connected : Outcome::Failed;
}

}  // namespace

bool PortCheck(const QString& host, qint32 port, qint16 attempt) {
    const QString name = host.trimmed();
    if (name.isEmpty() || port < 1 || port > 65535) return false;

    // The limit is a 16-bit count of seconds; one that does not fit ends the probe.
    const qint32 seconds = gOptPortTimeOut > 0 ? gOptPortTimeOut : 1;
    const qint32 limit = seconds * qint32(attempt);
    if (limit > std::numeric_limits<qint16>::max() || limit < std::numeric_limits<qint16>::min()) return false;
    // Every wait is bounded and none is skipped: a limit of 0 or less waits 1 s.
    const qint64 limitMs = qint64(limit > 0 ? limit : 1) * 1000;

    switch (TryConnect(name, quint16(port), limitMs)) {
    case Outcome::Connected: return true;
    case Outcome::FailedAtOnce: return false;
    case Outcome::Failed: break;
    }
    return attempt == 1 ? PortCheck(host, port, 2) : false;
}
