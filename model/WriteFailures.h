#pragma once
// Writes that did not reach the disk: a daily log line, the 稼動 mark of the control
// table, the exit backup. Nothing of them may fail unseen, and none may flood the
// operator: the first failure of a kind is put on the status bar as a notice that stays
// until that kind writes again (and is shown afresh when it fails after that), and every
// kind that failed during the run is listed in one message box at exit.

#include <QString>
#include <QStringList>

class QIODevice;

enum class WriteKind { DailyLog, ControlMark, Backup };

namespace writefailures {
// A write of kind failed; text says what and why.
void Report(WriteKind kind, const QString& text);
// A write of kind went through again: its next failure is shown again.
void Succeeded(WriteKind kind);
// What failed during the run, in the order first seen: the first text of each kind,
// with the number of further failures of that kind when there were any. Empty when
// nothing failed.
QStringList Reported();
// The text of the box at exit; empty when nothing failed.
QString ExitSummary();
// Forgets everything (a test starting afresh).
void Reset();

// The reason shown for a file system that has no room left, in every message.
QString DiskFullText();
// reason, or DiskFullText() when reason is a full disk in the words of the system, of
// the file layer or of the database.
QString Reason(const QString& reason);

// Writes all size bytes of data to device. The file layer takes a write that stops short
// (the disk ran full part-way) as no error at all, so the rest is written once more,
// which then fails with the reason. False, with the reason in device.errorString(),
// when not every byte was written. Open files Unbuffered, so no byte waits in a buffer
// whose later flush would fail without a reason.
bool WriteWhole(QIODevice& device, const char* data, qint64 size);
}  // namespace writefailures
