#pragma once
// The daily event log: one text file per day, Log/YYYYMMDD.LOG under the program folder,
// one line per event ("hh:nn:ss,group,address,name,content" and CR LF, UTF-8).

#include <QDateTime>
#include <QString>

#include <functional>

// The folder of the day files: ProgramFolder() + "/Log" (not created here). The log
// viewer uses it too.
QString LogFolder();

// Appends one line to today's file, making the folder when it is missing; a control
// character inside a field (a line break, a tab) is written as a space. The line is
// written whole or not at all; a line that cannot be written is reported as a failed
// write (WriteFailures.h) and false is returned, and the caller goes on as usual.
bool WriteErrLog(const QString& group, const QString& address, const QString& name, const QString& content);

// Deletes every *.log file (extension in any case) of the folder whose name without
// the extension sorts as text at or before (today - gOptLogDelete days) as "yyyyMMdd";
// a retention reaching back before the year 1 deletes nothing.
// A file that cannot be deleted is left for the next pruning.
void DeleteOldLog();

namespace eventlog {
// The clock the log reads; the system clock unless a test sets another. An empty
// function restores the system clock.
using Clock = std::function<QDateTime()>;
void SetClock(Clock clock);
QDateTime Now();
}  // namespace eventlog
