#include "model/NodeKeys.h"

#include <QString>

std::optional<qint64> KeyNumber(QStringView key) {
    const qsizetype at = key.indexOf(u'@');
    if (at < 0) return std::nullopt;
    return key.mid(at + 1).trimmed().toString().toInt();
}
