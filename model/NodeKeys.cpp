#include "model/NodeKeys.h"

#include <QString>

std::optional<qint64> KeyNumber(QStringView key, KeyNumberRead read) {
    const qsizetype at = key.indexOf(u'@');
    if (at < 0) return std::nullopt;
    const QStringView text = key.mid(at + 1);
    if (read == KeyNumberRead::WholeText) return text.trimmed().toString().toInt();
    qint64 v = 0;
    for (QChar c : text) {
        if (!c.isDigit()) break;
        v = v * 10 + c.digitValue();
        if (v > 0x7fffffffLL) break;
    }
    return v;
}
