#pragma once
// The echo prober of the check engine: does a computer answer an ICMP echo, and if not,
// why not. One instance lives with the main window; the check round and the immediate
// check set Timeout, call Ping for one computer and read the result and PingMsg.
// Every Ping opens and closes its own socket (or takes an echo a round sent ahead on its
// own); only the settings and the last call's texts are kept between calls. Every wait
// runs through the event loop.

#include "engine/IcmpEcho.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class ClsPing {
public:
    // Replaces the echo service for one Ping (tests script the answers with it).
    using EchoFunction =
        std::function<int(quint32 destination, const QByteArray& data, int ttl, int timeoutMs, icmp::EchoReply& reply)>;

    ClsPing() = default;

    // 0: every echo answered and the last answer is an echo reply; 1: an echo got no
    // answer within Timeout; 2: no probe could be made (blank or unresolvable address,
    // no ICMP socket) or the answer was an ICMP error. Never throws. An address that is a
    // host name is looked up with the event loop running (see alarms/NameResolver.h). A call made while
    // another Ping of this object is still running (from inside its yields) returns 2 at
    // once and leaves the running call's texts alone.
    qint16 Ping(const QString& address, const QString& displayName);
    // The same with the first echo already sent on flight (ticket): a round sends its
    // echoes early and takes each answer here, in the computer's turn. The result and the
    // texts are those of the call above.
    qint16 Ping(const QString& address, const QString& displayName, icmp::EchoFlight& flight,
                icmp::EchoFlight::Ticket ticket);
    // A flight on the socket this prober would open, for echoes sent ahead of their
    // Ping; null while an echo function stands in for the echo service (tests script
    // the answers one Ping at a time).
    std::unique_ptr<icmp::EchoFlight> NewFlight() const;

    QString HostName() const { return hostName_; }
    void setHostName(const QString& value) { hostName_ = value.trimmed(); }
    QString IPAddress() const { return ipAddress_; }
    void setIPAddress(const QString& value) { ipAddress_ = value.trimmed(); }
    // Echo data length in characters, 1..128.
    qint32 CharsPackets() const { return charsPackets_; }
    void setCharsPackets(qint32 value);
    // Echoes per Ping, at least 1.
    qint32 Packets() const { return packets_; }
    void setPackets(qint32 value) { packets_ = value < 1 ? 1 : value; }
    // Wait for each echo's answer, milliseconds; stored as given. A value of 0 or less
    // waits 1 s, so no echo waits forever or not at all.
    qint32 Timeout() const { return timeout_; }
    void setTimeout(qint32 value) { timeout_ = value; }
    // The wait an echo sent with that time-out is given.
    static int WaitMs(qint32 timeout) { return timeout > 0 ? timeout : 1000; }
    // IP time-to-live of the echoes, 2..255.
    qint16 ttl() const { return ttl_; }
    void setTtl(qint32 value);
    QString PingMsg() const { return pingMsg_; }

    bool InProgress() const { return inProgress_; }
    // Who answered the last Ping's last echo with an ICMP error (host byte order): a router
    // on the way, or the target; 0 when that echo was answered by the target or not at all.
    quint32 ErrorFrom() const { return errorFrom_; }
    // While set, a Ping's waits end at once when it answers true (the program is closing);
    // the Ping then reports no answer, and its caller drops it.
    void SetStopCondition(icmp::StopCondition stop) { stop_ = std::move(stop); }

    // The user's text for an echo answer's status number; a null QString for a number
    // the table does not know.
    static QString StatusText(quint32 status);
    // The first length characters of the echo data pattern (length clamped to 0..128).
    static QByteArray EchoData(qint32 length);
    // The NUL-terminated single-byte text at text; "" for a null pointer.
    static QString GetStrFromPtrA(const char* text);

    // Test seams: how the ICMP socket is opened, which kind, or the echo service itself.
    void SetSocketOpener(icmp::SocketOpener opener) { opener_ = std::move(opener); }
    void SetSocketKind(icmp::SocketKind kind) { kind_ = kind; }
    void SetEchoFunction(EchoFunction echo) { echo_ = std::move(echo); }

private:
    qint16 ping(const QString& address, const QString& displayName, icmp::EchoFlight* flight,
                icmp::EchoFlight::Ticket first);

    QString hostName_;
    QString ipAddress_;
    qint32 charsPackets_ = 1;
    qint32 packets_ = 1;
    qint32 timeout_ = 5000;
    qint16 ttl_ = 255;
    QString pingMsg_;
    bool inProgress_ = false;
    quint32 errorFrom_ = 0;
    icmp::StopCondition stop_;

    icmp::SocketOpener opener_;
    icmp::SocketKind kind_ = icmp::SocketKind::Auto;
    EchoFunction echo_;
};
