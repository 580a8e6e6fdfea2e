#include "model/TreeNodes.h"

#include <algorithm>

void TreeNode::SetText(const QString& text) {
    if (text_ == text) return;
    text_ = text;
    if (owner_) owner_->changed(this);
}

void TreeNode::SetImage(const QString& image) {
    if (image_ == image) return;
    image_ = image;
    if (owner_) owner_->changed(this);
}

TreeNodes::~TreeNodes() { detachAll(); }

void TreeNodes::detachAll() {
    // Entries of the target list may outlive the tree: leave them as nodes of no tree.
    for (TreeNode* node : order_) {
        node->owner_ = nullptr;
        node->parent_ = nullptr;
        node->children_.clear();
    }
}

std::vector<TreeNode*>& TreeNodes::siblingsOf(TreeNode* node) {
    return node->parent_ ? node->parent_->children_ : roots_;
}

TreeNode* TreeNodes::Add(const QString& relativeKey, TreeRelation relation, const QString& key, const QString& text,
                         const QString& image, std::shared_ptr<TreeNode> node) {
    if (key.isEmpty() || byKey_.contains(key)) return nullptr;
    if (node && node->owner_) return nullptr;
    TreeNode* rel = nullptr;
    if (!relativeKey.isEmpty()) {
        rel = Item(relativeKey);
        if (!rel) return nullptr;
    }
    if (!node) node = std::make_shared<TreeNode>();
    node->key_ = key;
    node->text_ = text;
    node->image_ = image;
    node->children_.clear();
    node->owner_ = this;

    if (!rel) {
        node->parent_ = nullptr;
        roots_.push_back(node.get());
    } else if (relation == tvwChild) {
        node->parent_ = rel;
        rel->children_.push_back(node.get());
    } else {
        node->parent_ = rel->parent_;
        std::vector<TreeNode*>& siblings = siblingsOf(rel);
        const auto at = std::find(siblings.begin(), siblings.end(), rel);
        switch (relation) {
        case tvwFirst: siblings.insert(siblings.begin(), node.get()); break;
        case tvwLast: siblings.push_back(node.get()); break;
        case tvwNext: siblings.insert(at + 1, node.get()); break;
        case tvwPrevious: siblings.insert(at, node.get()); break;
        case tvwChild: break;
        }
    }
    TreeNode* added = node.get();
    order_.push_back(added);
    byKey_.insert(key, std::move(node));
    if (!Resetting()) emit nodeAdded(added);
    return added;
}

TreeNode* TreeNodes::Item(int index) const {
    if (index < 1 || index > Count()) return nullptr;
    return order_[static_cast<size_t>(index - 1)];
}

TreeNode* TreeNodes::Item(const QString& key) const {
    const auto it = byKey_.constFind(key);
    return it == byKey_.constEnd() ? nullptr : it->get();
}

int TreeNodes::Index(const QString& key) const {
    TreeNode* node = Item(key);
    if (!node) return 0;
    const auto it = std::find(order_.begin(), order_.end(), node);
    return it == order_.end() ? 0 : static_cast<int>(it - order_.begin()) + 1;
}

int TreeNodes::SiblingIndex(const TreeNode* node) const {
    if (!node || node->owner_ != this) return -1;
    const std::vector<TreeNode*>& siblings = node->parent_ ? node->parent_->children_ : roots_;
    const auto it = std::find(siblings.begin(), siblings.end(), node);
    return it == siblings.end() ? -1 : static_cast<int>(it - siblings.begin());
}

void TreeNodes::forget(TreeNode* node) {
    for (TreeNode* child : node->children_) forget(child);
    node->children_.clear();
    node->parent_ = nullptr;
    node->owner_ = nullptr;
    if (selected_ == node) selected_ = nullptr;
    order_.erase(std::remove(order_.begin(), order_.end(), node), order_.end());
    const QString key = node->key_;  // a copy: the removal may drop the node itself
    byKey_.remove(key);
}

bool TreeNodes::Remove(const QString& key) {
    const auto it = byKey_.constFind(key);
    if (it == byKey_.constEnd()) return false;
    const std::shared_ptr<TreeNode> node = *it;  // alive until the views have let go
    const bool wasSelected = selected_ != nullptr;
    if (!Resetting()) emit nodeAboutToBeRemoved(node.get());
    std::vector<TreeNode*>& siblings = siblingsOf(node.get());
    siblings.erase(std::remove(siblings.begin(), siblings.end(), node.get()), siblings.end());
    forget(node.get());
    if (wasSelected && !selected_ && !Resetting()) emit selectionChanged(nullptr);
    return true;
}

void TreeNodes::Clear() {
    const bool signal = !Resetting();
    if (signal) emit aboutToReset();
    detachAll();
    order_.clear();
    roots_.clear();
    selected_ = nullptr;
    byKey_.clear();
    if (signal) emit resetDone();
}

void TreeNodes::BeginReset() {
    if (resetDepth_++ > 0) return;
    emit aboutToReset();
    Clear();
}

void TreeNodes::EndReset() {
    if (resetDepth_ == 0 || --resetDepth_ > 0) return;
    emit resetDone();
}

void TreeNodes::SetSelectedItem(TreeNode* node) {
    if (node && node->owner_ != this) node = nullptr;
    if (selected_ == node) return;
    selected_ = node;
    if (!Resetting()) emit selectionChanged(node);
}

void TreeNodes::changed(TreeNode* node) {
    if (!Resetting()) emit nodeChanged(node);
}
