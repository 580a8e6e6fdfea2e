#pragma once
// The monitoring tree: groups, their computers, and under each computer its port checks,
// plug-in checks, no-check windows, its dated-window calendar and its recipients. Every
// node has a unique key (a type character and a name, e.g. "#10.0.0.1"), a display text
// and an image key, which is also its state ("Nomal", "Critical", "Question", "Stop",
// "NoCheck", "SStart", "SStop", "Group", ...). Nodes are numbered 1.. in the order they
// were added; removing one renumbers the later ones. An add whose key is already used, or
// whose relative does not exist, fails and adds nothing: the loader and the dialogs rely on
// that to refuse duplicates.
//
// The watched computers and their checks are nodes themselves (ClsPingData, ClsPortData,
// ClsDllData and ClsWaitTime derive from TreeNode), so the target list and the tree share
// one object per thing: the round changes a computer's state on its entry, and the window's
// tree, a view of this model, follows through the signals below. Nothing here knows of any
// widget.

#include <QHash>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class TreeNodes;

enum TreeRelation { tvwFirst = 0, tvwLast = 1, tvwNext = 2, tvwPrevious = 3, tvwChild = 4 };

class TreeNode {
public:
    TreeNode() = default;
    virtual ~TreeNode() = default;
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;

    const QString& Key() const { return key_; }
    const QString& Text() const { return text_; }
    const QString& Image() const { return image_; }
    // Changing either tells the tree the node is in (if any), so its views follow.
    void SetText(const QString& text);
    void SetImage(const QString& image);

    // The parent node; null for a top-level node and for one that is in no tree.
    TreeNode* Parent() const { return parent_; }
    const std::vector<TreeNode*>& Children() const { return children_; }

private:
    friend class TreeNodes;
    QString key_;
    QString text_;
    QString image_;
    TreeNode* parent_ = nullptr;
    TreeNodes* owner_ = nullptr;
    std::vector<TreeNode*> children_;  // non-owning: the tree owns every node it holds
};

class TreeNodes : public QObject {
    Q_OBJECT
public:
    TreeNodes() = default;
    ~TreeNodes() override;
    TreeNodes(const TreeNodes&) = delete;
    TreeNodes& operator=(const TreeNodes&) = delete;

    // relativeKey empty: a top-level node after the last one. Otherwise tvwChild adds the
    // last child of the relative, tvwFirst/tvwLast the first/last sibling of the relative,
    // tvwNext/tvwPrevious the sibling right after/before it. node, when given, is the object
    // to put into the tree (an entry of the target list); it must be in no tree. Null when
    // the add fails.
    TreeNode* Add(const QString& relativeKey, TreeRelation relation, const QString& key, const QString& text,
                  const QString& image, std::shared_ptr<TreeNode> node = nullptr);

    int Count() const { return static_cast<int>(order_.size()); }
    TreeNode* Item(int index) const;             // 1-based; null outside
    TreeNode* Item(const QString& key) const;    // null when missing
    int Index(const QString& key) const;         // 0 when missing
    // The top-level nodes in their order.
    const std::vector<TreeNode*>& Roots() const { return roots_; }
    // Position of node among its siblings (0-based); -1 when it is in no tree.
    int SiblingIndex(const TreeNode* node) const;
    // Removes the node and everything under it; false when the key is unknown.
    bool Remove(const QString& key);
    void Clear();

    // A rebuild of the whole tree (the loader): between the two calls no node is reported
    // one by one; views drop everything at the start and show the new tree at the end.
    // Clears the tree. Nests; the outermost EndReset reports the new tree.
    void BeginReset();
    void EndReset();
    bool Resetting() const { return resetDepth_ > 0; }

    // The node the operator has selected (the commands' target); null when none. A node
    // removed from the tree stops being selected.
    TreeNode* SelectedItem() const { return selected_; }
    void SetSelectedItem(TreeNode* node);

    // Null-safe readers, for a lookup that may have found nothing.
    static QString Key(const TreeNode* node) { return node ? node->Key() : QString(); }
    static QString Image(const TreeNode* node) { return node ? node->Image() : QString(); }
    static QString Text(const TreeNode* node) { return node ? node->Text() : QString(); }
    static void SetImage(TreeNode* node, const QString& image) {
        if (node) node->SetImage(image);
    }
    static void SetText(TreeNode* node, const QString& text) {
        if (node) node->SetText(text);
    }

signals:
    // A node was put into the tree (its parent and position are set).
    void nodeAdded(TreeNode* node);
    // A node and everything under it is about to leave the tree.
    void nodeAboutToBeRemoved(TreeNode* node);
    // A node's text or image changed.
    void nodeChanged(TreeNode* node);
    // The tree is about to be emptied or rebuilt: a view drops what it shows.
    void aboutToReset();
    // The tree was emptied or rebuilt: a view shows it anew from the roots.
    void resetDone();
    void selectionChanged(TreeNode* node);

private:
    friend class TreeNode;
    void changed(TreeNode* node);
    void forget(TreeNode* node);
    std::vector<TreeNode*>& siblingsOf(TreeNode* node);
    // Every node leaves as a node of no tree (its entry may live on in the target list).
    void detachAll();

    std::vector<TreeNode*> order_;  // in the order added
    std::vector<TreeNode*> roots_;
    QHash<QString, std::shared_ptr<TreeNode>> byKey_;  // owns the nodes
    TreeNode* selected_ = nullptr;
    int resetDepth_ = 0;
};
