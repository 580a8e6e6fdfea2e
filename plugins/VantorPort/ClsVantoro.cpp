#include "plugins/VantorPort/ClsVantoro.h"

#include "plugins/VantorPort/FrmPort.h"
#include "plugins/common/PluginExports.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

VANTORO_PLUGIN_EXPORTS(ClsVantoro)

std::unique_ptr<plugin::ClsVantoroBase> ClsVantoro::CreateSibling() const { return std::make_unique<ClsVantoro>(); }

std::unique_ptr<plugin::SettingsWindow> ClsVantoro::CreateWindow() { return std::make_unique<FrmPort>(*this); }

ClsVantoro::Attempt ClsVantoro::AttemptOnce() {
    const int port = Port();
    // The socket layer refuses such a port before any traffic: no point in trying again.
    if (port < 1 || port > 65535) return Attempt::Abort;

    bool connected = false;
    bool failed = false;
    // A socket of its own for every attempt: nothing of one attempt can leak into the next,
    // nor into another object's check entered while this one processes events.
    QTcpSocket socket;
    QObject::connect(&socket, &QTcpSocket::connected, &socket, [&connected] { connected = true; });
    QObject::connect(&socket, &QAbstractSocket::errorOccurred, &socket, [&failed] { failed = true; });

    QElapsedTimer clock;  // monotonic: a clock change or midnight does not move the limit
    clock.start();
    const qint64 limit = static_cast<qint64>(TimeOutSeconds()) * 1000;
    // Wakes the wait regularly so the limit is noticed even when nothing else happens.
    QTimer tick;
    tick.start(10);
    socket.connectToHost(URL(), static_cast<quint16>(port));
    while (!connected && !failed) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (clock.elapsed() >= limit) break;
    }
    socket.abort();
    return connected ? Attempt::Passed : Attempt::Failed;
}
