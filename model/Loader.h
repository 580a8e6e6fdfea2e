#pragma once
// Rebuilds, from the monitoring database, the main window's tree of groups, computers,
// checks, no-check windows and recipients, the target list gPingDatas and the person
// list, all three at once. The widgets are handed in by their owner, so the load also
// runs without a window.

#include <QDate>
#include <QIcon>
#include <QString>
#include <QStringList>

#include <functional>

class QSqlRecord;
class QTreeWidget;
class QTreeWidgetItem;
class TreeNodes;

// The person list's item keeps its image key here (column 0), as the tree's nodes do.
inline constexpr int kUserImageRole = Qt::UserRole + 1;

struct LoadContext {
    // The day the purge of old dated no-check windows counts from; invalid = today.
    QDate today;
    // Icons of the person list by image key; without one the items carry the key only.
    std::function<QIcon(const QString&)> listIcons;
};

// Reads gOptDatabasePath and gOptNoCheck. Tree and target list are emptied together
// first; a database step that fails ends the load there, keeping what was loaded so far,
// and false is returned with the reason in error (when given). A row whose node cannot be added (a recipient of a computer or
// group that is not loaded, say) is skipped and the load goes on. The widgets are shown
// again and the cursor restored on every way out. A load started while one is running
// (from an event processed during the load) does nothing and returns false.
bool LoadComputerTree(TreeNodes& treeComputer, QTreeWidget& listViewUser, const LoadContext& context = {},
                      QString* error = nullptr);

// The seven column captions of the person list.
QStringList UserListCaptions();

// Appends one person (a row of "SELECT * FROM TBL_User") to the person list: text 職番,
// image "User" and the six columns 氏名, 所属名, 連絡先, アドレス, 警報種別 as text, "○"
// when both mail addresses are present.
QTreeWidgetItem* AddUserListItem(QTreeWidget& listViewUser, const QSqlRecord& row,
                                 const std::function<QIcon(const QString&)>& icons = {});

// The person list's item of 職番 staff (compared without case, as the database keys are);
// null when the list has none.
QTreeWidgetItem* FindUserListItem(const QTreeWidget& listViewUser, const QString& staff);

// The text of a recipient node: 氏名 + "　【" + 所属名 + "】".
QString RecipientText(const QString& name, const QString& department);

// A row number as the keys and texts of plug-in and weekly-window nodes write it: at
// least three digits with leading zeros (1 gives "001").
QString FormatRowNumber(qint32 number);
