#pragma once
// The ICMP socket of the echo probes: the one place that talks to the kernel. It opens an
// unprivileged ICMP datagram socket where net.ipv4.ping_group_range admits the process's
// group, else a raw ICMP socket (root or CAP_NET_RAW), sends echo requests and reads back
// what answers them: echo replies and ICMP errors that quote a request of this socket.
// It keeps no requests of its own: which answer belongs to which request is the caller's
// business (EchoFlight, IcmpEcho.h).

#include <QByteArray>
#include <QString>
#include <QtGlobal>

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
// The status number for a request this machine refused to send (an errno).
quint32 StatusForSendErrno(int err);

// Which kind of socket to open. Auto: datagram where allowed, else raw.
enum class SocketKind { Auto, Datagram, Raw };

// Opens a socket like ::socket(domain, type, protocol): a descriptor, or -1 with errno set.
// Tests replace it to make opening fail.
using SocketOpener = std::function<int(int domain, int type, int protocol)>;

// Something that came back for an echo request of this socket.
struct Answer {
    quint16 sequence = 0;
    quint32 status = Success;  // Success for an echo reply, else the reason
    quint32 from = 0;          // the sender (host byte order): the target's reply, a router's error
    quint32 about = 0;         // the destination an error quotes; 0 for a reply or when unknown
    bool echoReply = false;
    bool refusedHere = false;  // this machine refused the request after it was sent (no sender)
};

class IcmpSocket {
public:
    // Opens the socket at once; check IsOpen(). An empty opener means ::socket.
    explicit IcmpSocket(SocketKind kind = SocketKind::Auto, SocketOpener opener = {});
    ~IcmpSocket();
    IcmpSocket(const IcmpSocket&) = delete;
    IcmpSocket& operator=(const IcmpSocket&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // The kind actually opened (Datagram or Raw); Auto when nothing could be opened.
    SocketKind Kind() const { return kind_; }
    // errno of the failed open, 0 when open.
    int OpenError() const { return openError_; }
    // The descriptor to watch for answers (readable, also when an error is queued).
    int Descriptor() const { return fd_; }

    // Sends an echo request with the given sequence number carrying data to destination
    // (host byte order), with the IP time-to-live ttl (clamped to 1..255). 0 when it went,
    // else the errno of the refusal.
    int SendEcho(quint32 destination, quint16 sequence, const QByteArray& data, int ttl);
    // Reads everything waiting on the socket, without blocking, and hands take every answer
    // to a request of this socket: echo replies carrying its identifier, and errors quoting
    // one of its requests. Anything else (stray echoes, other programs' errors) is dropped.
    void ReadAnswers(const std::function<void(const Answer&)>& take);

private:
    void readErrors(const std::function<void(const Answer&)>& take);

    int fd_ = -1;
    SocketKind kind_ = SocketKind::Auto;
    int openError_ = 0;
    quint16 identifier_ = 0;
};

}  // namespace icmp
