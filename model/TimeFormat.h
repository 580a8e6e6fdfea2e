#pragma once
// Display texts of the no-check windows, shared by the tree loader and the weekly window
// dialog. Header-only, Qt Core only.

#include <QString>

// HHMM as "08時30分"; hours above 23 (a window past midnight) are written as they are.
inline QString FormatHourMinute(qint16 hhmm) {
    const int t = hhmm;
    // Floor division keeps a negative value readable rather than wrapping the minutes.
    const int hours = t >= 0 ? t / 100 : -((-t + 99) / 100);
    const int minutes = t - hours * 100;
    // The loader writes one of these per window, so the usual values skip arg()'s cost.
    if (hours >= 0 && hours < 100) {
        const QChar text[] = {QChar(u'0' + hours / 10), QChar(u'0' + hours % 10), QChar(u'時'),
                              QChar(u'0' + minutes / 10), QChar(u'0' + minutes % 10), QChar(u'分')};
        return QString(text, 6);
    }
    return QStringLiteral("%1時%2分").arg(hours, 2, 10, QLatin1Char('0')).arg(minutes, 2, 10, QLatin1Char('0'));
}

// Weekday mask (seven "0"/"1", Sunday first) as "月・火・水"; "無効" when no day is set.
inline QString FormatWeekDays(const QString& mask) {
    static const QString kDays[7] = {QStringLiteral("日・"), QStringLiteral("月・"), QStringLiteral("火・"),
                                     QStringLiteral("水・"), QStringLiteral("木・"), QStringLiteral("金・"),
                                     QStringLiteral("土・")};
    QString out;
    for (int i = 0; i < 7 && i < mask.size(); ++i)
        if (mask.at(i) == QLatin1Char('1')) out += kDays[i];
    if (out.isEmpty()) return QStringLiteral("無効");
    out.chop(1);
    return out;
}

// Text of a weekly window node: "08時30分～17時00分  【月・火・水・木・金】".
inline QString FormatWaitTimeText(qint16 start, qint16 end, const QString& mask) {
    QString text = FormatHourMinute(start);
    text.reserve(32);
    text += QStringLiteral("～");
    text += FormatHourMinute(end);
    text += QStringLiteral("  【");
    text += FormatWeekDays(mask);
    text += QStringLiteral("】");
    return text;
}
