#pragma once
// The attempt both database checks make: log in with a connection string and a login
// time-out, run the statement forward-only and read-only, and, when kakunin is set, show
// each error of a failure in a box of its own: its number immediately followed by its text.

#include <QString>

namespace plugin {

class ClsVantoroBase;

// Statements get the limit the data-access layer always gave them by default.
inline constexpr int kStatementTimeoutSeconds = 30;

// True when the login and the statement both succeeded. Shows the boxes (OK only, no icon,
// titled with the plug-in's base name) when showErrors.
bool RunDatabaseCheck(const ClsVantoroBase& check, const QString& connectionString, const QString& sql,
                      bool showErrors);

}  // namespace plugin
