// The person list's own events, the recipients' drag and drop between the person list and
// the tree, and the three person commands.
//
// A drag carries what it moves in a MIME type of our own: a person from the list carries
// the 職番, a recipient node from the tree its key. A drop is taken only from the other
// control of this window, and its work runs just after the drop event, outside the drag.
#include "console/FrmPing.h"

#include "admin/FrmUser.h"
#include "model/Database.h"
#include "model/Globals.h"
#include "model/Loader.h"
#include "model/UserList.h"

#include <QAction>
#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QSqlError>
#include <QTimer>
#include <QTreeWidget>

namespace {

bool IsRecipientKey(const QString& key) {
    return key.startsWith(QLatin1Char('*')) || key.startsWith(QLatin1Char('\\'));
}

// The person part of a recipient key: everything after the first "@".
QString PersonOf(const QString& key) {
    const qsizetype at = key.indexOf(QLatin1Char('@'));
    return at < 0 ? QString() : key.mid(at + 1);
}

QString Payload(const QMimeData& data, const QString& type) {
    return QString::fromUtf8(data.data(type));
}

}  // namespace

// Starts the drags of both controls and takes the drops meant for them. Pressing and
// moving the mouse keeps every other meaning it has for the controls (selection, the
// tree's own menu); only a move past the drag distance with the left button held over a
// draggable item becomes a drag.
class FrmPing::UserDragDrop final : public QObject {
public:
    explicit UserDragDrop(FrmPing& form) : QObject(&form), form_(form) {
        for (QTreeWidget* view : {form.listViewUser_, form.treeComputer_}) {
            view->setAcceptDrops(true);
            view->viewport()->setAcceptDrops(true);
            view->viewport()->installEventFilter(this);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Only the user's own mouse and drag events are looked at (never, say, those of a
        // control being taken down).
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove:
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop:
                break;
            default:
                return false;
        }
        const bool onList = watched == form_.listViewUser_->viewport();
        if (!onList && watched != form_.treeComputer_->viewport()) return false;
        QTreeWidget* view = onList ? form_.listViewUser_ : form_.treeComputer_;
        switch (event->type()) {
            case QEvent::MouseButtonPress: {
                auto* e = static_cast<QMouseEvent*>(event);
                const QPoint pos = e->position().toPoint();
                pressedOn_ = e->button() == Qt::LeftButton ? view : nullptr;
                pressPos_ = pos;
                if (!onList) return false;
                const bool taken = form_.ListViewUser_MouseDown(e->button(), pos);
                // The list's own press handling follows only for the left button on an item.
                return !(taken && e->button() == Qt::LeftButton);
            }
            case QEvent::MouseButtonDblClick: {
                // A double-click anywhere in the list, also below the people, edits the
                // selected person; over the tree it is the tree's own.
                auto* e = static_cast<QMouseEvent*>(event);
                if (!onList || e->button() != Qt::LeftButton) return false;
                pressedOn_ = nullptr;
                form_.ListViewUser_DblClick();
                return true;
            }
            case QEvent::MouseMove: {
                auto* e = static_cast<QMouseEvent*>(event);
                if (pressedOn_ != view || !(e->buttons() & Qt::LeftButton)) return false;
                if ((e->position().toPoint() - pressPos_).manhattanLength() < QApplication::startDragDistance())
                    return false;
                pressedOn_ = nullptr;
                return onList ? StartPersonDrag() : StartRecipientDrag();
            }
            case QEvent::DragEnter:
            case QEvent::DragMove: {
                // The enter is taken whenever the kind fits, so the moves that follow
                // come here and tell, node by node, where the drop would land.
                auto* e = static_cast<QDragMoveEvent*>(event);
                if (Acceptable(onList, *e, event->type() == QEvent::DragMove))
                    e->acceptProposedAction();
                else
                    e->ignore();
                return true;
            }
            case QEvent::Drop: {
                auto* e = static_cast<QDropEvent*>(event);
                if (!Acceptable(onList, *e, true)) {
                    e->ignore();
                    return true;
                }
                e->acceptProposedAction();
                if (onList) {
                    const QByteArray key = e->mimeData()->data(kRecipientMime);
                    QTimer::singleShot(0, &form_, [form = &form_, key] {
                        QMimeData data;
                        data.setData(kRecipientMime, key);
                        form->ListViewUser_DragDrop(data);
                    });
                } else {
                    const QByteArray staff = e->mimeData()->data(kPersonMime);
                    const QString target = TreeView::KeyOf(view->itemAt(e->position().toPoint()));
                    QTimer::singleShot(0, &form_, [form = &form_, staff, target] {
                        QMimeData data;
                        data.setData(kPersonMime, staff);
                        form->TreeComputer_DragDrop(data, form->TreeComputer().Item(target));
                    });
                }
                return true;
            }
            default:
                return false;
        }
    }

private:
    // The list takes recipient nodes from the tree; the tree takes people from the list,
    // over a node (tested when overNode).
    bool Acceptable(bool onList, const QDropEvent& e, bool overNode) const {
        if (onList) return e.source() == form_.treeComputer_ && e.mimeData()->hasFormat(kRecipientMime);
        return e.source() == form_.listViewUser_ && e.mimeData()->hasFormat(kPersonMime) &&
               (!overNode || form_.treeComputer_->itemAt(e.position().toPoint()) != nullptr);
    }

    bool StartPersonDrag() {
        QTreeWidget* list = form_.listViewUser_;
        QTreeWidgetItem* item = list->itemAt(pressPos_);
        if (!item) return false;
        list->setCurrentItem(item);
        Drag(list, item, kPersonMime, item->text(0));
        return true;
    }

    bool StartRecipientDrag() {
        QTreeWidget* tree = form_.treeComputer_;
        QTreeWidgetItem* node = tree->itemAt(pressPos_);
        if (!node) return false;
        tree->setCurrentItem(node);
        const QString key = TreeView::KeyOf(node);
        if (!IsRecipientKey(key)) return false;
        Drag(tree, node, kRecipientMime, key);
        return true;
    }

    static void Drag(QTreeWidget* source, QTreeWidgetItem* item, const QString& type, const QString& payload) {
        auto* mime = new QMimeData;  // owned by the drag
        mime->setData(type, payload.toUtf8());
        auto* drag = new QDrag(source);  // the drag manager deletes it when the drag ends
        drag->setMimeData(mime);
        const QIcon icon = item->icon(0);
        if (!icon.isNull()) drag->setPixmap(icon.pixmap(16, 16));
        drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    }

    FrmPing& form_;
    QTreeWidget* pressedOn_ = nullptr;
    QPoint pressPos_;
};

void FrmPing::BuildUserList() {
    // The context menu of the person list; it is never part of the menu bar.
    menuNodeUser_ = new QMenu(QStringLiteral("User選択用"), this);
    menuNodeUser_->setObjectName(QStringLiteral("menuNodeUser"));
    auto item = [this](const QString& name, const QString& caption) {
        QAction* a = menuNodeUser_->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    menuNodeUserInsert = item(QStringLiteral("menuNodeUserInsert"), QStringLiteral("追加"));
    menuNodeUserUpdate = item(QStringLiteral("menuNodeUserUpdate"), QStringLiteral("変更"));
    menuNodeUserDelete = item(QStringLiteral("menuNodeUserDelete"), QStringLiteral("削除"));
    connect(menuNodeUserInsert, &QAction::triggered, this, &FrmPing::menuNodeUserInsert_Click);
    connect(menuNodeUserUpdate, &QAction::triggered, this, &FrmPing::menuNodeUserUpdate_Click);
    connect(menuNodeUserDelete, &QAction::triggered, this, &FrmPing::menuNodeUserDelete_Click);

    listViewUser_->header()->setSectionsClickable(true);
    connect(listViewUser_->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { ListViewUser_ColumnClick(section + 1); });
    new UserDragDrop(*this);  // a child of the window
}

void FrmPing::ListViewUser_ColumnClick(int header) {
    // The order flips on every click, whichever column was clicked. The header's own flip
    // (it runs before this) is overridden.
    listViewUser_->setSortingEnabled(false);
    userSortOrder_ = userSortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    listViewUser_->header()->setSortIndicator(header - 1, userSortOrder_);
    listViewUser_->setSortingEnabled(true);
}

bool FrmPing::ListViewUser_MouseDown(Qt::MouseButton button, const QPoint& pos) {
    QTreeWidgetItem* item = listViewUser_->itemAt(pos);
    // An empty list offers only "追加", so the first person can be entered; below the
    // items of a filled list the press does nothing.
    const bool empty = listViewUser_->topLevelItemCount() == 0;
    if (item) listViewUser_->setCurrentItem(item);
    if (button == Qt::RightButton && (item || empty)) {
        menuNodeUserInsert->setVisible(true);
        menuNodeUserUpdate->setVisible(item != nullptr);
        menuNodeUserDelete->setVisible(item != nullptr);
        if (services_.popupNodeMenu)
            services_.popupNodeMenu(*menuNodeUser_, listViewUser_->viewport()->mapToGlobal(pos));
    }
    return item != nullptr;
}

void FrmPing::ListViewUser_DragDrop(const QMimeData& data) {
    const QString key = Payload(data, kRecipientMime);
    if (!IsRecipientKey(key)) return;
    // The list's own drop opens no window and leaves checking as it is: the timer counts
    // on, and a round in progress neither pauses for it nor is started again by it.
    CommandScope scope(*this, CommandScope::kKeepTopMost | CommandScope::kKeepTimer | CommandScope::kKeepContinue);
    // Split at the first "@": the group code or the address before it, the 職番 after.
    const qsizetype at = key.indexOf(QLatin1Char('@'));
    if (at < 0) return;
    const QString name = key.mid(1, at - 1);
    const QString staff = key.mid(at + 1);
    QString why;
    auto db = Database::Open(gOptDatabasePath, &why);
    bool done = false;
    if (db) {
        done = key.startsWith(QLatin1Char('*'))
                   ? db->Execute(QStringLiteral("DELETE FROM TBL_MsgSend WHERE グループ = ? AND 職番 = ? AND "
                                                "アドレス IS NULL;"),
                                 {name, staff}, &why)
                   : db->Execute(QStringLiteral("DELETE FROM TBL_MsgSend WHERE アドレス = ? AND 職番 = ?;"),
                                 {name, staff}, &why);
    }
    db.reset();
    // The node stays while its row does, so the tree never shows less than is stored.
    if (!done) {
        MsgBox(QStringLiteral("担当者の割り当てをデータベースから削除できませんでした。\n") + why, vb::vbExclamation);
        return;
    }
    TreeComputer().Remove(key);
}

void FrmPing::TreeComputer_DragDrop(const QMimeData& data, TreeNode* target) {
    if (!target || !data.hasFormat(kPersonMime)) return;
    const UserRow* person = Users().Find(Payload(data, kPersonMime));
    if (!person) return;
    // A drop on the tree pauses a round in progress until the row is written, and leaves
    // the check timer counting on.
    CommandScope scope(*this, CommandScope::kKeepTopMost | CommandScope::kKeepTimer);
    const QString staff = person->Staff();

    // Where the new node goes: a group or a group-level recipient name the group; a
    // computer or anything under one names the computer.
    const QString key = target->Key();
    const QChar kind = key.isEmpty() ? QChar() : key.front();
    const TreeNode* parent = nullptr;
    QString group;
    QString address;
    if (kind == QLatin1Char('!')) {
        parent = target;
        group = key.mid(1);
    } else if (kind == QLatin1Char('*')) {
        parent = target->Parent();
        group = TreeNodes::Key(parent).mid(1);
    } else if (kind == QLatin1Char('#')) {
        parent = target;
        address = key.mid(1);
        group = TreeNodes::Key(target->Parent()).mid(1);
    } else if (!kind.isNull() && QStringLiteral("\\$%?=").contains(kind)) {
        parent = target->Parent();
        address = TreeNodes::Key(parent).mid(1);
        group = TreeNodes::Key(parent ? parent->Parent() : nullptr).mid(1);
    }
    if (!parent || group.isEmpty()) return;
    const bool wholeGroup = address.isEmpty();
    const QString newKey =
        (wholeGroup ? QLatin1Char('*') + group : QLatin1Char('\\') + address) + QLatin1Char('@') + staff;

    // A person already assigned there is refused by the tree, without a word.
    if (!TreeComputer().Add(parent->Key(), tvwChild, newKey, RecipientText(person->Column(1), person->Column(2)),
                            QStringLiteral("User")))
        return;
    QString why;
    auto db = Database::Open(gOptDatabasePath, &why);
    const bool done =
        db && (wholeGroup ? db->Execute(QStringLiteral("INSERT INTO TBL_MsgSend (グループ, 職番) VALUES (?, ?);"),
                                        {group, staff}, &why)
                          : db->Execute(QStringLiteral("INSERT INTO TBL_MsgSend (グループ, アドレス, 職番) "
                                                       "VALUES (?, ?, ?);"),
                                        {group, address, staff}, &why));
    db.reset();
    if (!done) {
        TreeComputer().Remove(newKey);
        MsgBox(QStringLiteral("担当者の割り当てをデータベースに書き込めませんでした。\n") + why, vb::vbExclamation);
    }
}

// The person commands pause a round in progress while their dialog or question is up,
// and leave the check timer counting, so the next round comes when it is due.
void FrmPing::menuNodeUserInsert_Click() {
    CommandScope scope(*this, CommandScope::kKeepTimer);
    gSelUserID.clear();
    FrmUser dialog(Users(), this);
    dialog.setWindowTitle(QStringLiteral("担当者の管理(追加)"));
    RunDialog(dialog);
}

void FrmPing::menuNodeUserUpdate_Click() {
    if (!Users().Current()) return;
    CommandScope scope(*this, CommandScope::kKeepTimer);
    gSelUserID = Users().Current()->Staff();
    {
        FrmUser dialog(Users(), this);
        dialog.setWindowTitle(QStringLiteral("担当者の管理(更新)"));
        RunDialog(dialog);
    }
    // Group-level recipient nodes show the new name and department at once; the nodes of
    // single computers are renamed by the next load.
    const UserRow* person = Users().Current();
    if (!person) return;
    const QString text = RecipientText(person->Column(1), person->Column(2));
    for (int i = TreeComputer().Count(); i >= 1; --i) {
        TreeNode* node = TreeComputer().Item(i);
        if (node->Key().startsWith(QLatin1Char('*')) && PersonOf(node->Key()) == gSelUserID) node->SetText(text);
    }
}

void FrmPing::menuNodeUserDelete_Click() {
    const UserRow* person = Users().Current();
    if (!person) return;
    CommandScope scope(*this, CommandScope::kKeepTimer);
    const QString staff = person->Staff();
    gSelUserID = staff;
    if (MsgBox(
            QStringLiteral("職番：") + staff + QLatin1Char('(') + person->Column(1) + QStringLiteral(")を削除します。"),
            vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton2) != vb::vbYes)
        return;

    // The assignments and the person go together or not at all.
    QString why;
    auto db = Database::Open(gOptDatabasePath, &why);
    bool done = db && db->db().transaction();
    if (done) {
        done = db->Execute(QStringLiteral("DELETE FROM TBL_MsgSend WHERE 職番 = ?;"), {staff}, &why) &&
               db->Execute(QStringLiteral("DELETE FROM TBL_User WHERE 職番 = ?;"), {staff}, &why);
        if (done) done = db->db().commit();
        if (!done) {
            if (why.isEmpty()) why = db->db().lastError().text();
            db->db().rollback();
        }
    } else if (db) {
        why = db->db().lastError().text();
    }
    db.reset();
    if (!done) {
        MsgBox(QStringLiteral("担当者をデータベースから削除できませんでした。\n") + why, vb::vbExclamation);
        return;
    }

    // From the last node to the first, so removals do not disturb the walk.
    for (int i = TreeComputer().Count(); i >= 1; --i) {
        const QString key = TreeNodes::Key(TreeComputer().Item(i));
        if (IsRecipientKey(key) && PersonOf(key) == staff) TreeComputer().Remove(key);
    }
    // Found again by its 職番: the list may have been reloaded while the box was up.
    Users().Remove(staff);
}
