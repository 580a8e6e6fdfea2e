#pragma once
// The text routines of the alarm mail: what turns the program's Japanese texts into
// what a 7-bit mail carries. They work on CP932 bytes (see Cp932.h); a "character" is
// one byte, or two when the first is a CP932 lead byte. Half-width katakana are widened,
// the body goes out in ISO-2022-JP (RFC 1468), non-ASCII header text becomes RFC 2047
// "B" words in ISO-2022-JP, header lines are folded at 75 characters.

#include <QByteArray>
#include <QString>

namespace mailenc {

// ESC "$B" (to JIS X 0208) and ESC "(B" (back to ASCII).
inline constexpr char kEscJis[] = "\x1B$B";
inline constexpr char kEscAscii[] = "\x1B(B";
// How many characters one header line may hold before it is folded.
inline constexpr int kFoldWidth = 75;

// Widens half-width katakana (0xA1-0xDF) to their full-width forms, one for one: a
// voiced or semi-voiced sound mark becomes the separate full-width mark (U+309B/U+309C),
// never a combined character. Other single bytes 0x80-0xFF become ".". Returns true when
// the text holds double-byte or half-width katakana characters (then it needs
// iso-2022-jp rather than us-ascii).
bool NormalizeText(QByteArray& text);

// The charset a body needs, from NormalizeText's answer for it.
inline QByteArray CharsetFor(bool needsJis) { return needsJis ? "iso-2022-jp" : "us-ascii"; }

// Shift-JIS to JIS X 0208 by arithmetic, in place. A lead byte outside 0x81-0x9F and
// 0xE0-0xEF, or a trail byte outside 0x40-0x7E and 0x80-0xFC, gives 0, 0.
void SjisToJis(unsigned char& lead, unsigned char& trail);

// CP932 text to ISO-2022-JP: ASCII as it is, double-byte runs between ESC "$B" and
// ESC "(B"; the text always ends in ASCII. A character with no JIS X 0208 row (user
// defined and vendor rows, lead bytes 0xF0 and up, whose arithmetic gives 0, 0) becomes
// the geta mark "〓" instead of two NUL bytes.
QByteArray ConvertToJis(const QByteArray& text);

// RFC 2045 Base64 without line breaks.
QByteArray Base64Encode(const QByteArray& bytes);

// "=?ISO-2022-JP?B?" + Base64(ConvertToJis(run)) + "?=".
QByteArray EncodeMimeWord(const QByteArray& run);

// Turns each run of non-ASCII characters of a header block into encoded words of at
// most 18 characters (a word of at most 74 characters), a space before a run's first
// word and after each word. Pure ASCII passes unchanged.
QByteArray EncodeHeaderWords(const QByteArray& header);

// Folds each CR LF line of the block at single spaces so that a line holds at most 75
// characters besides a continuation line's leading space (unless one word alone is
// longer). Removing each CR LF that precedes a space gives the lines back exactly.
QByteArray FoldHeaderLines(const QByteArray& header);

// A display name as RFC 2047 words: the whole text, ASCII included, inside encoded words
// of at most 75 characters separated by one space. For names with non-ASCII text, which
// must not stand inside a quoted string.
QByteArray EncodeMimePhrase(const QByteArray& text);

// True when any byte is 0x80 or above.
bool HasNonAscii(const QByteArray& text);

}  // namespace mailenc
