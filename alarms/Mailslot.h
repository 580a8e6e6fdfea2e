#pragma once
// Messenger-service popups without a mailslot API. A write to \\host\mailslot\messngr
// travels as one NetBIOS datagram (direct unique, RFC 1002 section 4.4) to the host's
// datagram service, carrying an SMB Transaction request that writes to the mailslot
// \MAILSLOT\MESSNGR; the mailslot data is "sender\0recipient\0text\0" in CP932. This
// adapter puts exactly that on the wire, from an ephemeral UDP port.

#include <QByteArray>
#include <QByteArrayView>
#include <QHostAddress>
#include <QObject>
#include <QString>

namespace mailslot {
inline constexpr quint16 kDatagramServicePort = 138;
inline constexpr char kMessengerSlot[] = "\\MAILSLOT\\MESSNGR";
// What follows a NetBIOS datagram's header (the two names, the SMB message and the
// mailslot data) is kept within the 512 bytes of user data RFC 1002 allows, names included.
inline constexpr int kMaxUserData = 512;
inline constexpr quint8 kWorkstationSuffix = 0x00;
inline constexpr quint8 kMessengerSuffix = 0x03;
}  // namespace mailslot

// The fields of one direct-unique datagram with a mailslot write inside.
struct MailslotDatagram {
    quint16 datagramId = 0;
    quint32 sourceIp = 0;  // host byte order
    quint16 sourcePort = 0;
    QByteArray sourceName;  // NetBIOS name bytes, at most 15, padded with spaces here
    quint8 sourceSuffix = mailslot::kWorkstationSuffix;
    QByteArray destinationName;
    quint8 destinationSuffix = mailslot::kMessengerSuffix;
    QByteArray mailslotData;
};

// A NetBIOS name in first-level encoding as one label: 0x20, 32 letters 'A'..'P' for the
// 16 bytes (name padded with spaces to 15, then the suffix), and the empty scope's 0x00.
QByteArray EncodeNetbiosName(QByteArrayView name, quint8 suffix);

// The NetBIOS form of a host or computer name: up to its first "." unless it is a
// dotted address, upper case, CP932, at most 15 bytes without splitting a character.
QByteArray NetbiosName(const QString& name);

// "sender\0host\0text\0" in CP932; the text is shortened (whole characters) when the
// datagram would otherwise exceed what one NetBIOS datagram carries.
QByteArray MessengerPayload(const QString& sender, const QString& host, const QString& text);

// The whole UDP payload: NetBIOS datagram header and names, SMB header, Transaction
// words and bytes, mailslot name and data.
QByteArray BuildMailslotDatagram(const MailslotDatagram& d);

// The adapter, with its settings.
class MailslotSender {
public:
    MailslotSender();

    // UDP port of the hosts' datagram service (138; tests use a loopback port).
    void SetDestinationPort(quint16 port) { mPort = port; }
    // Our NetBIOS name in the datagram (the machine's host name by default).
    void SetSourceName(const QString& name) { mSourceName = name; }
    // Identifier of the next datagram; each send takes one.
    void SetNextDatagramId(quint16 id) { mNextId = id; }
    quint16 NextDatagramId() const { return mNextId; }

    // One popup. Like the mailslot write it stands for, it reports nothing: an unknown
    // host or a network error just means no popup. Does not process events: a host name
    // is looked up without waiting, and the popup goes out once its address is known.
    // Returns false when no popup will go out (a blank host, an IPv6 address, a send that
    // failed), true when it went out or waits for its name (for tests).
    bool Send(const QString& sender, const QString& host, const QString& text);

private:
    bool SendTo(const QHostAddress& to, const QString& sender, const QString& host, const QString& text);

    quint16 mPort = mailslot::kDatagramServicePort;
    QString mSourceName;
    quint16 mNextId = 0;
    // Owns the look-ups in flight: a sender that goes away sends nothing later.
    QObject mLookups;
};

// The messenger popup of the alarm: sender, recipient host and text, through the adapter.
// Reports nothing, like the mailslot write it stands for.
void SendMailslotMessage(MailslotSender& mailslot, const QString& sender, const QString& host,
                         const QString& text);
