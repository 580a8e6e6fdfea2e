#pragma once
// One LAN messenger datagram: a two-character code followed by four tagged fields,
//   code <USERNAME> user <IPADDR> address <GAMEID> game id <DATA> data
// as CP932 bytes, with no terminator, length or escaping. Peers cut the fields by byte
// position in the CP932 form, so a double-byte character is never split; we do the same.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

struct LanMessage {
    QString code;
    QString userName;
    QString ipAddr;
    QString gameId;
    QString data;
};

// Message codes this program sends or answers.
namespace lancode {
inline constexpr char kAnnounce[] = "01";  // presence announcement
inline constexpr char kAnswer[] = "02";    // answer to an announcement
inline constexpr char kText[] = "11";      // text message (our alarms)
inline constexpr char kAlarmGameId[] = "99";
}  // namespace lancode

// The datagram's bytes for the five pieces, in CP932.
QByteArray BuildLanDatagram(const QString& code, const QString& userName, const QString& ipAddr,
                            const QString& gameId, const QString& data);

// Cuts a received datagram into its fields. A field whose following tag is missing, or
// comes before the field's start, stays empty; the data is kept only for the codes that
// carry text ("11", "21", "31", "32"). Never reads outside bytes.
LanMessage ParseLanDatagram(QByteArrayView bytes);

// True for the codes whose "<DATA>" field is kept by the parser.
bool LanCodeCarriesData(const QString& code);

// True when the datagram is empty or holds only spaces (such datagrams are ignored).
bool IsBlankLanDatagram(QByteArrayView bytes);
