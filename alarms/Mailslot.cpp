#include "alarms/Mailslot.h"

#include "alarms/Cp932.h"
#include "alarms/NameResolver.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QRandomGenerator>
#include <QtEndian>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <optional>

namespace {

// Offset of the mailslot name inside the SMB message: 32 header bytes, the word count,
// 17 parameter words and the byte count.
constexpr int kSmbHeaderSize = 32;
constexpr int kTransactionWords = 17;
constexpr int kNameOffset = kSmbHeaderSize + 1 + 2 * kTransactionWords + 2;
constexpr int kNetbiosHeaderSize = 14;
constexpr int kEncodedNameSize = 34;

// The NetBIOS header is in network byte order, the SMB words inside it little-endian.
template <typename T>
void Put(QByteArray& out, T v, bool bigEndian) {
    char bytes[sizeof(T)];
    if (bigEndian)
        qToBigEndian(v, bytes);
    else
        qToLittleEndian(v, bytes);
    out.append(bytes, sizeof bytes);
}
void Put16(QByteArray& out, quint16 v, bool bigEndian) { Put(out, v, bigEndian); }
void Put32(QByteArray& out, quint32 v, bool bigEndian) { Put(out, v, bigEndian); }

// Keeps at most max bytes of CP932 text without cutting a double-byte character.
QByteArray CutCp932(const QByteArray& bytes, qsizetype max) {
    qsizetype i = 0;
    while (i < bytes.size()) {
        const qsizetype step = cp932::IsLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
        if (i + step > max) break;
        i += step;
    }
    return bytes.left(qMin(i, bytes.size()));
}

class UdpFd {
public:
    UdpFd() : mFd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
    ~UdpFd() {
        if (mFd >= 0) ::close(mFd);
    }
    UdpFd(const UdpFd&) = delete;
    UdpFd& operator=(const UdpFd&) = delete;
    int get() const { return mFd; }

private:
    int mFd;
};

}  // namespace

QByteArray EncodeNetbiosName(QByteArrayView name, quint8 suffix) {
    QByteArray raw = name.first(qMin<qsizetype>(name.size(), 15)).toByteArray();
    raw = raw.leftJustified(15, ' ');
    raw.append(static_cast<char>(suffix));
    QByteArray out;
    out.reserve(kEncodedNameSize);
    out.append(static_cast<char>(0x20));
    for (char c : raw) {
        const auto b = static_cast<unsigned char>(c);
        out.append(static_cast<char>('A' + (b >> 4)));
        out.append(static_cast<char>('A' + (b & 0x0F)));
    }
    out.append('\0');
    return out;
}

QByteArray NetbiosName(const QString& name) {
    QString n = name.trimmed();
    QHostAddress literal;
    if (!literal.setAddress(n)) n = n.section(QLatin1Char('.'), 0, 0);
    return CutCp932(cp932::FromUnicode(n.toUpper()), 15);
}

QByteArray MessengerPayload(const QString& sender, const QString& host, const QString& text) {
    const QByteArray s = cp932::FromUnicode(sender);
    const QByteArray h = cp932::FromUnicode(host);
    QByteArray t = cp932::FromUnicode(text);
    const qsizetype room = mailslot::kMaxUserData - 2 * kEncodedNameSize - kNameOffset -
                           static_cast<qsizetype>(sizeof mailslot::kMessengerSlot) - s.size() - h.size() - 3;
    t = CutCp932(t, qMax<qsizetype>(room, 0));
    QByteArray out = s;
    out.append('\0');
    out += h;
    out.append('\0');
    out += t;
    out.append('\0');
    return out;
}

QByteArray BuildMailslotDatagram(const MailslotDatagram& d) {
    const QByteArray slot(mailslot::kMessengerSlot, sizeof mailslot::kMessengerSlot);  // with NUL
    const auto dataCount = static_cast<quint16>(d.mailslotData.size());
    const auto dataOffset = static_cast<quint16>(kNameOffset + slot.size());

    // SMB header: protocol, SMB_COM_TRANSACTION, everything else zero (a mailslot
    // datagram has no session, tree, process or user).
    QByteArray smb;
    smb.append("\xFFSMB", 4);
    smb.append(static_cast<char>(0x25));
    smb.append(QByteArray(kSmbHeaderSize - 5, '\0'));
    // Transaction request words (little-endian).
    smb.append(static_cast<char>(kTransactionWords));
    Put16(smb, 0, false);          // TotalParameterCount
    Put16(smb, dataCount, false);  // TotalDataCount
    Put16(smb, 0, false);          // MaxParameterCount
    Put16(smb, 0, false);          // MaxDataCount: no reply to a datagram
    smb.append('\0');              // MaxSetupCount
    smb.append('\0');              // Reserved1
    Put16(smb, 0, false);          // Flags
    Put32(smb, 0, false);          // Timeout
    Put16(smb, 0, false);          // Reserved2
    Put16(smb, 0, false);          // ParameterCount
    Put16(smb, dataOffset, false); // ParameterOffset (no parameters; where they would be)
    Put16(smb, dataCount, false);  // DataCount
    Put16(smb, dataOffset, false); // DataOffset
    smb.append(static_cast<char>(3));  // SetupCount
    smb.append('\0');                  // Reserved3
    Put16(smb, 1, false);  // Setup[0]: opcode, mailslot write
    Put16(smb, 1, false);  // Setup[1]: priority
    Put16(smb, 2, false);  // Setup[2]: class 2, unreliable
    Put16(smb, static_cast<quint16>(slot.size() + dataCount), false);  // ByteCount
    smb += slot;
    smb += d.mailslotData;

    const QByteArray src = EncodeNetbiosName(d.sourceName, d.sourceSuffix);
    const QByteArray dst = EncodeNetbiosName(d.destinationName, d.destinationSuffix);

    // NetBIOS datagram header (network byte order).
    QByteArray out;
    out.append(static_cast<char>(0x10));  // DIRECT_UNIQUE DATAGRAM
    out.append(static_cast<char>(0x02));  // B node, first and only fragment
    Put16(out, d.datagramId, true);
    Put32(out, d.sourceIp, true);
    Put16(out, d.sourcePort, true);
    Put16(out, static_cast<quint16>(src.size() + dst.size() + smb.size()), true);  // DGM_LENGTH
    Put16(out, 0, true);  // PACKET_OFFSET
    Q_ASSERT(out.size() == kNetbiosHeaderSize);
    out += src;
    out += dst;
    out += smb;
    return out;
}

MailslotSender::MailslotSender()
    : mSourceName(QHostInfo::localHostName()),
      mNextId(static_cast<quint16>(QRandomGenerator::global()->bounded(0x10000))) {}

bool MailslotSender::Send(const QString& sender, const QString& host, const QString& text) {
    // A literal address is settled before ResolveThen returns; a name is not, and its
    // popup goes out when (and if) the address is known.
    const auto sent = std::make_shared<std::optional<bool>>();
    names::ResolveThen(host, names::Family::IPv4, &mLookups,
                       [this, sent, sender, host, text](const std::optional<QHostAddress>& to) {
                           *sent = to && SendTo(*to, sender, host, text);
                       });
    return sent->value_or(true);
}

bool MailslotSender::SendTo(const QHostAddress& to, const QString& sender, const QString& host, const QString& text) {
    UdpFd fd;
    if (fd.get() < 0) return false;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = qToBigEndian(mPort);
    peer.sin_addr.s_addr = qToBigEndian(to.toIPv4Address());
    // Connecting a datagram socket sends nothing; it picks the route, and with it the
    // source address and ephemeral port the header has to name.
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) return false;
    sockaddr_in self{};
    socklen_t selfLen = sizeof self;
    if (::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&self), &selfLen) != 0) return false;

    MailslotDatagram d;
    d.datagramId = mNextId++;
    d.sourceIp = qFromBigEndian(self.sin_addr.s_addr);
    d.sourcePort = qFromBigEndian(self.sin_port);
    d.sourceName = NetbiosName(mSourceName);
    d.destinationName = NetbiosName(host);
    d.mailslotData = MessengerPayload(sender, host, text);
    const QByteArray bytes = BuildMailslotDatagram(d);
    return ::send(fd.get(), bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL) == bytes.size();
}

void SendMailslotMessage(MailslotSender& mailslot, const QString& sender, const QString& host,
                         const QString& text) {
    mailslot.Send(sender, host, text);
}
