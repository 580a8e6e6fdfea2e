#pragma once
// One ICMP echo request at a time over Linux sockets, shaped like the platform echo
// service the probes were written against: the caller gives the target, the echo data,
// the time-to-live and the wait, and gets back how many replies arrived (0 or 1), the
// platform status number of the answer, its round-trip time and the address of whoever
// answered — the target itself, or a router reporting an ICMP error.
//
// The socket is an unprivileged ICMP datagram socket where net.ipv4.ping_group_range
// admits the process's group, else a raw ICMP socket (root or CAP_NET_RAW). An echo reply
// counts only when it comes from the target and carries the request's identifier and
// sequence; an ICMP error (from any router) only when it quotes the request. Stray echoes,
// replies from other hosts and errors for other requests are ignored. The wait runs
// against a steady-clock deadline and blocks the calling thread for at most the time-out;
// a negative time-out waits 0, never forever.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

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

class IcmpEcho {
public:
    // Opens the socket at once; check IsOpen(). An empty opener means ::socket.
    explicit IcmpEcho(SocketKind kind = SocketKind::Auto, SocketOpener opener = {});
    ~IcmpEcho();
    IcmpEcho(const IcmpEcho&) = delete;
    IcmpEcho& operator=(const IcmpEcho&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // The kind actually opened (Datagram or Raw); Auto when nothing could be opened.
    SocketKind Kind() const { return kind_; }
    // errno of the failed open, 0 when open.
    int OpenError() const { return openError_; }

    // Sends one echo request to destination (host byte order) carrying data, with the
    // given IP time-to-live (clamped to 1..255), and waits up to timeoutMs for its answer.
    // Returns reply.replies. Without an open socket, or when the request cannot be sent,
    // no answer arrives (0) and status tells why.
    int SendEcho(quint32 destination, const QByteArray& data, int ttl, int timeoutMs, EchoReply& reply);

private:
    int fd_ = -1;
    SocketKind kind_ = SocketKind::Auto;
    int openError_ = 0;
    quint16 identifier_ = 0;
    quint16 sequence_ = 0;
};

}  // namespace icmp
