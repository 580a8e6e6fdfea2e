#pragma once
// The main window's views of the monitor's model: the tree, the two log lists and the
// person list show what the model holds and follow its signals; they decide nothing. The
// operator's selection in the tree and the person list goes back to the model, where the
// commands read it.
//
// A check round changes a state and adds a log line for every computer, and yields after
// each; a view that repainted at every one would spend the round drawing. The tree's
// state and text changes and the log lists' new lines therefore reach the widgets at
// screen rate (ScreenRate): at most about 30 times a second, all that came meanwhile at
// once. Adds, removals and resets of the tree stay immediate: the commands that make them
// need the widget item at once.

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QSet>
#include <QTimer>

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

// Runs a view's catch-up once per screen frame at most: Request marks it due and starts
// the frame's single-shot timer unless it runs already.
class ScreenRate {
public:
    static constexpr int kIntervalMs = 33;
    ScreenRate(QObject* owner, std::function<void()> catchUp);
    void Request();
    void Cancel() { timer_.stop(); }

private:
    QTimer timer_;
};

// One icon per image key for all the items of a view: a QIcon made afresh for every item
// costs each its own engine and pixmaps.
class IconCache {
public:
    explicit IconCache(IconProvider icons) : icons_(std::move(icons)) {}
    explicit operator bool() const { return bool(icons_); }
    QIcon operator()(const QString& image);

private:
    IconProvider icons_;
    QHash<QString, QIcon> cache_;
};

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
    // Shows the states and texts changed since the last catch-up now, not at the next frame.
    void Flush();

private:
    QTreeWidgetItem* makeItem(TreeNode* node);
    void show(QTreeWidgetItem* item, const TreeNode& node);
    void addSubtree(TreeNode* node, QTreeWidgetItem* parent, int index);
    void forget(const TreeNode* node);
    void dropAll();
    void rebuild();
    void showSelection(TreeNode* node);
    void takeSelection();

    TreeNodes& model_;
    QTreeWidget& widget_;
    IconCache icons_;
    QHash<const TreeNode*, QTreeWidgetItem*> items_;
    QHash<const QTreeWidgetItem*, TreeNode*> nodes_;
    // Shown nodes whose state or text changed since the last catch-up; a node leaves it
    // when its item goes, so it never names a node that is gone.
    QSet<const TreeNode*> changed_;
    ScreenRate rate_;
    // Up while the view changes its own widget, so those changes are not taken for the
    // operator's.
    bool syncing_ = false;
};

// A log list in a QListWidget, newest line at the top, as many lines as the model keeps.
class LogListView : public QObject {
    Q_OBJECT
public:
    LogListView(LogLines& model, QListWidget& widget);
    // Shows the lines added since the last catch-up now, not at the next frame.
    void Flush();

private:
    LogLines& model_;
    QListWidget& widget_;
    int added_ = 0;  // lines put at the model's top since the widget was last in step
    ScreenRate rate_;
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
    void dropAll();
    void rebuild();
    void showCurrent(UserRow* row);

    UserList& model_;
    QTreeWidget& widget_;
    mutable IconCache icons_;
    QHash<const UserRow*, QTreeWidgetItem*> items_;
    QHash<const QTreeWidgetItem*, UserRow*> rows_;
    bool syncing_ = false;  // as the tree view's
};
