#include "engine/IcmpEcho.h"

#include "alarms/EventWait.h"

#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QtEndian>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace icmp {

namespace {

constexpr int kEchoReply = 0;
constexpr int kDestUnreachable = 3;
constexpr int kSourceQuench = 4;
constexpr int kEchoRequest = 8;
constexpr int kTimeExceeded = 11;
constexpr int kParameterProblem = 12;

constexpr qint64 kPacingNs = 1000000;  // at most one request per millisecond

quint16 ReadBe16(const unsigned char* p) { return qFromBigEndian<quint16>(p); }
quint32 ReadBe32(const unsigned char* p) { return qFromBigEndian<quint32>(p); }

quint16 Checksum(const QByteArray& bytes) {
    quint32 sum = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i + 1 < n; i += 2) sum += ReadBe16(p + i);
    if (n % 2) sum += quint32(p[n - 1]) << 8;
    while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
    return static_cast<quint16>(~sum & 0xffff);
}

// What a failed send tells about the request: the platform service reports these as
// statuses of an echo that got no answer.
quint32 StatusForSendErrno(int err) {
    switch (err) {
    case ENETUNREACH: return DestNetUnreachable;
    case EHOSTUNREACH: return DestHostUnreachable;
    case EMSGSIZE: return PacketTooBig;
    case ENOBUFS:
    case ENOMEM: return NoResources;
    case EACCES: return BadDestination;
    default: return GeneralFailure;
    }
}

void CloseQuietly(int fd) {
    if (fd >= 0) ::close(fd);
}

}  // namespace

quint32 StatusForIcmpError(int type, int code) {
    switch (type) {
    case kDestUnreachable:
        switch (code) {
        case 0:   // network unreachable
        case 6:   // destination network unknown
        case 9:   // network administratively prohibited
        case 11:  // network unreachable for type of service
            return DestNetUnreachable;
        case 2: return DestProtocolUnreachable;
        case 3: return DestPortUnreachable;
        case 4: return PacketTooBig;  // fragmentation needed and DF set
        case 5: return BadRoute;      // source route failed
        default: return DestHostUnreachable;  // host unreachable, unknown, isolated, prohibited, filtered
        }
    case kTimeExceeded: return code == 1 ? TtlExpiredReassembly : TtlExpiredTransit;
    case kParameterProblem: return ParameterProblem;
    case kSourceQuench: return SourceQuench;
    default: return GeneralFailure;
    }
}

QString DottedText(quint32 address) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg((address >> 24) & 0xff)
        .arg((address >> 16) & 0xff)
        .arg((address >> 8) & 0xff)
        .arg(address & 0xff);
}

EchoFlight::EchoFlight(SocketKind kind, SocketOpener opener) {
    if (!opener) opener = [](int d, int t, int p) { return ::socket(d, t, p); };
    identifier_ = static_cast<quint16>(QRandomGenerator::global()->bounded(1, 0x10000));
    sequence_ = static_cast<quint16>(QRandomGenerator::global()->bounded(0x10000));
    clock_.start();
    pacer_.setSingleShot(true);
    pacer_.setTimerType(Qt::PreciseTimer);
    connect(&pacer_, &QTimer::timeout, this, &EchoFlight::sendDue);
    expiry_.setSingleShot(true);
    expiry_.setTimerType(Qt::PreciseTimer);
    connect(&expiry_, &QTimer::timeout, this, &EchoFlight::expire);

    if (kind == SocketKind::Auto || kind == SocketKind::Datagram) {
        fd_ = opener(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (fd_ >= 0) {
            kind_ = SocketKind::Datagram;
        } else {
            openError_ = errno;
        }
    }
    if (fd_ < 0 && (kind == SocketKind::Auto || kind == SocketKind::Raw)) {
        fd_ = opener(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (fd_ >= 0) {
            kind_ = SocketKind::Raw;
        } else {
            openError_ = errno;
        }
    }
    if (fd_ < 0) {
        if (openError_ == 0) openError_ = EINVAL;
        return;
    }
    openError_ = 0;
    const int flags = ::fcntl(fd_, F_GETFL, 0);
    if (flags >= 0) ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
    // Answers of a whole round can arrive while the round is busy elsewhere: room for them.
    const int buffer = 1 << 20;
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    if (kind_ == SocketKind::Datagram) {
        // ICMP errors about our requests reach a datagram socket only through its error queue.
        const int on = 1;
        ::setsockopt(fd_, SOL_IP, IP_RECVERR, &on, sizeof on);
    } else {
        // A raw socket sees every ICMP message of the host; keep only the kinds that can
        // answer an echo request.
        icmp_filter filter {};
        filter.data = ~((1U << kEchoReply) | (1U << kDestUnreachable) | (1U << kSourceQuench) |
                        (1U << kTimeExceeded) | (1U << kParameterProblem));
        ::setsockopt(fd_, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    }
    // A pending error (POLLERR) wakes the read notifier too: both queues are read there.
    readable_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(readable_.get(), &QSocketNotifier::activated, this, &EchoFlight::readAnswers);
}

EchoFlight::~EchoFlight() {
    readable_.reset();
    CloseQuietly(fd_);
}

EchoFlight::Request* EchoFlight::find(Ticket ticket) {
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
    if (fd_ < 0) {
        finish(r, GeneralFailure, 0, false);
        return ticket;
    }
    queue_.push_back(ticket);
    sendDue();
    return ticket;
}

bool EchoFlight::Done(Ticket ticket) const {
    const auto it = requests_.find(ticket);
    return it == requests_.end() || it->second.done;
}

void EchoFlight::Forget(Ticket ticket) {
    Request* r = find(ticket);
    if (!r) return;
    unlist(*r);
    if (!r->sent) queue_.erase(std::remove(queue_.begin(), queue_.end(), ticket), queue_.end());
    requests_.erase(ticket);
}

int EchoFlight::Wait(Ticket ticket, EchoReply& reply) {
    reply = EchoReply {};
    Request* r = find(ticket);
    if (r && !r->sent && !r->done) {
        // Someone waits for this one now: it goes out at once, ahead of its line, as a
        // lone echo would. The line's pacing counts it, so requests sent ahead of need
        // never add to a caller that walks its list faster than one a millisecond.
        if (const auto at = std::find(queue_.begin(), queue_.end(), ticket); at != queue_.end()) {
            queue_.erase(at);
            lastSendNs_ = clock_.nsecsElapsed();
            send(ticket, *r);
            r = find(ticket);
        }
    }
    if (r && !r->done) {
        // The request's own time-out ends the wait (the expiry timer marks it done); the
        // bound only makes sure of that.
        const qint64 bound = qint64(r->timeoutMs) + 1000;
        events::ProcessEventsUntil([this, ticket] { return Done(ticket); }, bound);
        r = find(ticket);
        if (r && !r->done) finish(*r, RequestTimedOut, 0, false);
    }
    if (!r) return 0;
    reply = r->reply;
    requests_.erase(ticket);
    return reply.replies;
}

quint16 EchoFlight::nextSequence() {
    // A sequence still waiting for its answer is not given out again.
    do {
        ++sequence_;
    } while (bySequence_.contains(sequence_));
    return sequence_;
}

void EchoFlight::sendDue() {
    while (!queue_.empty()) {
        const qint64 now = clock_.nsecsElapsed();
        if (lastSendNs_ >= 0 && now - lastSendNs_ < kPacingNs) {
            const qint64 left = kPacingNs - (now - lastSendNs_);
            if (!pacer_.isActive()) pacer_.start(int((left + 999999) / 1000000));
            return;
        }
        const Ticket ticket = queue_.front();
        queue_.pop_front();
        if (Request* r = find(ticket)) {
            lastSendNs_ = now;
            send(ticket, *r);
        }
    }
}

void EchoFlight::send(Ticket ticket, Request& r) {
    ::setsockopt(fd_, IPPROTO_IP, IP_TTL, &r.ttl, sizeof r.ttl);
    r.sequence = nextSequence();
    QByteArray packet(8, '\0');
    auto* head = reinterpret_cast<uchar*>(packet.data());
    head[0] = uchar(kEchoRequest);
    qToBigEndian<quint16>(identifier_, head + 4);
    qToBigEndian<quint16>(r.sequence, head + 6);
    packet += r.data;
    qToBigEndian<quint16>(Checksum(packet), reinterpret_cast<uchar*>(packet.data()) + 2);

    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(r.destination);
    r.sent = true;
    r.sentAtNs = clock_.nsecsElapsed();
    if (::sendto(fd_, packet.constData(), size_t(packet.size()), 0, reinterpret_cast<const sockaddr*>(&to),
                 sizeof to) < 0) {
        finish(r, StatusForSendErrno(errno), 0, false);
        return;
    }
    r.deadlineNs = r.sentAtNs + qint64(r.timeoutMs) * 1000000;
    bySequence_.insert(r.sequence, ticket);
    deadlines_.emplace(r.deadlineNs, ticket);
    armExpiry();
}

void EchoFlight::answer(quint16 sequence, quint32 status, quint32 from, bool isEchoReply, quint32 aboutDestination) {
    const auto it = bySequence_.constFind(sequence);
    if (it == bySequence_.constEnd()) return;  // too late, or not ours
    Request* r = find(*it);
    if (!r || r->done) return;
    if (isEchoReply) {
        // Identifier and sequence are in plain sight of anyone who sees the request: an
        // echo reply counts only from the target itself.
        if (from != r->destination) return;
    } else if (aboutDestination != 0 && aboutDestination != r->destination) {
        return;  // an error about a request to somewhere else
    }
    finish(*r, status, from, true);
}

void EchoFlight::unlist(Request& r) {
    if (!r.sent || r.done) return;
    bySequence_.remove(r.sequence);
    const auto range = deadlines_.equal_range(r.deadlineNs);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == r.ticket) {
            deadlines_.erase(it);
            return;
        }
}

void EchoFlight::finish(Request& r, quint32 status, quint32 from, bool answered) {
    unlist(r);
    r.done = true;
    r.reply = EchoReply {};
    r.reply.status = status;
    if (answered) {
        r.reply.replies = 1;
        r.reply.roundTripMs = quint32((clock_.nsecsElapsed() - r.sentAtNs) / 1000000);
        r.reply.address = from;
        r.reply.addressText = DottedText(from);
    }
}

void EchoFlight::readErrors() {
    // An ICMP error for a request of this socket: the kernel hands us the error's type,
    // code and sender, the address the request went to, and the start of the request.
    for (;;) {
        std::array<unsigned char, 512> payload {};
        std::array<char, 512> control {};
        sockaddr_in original {};
        iovec iov {payload.data(), payload.size()};
        msghdr msg {};
        msg.msg_name = &original;
        msg.msg_namelen = sizeof original;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control.data();
        msg.msg_controllen = control.size();
        const ssize_t n = ::recvmsg(fd_, &msg, MSG_ERRQUEUE | MSG_DONTWAIT);
        if (n < 0) return;
        if (n < 8) continue;
        const quint16 seq = ReadBe16(payload.data() + 6);
        const quint32 about = msg.msg_namelen >= sizeof original ? ntohl(original.sin_addr.s_addr) : 0;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR) continue;
            sock_extended_err ee;
            std::memcpy(&ee, CMSG_DATA(c), sizeof ee);
            if (ee.ee_origin == SO_EE_ORIGIN_ICMP) {
                sockaddr_in offender;
                std::memcpy(&offender, reinterpret_cast<const char*>(CMSG_DATA(c)) + sizeof ee, sizeof offender);
                answer(seq, StatusForIcmpError(ee.ee_type, ee.ee_code), ntohl(offender.sin_addr.s_addr), false,
                       about);
            } else if (ee.ee_origin == SO_EE_ORIGIN_LOCAL) {
                // Refused on this machine: no answer, the reason as the status.
                const auto it = bySequence_.constFind(seq);
                if (it != bySequence_.constEnd())
                    if (Request* r = find(*it); r && (about == 0 || about == r->destination))
                        finish(*r, StatusForSendErrno(int(ee.ee_errno)), 0, false);
            }
        }
    }
}

void EchoFlight::readAnswers() {
    if (fd_ < 0) return;
    if (kind_ == SocketKind::Datagram) readErrors();
    std::array<unsigned char, 2048> buf {};
    for (;;) {
        sockaddr_in from {};
        socklen_t fromLen = sizeof from;
        const ssize_t n =
            ::recvfrom(fd_, buf.data(), buf.size(), MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n < 0) return;
        const unsigned char* p = buf.data();
        if (kind_ == SocketKind::Datagram) {
            // The kernel keeps the identifier and passes only replies that carry it.
            if (n >= 8 && p[0] == kEchoReply) answer(ReadBe16(p + 6), Success, ntohl(from.sin_addr.s_addr), true, 0);
            continue;
        }
        // Raw: the IP header comes first.
        if (n < 20) continue;
        const int ihl = (p[0] & 0x0f) * 4;
        if (ihl < 20 || n < ihl + 8) continue;
        const quint32 sender = ReadBe32(p + 12);
        const unsigned char* icmpHdr = p + ihl;
        const int type = icmpHdr[0];
        if (type == kEchoReply) {
            if (ReadBe16(icmpHdr + 4) == identifier_) answer(ReadBe16(icmpHdr + 6), Success, sender, true, 0);
            continue;
        }
        if (type != kDestUnreachable && type != kTimeExceeded && type != kParameterProblem && type != kSourceQuench)
            continue;
        // The error quotes our request's IP header and the first 8 bytes of its ICMP part.
        const unsigned char* inner = icmpHdr + 8;
        const ssize_t innerAvail = n - ihl - 8;
        if (innerAvail < 20) continue;
        const int innerIhl = (inner[0] & 0x0f) * 4;
        if (innerIhl < 20 || innerAvail < innerIhl + 8 || inner[9] != IPPROTO_ICMP) continue;
        const unsigned char* quoted = inner + innerIhl;
        if (quoted[0] != kEchoRequest || ReadBe16(quoted + 4) != identifier_) continue;
        const quint32 about = ReadBe32(inner + 16);
        answer(ReadBe16(quoted + 6), StatusForIcmpError(type, icmpHdr[1]), sender, false, about);
    }
}

void EchoFlight::expire() {
    // An answer already on the socket counts, even at the very end of its wait.
    readAnswers();
    const qint64 now = clock_.nsecsElapsed();
    while (!deadlines_.empty() && deadlines_.begin()->first <= now) {
        Request* r = find(deadlines_.begin()->second);
        if (!r) {
            deadlines_.erase(deadlines_.begin());
            continue;
        }
        finish(*r, RequestTimedOut, 0, false);
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
