#include "engine/ClsPing.h"

#include "alarms/NameResolver.h"

#include <QCoreApplication>
#include <QHostAddress>

#include <memory>
#include <utility>

namespace {

constexpr qint32 kMaxChars = 128;

struct InProgressGuard {
    explicit InProgressGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~InProgressGuard() { flag_ = false; }
    InProgressGuard(const InProgressGuard&) = delete;
    InProgressGuard& operator=(const InProgressGuard&) = delete;
    bool& flag_;
};

}  // namespace

void ClsPing::setCharsPackets(qint32 value) {
    if (value < 1) value = 1;
    if (value > kMaxChars) value = kMaxChars;
    charsPackets_ = value;
}

void ClsPing::setTtl(qint32 value) {
    if (value > 255) value = 255;
    if (value < 2) value = 2;
    ttl_ = static_cast<qint16>(value);
}

QString ClsPing::StatusText(quint32 status) {
    switch (status) {
    case icmp::Success: return QStringLiteral("接続OK!");
    case icmp::BufTooSmall: return QStringLiteral("Buffer too Small");
    case icmp::DestNetUnreachable: return QStringLiteral("Dest Network Not Reachable");
    case icmp::DestHostUnreachable: return QStringLiteral("Dest Host Not Reachable");
    case icmp::DestProtocolUnreachable: return QStringLiteral("Dest Protocol Not Reachable");
    case icmp::DestPortUnreachable: return QStringLiteral("Dest Port Not Reachable");
    case icmp::NoResources: return QStringLiteral("No Resources Available");
    case icmp::BadOption: return QStringLiteral("Bad Option");
    case icmp::HardwareError: return QStringLiteral("Hardware Error");
    case icmp::PacketTooBig: return QStringLiteral("Packet too Big");
    case icmp::RequestTimedOut: return QStringLiteral("Rqst Timed Out");
    case icmp::BadRequest: return QStringLiteral("Bad Request");
    case icmp::BadRoute: return QStringLiteral("Bad Route");
    case icmp::TtlExpiredTransit: return QStringLiteral("TTL Exprd in Transit");
    case icmp::TtlExpiredReassembly: return QStringLiteral("TTL Exprd Reassemb");
    case icmp::ParameterProblem: return QStringLiteral("Parameter Problem");
    case icmp::SourceQuench: return QStringLiteral("Source Quench");
    case icmp::OptionTooBig: return QStringLiteral("Option too Big");
    case icmp::BadDestination: return QStringLiteral("Bad Destination");
    case icmp::AddressDeleted: return QStringLiteral("Address Deleted");
    case icmp::SpecMtuChange: return QStringLiteral("Spec MTU Change");
    case icmp::MtuChange: return QStringLiteral("MTU Change");
    case icmp::Unload: return QStringLiteral("Unload");
    case icmp::GeneralFailure: return QStringLiteral("General Failure");
    default: return QString();
    }
}

QByteArray ClsPing::EchoData(qint32 length) {
    static const QByteArray pattern = [] {
        QByteArray p;
        for (int i = 0; i < 5; ++i) p += "abcdefghijklmnopqrstuvw";
        p += "abcdefghijklm";
        return p;
    }();
    if (length < 0) length = 0;
    if (length > kMaxChars) length = kMaxChars;
    return pattern.left(length);
}

QString ClsPing::GetStrFromPtrA(const char* text) { return text ? QString::fromLatin1(text) : QString(""); }

qint16 ClsPing::Ping(const QString& address, const QString& displayName) { return ping(address, displayName, nullptr, 0); }

qint16 ClsPing::Ping(const QString& address, const QString& displayName, icmp::EchoFlight& flight,
                     icmp::EchoFlight::Ticket ticket) {
    return ping(address, displayName, &flight, ticket);
}

std::unique_ptr<icmp::EchoFlight> ClsPing::NewFlight() const {
    if (echo_) return nullptr;
    return std::make_unique<icmp::EchoFlight>(kind_, opener_);
}

qint16 ClsPing::ping(const QString& address, const QString& displayName, icmp::EchoFlight* flight,
                     icmp::EchoFlight::Ticket first) {
    // The handle, the address and the reply belong to the call in progress; a nested call
    // from one of its yields must not overwrite them.
    if (inProgress_) return 2;
    InProgressGuard busy(inProgress_);

    hostName_.clear();
    ipAddress_.clear();
    pingMsg_.clear();
    errorFrom_ = 0;
    qint16 result = 0;

    if (address.trimmed().isEmpty()) {
        pingMsg_ = QStringLiteral("IP情報なし");
        return 2;
    }

    // Without any ICMP socket the probe cannot be made at all. That is a fault of this
    // machine, reported as such (result 2), not as a computer that stopped answering,
    // which would walk every computer up the alarm ladder.
    std::unique_ptr<icmp::EchoFlight> own;
    if (!flight && !echo_) {
        own = NewFlight();
        flight = own.get();
    }
    if (flight && !flight->IsOpen()) {
        if (first) flight->Forget(first);
        pingMsg_ = QStringLiteral("Winsock32開始ｴﾗｰ");
        return 2;
    }

    // A name is looked up with the event loop running, as the echoes themselves wait.
    const std::optional<QHostAddress> resolved = names::Resolve(address, names::Family::IPv4);
    const quint32 target = resolved ? resolved->toIPv4Address() : 0;
    if (target == 0) {
        if (flight && first) flight->Forget(first);
        pingMsg_ = QStringLiteral("IP情報取得ｴﾗｰ");
        return 2;
    }
    ipAddress_ = QHostAddress(target).toString();
    hostName_ = displayName;

    const QByteArray data = EchoData(charsPackets_);
    const int waitMs = WaitMs(timeout_);
    const int hops = ttl_;
    bool allAnswered = true;
    icmp::EchoReply reply;
    for (qint32 i = 1; i <= packets_; ++i) {
        // The user's commands run between echoes.
        QCoreApplication::processEvents();
        // The first echo may have gone out ahead; every other one goes out now.
        icmp::EchoFlight::Ticket ticket = 0;
        if (flight) ticket = i == 1 && first ? std::exchange(first, 0) : flight->Submit(target, data, hops, waitMs);
        const int replies = flight ? flight->Wait(ticket, reply, stop_) : echo_(target, data, hops, waitMs, reply);
        errorFrom_ = 0;
        if (replies == 0) {
            ipAddress_ = address;
            pingMsg_ = QStringLiteral("ﾀｲﾑｱｳﾄ!");
            allAnswered = false;
            if (stop_ && stop_()) break;  // closing: no further echo
            continue;
        }
        // The answer's address text is made once, with the answer.
        ipAddress_ = reply.addressText.isEmpty() ? QHostAddress(reply.address).toString() : reply.addressText;
        if (reply.status != icmp::Success) errorFrom_ = reply.address;
        const QString text = StatusText(reply.status);
        if (!text.isNull()) pingMsg_ = text;
        QCoreApplication::processEvents();
    }
    if (!allAnswered) {
        result = 1;
    } else if (reply.status != icmp::Success) {
        result = 2;
    }
    return result;
}
