#include "plugins/Vantorwww2/BasIniAcsess.h"

#include <QByteArray>
#include <QFile>
#include <QList>

namespace {

QByteArray trimmed(const QByteArray& b) { return b.trimmed(); }

bool sameName(const QByteArray& a, const QString& b) {
    return QString::fromUtf8(a).compare(b, Qt::CaseInsensitive) == 0;
}

// The longest start of value of at most limit bytes that does not cut a UTF-8 sequence.
QByteArray cutAtCharacter(const QByteArray& value, int limit) {
    if (value.size() <= limit) return value;
    int n = limit;
    while (n > 0 && (static_cast<unsigned char>(value.at(n)) & 0xC0) == 0x80) --n;
    return value.left(n);
}

}  // namespace

QString ReadIniString(const QString& path, const QString& section, const QString& key, int bufferBytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QString();
    QByteArray all = file.readAll();
    if (all.startsWith("\xEF\xBB\xBF")) all.remove(0, 3);
    bool inSection = false;
    for (const QByteArray& raw : all.split('\n')) {
        const QByteArray line = trimmed(raw);
        if (line.isEmpty() || line.startsWith(';')) continue;
        if (line.startsWith('[')) {
            const int close = line.indexOf(']');
            const QByteArray name = trimmed(line.mid(1, close < 0 ? -1 : close - 1));
            // The first section of that name is the one read.
            if (inSection) return QString();
            inSection = sameName(name, section);
            continue;
        }
        if (!inSection) continue;
        const int eq = line.indexOf('=');
        if (eq < 0 || !sameName(trimmed(line.left(eq)), key)) continue;
        QByteArray value = trimmed(line.mid(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        return QString::fromUtf8(cutAtCharacter(value, std::max(0, bufferBytes - 1)));
    }
    return QString();
}
