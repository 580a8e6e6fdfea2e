#include "engine/IcmpEcho.h"

#include "alarms/EventWait.h"

#include <QHostAddress>
#include <QRandomGenerator>
#include <QSocketNotifier>

#include <algorithm>

namespace icmp {

namespace {

constexpr qint64 kPacingNs = 1000000;  // at most one request per millisecond

}  // namespace

EchoFlight::EchoFlight(SocketKind kind, SocketOpener opener, int sequences)
    : socket_(kind, std::move(opener)), sequences_(std::clamp(sequences, 1, kSequences)) {
    sequence_ = static_cast<quint16>(QRandomGenerator::global()->bounded(0x10000));
    clock_.start();
    pacer_.setSingleShot(true);
    pacer_.setTimerType(Qt::PreciseTimer);
    connect(&pacer_, &QTimer::timeout, this, &EchoFlight::sendDue);
    expiry_.setSingleShot(true);
    expiry_.setTimerType(Qt::PreciseTimer);
    connect(&expiry_, &QTimer::timeout, this, &EchoFlight::expire);
    if (!socket_.IsOpen()) return;
    // A pending error (POLLERR) wakes the read notifier too: both queues are read there.
    readable_ = std::make_unique<QSocketNotifier>(socket_.Descriptor(), QSocketNotifier::Read);
    connect(readable_.get(), &QSocketNotifier::activated, this, &EchoFlight::readAnswers);
}

EchoFlight::~EchoFlight() { readable_.reset(); }

EchoFlight::Request* EchoFlight::find(Ticket ticket) {
    const auto it = requests_.find(ticket);
    return it == requests_.end() ? nullptr : &it->second;
}

const EchoFlight::Request* EchoFlight::find(Ticket ticket) const {
    const auto it = requests_.find(ticket);
    return it == requests_.end() ? nullptr : &it->second;
}

EchoFlight::Ticket EchoFlight::Submit(quint32 destination, const QByteArray& data, int ttl, int timeoutMs) {
    const Ticket ticket = ++lastTicket_;
    Request& r = requests_[ticket];
    r.ticket = ticket;
    r.destination = destination;
    r.data = data;
    r.ttl = ttl < 1 ? 1 : (ttl > 255 ? 255 : ttl);
    r.timeoutMs = timeoutMs < 0 ? 0 : timeoutMs;
    if (!socket_.IsOpen()) {
        finish(r, GeneralFailure, 0, false, clock_.nsecsElapsed());
        return ticket;
    }
    queue_.push_back(ticket);
    sendDue();
    return ticket;
}

bool EchoFlight::Done(Ticket ticket) const {
    const Request* r = find(ticket);
    return !r || r->done;
}

std::optional<quint64> EchoFlight::SendOrder(Ticket ticket) const {
    const Request* r = find(ticket);
    if (!r || !r->sent) return std::nullopt;
    return r->sendIndex;
}

std::optional<qint64> EchoFlight::DoneSinceMs(Ticket ticket) const {
    const Request* r = find(ticket);
    if (!r || !r->done) return std::nullopt;
    return std::max<qint64>(0, (clock_.nsecsElapsed() - r->doneAtNs) / 1000000);
}

void EchoFlight::Forget(Ticket ticket) {
    Request* r = find(ticket);
    if (!r) return;
    unlist(*r);
    if (!r->sent) queue_.erase(std::remove(queue_.begin(), queue_.end(), ticket), queue_.end());
    requests_.erase(ticket);
    // A number it held is free for the line again.
    if (!queue_.empty() && !pacer_.isActive()) pacer_.start(0);
}

int EchoFlight::Wait(Ticket ticket, EchoReply& reply, const StopCondition& stop) {
    reply = EchoReply {};
    const auto stopped = [&stop] { return stop && stop(); };
    Request* r = find(ticket);
    if (r && !r->sent && !r->done) {
        // Someone waits for this one now: it goes out at once, ahead of its line, as a
        // lone echo would. The line's pacing counts it, so requests sent ahead of need
        // never add to a caller that walks its list faster than one a millisecond.
        if (const auto at = std::find(queue_.begin(), queue_.end(), ticket); at != queue_.end()) {
            queue_.erase(at);
            queue_.push_front(ticket);
        }
        if (sequenceFree()) {
            queue_.pop_front();
            lastSendNs_ = clock_.nsecsElapsed();
            send(ticket, *r);
        } else {
            // Every number is in flight: the first to be answered or to time out frees
            // one, at the latest when the longest wait now running ends.
            const qint64 longest = deadlines_.empty() ? 0 : (deadlines_.rbegin()->first - clock_.nsecsElapsed()) / 1000000;
            events::ProcessEventsUntil(
                [&] {
                    const Request* q = find(ticket);
                    return !q || q->sent || q->done || stopped();
                },
                std::max<qint64>(longest, 0) + 1000);
        }
        r = find(ticket);
    }
    if (r && !r->done && !stopped()) {
        // The request's own time-out ends the wait (the expiry timer marks it done); the
        // bound only makes sure of that.
        const qint64 bound = qint64(r->timeoutMs) + 1000;
        events::ProcessEventsUntil([&] { return Done(ticket) || stopped(); }, bound);
        r = find(ticket);
        if (r && !r->done && !stopped()) finish(*r, RequestTimedOut, 0, false, clock_.nsecsElapsed());
    }
    if (r && !r->done) {
        Forget(ticket);  // ended by the stop condition: no outcome
        return 0;
    }
    if (!r) return 0;
    reply = r->reply;
    requests_.erase(ticket);
    return reply.replies;
}

quint16 EchoFlight::nextSequence() {
    // A sequence still waiting for its answer is not given out again; the caller made sure
    // that one is free.
    do {
        ++sequence_;
    } while (bySequence_.contains(sequence_));
    return sequence_;
}

void EchoFlight::sendDue() {
    while (!queue_.empty() && sequenceFree()) {
        const qint64 now = clock_.nsecsElapsed();
        if (lastSendNs_ >= 0 && now - lastSendNs_ < kPacingNs) {
            const qint64 left = kPacingNs - (now - lastSendNs_);
            if (!pacer_.isActive()) pacer_.start(int((left + 999999) / 1000000));
            return;
        }
        const Ticket ticket = queue_.front();
        queue_.pop_front();
        Request* r = find(ticket);
        if (!r) continue;
        if (gate_ && !gate_(ticket, r->destination)) {
            requests_.erase(ticket);
            continue;
        }
        lastSendNs_ = now;
        send(ticket, *r);
    }
}

void EchoFlight::send(Ticket ticket, Request& r) {
    r.sequence = nextSequence();
    r.sent = true;
    r.sentAtNs = clock_.nsecsElapsed();
    r.sendIndex = ++sends_;
    if (const int err = socket_.SendEcho(r.destination, r.sequence, r.data, r.ttl); err != 0) {
        finish(r, StatusForSendErrno(err), 0, false, r.sentAtNs);
        return;
    }
    r.deadlineNs = r.sentAtNs + qint64(r.timeoutMs) * 1000000;
    bySequence_.insert(r.sequence, ticket);
    deadlines_.emplace(r.deadlineNs, ticket);
    armExpiry();
}

void EchoFlight::answer(const Answer& a) {
    const auto it = bySequence_.constFind(a.sequence);
    if (it == bySequence_.constEnd()) return;  // too late, or not ours
    Request* r = find(*it);
    if (!r || r->done) return;
    const qint64 now = clock_.nsecsElapsed();
    if (a.echoReply) {
        // Identifier and sequence are in plain sight of anyone who sees the request: an
        // echo reply counts only from the target itself.
        if (a.from != r->destination) return;
        finish(*r, Success, a.from, true, now);
        return;
    }
    if (a.about != 0 && a.about != r->destination) return;  // an error about a request to somewhere else
    if (a.refusedHere) {
        // Refused on this machine: no answer, the reason as the status.
        finish(*r, a.status, 0, false, now);
        return;
    }
    const quint32 destination = r->destination;
    const quint64 order = r->sendIndex;
    finish(*r, a.status, a.from, true, now);
    emit errorAnswered(destination, a.from, order, int(sends_ - order));
}

void EchoFlight::unlist(Request& r) {
    if (!r.sent || r.done) return;
    bySequence_.remove(r.sequence);
    const auto range = deadlines_.equal_range(r.deadlineNs);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == r.ticket) {
            deadlines_.erase(it);
            break;
        }
}

void EchoFlight::finish(Request& r, quint32 status, quint32 from, bool answered, qint64 atNs) {
    const bool heldNumber = r.sent && !r.done;
    unlist(r);
    r.done = true;
    r.doneAtNs = atNs;
    r.reply = EchoReply {};
    r.reply.status = status;
    if (answered) {
        r.reply.replies = 1;
        r.reply.roundTripMs = quint32((atNs - r.sentAtNs) / 1000000);
        r.reply.address = from;
        r.reply.addressText = QHostAddress(from).toString();
    }
    // The number it held is free: a request waiting in line for one may go.
    if (heldNumber && !queue_.empty() && !pacer_.isActive()) pacer_.start(0);
}

void EchoFlight::readAnswers() {
    socket_.ReadAnswers([this](const Answer& a) { answer(a); });
}

void EchoFlight::expire() {
    // An answer already on the socket counts, even at the very end of its wait.
    readAnswers();
    const qint64 now = clock_.nsecsElapsed();
    while (!deadlines_.empty() && deadlines_.begin()->first <= now) {
        const qint64 deadline = deadlines_.begin()->first;
        Request* r = find(deadlines_.begin()->second);
        if (!r) {
            deadlines_.erase(deadlines_.begin());
            continue;
        }
        // A time-out is as old as its deadline, however late the timer came.
        finish(*r, RequestTimedOut, 0, false, deadline);
    }
    armExpiry();
}

void EchoFlight::armExpiry() {
    if (deadlines_.empty()) {
        expiry_.stop();
        return;
    }
    const qint64 left = deadlines_.begin()->first - clock_.nsecsElapsed();
    expiry_.start(left <= 0 ? 0 : int((left + 999999) / 1000000));
}

IcmpEcho::IcmpEcho(SocketKind kind, SocketOpener opener) : flight_(kind, std::move(opener)) {}

int IcmpEcho::SendEcho(quint32 destination, const QByteArray& data, int ttl, int timeoutMs, EchoReply& reply) {
    return flight_.Wait(flight_.Submit(destination, data, ttl, timeoutMs), reply);
}

}  // namespace icmp
