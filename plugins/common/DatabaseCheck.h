#pragma once
// The attempt both database checks make: log in with a connection string and a login
// time-out, run the statement forward-only and read-only, and, when kakunin is set, show
// each error of a failure in a box of its own: its number immediately followed by its text.
//
// The driver calls run on a thread of their own while the caller's event loop goes on, and
// the check stops waiting at its own bound, whatever the driver does with its time-outs
// (some ignore the login time-out for some addresses and wait for ever): the login at the
// login time-out, the statement at kStatementTimeoutSeconds, each with kDriverGraceMs for
// the driver's own answer. A call the check stopped waiting for goes on alone; while it
// runs, a check of the same target (the same connection string) waits for it within its
// own bound instead of leaving one more hanging login behind, and fails when it is still
// running then. After ten minutes such a call is written off and the target tried anew.

#include <QString>

namespace plugin {

class ClsVantoroBase;

// Statements get the limit the data-access layer always gave them by default.
inline constexpr int kStatementTimeoutSeconds = 30;
// How long past its own time-out a driver is given to answer.
inline constexpr int kDriverGraceMs = 1000;

// True when the login and the statement both succeeded. Shows the boxes (OK only, no icon,
// titled with the plug-in's base name) when showErrors.
bool RunDatabaseCheck(const ClsVantoroBase& check, const QString& connectionString, const QString& sql,
                      bool showErrors);

}  // namespace plugin
