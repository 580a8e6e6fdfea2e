#include "alarms/LanDatagram.h"

#include "alarms/Cp932.h"

namespace {

constexpr QByteArrayView kUserTag("<USERNAME>");
constexpr QByteArrayView kAddrTag("<IPADDR>");
constexpr QByteArrayView kGameTag("<GAMEID>");
constexpr QByteArrayView kDataTag("<DATA>");

// The bytes from the end of the tag at tagPos up to the next tag at nextPos; empty when
// either tag is absent (-1) or the next one starts before this field would.
QString Field(QByteArrayView bytes, qsizetype tagPos, qsizetype tagLength, qsizetype nextPos) {
    if (tagPos < 0 || nextPos < 0) return {};
    const qsizetype start = tagPos + tagLength;
    if (nextPos <= start) return {};
    return cp932::ToUnicode(bytes.sliced(start, nextPos - start));
}

}  // namespace

QByteArray BuildLanDatagram(const QString& code, const QString& userName, const QString& ipAddr,
                            const QString& gameId, const QString& data) {
    QByteArray out = cp932::FromUnicode(code);
    out += kUserTag;
    out += cp932::FromUnicode(userName);
    out += kAddrTag;
    out += cp932::FromUnicode(ipAddr);
    out += kGameTag;
    out += cp932::FromUnicode(gameId);
    out += kDataTag;
    out += cp932::FromUnicode(data);
    return out;
}

bool LanCodeCarriesData(const QString& code) {
    return code == u"11" || code == u"31" || code == u"32" || code == u"21";
}

LanMessage ParseLanDatagram(QByteArrayView bytes) {
    LanMessage m;
    // The tags are ASCII and CP932 trail bytes start at 0x40, so a plain byte search
    // never matches inside a double-byte character.
    const qsizetype pU = bytes.indexOf(kUserTag);
    const qsizetype pI = bytes.indexOf(kAddrTag);
    const qsizetype pG = bytes.indexOf(kGameTag);
    const qsizetype pD = bytes.indexOf(kDataTag);

    // The code is two characters, not two bytes; four bytes always hold them.
    m.code = cp932::ToUnicode(bytes.first(qMin<qsizetype>(bytes.size(), 4))).left(2);
    m.userName = Field(bytes, pU, kUserTag.size(), pI);
    m.ipAddr = Field(bytes, pI, kAddrTag.size(), pG);
    m.gameId = Field(bytes, pG, kGameTag.size(), pD);
    if (pD >= 0 && LanCodeCarriesData(m.code))
        m.data = cp932::ToUnicode(bytes.sliced(pD + kDataTag.size()));
    return m;
}

bool IsBlankLanDatagram(QByteArrayView bytes) {
    for (char c : bytes)
        if (c != ' ') return false;
    return true;
}
