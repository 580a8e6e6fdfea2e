#include "plugins/common/ParameterFormat.h"

#include "model/text/TrimSpaces.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <cfenv>
#include <cmath>
#include <limits>

namespace plugin {

namespace {

FieldSpec text(const QString& name, const QString& initial = QString()) {
    FieldSpec f;
    f.name = name;
    f.kind = FieldKind::Text;
    f.initial = initial;
    return f;
}

FieldSpec credential(const QString& name, const QString& initial = QString(),
                     TextStop stop = TextStop::AtOrBeyondEnd) {
    FieldSpec f = text(name, initial);
    f.trimOnPut = true;
    f.stop = stop;
    return f;
}

FieldSpec int16(const QString& name, int initial) {
    FieldSpec f;
    f.name = name;
    f.kind = FieldKind::Int16;
    f.initial = initial;
    return f;
}

FieldSpec int32(const QString& name, int initial) {
    FieldSpec f = int16(name, initial);
    f.kind = FieldKind::Int32;
    return f;
}

FieldSpec protocol() {
    FieldSpec f = int16(QStringLiteral("Protocol"), 4);
    f.protocolOnPut = true;
    return f;
}

FieldSpec kakunin() {
    FieldSpec f;
    f.name = QStringLiteral("kakunin");
    f.kind = FieldKind::Bool;
    f.initial = false;
    f.inParameter = false;
    return f;
}

std::vector<ParameterFormat> makeFormats() {
    std::vector<ParameterFormat> all;

    ParameterFormat port{PluginKind::Port, QStringLiteral("VantorPort"), QStringLiteral("Port接続ﾁｪｯｸ"),
                         QStringLiteral("1.0.0"),
                         QStringLiteral("IPｱﾄﾞﾚｽ|ﾎﾟｰﾄNo(65536)|ﾀｲﾑｱｳﾄ(60)|ｳｪｲﾄﾀｲﾑ(3)|ﾘﾄﾗｲ回数(2)|説明"),
                         false, true,
                         {text(QStringLiteral("URL")), int32(QStringLiteral("Port"), 0),
                          int16(QStringLiteral("TimeOut"), 60), int16(QStringLiteral("WaitTime"), 3),
                          int16(QStringLiteral("Retry"), 2), text(QStringLiteral("Name"))}};
    all.push_back(port);

    ParameterFormat ftp{PluginKind::Ftp, QStringLiteral("Vantorftp"), QStringLiteral("FTPｻｰﾊﾞ接続ﾁｪｯｸ"),
                        QStringLiteral("1.0.0"),
                        QStringLiteral("ｱﾄﾞﾚｽ|ﾀｲﾑｱｳﾄ(5)|ｳｪｲﾄﾀｲﾑ(3)|ﾘﾄﾗｲ回数(2)|ﾛｸﾞｲﾝID(anonymous)|ﾊﾟｽﾜｰﾄﾞ"),
                        false, true,
                        {text(QStringLiteral("URL")), int16(QStringLiteral("TimeOut"), 5),
                         int16(QStringLiteral("WaitTime"), 3), int16(QStringLiteral("Retry"), 2),
                         credential(QStringLiteral("UserName"), QStringLiteral("anonymous")),
                         credential(QStringLiteral("Password"))}};
    all.push_back(ftp);

    ParameterFormat www{PluginKind::Www, QStringLiteral("Vantorwww"), QStringLiteral("WWWｻｰﾊﾞ接続ﾁｪｯｸ"),
                        QStringLiteral("1.0.0"),
                        QStringLiteral("URL|ﾀｲﾑｱｳﾄ(60)|ｳｪｲﾄﾀｲﾑ(3)|ﾘﾄﾗｲ回数(2)|ﾌﾟﾛﾄｺﾙ(4:http,5:https)|ﾕｰｻﾞID|ﾊﾟｽﾜｰﾄﾞ"),
                        true, true,
                        {text(QStringLiteral("URL")), int16(QStringLiteral("TimeOut"), 60),
                         int16(QStringLiteral("WaitTime"), 3), int16(QStringLiteral("Retry"), 2), protocol(),
                         credential(QStringLiteral("UserName"), QString(), TextStop::BeyondEnd),
                         credential(QStringLiteral("Password"))}};
    all.push_back(www);

    ParameterFormat db{PluginKind::DB, QStringLiteral("VantorDB"), QStringLiteral("SQL Serve接続ﾁｪｯｸ"),
                       QStringLiteral("1.0.0"), QStringLiteral("ｱﾄﾞﾚｽ|ﾀｲﾑｱｳﾄ(5)|ﾕｰｻﾞID|ﾊﾟｽﾜｰﾄﾞ|DB名|SQL文"),
                       false, false,
                       {text(QStringLiteral("Address")), int16(QStringLiteral("TimeOut"), 5),
                        credential(QStringLiteral("UserName")), credential(QStringLiteral("Password")),
                        text(QStringLiteral("DBName")), text(QStringLiteral("SQL")), kakunin()}};
    all.push_back(db);

    ParameterFormat www2{PluginKind::Www2, QStringLiteral("Vantorwww2"), QStringLiteral("WWWｻｰﾊﾞ接続ﾁｪｯｸ２"),
                         QStringLiteral("1.0.1"), QStringLiteral("URL|ﾀｲﾑｱｳﾄ(5)|ｳｪｲﾄﾀｲﾑ(3)|ﾘﾄﾗｲ回数(2)"),
                         true, true,
                         {text(QStringLiteral("URL")), int16(QStringLiteral("TimeOut"), 5),
                          int16(QStringLiteral("WaitTime"), 3), int16(QStringLiteral("Retry"), 2)}};
    all.push_back(www2);

    ParameterFormat db2{PluginKind::DB2, QStringLiteral("VantorDB2"), QStringLiteral("IBM UDB2接続ﾁｪｯｸ"),
                        QStringLiteral("1.0.0"), QStringLiteral("DSN名|ﾀｲﾑｱｳﾄ(5)|ﾕｰｻﾞID|ﾊﾟｽﾜｰﾄﾞ|SQL文"),
                        false, false,
                        {text(QStringLiteral("DSN")), int16(QStringLiteral("TimeOut"), 5),
                         credential(QStringLiteral("UserName")), credential(QStringLiteral("Password")),
                         text(QStringLiteral("SQL")), kakunin()}};
    all.push_back(db2);
    return all;
}

bool isNumber(FieldKind k) { return k == FieldKind::Int16 || k == FieldKind::Int32; }

qint64 lowest(FieldKind k) {
    return k == FieldKind::Int16 ? std::numeric_limits<qint16>::min() : std::numeric_limits<qint32>::min();
}
qint64 highest(FieldKind k) {
    return k == FieldKind::Int16 ? std::numeric_limits<qint16>::max() : std::numeric_limits<qint32>::max();
}

}  // namespace

int ParameterFormat::parameterCount() const {
    int n = 0;
    for (const auto& f : fields)
        if (f.inParameter) ++n;
    return n;
}

int ParameterFormat::indexOf(const QString& name) const {
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == name) return static_cast<int>(i);
    return -1;
}

const ParameterFormat& FormatOf(PluginKind kind) {
    static const std::vector<ParameterFormat> all = makeFormats();
    return all[static_cast<size_t>(kind)];
}

FieldValues Defaults(const ParameterFormat& format) {
    FieldValues v;
    v.reserve(format.fields.size());
    for (const auto& f : format.fields) v.push_back(f.initial);
    return v;
}

int ConvertNumber(const QString& textIn, FieldKind kind, qint64& value) {
    static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]+$"));
    static const QRegularExpression decimal(QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    const QString t = TrimSpaces(textIn);
    qint64 v = 0;
    if (whole.match(t).hasMatch()) {
        bool ok = false;
        v = t.toLongLong(&ok);
        if (!ok) return ErrOverflow;  // digits only, so too many of them
    } else if (decimal.match(t).hasMatch()) {
        bool ok = false;
        const double d = QLocale::c().toDouble(t, &ok);
        if (!ok || !std::isfinite(d)) return ErrOverflow;
        // Half to even, as the string conversion always rounded.
        const int saved = std::fegetround();
        std::fesetround(FE_TONEAREST);
        const double r = std::nearbyint(d);
        std::fesetround(saved);
        if (r < static_cast<double>(lowest(kind)) || r > static_cast<double>(highest(kind))) return ErrOverflow;
        v = static_cast<qint64>(r);
    } else {
        return ErrTypeMismatch;
    }
    if (v < lowest(kind) || v > highest(kind)) return ErrOverflow;
    value = v;
    return ErrNone;
}

QString BuildParameter(const ParameterFormat& format, const FieldValues& values) {
    QStringList parts;
    for (size_t i = 0; i < format.fields.size(); ++i) {
        const FieldSpec& f = format.fields[i];
        if (!f.inParameter) continue;
        if (isNumber(f.kind))
            parts << QString::number(values[i].toLongLong());
        else
            parts << TrimSpaces(values[i].toString());
    }
    return parts.join(u'|');
}

int ParseParameter(const ParameterFormat& format, const QString& s, FieldValues& values) {
    const int n = format.parameterCount();
    const qsizetype len = s.size();
    const qsizetype p = s.indexOf(u'|');
    if (format.lenientSeparators) {
        if (p < 0) return ErrNone;
    } else {
        if (p == 0) return ErrNone;
        if (p < 0) return ErrInvalidCall;
    }
    values[0] = s.left(p);

    qsizetype separator = p;  // the separator that ended the previous field
    for (int i = 1; i < n - 1; ++i) {
        const FieldSpec& f = format.fields[static_cast<size_t>(i)];
        const qsizetype start = separator + 1;
        if (isNumber(f.kind)) {
            const qsizetype q = s.indexOf(u'|', start);
            if (q < 0) return ErrNone;
            qint64 v = 0;
            if (const int err = ConvertNumber(s.mid(start, q - start), f.kind, v)) return err;
            values[static_cast<size_t>(i)] = static_cast<int>(v);
            separator = q;
        } else {
            // Counted from 1 the field starts at start + 1; the string has len characters.
            const qsizetype from = start + 1;
            if (f.stop == TextStop::AtOrBeyondEnd ? from >= len : from > len) return ErrNone;
            const qsizetype q = s.indexOf(u'|', start);
            if (q < 0) return ErrInvalidCall;
            values[static_cast<size_t>(i)] = s.mid(start, q - start);
            separator = q;
        }
    }

    const FieldSpec& last = format.fields[static_cast<size_t>(n - 1)];
    const QString rest = s.mid(separator + 1);
    if (isNumber(last.kind)) {
        qint64 v = 0;
        if (const int err = ConvertNumber(rest, last.kind, v)) return err;
        values[static_cast<size_t>(n - 1)] = static_cast<int>(v);
    } else if (!rest.isEmpty()) {
        values[static_cast<size_t>(n - 1)] = rest;
    }
    return ErrNone;
}

int PutRule(const ParameterFormat& format, int index, const QVariant& given, QVariant& stored) {
    const FieldSpec& f = format.fields[static_cast<size_t>(index)];
    switch (f.kind) {
    case FieldKind::Text: {
        QString v = given.toString();
        if (f.trimOnPut) v = TrimSpaces(v);
        // A "|" anywhere but in the string's last field would shift every later field the
        // next time the stored string is read.
        if (f.inParameter && index < format.parameterCount() - 1 && v.contains(u'|')) return ErrInvalidCall;
        stored = v;
        return ErrNone;
    }
    case FieldKind::Int16:
    case FieldKind::Int32: {
        qint64 v = 0;
        if (given.typeId() == QMetaType::QString) {
            if (const int err = ConvertNumber(given.toString(), f.kind, v)) return err;
        } else if (given.typeId() == QMetaType::Double || given.typeId() == QMetaType::Float) {
            if (const int err = ConvertNumber(QString::number(given.toDouble(), 'f', 6), f.kind, v)) return err;
        } else {
            bool ok = false;
            v = given.toLongLong(&ok);
            if (!ok) return ErrTypeMismatch;
            if (v < lowest(f.kind) || v > highest(f.kind)) return ErrOverflow;
        }
        if (f.protocolOnPut) v = (v == 4) ? 4 : 5;
        stored = static_cast<int>(v);
        return ErrNone;
    }
    case FieldKind::Bool:
        stored = given.toBool();
        return ErrNone;
    }
    return ErrTypeMismatch;
}

}  // namespace plugin
