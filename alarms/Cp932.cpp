#include "alarms/Cp932.h"

#include <QList>
#include <QtEndian>

#include <cerrno>
#include <stdexcept>
#include <string>

namespace cp932 {

Iconv::Iconv(const char* toCode, const char* fromCode) : mHandle(iconv_open(toCode, fromCode)) {}

Iconv::~Iconv() {
    if (IsValid()) iconv_close(mHandle);
}

void Iconv::Reset() {
    if (IsValid()) iconv(mHandle, nullptr, nullptr, nullptr, nullptr);
}

namespace {

// Runs one iconv call over the whole of *in, appending to out; returns the errno that
// stopped it (0 when all input was consumed).
int ConvertChunk(Iconv& cd, const char*& in, size_t& inLeft, QByteArray& out) {
    while (inLeft > 0) {
        char buffer[1024];
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        char* src = const_cast<char*>(in);
        const size_t rc = iconv(cd.Handle(), &src, &inLeft, &dst, &dstLeft);
        const int err = rc == static_cast<size_t>(-1) ? errno : 0;
        in = src;
        out.append(buffer, static_cast<qsizetype>(sizeof buffer - dstLeft));
        if (err == E2BIG) continue;
        if (err != 0) return err;
    }
    return 0;
}

}  // namespace

QByteArray FromUnicode(QStringView text, int* replaced, QString* lacking) {
    if (replaced) *replaced = 0;
    if (lacking) lacking->clear();
    if (text.isEmpty()) return {};
    Iconv cd("CP932", "UTF-32LE");
    if (!cd.IsValid()) throw std::runtime_error("iconv has no CP932 converter");

    // UTF-32 makes one unconvertible character exactly four input bytes to skip.
    const QList<uint> ucs4 = text.toUcs4();
    QByteArray utf32;
    utf32.reserve(ucs4.size() * 4);
    for (uint cp : ucs4) {
        char bytes[4];
        qToLittleEndian(quint32(cp), bytes);
        utf32.append(bytes, sizeof bytes);
    }
    QByteArray out;
    out.reserve(ucs4.size() * 2);
    const char* in = utf32.constData();
    size_t inLeft = static_cast<size_t>(utf32.size());
    while (inLeft > 0) {
        const int err = ConvertChunk(cd, in, inLeft, out);
        if (err == 0) break;
        // EILSEQ: no CP932 form; EINVAL cannot happen on whole UTF-32 units, treat alike.
        out.append('?');
        if (replaced) ++*replaced;
        if (lacking && inLeft >= 4) {
            const char32_t cp = qFromLittleEndian<quint32>(in);
            lacking->append(QString::fromUcs4(&cp, 1));
        }
        const size_t skip = inLeft < 4 ? inLeft : 4;
        in += skip;
        inLeft -= skip;
        cd.Reset();
    }
    return out;
}

QString ToUnicode(QByteArrayView bytes, int* replaced) { return ToUnicodeFrom("CP932", bytes, replaced); }

QString ToUnicodeFrom(const char* charset, QByteArrayView bytes, int* replaced) {
    if (replaced) *replaced = 0;
    if (bytes.isEmpty()) return {};
    Iconv cd("UTF-16LE", charset);
    if (!cd.IsValid()) throw std::runtime_error(std::string("iconv has no converter from ") + charset);

    QByteArray utf16;
    utf16.reserve(bytes.size() * 2);
    const char* in = bytes.data();
    size_t inLeft = static_cast<size_t>(bytes.size());
    while (inLeft > 0) {
        const int err = ConvertChunk(cd, in, inLeft, utf16);
        if (err == 0) break;
        utf16.append('\xFD');
        utf16.append('\xFF');
        if (replaced) ++*replaced;
        ++in;
        --inLeft;
        cd.Reset();
    }
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(utf16.constData()), utf16.size() / 2);
}

}  // namespace cp932
