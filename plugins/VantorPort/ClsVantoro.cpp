#include "plugins/VantorPort/ClsVantoro.h"

#include "plugins/VantorPort/FrmPort.h"
#include "alarms/EventWait.h"
#include "plugins/common/PluginExports.h"

#include <QTcpSocket>


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

    socket.connectToHost(URL(), static_cast<quint16>(port));
    // A time-out of 0 or less is one pass of event processing: only a connection made by
    // then counts.
    const qint64 limit = static_cast<qint64>(TimeOut()) * 1000;
    events::ProcessEventsUntil([&] { return connected || failed; }, limit);
    socket.abort();
    return connected ? Attempt::Passed : Attempt::Failed;
}
