#include "model/EventLog.h"

#include "model/AppPaths.h"
#include "model/Globals.h"
#include "model/WriteFailures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
eventlog::Clock& ClockSlot() {
    static eventlog::Clock clock;
    return clock;
}
}  // namespace

namespace eventlog {
void SetClock(Clock clock) { ClockSlot() = std::move(clock); }
QDateTime Now() {
    const Clock& clock = ClockSlot();
    return clock ? clock() : QDateTime::currentDateTime();
}
}  // namespace eventlog

QString LogFolder() { return ProgramFolder() + QStringLiteral("/Log"); }

namespace {

// A field as one piece of its line: a line break or any other control character inside
// it would split the line or confuse its reader, so each is written as a space.
QString Field(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c.category() == QChar::Other_Control) c = QLatin1Char(' ');
    return out;
}

bool LogFailed(const QString& fileName, const QString& reason) {
    writefailures::Report(WriteKind::DailyLog,
                          QStringLiteral("ログファイルに書き込めませんでした（%1）: %2")
                              .arg(writefailures::Reason(reason), QDir::toNativeSeparators(fileName)));
    return false;
}

}  // namespace

bool WriteErrLog(const QString& group, const QString& address, const QString& name, const QString& content) {
    const QString folder = LogFolder();
    // The date of the file name and the time of the line are read from the clock
    // separately, as the log has always done.
    const QString fileName =
        folder + QLatin1Char('/') + eventlog::Now().date().toString(QStringLiteral("yyyyMMdd")) +
        QStringLiteral(".LOG");
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        return LogFailed(folder, QStringLiteral("フォルダを作成できません"));
    const QString line = eventlog::Now().time().toString(QStringLiteral("hh:mm:ss")) + QLatin1Char(',') + Field(group) +
                         QLatin1Char(',') + Field(address) + QLatin1Char(',') + Field(name) + QLatin1Char(',') +
                         Field(content) + QStringLiteral("\r\n");
    const QByteArray bytes = line.toUtf8();
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return LogFailed(fileName, file.errorString());
    // A line is there whole or not at all: one cut short by a full disk is taken away
    // again, so the file never ends in half a line or half a character.
    const qint64 before = file.size();
    if (!writefailures::WriteWhole(file, bytes.constData(), bytes.size())) {
        const QString reason = file.errorString();
        file.resize(before);
        return LogFailed(fileName, reason);
    }
    writefailures::Succeeded(WriteKind::DailyLog);
    return true;
}

void DeleteOldLog() {
    const QDate cutoffDay = eventlog::Now().date().addDays(-qint64(gOptLogDelete));
    // A retention that reaches back before the first year of the calendar keeps every
    // file; its cutoff has no "yyyyMMdd" form to compare with.
    if (!cutoffDay.isValid() || cutoffDay.year() < 1) return;
    const QString cutoff = cutoffDay.toString(QStringLiteral("yyyyMMdd"));
    const QDir folder(LogFolder());
    if (!folder.exists()) return;
    const QFileInfoList files =
        folder.entryInfoList({QStringLiteral("*.log")}, QDir::Files | QDir::Hidden | QDir::System,
                             QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& info : files) {
        const QString fileName = info.fileName();
        // Only a name ending in ".log" in any case; the pattern match already ignores case
        // on this platform's QDir, the check keeps it true if that ever changes.
        if (!fileName.endsWith(QStringLiteral(".log"), Qt::CaseInsensitive)) continue;
        const QString stem = fileName.left(fileName.size() - 4);
        if (stem.compare(cutoff) <= 0) QFile::remove(info.filePath());
    }
}
