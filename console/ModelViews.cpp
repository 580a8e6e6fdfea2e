#include "console/ModelViews.h"

#include "model/LogLines.h"
#include "model/TreeNodes.h"
#include "model/UserList.h"

#include <QListWidget>
#include <QScopedValueRollback>
#include <QTreeWidget>

#include <algorithm>
#include <utility>

namespace {
constexpr int kKeyRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;
}  // namespace

ScreenRate::ScreenRate(QObject* owner, std::function<void()> catchUp) {
    timer_.setSingleShot(true);
    timer_.setInterval(kIntervalMs);
    QObject::connect(&timer_, &QTimer::timeout, owner, std::move(catchUp));
}

void ScreenRate::Request() {
    if (!timer_.isActive()) timer_.start();
}

QIcon IconCache::operator()(const QString& image) {
    auto it = cache_.constFind(image);
    if (it == cache_.constEnd()) it = cache_.insert(image, icons_(image));
    return *it;
}

// ---- the tree ----

TreeView::TreeView(TreeNodes& model, QTreeWidget& widget, IconProvider icons)
    : QObject(&widget), model_(model), widget_(widget), icons_(std::move(icons)), rate_(this, [this] { Flush(); }) {
    connect(&model_, &TreeNodes::nodeAdded, this, [this](TreeNode* node) {
        QTreeWidgetItem* parent = node->Parent() ? ItemOf(node->Parent()) : nullptr;
        if (node->Parent() && !parent) return;  // under a node this view does not show
        addSubtree(node, parent, model_.SiblingIndex(node));
    });
    connect(&model_, &TreeNodes::nodeAboutToBeRemoved, this, [this](TreeNode* node) {
        QTreeWidgetItem* item = ItemOf(node);
        if (!item) return;
        const QScopedValueRollback<bool> s(syncing_, true);
        forget(node);
        delete item;  // takes the item and its children out of the widget
    });
    connect(&model_, &TreeNodes::nodeChanged, this, [this](TreeNode* node) {
        if (!items_.contains(node)) return;
        changed_.insert(node);
        rate_.Request();
    });
    connect(&model_, &TreeNodes::aboutToReset, this, &TreeView::dropAll);
    connect(&model_, &TreeNodes::resetDone, this, &TreeView::rebuild);
    // The nodes go with their tree: nothing may be left to show of them.
    connect(&model_, &QObject::destroyed, this, [this] {
        changed_.clear();
        rate_.Cancel();
    });
    connect(&model_, &TreeNodes::selectionChanged, this, &TreeView::showSelection);
    connect(&widget_, &QTreeWidget::itemSelectionChanged, this, &TreeView::takeSelection);
    rebuild();
}

QString TreeView::KeyOf(const QTreeWidgetItem* item) { return item ? item->data(0, kKeyRole).toString() : QString(); }

void TreeView::show(QTreeWidgetItem* item, const TreeNode& node) {
    item->setText(0, node.Text());
    item->setData(0, kImageRole, node.Image());
    if (icons_) item->setIcon(0, icons_(node.Image()));
}

void TreeView::Flush() {
    rate_.Cancel();
    for (const TreeNode* node : std::exchange(changed_, {}))
        if (QTreeWidgetItem* item = ItemOf(node)) show(item, *node);
}

QTreeWidgetItem* TreeView::makeItem(TreeNode* node) {
    auto* item = new QTreeWidgetItem;  // handed to the widget by the caller
    item->setData(0, kKeyRole, node->Key());
    show(item, *node);
    items_.insert(node, item);
    nodes_.insert(item, node);
    QList<QTreeWidgetItem*> children;
    children.reserve(static_cast<qsizetype>(node->Children().size()));
    for (TreeNode* child : node->Children()) children << makeItem(child);
    item->addChildren(children);
    return item;
}

void TreeView::addSubtree(TreeNode* node, QTreeWidgetItem* parent, int index) {
    QTreeWidgetItem* item = makeItem(node);
    if (parent) {
        parent->insertChild(index < 0 ? parent->childCount() : index, item);
    } else {
        widget_.insertTopLevelItem(index < 0 ? widget_.topLevelItemCount() : index, item);
    }
}

void TreeView::forget(const TreeNode* node) {
    for (const TreeNode* child : node->Children()) forget(child);
    nodes_.remove(items_.take(node));
    changed_.remove(node);
}

void TreeView::dropAll() {
    const QScopedValueRollback<bool> s(syncing_, true);
    items_.clear();
    nodes_.clear();
    changed_.clear();
    rate_.Cancel();
    widget_.clear();
}

void TreeView::rebuild() {
    const QScopedValueRollback<bool> s(syncing_, true);
    dropAll();
    QList<QTreeWidgetItem*> roots;
    roots.reserve(static_cast<qsizetype>(model_.Roots().size()));
    for (TreeNode* node : model_.Roots()) roots << makeItem(node);
    widget_.addTopLevelItems(roots);
    showSelection(model_.SelectedItem());
}

void TreeView::showSelection(TreeNode* node) {
    const QScopedValueRollback<bool> s(syncing_, true);
    if (QTreeWidgetItem* item = ItemOf(node)) {
        widget_.setCurrentItem(item);
    } else {
        widget_.clearSelection();
        widget_.setCurrentItem(nullptr);
    }
}

void TreeView::takeSelection() {
    if (syncing_) return;
    const QList<QTreeWidgetItem*> selected = widget_.selectedItems();
    model_.SetSelectedItem(selected.isEmpty() ? nullptr : NodeOf(selected.first()));
}

// ---- a log list ----

LogListView::LogListView(LogLines& model, QListWidget& widget)
    : QObject(&widget), model_(model), widget_(widget), rate_(this, [this] { Flush(); }) {
    connect(&model_, &LogLines::lineAdded, this, [this] {
        ++added_;
        rate_.Request();
    });
    for (int i = 0; i < model_.Count(); ++i) widget_.addItem(model_.Line(i));
}

void LogListView::Flush() {
    rate_.Cancel();
    // The model's newest lines are the fresh ones; below them it keeps what the widget
    // shows, less the oldest lines it let go meanwhile.
    const int fresh = std::min(std::exchange(added_, 0), model_.Count());
    const int kept = model_.Count() - fresh;
    while (widget_.count() > kept) delete widget_.takeItem(widget_.count() - 1);
    QStringList lines;
    lines.reserve(fresh);
    for (int i = 0; i < fresh; ++i) lines << model_.Line(i);
    if (!lines.isEmpty()) widget_.insertItems(0, lines);
}

// ---- the person list ----

UserListView::UserListView(UserList& model, QTreeWidget& widget, IconProvider icons)
    : QObject(&widget), model_(model), widget_(widget), icons_(std::move(icons)) {
    widget_.setColumnCount(UserRow::kColumns);
    widget_.setHeaderLabels(UserListCaptions());
    connect(&model_, &UserList::rowAdded, this, [this](UserRow* row) { add(row); });
    connect(&model_, &UserList::rowChanged, this, [this](UserRow* row) {
        if (QTreeWidgetItem* item = ItemOf(row)) {
            fill(item, *row);
            widget_.viewport()->update();
        }
    });
    connect(&model_, &UserList::rowAboutToBeRemoved, this, [this](UserRow* row) {
        const QScopedValueRollback<bool> s(syncing_, true);
        QTreeWidgetItem* item = items_.take(row);
        rows_.remove(item);
        delete item;
    });
    connect(&model_, &UserList::aboutToReset, this, &UserListView::dropAll);
    connect(&model_, &UserList::resetDone, this, &UserListView::rebuild);
    connect(&model_, &UserList::currentChanged, this, &UserListView::showCurrent);
    connect(&widget_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!syncing_) model_.SetCurrent(RowOf(item));
    });
    rebuild();
}

void UserListView::fill(QTreeWidgetItem* item, const UserRow& row) const {
    for (int c = 0; c < UserRow::kColumns; ++c) item->setText(c, row.Column(c));
    item->setData(0, kImageRole, row.Image());
    if (icons_) item->setIcon(0, icons_(row.Image()));
}

QTreeWidgetItem* UserListView::add(UserRow* row) {
    auto* item = new QTreeWidgetItem;  // handed to the widget below
    // Filled before it is added, so a sorted list places it by its columns.
    fill(item, *row);
    items_.insert(row, item);
    rows_.insert(item, row);
    const QScopedValueRollback<bool> s(syncing_, true);
    widget_.addTopLevelItem(item);
    return item;
}

void UserListView::dropAll() {
    const QScopedValueRollback<bool> s(syncing_, true);
    items_.clear();
    rows_.clear();
    widget_.clear();
}

void UserListView::rebuild() {
    const QScopedValueRollback<bool> s(syncing_, true);
    dropAll();
    for (const auto& row : model_.Rows()) add(row.get());
    showCurrent(model_.Current());
}

void UserListView::showCurrent(UserRow* row) {
    const QScopedValueRollback<bool> s(syncing_, true);
    widget_.setCurrentItem(ItemOf(row));
}
