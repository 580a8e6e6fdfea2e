#include "engine/IcmpSocket.h"

#include <QRandomGenerator>
#include <QtEndian>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

}  // namespace

quint32 StatusForSendErrno(int err) {
    // The platform service reports these as statuses of an echo that got no answer.
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

IcmpSocket::IcmpSocket(SocketKind kind, SocketOpener opener) {
    if (!opener) opener = [](int d, int t, int p) { return ::socket(d, t, p); };
    identifier_ = static_cast<quint16>(QRandomGenerator::global()->bounded(1, 0x10000));
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
}

IcmpSocket::~IcmpSocket() {
    if (fd_ >= 0) ::close(fd_);
}

int IcmpSocket::SendEcho(quint32 destination, quint16 sequence, const QByteArray& data, int ttl) {
    if (fd_ < 0) return EBADF;
    const int hops = ttl < 1 ? 1 : (ttl > 255 ? 255 : ttl);
    ::setsockopt(fd_, IPPROTO_IP, IP_TTL, &hops, sizeof hops);
    QByteArray packet(8, '\0');
    auto* head = reinterpret_cast<uchar*>(packet.data());
    head[0] = uchar(kEchoRequest);
    qToBigEndian<quint16>(identifier_, head + 4);
    qToBigEndian<quint16>(sequence, head + 6);
    packet += data;
    qToBigEndian<quint16>(Checksum(packet), reinterpret_cast<uchar*>(packet.data()) + 2);

    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(destination);
    if (::sendto(fd_, packet.constData(), size_t(packet.size()), 0, reinterpret_cast<const sockaddr*>(&to),
                 sizeof to) < 0)
        return errno;
    return 0;
}

void IcmpSocket::readErrors(const std::function<void(const Answer&)>& take) {
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
        Answer a;
        a.sequence = ReadBe16(payload.data() + 6);
        a.about = msg.msg_namelen >= sizeof original ? ntohl(original.sin_addr.s_addr) : 0;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR) continue;
            sock_extended_err ee;
            std::memcpy(&ee, CMSG_DATA(c), sizeof ee);
            if (ee.ee_origin == SO_EE_ORIGIN_ICMP) {
                sockaddr_in offender;
                std::memcpy(&offender, reinterpret_cast<const char*>(CMSG_DATA(c)) + sizeof ee, sizeof offender);
                a.status = StatusForIcmpError(ee.ee_type, ee.ee_code);
                a.from = ntohl(offender.sin_addr.s_addr);
                take(a);
            } else if (ee.ee_origin == SO_EE_ORIGIN_LOCAL) {
                a.status = StatusForSendErrno(int(ee.ee_errno));
                a.refusedHere = true;
                take(a);
            }
        }
    }
}

void IcmpSocket::ReadAnswers(const std::function<void(const Answer&)>& take) {
    if (fd_ < 0) return;
    if (kind_ == SocketKind::Datagram) readErrors(take);
    std::array<unsigned char, 2048> buf {};
    for (;;) {
        sockaddr_in from {};
        socklen_t fromLen = sizeof from;
        const ssize_t n =
            ::recvfrom(fd_, buf.data(), buf.size(), MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n < 0) return;
        const unsigned char* p = buf.data();
        Answer a;
        if (kind_ == SocketKind::Datagram) {
            // The kernel keeps the identifier and passes only replies that carry it.
            if (n >= 8 && p[0] == kEchoReply) {
                a.sequence = ReadBe16(p + 6);
                a.from = ntohl(from.sin_addr.s_addr);
                a.echoReply = true;
                take(a);
            }
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
            if (ReadBe16(icmpHdr + 4) != identifier_) continue;
            a.sequence = ReadBe16(icmpHdr + 6);
            a.from = sender;
            a.echoReply = true;
            take(a);
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
        a.sequence = ReadBe16(quoted + 6);
        a.status = StatusForIcmpError(type, icmpHdr[1]);
        a.from = sender;
        a.about = ReadBe32(inner + 16);
        take(a);
    }
}

}  // namespace icmp
