#pragma once
// The node collection of the main window's tree: every node has a unique key (a type
// character and a name, e.g. "#10.0.0.1"), a text and an image key. Nodes are numbered
// 1.. in the order they were added; removing one renumbers the later ones. An add whose
// key is already used, or whose relative does not exist, fails and adds nothing — the
// loader and the dialogs rely on that to refuse duplicates.

#include <QHash>
#include <QIcon>
#include <QString>

#include <functional>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

enum TreeRelation { tvwFirst = 0, tvwLast = 1, tvwNext = 2, tvwPrevious = 3, tvwChild = 4 };

class TreeNodes {
public:
    explicit TreeNodes(QTreeWidget* tree);
    TreeNodes(const TreeNodes&) = delete;
    TreeNodes& operator=(const TreeNodes&) = delete;

    QTreeWidget* Tree() const { return tree_; }

    // relativeKey empty: a top-level node after the last one. Otherwise tvwChild adds the
    // last child of the relative, tvwFirst/tvwLast the first/last sibling of the relative,
    // tvwNext/tvwPrevious the sibling right after/before it. Null when the add fails.
    QTreeWidgetItem* Add(const QString& relativeKey, TreeRelation relation, const QString& key,
                         const QString& text, const QString& image);

    int Count() const { return static_cast<int>(order_.size()); }
    QTreeWidgetItem* Item(int index) const;        // 1-based; null outside
    QTreeWidgetItem* Item(const QString& key) const;  // null when missing
    int Index(const QString& key) const;           // 0 when missing
    // Removes the node and everything under it; false when the key is unknown.
    bool Remove(const QString& key);
    void Clear();

    static QString Key(const QTreeWidgetItem* item);
    static QString Image(const QTreeWidgetItem* item);
    static QString Text(const QTreeWidgetItem* item);
    void SetImage(QTreeWidgetItem* item, const QString& image);
    void SetText(QTreeWidgetItem* item, const QString& text);

    // Where the icons for image keys come from (the main window's image list). Without
    // one the nodes carry their image key only.
    void SetImageProvider(std::function<QIcon(const QString&)> provider);

private:
    void forget(QTreeWidgetItem* item);
    QIcon icon(const QString& image) const;

    QTreeWidget* tree_;
    std::vector<QTreeWidgetItem*> order_;  // non-owning: the tree owns its items
    QHash<QString, QTreeWidgetItem*> byKey_;
    std::function<QIcon(const QString&)> provider_;
};
