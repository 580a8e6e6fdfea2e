#include "alarms/LanMessenger.h"

#include "alarms/Cp932.h"
#include "alarms/NameResolver.h"
#include "model/Database.h"
#include "model/Globals.h"
#include "model/Seams.h"

#include <QFile>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QStringList>

QString gMsgCode;
QString gMsgUserName;
QString gMsgIPAddr;
QString gMsgGameID;
QString gMsgData;

namespace {

qint32 ErrorNumber(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::AddressInUseError: return lanerr::kAddressInUse;
    case QAbstractSocket::SocketAccessError: return lanerr::kAccessDenied;
    case QAbstractSocket::SocketAddressNotAvailableError: return lanerr::kAddressNotAvailable;
    case QAbstractSocket::DatagramTooLargeError: return lanerr::kMessageTooLong;
    case QAbstractSocket::HostNotFoundError: return lanerr::kHostNotFound;
    case QAbstractSocket::NetworkError: return lanerr::kNetworkUnreachable;
    default: return lanerr::kHostUnreachable;
    }
}

QString FirstIPv4(const QNetworkInterface& iface) {
    for (const QNetworkAddressEntry& e : iface.addressEntries())
        if (e.ip().protocol() == QAbstractSocket::IPv4Protocol) return e.ip().toString();
    return {};
}

void ReportSendFailure(const QString& host, const QString& why) {
    seams::Status().SetStatusText(QStringLiteral("送信に失敗しました。(%1: %2)").arg(host, why));
}

QByteArray AnswerDatagram(const LanMessenger& winsock) {
    return BuildLanDatagram(QLatin1String(lancode::kAnswer), gOptUserName, winsock.LocalIP(), QString(), QString());
}

}  // namespace

LanMessenger::LanMessenger(QObject* parent) : QObject(parent), mSocket(this) {
    connect(&mSocket, &QUdpSocket::readyRead, this, &LanMessenger::DataArrival);
}

qint32 LanMessenger::Open(qint32 port, const QHostAddress& bindAddress) {
    mLastError.clear();
    if (mSocket.state() != QAbstractSocket::UnconnectedState) mSocket.abort();
    // A stored option can hold any number; cut to 16 bits it would name another port.
    if (port < 0 || port > 65535) {
        mLastError = QStringLiteral("port %1 is outside 1..65535").arg(port);
        return lanerr::kAddressNotAvailable;
    }
    // No address sharing: with SO_REUSEADDR two programs could both hold the UDP port
    // and split the arriving datagrams between them.
    if (!mSocket.bind(bindAddress, static_cast<quint16>(port), QAbstractSocket::DontShareAddress)) {
        mLastError = mSocket.errorString();
        return ErrorNumber(mSocket.error());
    }
    mRemoteHost = LocalHostName();
    mRemotePort = mSocket.localPort();
    return 0;
}

bool LanMessenger::IsOpen() const { return mSocket.state() == QAbstractSocket::BoundState; }

quint16 LanMessenger::LocalPort() const { return mSocket.localPort(); }

QString LanMessenger::LocalHostName() const { return QHostInfo::localHostName(); }

QString LanMessenger::LocalIP() const {
    const QHostAddress bound = mSocket.localAddress();
    if (IsOpen() && !bound.isNull() && bound != QHostAddress(QHostAddress::AnyIPv4) &&
        bound != QHostAddress(QHostAddress::Any) && bound != QHostAddress(QHostAddress::AnyIPv6))
        return bound.toString();

    QFile routes(QStringLiteral("/proc/net/route"));
    if (routes.open(QIODevice::ReadOnly)) {
        const QString name = DefaultRouteInterface(routes.readAll());
        if (!name.isEmpty()) {
            const QString ip = FirstIPv4(QNetworkInterface::interfaceFromName(name));
            if (!ip.isEmpty()) return ip;
        }
    }
    // No default route: the first working LAN interface.
    for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
        const auto flags = iface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        const QString ip = FirstIPv4(iface);
        if (!ip.isEmpty()) return ip;
    }
    return QStringLiteral("127.0.0.1");
}

qint32 LanMessenger::SendData(const QByteArray& datagram) {
    // Nothing is looked up for a socket that cannot send; SendTo says why.
    if (!IsOpen()) return SendTo(datagram, QHostAddress());
    // Other handlers run while a name is looked up and may set another remote host.
    const QString host = mRemoteHost;
    const std::optional<QHostAddress> to = names::Resolve(host, names::Family::Any);
    if (!to) {
        mLastError = QStringLiteral("host not found: \"%1\"").arg(host);
        return lanerr::kHostNotFound;
    }
    return SendTo(datagram, *to);
}

qint32 LanMessenger::SendTo(const QByteArray& datagram, const QHostAddress& to) {
    mLastError.clear();
    if (!IsOpen()) {
        mLastError = QStringLiteral("the messenger port is not open");
        return lanerr::kNotConnected;
    }
    if (mSocket.writeDatagram(datagram, to, mRemotePort) != datagram.size()) {
        mLastError = mSocket.errorString();
        return ErrorNumber(mSocket.error());
    }
    return 0;
}

void LanMessenger::AnswerAnnouncement(const QString& host) {
    // Anyone can name any host in an announcement. A name is looked up without waiting,
    // so the datagram handler returns at once however slow the name server is; and only
    // a few look-ups for answers run at a time, so a stream of such datagrams cannot
    // crowd out the program's own look-ups. Their answers are simply not sent.
    const bool lookedUp = names::NeedsLookup(host);
    if (lookedUp) {
        if (mPendingAnswers >= kMaxPendingAnswers) return;
        ++mPendingAnswers;
    }
    names::ResolveThen(host, names::Family::Any, this, [this, host, lookedUp](const std::optional<QHostAddress>& to) {
        if (lookedUp) --mPendingAnswers;
        mRemoteHost = host;
        // Its failure (an announcement without a usable address, say) is of no
        // interest to anyone.
        if (to) SendTo(AnswerDatagram(*this), *to);
    });
}

void LanMessenger::DataArrival() {
    while (mSocket.hasPendingDatagrams()) {
        const qint64 size = mSocket.pendingDatagramSize();
        QByteArray bytes(qMax<qint64>(size, 1), '\0');
        const qint64 got = mSocket.readDatagram(bytes.data(), bytes.size());
        if (got < 0) break;
        bytes.truncate(got);
        // Our own or a peer's empty datagram carries nothing to parse.
        if (IsBlankLanDatagram(bytes)) continue;
        ParseLanMessageBytes(bytes);
        // The answer goes out under the same gate as every other send, to the address
        // the announcement names (taken now: the next datagram overwrites gMsgIPAddr).
        if (gMsgCode == QLatin1String(lancode::kAnnounce) && gOptSendMsg) AnswerAnnouncement(gMsgIPAddr);
        emit MessageParsed();
    }
}

void ParseLanMessageBytes(QByteArrayView bytes) {
    const LanMessage m = ParseLanDatagram(bytes);
    gMsgCode = m.code;
    gMsgUserName = m.userName;
    gMsgIPAddr = m.ipAddr;
    gMsgGameID = m.gameId;
    gMsgData = m.data;
}

void ParseLanMessage(const QString& text) { ParseLanMessageBytes(cp932::FromUnicode(text)); }

qint32 SendLanAnnounce(LanMessenger& winsock) {
    if (!winsock.IsOpen()) {
        if (const qint32 e = winsock.Open(gOptPort)) return e;
    }
    // Start-up calls this directly, not through SendLanMessage: the port is taken either
    // way (what others send is still read), but with sending off nobody is announced to.
    if (!gOptSendMsg) return 0;
    // A snapshot of the addresses, so the database is closed before anything is sent.
    QStringList addresses;
    {
        QString why;
        std::optional<Database> db = Database::Open(gOptDatabasePath, &why);
        std::optional<QSqlQuery> q;
        if (db) q = db->Query(QStringLiteral("SELECT アドレス FROM TBL_User ORDER BY rowid;"), {}, &why);
        if (!q) {
            ReportSendFailure(QStringLiteral("TBL_User"), why);
            return 0;
        }
        while (q->next())
            if (!q->value(0).isNull()) addresses << q->value(0).toString();
    }
    for (const QString& address : addresses) {
        winsock.SetRemoteHost(address);
        const QByteArray datagram = BuildLanDatagram(QLatin1String(lancode::kAnnounce), gOptUserName,
                                                     winsock.LocalIP(), QString(), QString());
        if (winsock.SendData(datagram) != 0) ReportSendFailure(address, winsock.LastError());
    }
    return 0;
}

qint32 SendLanAnswer(LanMessenger& winsock) {
    winsock.SetRemoteHost(gMsgIPAddr);
    return winsock.SendData(AnswerDatagram(winsock));
}

qint32 SendLanText(LanMessenger& winsock, const QString& host, const QString& text) {
    winsock.SetRemoteHost(host);
    return winsock.SendData(BuildLanDatagram(QLatin1String(lancode::kText), gOptUserName,
                                             winsock.LocalIP(), QLatin1String(lancode::kAlarmGameId),
                                             text));
}

QString DefaultRouteInterface(const QByteArray& procNetRoute) {
    QString best;
    qint64 bestMetric = -1;
    const QList<QByteArray> lines = procNetRoute.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {  // line 0 is the column header
        const QList<QByteArray> f = lines[i].simplified().split(' ');
        if (f.size() < 8) continue;
        bool ok = false;
        const uint flags = f[3].toUInt(&ok, 16);
        if (!ok || !(flags & 0x1)) continue;  // RTF_UP
        if (f[1] != "00000000" || f[7] != "00000000") continue;
        const qint64 metric = f[6].toLongLong(&ok);
        if (!ok) continue;
        if (bestMetric < 0 || metric < bestMetric) {
            best = QString::fromLatin1(f[0]);
            bestMetric = metric;
        }
    }
    return best;
}
