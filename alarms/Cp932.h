#pragma once
// QString <-> CP932 (Windows Japanese, "Shift-JIS" as the mail encoder and the LAN
// messenger datagrams carry it), through glibc iconv. CP932 rather than SHIFT_JIS:
// the latter lacks characters such as "～" (U+FF5E) that Windows peers send.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <iconv.h>

namespace cp932 {

// One iconv conversion descriptor, closed when the object goes away.
class Iconv {
public:
    Iconv(const char* toCode, const char* fromCode);
    ~Iconv();
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool IsValid() const { return mHandle != reinterpret_cast<iconv_t>(-1); }
    iconv_t Handle() const { return mHandle; }
    // Back to the initial shift state, ready for an unrelated input.
    void Reset();

private:
    iconv_t mHandle;
};

// Text to CP932 bytes. A character CP932 cannot represent becomes "?" (0x3F), one per
// character, as the Windows "best fit off" conversion does; nothing is dropped silently.
// *replaced (when given) counts such characters, and *lacking (when given) is set to
// them, in the order of the text.
QByteArray FromUnicode(QStringView text, int* replaced = nullptr, QString* lacking = nullptr);

// CP932 bytes to text. A byte that starts no valid character, or a lead byte cut off at
// the end, becomes U+FFFD and decoding goes on with the next byte.
QString ToUnicode(QByteArrayView bytes, int* replaced = nullptr);

// Bytes in the encoding iconv knows as charset ("EUC-JP", "ISO-2022-JP", ...) to text,
// by the same rule as ToUnicode. Throws when iconv has no such converter.
QString ToUnicodeFrom(const char* charset, QByteArrayView bytes, int* replaced = nullptr);

// True when the byte opens a double-byte CP932 character (0x81-0x9F, 0xE0-0xFC).
constexpr bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace cp932
