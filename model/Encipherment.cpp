#include "model/Encipherment.h"

namespace {
// Leading decimal digit of a character code: 65..69 give 6, 100..199 give 1, 0 gives 0.
char16_t LeadingDigit(char16_t code) {
    unsigned v = code;
    while (v >= 10) v /= 10;
    return static_cast<char16_t>(v);
}
}  // namespace

QString Encipherment(const QString& key, const QString& text) {
    if (key.isEmpty()) return text;
    QString out = text;
    const qsizetype n = key.size();
    for (qsizetype i = 0; i < out.size(); ++i) {
        const char16_t value = LeadingDigit(key.at(i % n).unicode());
        out[i] = QChar(static_cast<char16_t>(out.at(i).unicode() ^ value));
    }
    return out;
}
