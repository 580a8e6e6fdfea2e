#pragma once
// One check round over every watched computer, and the routines the round shares with
// the immediate check of one computer.

#include <QString>
#include <QtGlobal>

class ClsPing;
class ClsPingData;
class LogLines;
class Monitor;
class TreeNodes;

// One round: per computer in list order the gates, the echo, then the ports, then the
// assigned plug-ins. Never starts inside a running round or immediate check.
void CheckAllTargets(Monitor& monitor, ClsPing& ping);

// Adds "MM/DD hh:nn" + U+3000 + text at the top of a log list; it keeps at most 101 lines.
void AddLogLine(LogLines& list, const QString& text);

// The end-of-round lamp test: takes the warning lamp down when no computer of a checked
// group shows "Stop" or "Question".
void LampTest(Monitor& monitor);

// Internal pieces shared with the immediate check.
namespace checkround {

// Process pending window events once.
void Yield();

// Restore, raise and, with the lamp, light the warning lamp; sound the siren when the
// options and the computer allow it. The yield that closes an alarm is the caller's: in
// the port and plug-in loops the two yields after each entry stand for it.
void AlarmBlock(const ClsPingData& item, bool withLamp);

// Lines of the log lists.
QString NgServiceLine(const ClsPingData& item, const QString& what, bool blankBeforeDetail);
QString FullWidthNumber(qint64 n);

// Runs one plug-in check: hands it its parameter string and calls Check. Returns
// -1 when the entry is skipped (no such plug-in loaded, the object is
// busy in a check further out, or the parameter was refused — the last after showing the
// error box), else 1 for passed and 0 for failed. A plug-in that raises counts as failed.
int RunPlugin(Monitor& monitor, const QString& dllName, const QString& parameter);

}  // namespace checkround
