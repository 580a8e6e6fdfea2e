#pragma once
// ICMP echo requests over Linux sockets. EchoFlight keeps many requests in flight on one
// socket: they go out paced (at most one per millisecond, so a long list never floods the
// LAN; one that is waited for goes at once), and the answers are taken as they come through the event loop, each matched to its
// request by identifier, sequence and sender. IcmpEcho is one request at a time on top of
// it, shaped like the platform echo service the probes were written against: the caller
// gives the target, the echo data, the time-to-live and the wait, and gets back how many
// replies arrived (0 or 1), the platform status number of the answer, its round-trip time
// and the address of whoever answered — the target itself, or a router reporting an ICMP
// error.
//
// The socket is an unprivileged ICMP datagram socket where net.ipv4.ping_group_range
// admits the process's group, else a raw ICMP socket (root or CAP_NET_RAW). An echo reply
// counts only when it comes from the target and carries the request's identifier and
// sequence; an ICMP error (from any router) only when it quotes the request. Stray echoes,
// replies from other hosts and errors for other requests are ignored. No wait blocks the
// thread: every wait runs through the event loop (a socket notifier and timers), so the
// window and its commands go on meanwhile; a negative time-out waits 0, never forever.

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>

class QSocketNotifier;

namespace icmp {

// Platform status numbers of an echo answer (the ICMP echo service's IP_STATUS codes).
enum Status : quint32 {
    Success = 0,
    BufTooSmall = 11001,
    DestNetUnreachable = 11002,
    DestHostUnreachable = 11003,
    DestProtocolUnreachable = 11004,
    DestPortUnreachable = 11005,
    NoResources = 11006,
    BadOption = 11007,
    HardwareError = 11008,
    PacketTooBig = 11009,
    RequestTimedOut = 11010,
    BadRequest = 11011,
    BadRoute = 11012,
    TtlExpiredTransit = 11013,
    TtlExpiredReassembly = 11014,
    ParameterProblem = 11015,
    SourceQuench = 11016,
    OptionTooBig = 11017,
    BadDestination = 11018,
    AddressDeleted = 11019,
    SpecMtuChange = 11020,
    MtuChange = 11021,
    Unload = 11022,
    GeneralFailure = 11050,
};

// The status number for an ICMP error message of the given type and code
// (3 destination unreachable, 11 time exceeded, 12 parameter problem, 4 source quench);
// GeneralFailure for anything else.
quint32 StatusForIcmpError(int type, int code);

// Dotted text of an address in host byte order ("127.0.0.1" for 0x7f000001). Names are
// turned into addresses by the program's resolver (alarms/NameResolver.h).
QString DottedText(quint32 address);

// Which kind of socket to open. Auto: datagram where allowed, else raw.
enum class SocketKind { Auto, Datagram, Raw };

// Opens a socket like ::socket(domain, type, protocol): a descriptor, or -1 with errno set.
// Tests replace it to make opening fail.
using SocketOpener = std::function<int(int domain, int type, int protocol)>;

struct EchoReply {
    int replies = 0;                    // 1 when an answer arrived within the wait, else 0
    quint32 status = RequestTimedOut;   // 0 for an echo reply, else the error's status number
    quint32 roundTripMs = 0;            // from sending to the answer, milliseconds
    quint32 address = 0;                // who answered, host byte order; 0 without an answer
    QString addressText;                // the same as dotted text; "" without an answer
};

// Echo requests in flight together on one socket.
class EchoFlight : public QObject {
    Q_OBJECT
public:
    // Opens the socket at once; check IsOpen(). An empty opener means ::socket.
    explicit EchoFlight(SocketKind kind = SocketKind::Auto, SocketOpener opener = {});
    ~EchoFlight() override;

    bool IsOpen() const { return fd_ >= 0; }
    // The kind actually opened (Datagram or Raw); Auto when nothing could be opened.
    SocketKind Kind() const { return kind_; }
    // errno of the failed open, 0 when open.
    int OpenError() const { return openError_; }

    // A request in flight; 0 is none.
    using Ticket = quint64;
    // Puts an echo request to destination (host byte order) carrying data, with the given
    // IP time-to-live (clamped to 1..255), in line. It goes out at once when the one before
    // went out a millisecond ago or more, else as soon as that is so; its wait of timeoutMs
    // counts from when it goes out.
    Ticket Submit(quint32 destination, const QByteArray& data, int ttl, int timeoutMs);
    // The request has its outcome: an answer, its time-out, or a failure to send.
    bool Done(Ticket ticket) const;
    // Waits with the event loop running until the request is done, then hands over its
    // outcome as SendEcho gives it and forgets it. A request still in line goes out at
    // once. An unknown ticket has no answer (0).
    int Wait(Ticket ticket, EchoReply& reply);
    // Drops a request and whatever comes for it.
    void Forget(Ticket ticket);
    // Requests neither done nor forgotten.
    int Pending() const { return static_cast<int>(bySequence_.size() + queue_.size()); }

private:
    struct Request {
        Ticket ticket = 0;
        quint32 destination = 0;
        QByteArray data;
        int ttl = 255;
        int timeoutMs = 0;
        quint16 sequence = 0;
        bool sent = false;
        bool done = false;
        qint64 sentAtNs = 0;
        qint64 deadlineNs = 0;
        EchoReply reply;
    };

    void sendDue();
    void send(Ticket ticket, Request& r);
    void readAnswers();
    void readErrors();
    void answer(quint16 sequence, quint32 status, quint32 from, bool isEchoReply, quint32 aboutDestination);
    void expire();
    void armExpiry();
    void finish(Request& r, quint32 status, quint32 from, bool answered);
    // Takes a request that went out and is not done off the answer and deadline indexes.
    void unlist(Request& r);
    quint16 nextSequence();
    Request* find(Ticket ticket);

    int fd_ = -1;
    SocketKind kind_ = SocketKind::Auto;
    int openError_ = 0;
    quint16 identifier_ = 0;
    quint16 sequence_ = 0;
    Ticket lastTicket_ = 0;
    std::map<Ticket, Request> requests_;
    std::deque<Ticket> queue_;               // not sent yet, in order
    QHash<quint16, Ticket> bySequence_;      // sent and waiting for an answer
    std::multimap<qint64, Ticket> deadlines_;  // of the requests sent, by clock time (ns)
    QElapsedTimer clock_;
    qint64 lastSendNs_ = -1;
    QTimer pacer_;
    QTimer expiry_;
    std::unique_ptr<QSocketNotifier> readable_;
};

// One echo at a time, waiting for its answer with the event loop running.
class IcmpEcho {
public:
    // Opens the socket at once; check IsOpen(). An empty opener means ::socket.
    explicit IcmpEcho(SocketKind kind = SocketKind::Auto, SocketOpener opener = {});

    bool IsOpen() const { return flight_.IsOpen(); }
    SocketKind Kind() const { return flight_.Kind(); }
    int OpenError() const { return flight_.OpenError(); }

    // Sends one echo request to destination (host byte order) carrying data, with the given
    // IP time-to-live (clamped to 1..255), and waits up to timeoutMs for its answer.
    // Returns reply.replies. Without an open socket, or when the request cannot be sent,
    // no answer arrives (0) and status tells why.
    int SendEcho(quint32 destination, const QByteArray& data, int ttl, int timeoutMs, EchoReply& reply);

private:
    EchoFlight flight_;
};

}  // namespace icmp
