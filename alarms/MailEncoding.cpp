#include "alarms/MailEncoding.h"

#include "alarms/Cp932.h"

#include <QList>

#include <array>

namespace mailenc {

namespace {

// Length in bytes of the character starting at i: 2 for a lead byte with its trail.
int CharLength(const QByteArray& text, qsizetype i) {
    const auto b = static_cast<unsigned char>(text[i]);
    return (cp932::IsLeadByte(b) && i + 1 < text.size()) ? 2 : 1;
}

bool IsHigh(const QByteArray& text, qsizetype i) {
    return static_cast<unsigned char>(text[i]) >= 0x80;
}

// Full-width forms of the half-width katakana 0xA1..0xDF, as CP932 bytes.
const std::array<QByteArray, 63>& WideKatakana() {
    static const std::array<QByteArray, 63> table = [] {
        static const char16_t wide[63] = {
            u'。', u'「', u'」', u'、', u'・', u'ヲ', u'ァ', u'ィ', u'ゥ', u'ェ', u'ォ', u'ャ', u'ュ',
            u'ョ', u'ッ', u'ー', u'ア', u'イ', u'ウ', u'エ', u'オ', u'カ', u'キ', u'ク', u'ケ', u'コ',
            u'サ', u'シ', u'ス', u'セ', u'ソ', u'タ', u'チ', u'ツ', u'テ', u'ト', u'ナ', u'ニ', u'ヌ',
            u'ネ', u'ノ', u'ハ', u'ヒ', u'フ', u'ヘ', u'ホ', u'マ', u'ミ', u'ム', u'メ', u'モ', u'ヤ',
            u'ユ', u'ヨ', u'ラ', u'リ', u'ル', u'レ', u'ロ', u'ワ', u'ン', u'゛', u'゜'};
        std::array<QByteArray, 63> bytes;
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = cp932::FromUnicode(QStringView(&wide[i], 1));
        return bytes;
    }();
    return table;
}

// JIS X 0208 code of "〓", written where a character has no row.
constexpr char kGetaLead = 0x22;
constexpr char kGetaTrail = 0x2E;

}  // namespace

bool HasNonAscii(const QByteArray& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

bool NormalizeText(QByteArray& text) {
    bool found = false;
    QByteArray out;
    out.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size();) {
        const int len = CharLength(text, i);
        const auto b = static_cast<unsigned char>(text[i]);
        if (len == 2) {
            found = true;
            out.append(text.mid(i, 2));
        } else if (b >= 0xA1 && b <= 0xDF) {
            found = true;
            out.append(WideKatakana()[b - 0xA1]);
        } else if (b >= 0x80) {
            out.append('.');
        } else {
            out.append(static_cast<char>(b));
        }
        i += len;
    }
    text = out;
    return found;
}

void SjisToJis(unsigned char& lead, unsigned char& trail) {
    int r;
    if (lead >= 129 && lead <= 159) {
        r = lead - 129;
    } else if (lead >= 224 && lead <= 239) {
        r = lead - 193;
    } else {
        lead = trail = 0;
        return;
    }
    int c;
    if (trail >= 64 && trail <= 126) {
        c = trail - 63;
    } else if (trail >= 128 && trail <= 252) {
        c = trail - 64;
    } else {
        lead = trail = 0;
        return;
    }
    int row = 2 * r + 1;
    if (c > 94) {
        c -= 94;
        ++row;
    }
    lead = static_cast<unsigned char>(row + 32);
    trail = static_cast<unsigned char>(c + 32);
}

QByteArray ConvertToJis(const QByteArray& text) {
    QByteArray out;
    out.reserve(text.size() + 8);
    bool jis = false;
    for (qsizetype i = 0; i < text.size();) {
        const int len = CharLength(text, i);
        if (IsHigh(text, i)) {
            if (!jis) {
                out.append(kEscJis);
                jis = true;
            }
            // A single high byte (not normalised first) has no lead: it falls to 0, 0 too.
            unsigned char lead = len == 2 ? static_cast<unsigned char>(text[i]) : 0;
            unsigned char trail = static_cast<unsigned char>(text[i + len - 1]);
            SjisToJis(lead, trail);
            if (lead == 0 || trail == 0) {
                lead = kGetaLead;
                trail = kGetaTrail;
            }
            out.append(static_cast<char>(lead));
            out.append(static_cast<char>(trail));
        } else {
            if (jis) {
                out.append(kEscAscii);
                jis = false;
            }
            out.append(text[i]);
        }
        i += len;
    }
    if (jis) out.append(kEscAscii);
    return out;
}

QByteArray Base64Encode(const QByteArray& bytes) { return bytes.toBase64(); }

QByteArray EncodeMimeWord(const QByteArray& run) {
    return "=?ISO-2022-JP?B?" + Base64Encode(ConvertToJis(run)) + "?=";
}

QByteArray EncodeHeaderWords(const QByteArray& header) {
    QByteArray out;
    QByteArray run;
    qsizetype runChars = 0;
    bool inRun = false;
    for (qsizetype i = 0; i < header.size();) {
        const int len = CharLength(header, i);
        if (IsHigh(header, i)) {
            if (!inRun) {
                out.append(' ');
                inRun = true;
            }
            // The run's ISO-2022-JP size with this character: two bytes each plus the
            // two escapes; flush first when the word would reach 75 characters.
            const qsizetype n = 2 * runChars + 8;
            const qsizetype q = (n + 2) / 3;
            if (16 + 4 * q + 2 >= kFoldWidth) {
                out.append(EncodeMimeWord(run));
                out.append(' ');
                run.clear();
                runChars = 0;
            }
            run.append(header.mid(i, len));
            ++runChars;
        } else {
            if (inRun) {
                out.append(EncodeMimeWord(run));
                out.append(' ');
                run.clear();
                runChars = 0;
                inRun = false;
            }
            out.append(header[i]);
        }
        i += len;
    }
    if (inRun) {
        out.append(EncodeMimeWord(run));
        out.append(' ');
    }
    return out;
}

QByteArray FoldHeaderLines(const QByteArray& header) {
    QByteArray out;
    qsizetype pos = 0;
    while (pos < header.size()) {
        qsizetype end = header.indexOf("\r\n", pos);
        const qsizetype next = end < 0 ? header.size() : end + 2;
        if (end < 0) end = header.size();
        const QList<QByteArray> words = header.mid(pos, end - pos).split(' ');
        QByteArray line = words.first();
        for (qsizetype w = 1; w < words.size(); ++w) {
            if (line.size() + words[w].size() + 1 > kFoldWidth) {
                out.append(line);
                out.append("\r\n ");
                line = words[w];
            } else {
                line.append(' ');
                line.append(words[w]);
            }
        }
        out.append(line);
        out.append("\r\n");
        pos = next;
    }
    return out;
}

QByteArray EncodeMimePhrase(const QByteArray& text) {
    QByteArray out;
    QByteArray chunk;
    auto flush = [&] {
        if (chunk.isEmpty()) return;
        if (!out.isEmpty()) out.append(' ');
        out.append(EncodeMimeWord(chunk));
        chunk.clear();
    };
    for (qsizetype i = 0; i < text.size();) {
        const int len = CharLength(text, i);
        const QByteArray candidate = chunk + text.mid(i, len);
        const qsizetype q = (ConvertToJis(candidate).size() + 2) / 3;
        if (16 + 4 * q + 2 > kFoldWidth) flush();
        chunk.append(text.mid(i, len));
        i += len;
    }
    flush();
    return out;
}

}  // namespace mailenc
