#include "model/TreeNodes.h"

#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <algorithm>

namespace {
constexpr int kKeyRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;
}  // namespace

TreeNodes::TreeNodes(QTreeWidget* tree) : tree_(tree) {}

QTreeWidgetItem* TreeNodes::Add(const QString& relativeKey, TreeRelation relation, const QString& key,
                                const QString& text, const QString& image) {
    if (key.isEmpty() || byKey_.contains(key)) return nullptr;
    auto* item = new QTreeWidgetItem();  // handed to the tree below, which owns it
    item->setText(0, text);
    item->setData(0, kKeyRole, key);
    item->setData(0, kImageRole, image);
    item->setIcon(0, icon(image));

    if (relativeKey.isEmpty()) {
        tree_->addTopLevelItem(item);
    } else {
        QTreeWidgetItem* rel = byKey_.value(relativeKey);
        if (!rel) {
            delete item;
            return nullptr;
        }
        QTreeWidgetItem* parent = rel->parent();
        auto insertSibling = [&](int index) {
            if (parent) parent->insertChild(index, item);
            else tree_->insertTopLevelItem(index, item);
        };
        const int relIndex = parent ? parent->indexOfChild(rel) : tree_->indexOfTopLevelItem(rel);
        const int siblings = parent ? parent->childCount() : tree_->topLevelItemCount();
        switch (relation) {
        case tvwChild: rel->addChild(item); break;
        case tvwFirst: insertSibling(0); break;
        case tvwLast: insertSibling(siblings); break;
        case tvwNext: insertSibling(relIndex + 1); break;
        case tvwPrevious: insertSibling(relIndex); break;
        }
    }
    order_.push_back(item);
    byKey_.insert(key, item);
    return item;
}

QTreeWidgetItem* TreeNodes::Item(int index) const {
    if (index < 1 || index > Count()) return nullptr;
    return order_[static_cast<size_t>(index - 1)];
}

QTreeWidgetItem* TreeNodes::Item(const QString& key) const { return byKey_.value(key); }

int TreeNodes::Index(const QString& key) const {
    QTreeWidgetItem* item = byKey_.value(key);
    if (!item) return 0;
    auto it = std::find(order_.begin(), order_.end(), item);
    return it == order_.end() ? 0 : static_cast<int>(it - order_.begin()) + 1;
}

void TreeNodes::forget(QTreeWidgetItem* item) {
    for (int i = 0; i < item->childCount(); ++i) forget(item->child(i));
    byKey_.remove(Key(item));
    order_.erase(std::remove(order_.begin(), order_.end(), item), order_.end());
}

bool TreeNodes::Remove(const QString& key) {
    QTreeWidgetItem* item = byKey_.value(key);
    if (!item) return false;
    forget(item);
    delete item;  // the tree's item: deleting it takes it and its children out of the tree
    return true;
}

void TreeNodes::Clear() {
    order_.clear();
    byKey_.clear();
    tree_->clear();
}

QString TreeNodes::Key(const QTreeWidgetItem* item) { return item ? item->data(0, kKeyRole).toString() : QString(); }
QString TreeNodes::Image(const QTreeWidgetItem* item) {
    return item ? item->data(0, kImageRole).toString() : QString();
}
QString TreeNodes::Text(const QTreeWidgetItem* item) { return item ? item->text(0) : QString(); }

void TreeNodes::SetImage(QTreeWidgetItem* item, const QString& image) {
    if (!item) return;
    item->setData(0, kImageRole, image);
    item->setIcon(0, icon(image));
}

void TreeNodes::SetText(QTreeWidgetItem* item, const QString& text) {
    if (item) item->setText(0, text);
}

void TreeNodes::SetImageProvider(std::function<QIcon(const QString&)> provider) {
    provider_ = std::move(provider);
    for (QTreeWidgetItem* item : order_) item->setIcon(0, icon(Image(item)));
}

QIcon TreeNodes::icon(const QString& image) const { return provider_ ? provider_(image) : QIcon(); }
