#include "engine/IcmpEcho.h"

#include <QRandomGenerator>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace icmp {

namespace {

constexpr int kEchoReply = 0;
constexpr int kDestUnreachable = 3;
constexpr int kSourceQuench = 4;
constexpr int kEchoRequest = 8;
constexpr int kTimeExceeded = 11;
constexpr int kParameterProblem = 12;

using Clock = std::chrono::steady_clock;

quint16 ReadBe16(const unsigned char* p) { return static_cast<quint16>((p[0] << 8) | p[1]); }
quint32 ReadBe32(const unsigned char* p) {
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

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

IcmpEcho::IcmpEcho(SocketKind kind, SocketOpener opener) {
    if (!opener) opener = [](int d, int t, int p) { return ::socket(d, t, p); };
    identifier_ = static_cast<quint16>(QRandomGenerator::global()->bounded(1, 0x10000));
    sequence_ = static_cast<quint16>(QRandomGenerator::global()->bounded(0x10000));

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

IcmpEcho::~IcmpEcho() { CloseQuietly(fd_); }

int IcmpEcho::SendEcho(quint32 destination, const QByteArray& data, int ttl, int timeoutMs, EchoReply& reply) {
    reply = EchoReply {};
    if (fd_ < 0) {
        reply.status = GeneralFailure;
        return 0;
    }

    // Answers to earlier requests that came too late must not be taken for this one.
    std::array<unsigned char, 2048> buf {};
    while (::recv(fd_, buf.data(), buf.size(), MSG_DONTWAIT) >= 0) {
    }
    if (kind_ == SocketKind::Datagram) {
        while (::recv(fd_, buf.data(), buf.size(), MSG_DONTWAIT | MSG_ERRQUEUE) >= 0) {
        }
    }

    const int hops = ttl < 1 ? 1 : (ttl > 255 ? 255 : ttl);
    ::setsockopt(fd_, IPPROTO_IP, IP_TTL, &hops, sizeof hops);

    const quint16 seq = ++sequence_;
    QByteArray packet(8, '\0');
    packet[0] = char(kEchoRequest);
    packet[4] = char(identifier_ >> 8);
    packet[5] = char(identifier_ & 0xff);
    packet[6] = char(seq >> 8);
    packet[7] = char(seq & 0xff);
    packet += data;
    const quint16 sum = Checksum(packet);
    packet[2] = char(sum >> 8);
    packet[3] = char(sum & 0xff);

    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(destination);

    const auto start = Clock::now();
    const auto deadline = start + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    if (::sendto(fd_, packet.constData(), size_t(packet.size()), 0, reinterpret_cast<const sockaddr*>(&to),
                 sizeof to) < 0) {
        reply.status = StatusForSendErrno(errno);
        return 0;
    }

    auto answered = [&](quint32 status, quint32 from) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        reply.replies = 1;
        reply.status = status;
        reply.roundTripMs = quint32(elapsed.count());
        reply.address = from;
        reply.addressText = DottedText(from);
        return 1;
    };

    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - Clock::now());
        const long long ns = left.count() > 0 ? left.count() : 0;
        timespec wait {static_cast<time_t>(ns / 1000000000LL), static_cast<long>(ns % 1000000000LL)};
        pollfd pfd {fd_, POLLIN, 0};
        const int ready = ::ppoll(&pfd, 1, &wait, nullptr);
        if (ready < 0 && errno != EINTR) break;

        if (ready > 0 && (pfd.revents & POLLERR) && kind_ == SocketKind::Datagram) {
            // An ICMP error for a request of this socket: the kernel hands us the error's
            // type, code and sender, and the start of our own request.
            for (;;) {
                std::array<unsigned char, 512> payload {};
                std::array<char, 512> control {};
                sockaddr_in from {};
                iovec iov {payload.data(), payload.size()};
                msghdr msg {};
                msg.msg_name = &from;
                msg.msg_namelen = sizeof from;
                msg.msg_iov = &iov;
                msg.msg_iovlen = 1;
                msg.msg_control = control.data();
                msg.msg_controllen = control.size();
                const ssize_t n = ::recvmsg(fd_, &msg, MSG_ERRQUEUE | MSG_DONTWAIT);
                if (n < 0) break;
                if (n < 8 || ReadBe16(payload.data() + 6) != seq) continue;
                for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
                    if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR) continue;
                    sock_extended_err ee;
                    std::memcpy(&ee, CMSG_DATA(c), sizeof ee);
                    if (ee.ee_origin == SO_EE_ORIGIN_ICMP) {
                        sockaddr_in offender;
                        std::memcpy(&offender, reinterpret_cast<const char*>(CMSG_DATA(c)) + sizeof ee,
                                    sizeof offender);
                        return answered(StatusForIcmpError(ee.ee_type, ee.ee_code),
                                        ntohl(offender.sin_addr.s_addr));
                    }
                    if (ee.ee_origin == SO_EE_ORIGIN_LOCAL) {
                        reply.status = StatusForSendErrno(int(ee.ee_errno));
                        return 0;
                    }
                }
            }
        }

        if (ready > 0 && (pfd.revents & POLLIN)) {
            for (;;) {
                sockaddr_in from {};
                socklen_t fromLen = sizeof from;
                const ssize_t n = ::recvfrom(fd_, buf.data(), buf.size(), MSG_DONTWAIT,
                                             reinterpret_cast<sockaddr*>(&from), &fromLen);
                if (n < 0) break;
                const unsigned char* p = buf.data();
                if (kind_ == SocketKind::Datagram) {
                    // The kernel keeps the identifier and passes only replies that carry
                    // it; whoever sent one, only the target's own answer counts.
                    if (n >= 8 && p[0] == kEchoReply && ReadBe16(p + 6) == seq &&
                        ntohl(from.sin_addr.s_addr) == destination)
                        return answered(Success, destination);
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
                    // Identifier and sequence are in plain sight of anyone who sees the
                    // request: an echo reply counts only from the target itself.
                    if (sender == destination && ReadBe16(icmpHdr + 4) == identifier_ && ReadBe16(icmpHdr + 6) == seq)
                        return answered(Success, sender);
                    continue;
                }
                if (type != kDestUnreachable && type != kTimeExceeded && type != kParameterProblem &&
                    type != kSourceQuench)
                    continue;
                // The error quotes our request's IP header and the first 8 bytes of its ICMP part.
                const unsigned char* inner = icmpHdr + 8;
                const ssize_t innerAvail = n - ihl - 8;
                if (innerAvail < 20) continue;
                const int innerIhl = (inner[0] & 0x0f) * 4;
                if (innerIhl < 20 || innerAvail < innerIhl + 8 || inner[9] != IPPROTO_ICMP) continue;
                if (ReadBe32(inner + 16) != destination) continue;
                const unsigned char* quoted = inner + innerIhl;
                if (quoted[0] != kEchoRequest || ReadBe16(quoted + 4) != identifier_ || ReadBe16(quoted + 6) != seq)
                    continue;
                return answered(StatusForIcmpError(type, icmpHdr[1]), sender);
            }
        }

        if (Clock::now() >= deadline) break;
    }
    reply.status = RequestTimedOut;
    return 0;
}

}  // namespace icmp
