#pragma once
// The program's LAN messenger endpoint: one UDP socket on the shared messenger port
// (option Port), used to announce the program at start-up, to answer other messengers'
// announcements and to send alarm texts. All messengers of the LAN use the same port
// number, so every datagram goes to the remote host currently set and to that port.

#include "alarms/LanDatagram.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QUdpSocket>

#include <optional>

// The last message received, overwritten by every parse.
extern QString gMsgCode;
extern QString gMsgUserName;
extern QString gMsgIPAddr;
extern QString gMsgGameID;
extern QString gMsgData;

// Socket error numbers as the messenger's callers know them.
namespace lanerr {
inline constexpr qint32 kAccessDenied = 10013;    // port needs privileges
inline constexpr qint32 kMessageTooLong = 10040;
inline constexpr qint32 kAddressInUse = 10048;    // another program holds the port
inline constexpr qint32 kAddressNotAvailable = 10049;
inline constexpr qint32 kNetworkUnreachable = 10051;
inline constexpr qint32 kNotConnected = 10057;    // the socket was never bound
inline constexpr qint32 kHostUnreachable = 10065;
inline constexpr qint32 kHostNotFound = 11001;
}  // namespace lanerr

class LanMessenger : public QObject {
    Q_OBJECT
public:
    explicit LanMessenger(QObject* parent = nullptr);

    // Takes the local port for the program's life, exclusively (a second program on the
    // same port fails here), sets the remote host to the machine's own name and the
    // remote port to the same number, and starts handling arriving datagrams.
    // Returns 0 or the error number (kAddressInUse when the port is taken,
    // kAddressNotAvailable for a number outside 0..65535, 0 meaning any free port).
    // bindAddress is the wildcard in the program; tests bind one loopback address each.
    qint32 Open(qint32 port, const QHostAddress& bindAddress = QHostAddress(QHostAddress::AnyIPv4));
    bool IsOpen() const;

    QString RemoteHost() const { return mRemoteHost; }
    void SetRemoteHost(const QString& host) { mRemoteHost = host; }
    quint16 RemotePort() const { return mRemotePort; }
    quint16 LocalPort() const;
    QString LocalHostName() const;
    // Our own address as peers should answer it: the bound address when the socket is
    // bound to one, else the address of the interface that routes to the LAN (never the
    // host name's 127.0.1.1). Finding it sends nothing.
    QString LocalIP() const;

    // Sends the bytes as one datagram to RemoteHost():RemotePort(). Returns 0 or the
    // error number; LastError() describes the failure. A literal address is sent to at
    // once; a host name is looked up first, with the event loop running meanwhile (at most
    // the resolver's time-out; see NameResolver.h).
    qint32 SendData(const QByteArray& datagram);
    QString LastError() const { return mLastError; }

    // Announcements whose named host is being looked up for the answer, at most.
    static constexpr int kMaxPendingAnswers = 4;

signals:
    // A datagram was parsed into the gMsg fields (and answered when it asked for it).
    void MessageParsed();

private:
    // Reads every pending datagram: parses it and answers an announcement.
    void DataArrival();
    // The answer to an announcement naming host: sent when its address is known, never
    // waited for; dropped when the name does not resolve.
    void AnswerAnnouncement(const QString& host);
    qint32 SendTo(const QByteArray& datagram, const QHostAddress& to);

    QUdpSocket mSocket;
    QString mRemoteHost;
    quint16 mRemotePort = 0;
    QString mLastError;
    int mPendingAnswers = 0;
};

// Fills the gMsg fields from one received text (see ParseLanDatagram).
void ParseLanMessage(const QString& text);
// The same from the datagram's bytes as received.
void ParseLanMessageBytes(QByteArrayView bytes);

// Start-up announcement ("01"): one datagram to the PC address of every TBL_User row that
// has one, in table order. Takes the port first when Open was not called (returning its
// error). While option SendMsg is off nothing is sent (the port is still taken). A
// recipient that cannot be reached is reported on the status line and skipped, and so is
// a database that cannot be read: only the port is fatal to start-up.
qint32 SendLanAnnounce(LanMessenger& winsock);
// Answer ("02") to the sender of the last parsed message, at its address field.
qint32 SendLanAnswer(LanMessenger& winsock);
// Text message ("11", game id "99") to one host. Returns 0 or the send's error number.
qint32 SendLanText(LanMessenger& winsock, const QString& host, const QString& text);

// Where the default route leaves the machine, from the text of /proc/net/route: the name
// of the interface of the up default route with the lowest metric, or empty.
QString DefaultRouteInterface(const QByteArray& procNetRoute);
