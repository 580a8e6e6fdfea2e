#pragma once
// ICMP echo requests in flight on one socket of the ICMP adapter (IcmpSocket.h). EchoFlight
// keeps many requests in flight together: they go out paced (at most one per millisecond,
// so a long list never floods the LAN; one that is waited for goes at once), and the
// answers are taken as they come through the event loop, each matched to its request by
// sequence and sender. IcmpEcho is one request at a time on top of it, shaped like the
// platform echo service the probes were written against: the caller gives the target, the
// echo data, the time-to-live and the wait, and gets back how many replies arrived (0 or
// 1), the platform status number of the answer, its round-trip time and the address of
// whoever answered — the target itself, or a router reporting an ICMP error.
//
// An echo reply counts only when it comes from the target and carries the request's
// sequence (the adapter has checked the identifier); an ICMP error (from any router) only
// when it quotes the request. No wait blocks the thread: every wait runs through the event
// loop (a socket notifier and timers), so the window and its commands go on meanwhile; a
// negative time-out waits 0, never forever.

#include "engine/IcmpSocket.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QSocketNotifier;

namespace icmp {

struct EchoReply {
    int replies = 0;                    // 1 when an answer arrived within the wait, else 0
    quint32 status = RequestTimedOut;   // 0 for an echo reply, else the error's status number
    quint32 roundTripMs = 0;            // from sending to the answer, milliseconds
    quint32 address = 0;                // who answered, host byte order; 0 without an answer
    QString addressText;                // the same as dotted text; "" without an answer
};

// Ends a wait early when it answers true (the program is closing); empty never does.
using StopCondition = std::function<bool()>;

// Echo requests in flight together on one socket.
class EchoFlight : public QObject {
    Q_OBJECT
public:
    // Every sequence number of the ICMP header.
    static constexpr int kSequences = 0x10000;

    // Opens the socket at once; check IsOpen(). An empty opener means ::socket. At most
    // sequences requests are in flight at once (tests make it small); the others wait in
    // line until an answer or a time-out frees a number.
    explicit EchoFlight(SocketKind kind = SocketKind::Auto, SocketOpener opener = {}, int sequences = kSequences);
    ~EchoFlight() override;

    bool IsOpen() const { return socket_.IsOpen(); }
    // The kind actually opened (Datagram or Raw); Auto when nothing could be opened.
    SocketKind Kind() const { return socket_.Kind(); }
    // errno of the failed open, 0 when open.
    int OpenError() const { return socket_.OpenError(); }

    // A request in flight; 0 is none.
    using Ticket = quint64;
    // Puts an echo request to destination (host byte order) carrying data, with the given
    // IP time-to-live (clamped to 1..255), in line. It goes out at once when the one before
    // went out a millisecond ago or more, else as soon as that is so; its wait of timeoutMs
    // counts from when it goes out.
    Ticket Submit(quint32 destination, const QByteArray& data, int ttl, int timeoutMs);
    // The request has its outcome: an answer, its time-out, or a failure to send.
    bool Done(Ticket ticket) const;
    // The flight still holds the request: neither waited for, forgotten nor refused by
    // the send gate.
    bool Knows(Ticket ticket) const { return find(ticket) != nullptr; }
    // Where the request stood among the requests this flight sent (1 for the first); none
    // while it has not gone out (or for an unknown ticket).
    std::optional<quint64> SendOrder(Ticket ticket) const;
    // How long ago the request got its outcome, in milliseconds: since the answer arrived,
    // since its deadline passed for a time-out, since it failed to go out. None while it
    // has no outcome yet (or for an unknown ticket).
    std::optional<qint64> DoneSinceMs(Ticket ticket) const;
    // Waits with the event loop running until the request is done, then hands over its
    // outcome as SendEcho gives it and forgets it. A request still in line goes out at
    // once (as soon as a sequence number is free). An unknown ticket has no answer (0).
    // When stop answers true the wait ends at once with no answer (0) and the request is
    // forgotten.
    int Wait(Ticket ticket, EchoReply& reply, const StopCondition& stop = {});
    // Drops a request and whatever comes for it.
    void Forget(Ticket ticket);
    // Requests neither done nor forgotten.
    int Pending() const { return static_cast<int>(bySequence_.size() + queue_.size()); }

    // Asked for each request of the line as it is about to go out; one it refuses is
    // withdrawn and forgotten (its ticket is then unknown). A request sent at once because
    // it is waited for is not asked.
    using SendGate = std::function<bool(Ticket ticket, quint32 destination)>;
    void SetSendGate(SendGate gate) { gate_ = std::move(gate); }

signals:
    // A router (or the target) answered the request to destination with an ICMP error.
    // sendOrder: the request's place among those sent; sentSince: how many other requests
    // went out after it before its answer came.
    void errorAnswered(quint32 destination, quint32 from, quint64 sendOrder, int sentSince);

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
        qint64 doneAtNs = 0;
        quint64 sendIndex = 0;
        EchoReply reply;
    };

    void sendDue();
    void send(Ticket ticket, Request& r);
    void readAnswers();
    void answer(const Answer& a);
    void expire();
    void armExpiry();
    void finish(Request& r, quint32 status, quint32 from, bool answered, qint64 atNs);
    // Takes a request that went out and is not done off the answer and deadline indexes.
    void unlist(Request& r);
    bool sequenceFree() const { return bySequence_.size() < sequences_; }
    quint16 nextSequence();
    Request* find(Ticket ticket);
    const Request* find(Ticket ticket) const;

    IcmpSocket socket_;
    qsizetype sequences_ = kSequences;
    quint16 sequence_ = 0;
    Ticket lastTicket_ = 0;
    std::map<Ticket, Request> requests_;
    std::deque<Ticket> queue_;               // not sent yet, in order
    QHash<quint16, Ticket> bySequence_;      // sent and waiting for an answer
    std::multimap<qint64, Ticket> deadlines_;  // of the requests sent, by clock time (ns)
    QElapsedTimer clock_;
    qint64 lastSendNs_ = -1;
    quint64 sends_ = 0;
    SendGate gate_;
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
