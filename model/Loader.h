#pragma once
// Rebuilds, from the monitoring database, the monitoring tree of groups, computers,
// checks, no-check windows and recipients, the target list gPingDatas and the person
// list, all three at once. Only the model is filled: the windows that show it follow
// through the model's own signals, so the load also runs without a window.

#include <QDate>
#include <QString>

class TreeNodes;
class UserList;

struct LoadContext {
    // The day the purge of old dated no-check windows counts from; invalid = today.
    QDate today;
};

// Reads gOptDatabasePath and gOptNoCheck. Tree and target list are emptied together
// first; a database step that fails ends the load there, keeping what was loaded so far,
// and false is returned with the reason in error (when given). A row whose node cannot be
// added (a recipient of a computer or group that is not loaded, say) is skipped and the
// load goes on. The tree and the person list are rebuilt inside their reset brackets, so a
// view shows the new contents once, when the load is over (also when it ended early). A
// load started while one is running (from an event processed during the load) does nothing
// and returns false.
bool LoadComputerTree(TreeNodes& treeComputer, UserList& listViewUser, const LoadContext& context = {},
                      QString* error = nullptr);

// The text of a recipient node: 氏名 + "　【" + 所属名 + "】".
QString RecipientText(const QString& name, const QString& department);

// A row number as the keys and texts of plug-in and weekly-window nodes write it: at
// least three digits with leading zeros (1 gives "001").
QString FormatRowNumber(qint32 number);
