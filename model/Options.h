#pragma once
// The twenty options: kept in the per-user settings store (an INI file, group "Local",
// every value as text) and, while the program runs, in the gOpt… globals.

#include <QString>

#include <memory>

class QSettings;

// read true: every option is read from the store, a missing key or a text that does not
// convert to the option's type giving the option's default. A number is used as stored,
// also beyond what the options dialog accepts, except where it would do harm: below the
// low end of its range it reads as that (see options::Range), a messenger port outside
// 1..65535 as the default port (told by options::PortNotice), and a log retention too
// large for its type as the longest one. The stored text is left as it is. read false:
// all twenty globals are written. appName is the program's file base name.
void OptionSetting(bool read, const QString& appName);

// The settings store of appName: $XDG_CONFIG_HOME/Vantoro/<appName>.ini, values under
// the group "Local" (the caller begins the group).
std::unique_ptr<QSettings> OptionStore(const QString& appName);

namespace options {
// The ranges the options dialog accepts. The store reads a number below a low end as that
// low end, so a hand-edited or damaged file can neither make the rounds run back to back
// nor have today's log deleted; above a high end it is used as stored.
struct Range {
    qint32 low;
    qint32 high;
};
inline constexpr Range kIntervalSeconds{10, 3600};
inline constexpr Range kNGRset{1, 999};
inline constexpr Range kPortTimeOutSeconds{1, 10};
inline constexpr Range kLogDeleteDays{1, 999};
inline constexpr Range kPort{1, 65535};

// The conversions the store uses, shared so that every reader agrees with the writer.
// A Boolean is "True"/"False" in any letter case, or a number (0 = False).
bool ParseBool(const QString& text, bool* ok);
QString BoolText(bool value);
// TimerInterval: seconds in the store, milliseconds in memory (rounded).
bool ParseSecondsAsMs(const QString& text, qint32* ms);
QString MsAsSecondsText(qint32 ms);

// For the status line: the stored messenger port that the last read could not use and
// the port used instead; empty when the stored port was used (or none was stored), and
// once the options have been written since.
QString PortNotice();
}  // namespace options
