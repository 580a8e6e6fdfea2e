#pragma once
// The main window's views of the monitor's model: the tree, the two log lists and the
// person list show what the model holds and follow its signals; they decide nothing. The
// operator's selection in the tree and the person list goes back to the model, where the
// commands read it.

#include <QHash>
#include <QIcon>
#include <QObject>

#include <functional>

class LogLines;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TreeNode;
class TreeNodes;
class UserList;
class UserRow;

using IconProvider = std::function<QIcon(const QString& image)>;

// The monitoring tree in a QTreeWidget: one item per node, in the model's order, with the
// node's text and the icon of its image; each item carries its node's key (Qt::UserRole)
// and image key (Qt::UserRole + 1).
class TreeView : public QObject {
    Q_OBJECT
public:
    TreeView(TreeNodes& model, QTreeWidget& widget, IconProvider icons);

    QTreeWidgetItem* ItemOf(const TreeNode* node) const { return items_.value(node); }
    TreeNode* NodeOf(const QTreeWidgetItem* item) const { return nodes_.value(item); }
    static QString KeyOf(const QTreeWidgetItem* item);

private:
    QTreeWidgetItem* makeItem(TreeNode* node);
    void addSubtree(TreeNode* node, QTreeWidgetItem* parent, int index);
    void forget(const TreeNode* node);
    void rebuild();
    void showSelection(TreeNode* node);
    void takeSelection();

    TreeNodes& model_;
    QTreeWidget& widget_;
    IconProvider icons_;
    QHash<const TreeNode*, QTreeWidgetItem*> items_;
    QHash<const QTreeWidgetItem*, TreeNode*> nodes_;
    bool syncing_ = false;
};

// A log list in a QListWidget, newest line at the top.
class LogListView : public QObject {
    Q_OBJECT
public:
    LogListView(LogLines& model, QListWidget& widget);

private:
    LogLines& model_;
    QListWidget& widget_;
};

// The person list in a QTreeWidget of seven columns (the first with the icon of the row's
// image, carried as Qt::UserRole + 1); the view's sort order is its own.
class UserListView : public QObject {
    Q_OBJECT
public:
    UserListView(UserList& model, QTreeWidget& widget, IconProvider icons);

    QTreeWidgetItem* ItemOf(const UserRow* row) const { return items_.value(row); }
    UserRow* RowOf(const QTreeWidgetItem* item) const { return rows_.value(item); }

private:
    void fill(QTreeWidgetItem* item, const UserRow& row) const;
    QTreeWidgetItem* add(UserRow* row);
    void rebuild();
    void showCurrent(UserRow* row);

    UserList& model_;
    QTreeWidget& widget_;
    IconProvider icons_;
    QHash<const UserRow*, QTreeWidgetItem*> items_;
    QHash<const QTreeWidgetItem*, UserRow*> rows_;
    bool syncing_ = false;
};
