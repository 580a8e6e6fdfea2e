#include "model/EventLog.h"

#include "model/AppPaths.h"
#include "model/Globals.h"

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

void WriteErrLog(const QString& group, const QString& address, const QString& name,
                 const QString& content) {
    const QString folder = LogFolder();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) return;
    // The date of the file name and the time of the line are read from the clock
    // separately, as the log has always done.
    const QString fileName =
        folder + QLatin1Char('/') + eventlog::Now().date().toString(QStringLiteral("yyyyMMdd")) +
        QStringLiteral(".LOG");
    const QString line = eventlog::Now().time().toString(QStringLiteral("hh:mm:ss")) +
                         QLatin1Char(',') + group + QLatin1Char(',') + address +
                         QLatin1Char(',') + name + QLatin1Char(',') + content +
                         QStringLiteral("\r\n");
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    file.write(line.toUtf8());
}

void DeleteOldLog() {
    const QString cutoff =
        eventlog::Now().date().addDays(-qint64(gOptLogDelete)).toString(QStringLiteral("yyyyMMdd"));
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
