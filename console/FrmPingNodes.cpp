// The tree's context menu and its node commands: the check switch, the immediate check,
// the delete cascade, and the add, edit and traceroute commands, which share one frame
// around the record dialog they open.
#include "console/FrmPing.h"

#include "console/FrmTraceRt.h"
#include "engine/CheckOne.h"
#include "engine/Pacing.h"
#include "engine/PluginHost.h"
#include "model/Database.h"
#include "model/Globals.h"
#include "model/NodeKeys.h"
#include "model/RowNumbers.h"

#include <QAction>
#include <QDate>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeWidget>

#include <array>

namespace {

// What a tree node stands for: a group is a node without a parent, the rest are told
// apart by the first character of their key.
enum class NodeKind { None, Group, Computer, Port, Plugin, Person, Wait, Calendar, Other };

NodeKind KindOf(const TreeNode* node) {
    if (!node) return NodeKind::None;
    if (!node->Parent()) return NodeKind::Group;
    const QString& key = node->Key();
    switch (key.isEmpty() ? 0 : key.at(0).unicode()) {
        case u'#': return NodeKind::Computer;
        case u'$': return NodeKind::Port;
        case u'%': return NodeKind::Plugin;
        case u'*':
        case u'\\': return NodeKind::Person;
        case u'?': return NodeKind::Wait;
        case u'=': return NodeKind::Calendar;
        default: return NodeKind::Other;
    }
}

// Keys are split at their first "@": the name before it (after the type character) and
// the port, row number or staff number after it. A port or row number is the whole text
// after the "@" (see NodeKeys.h).
QString BeforeAt(const QString& key) {
    const int at = key.indexOf(QLatin1Char('@'));
    return at < 0 ? key.mid(1) : key.mid(1, at - 1);
}
QString AfterAt(const QString& key) {
    const int at = key.indexOf(QLatin1Char('@'));
    return at < 0 ? QString() : key.mid(at + 1);
}
qint32 PortOf(const QString& key) { return static_cast<qint32>(KeyNumber(key).value_or(0)); }
qint16 RowOf(const QString& key) { return static_cast<qint16>(KeyNumber(key).value_or(0)); }

// The name part of the parent's key (a computer's address), empty without a parent.
QString ParentName(const TreeNode* node) {
    return node && node->Parent() ? node->Parent()->Key().mid(1) : QString();
}
QString ParentText(const TreeNode* node) {
    return node && node->Parent() ? node->Parent()->Text() : QString();
}

// The items of menuNode, in menu order.
enum MenuItem { kCheck, kConnect, kTracert, kH1, kInsert, kInsert3, kInsert2, kInsert4, kH2, kUpdate, kDelete, kItems };

struct ItemState {
    bool visible = false;
    QString caption;  // empty: the item keeps the caption it has
};
using NodeMenuLayout = std::array<ItemState, kItems>;

// The menu for a node, before the items without a dialog are taken out.
NodeMenuLayout LayoutFor(const TreeNode* node) {
    NodeMenuLayout m;
    auto show = [&m](MenuItem item, const char* caption = nullptr) {
        m[item].visible = true;
        if (caption) m[item].caption = QString::fromUtf8(caption);
    };
    const bool off = node && TreeNodes::Image(node) == QLatin1String("NoCheck");
    const char* checkCaption = off ? "定期診断をする" : "定期診断をしない";
    switch (KindOf(node)) {
        case NodeKind::None:
            show(kInsert, "グループ追加");
            break;
        case NodeKind::Group:
            show(kCheck, checkCaption);
            show(kH1);
            show(kInsert, "コンピュータ追加");
            show(kH2);
            show(kUpdate, "グループ変更");
            show(kDelete, "グループ削除");
            break;
        case NodeKind::Computer: {
            show(kCheck, checkCaption);
            if (!off) show(kConnect);
            show(kTracert);
            show(kH1);
            show(kInsert, "ポートチェック追加");
            show(kInsert3, "拡張機能追加");
            show(kInsert2, "非監視スケジュール追加");
            show(kInsert4, "非監視カレンダー追加");
            // One dated calendar per computer: none is offered while it has one.
            for (const TreeNode* child : node->Children())
                if (child->Key().startsWith(QLatin1Char('='))) {
                    m[kInsert4].visible = false;
                    break;
                }
            show(kH2);
            show(kUpdate, "コンピュータ変更");
            show(kDelete, "コンピュータ削除");
            break;
        }
        case NodeKind::Port:
            show(kUpdate, "ポートチェック変更");
            show(kDelete, "ポートチェック削除");
            break;
        case NodeKind::Plugin:
            show(kUpdate, "拡張機能変更");
            show(kDelete, "拡張機能削除");
            break;
        case NodeKind::Person:
            show(kDelete, "担当者削除");
            break;
        case NodeKind::Wait:
            show(kUpdate, "非監視スケジュール変更");
            show(kDelete, "非監視スケジュール削除");
            break;
        case NodeKind::Calendar:
            show(kUpdate, "非監視カレンダー変更");
            show(kDelete, "非監視カレンダー削除");
            break;
        case NodeKind::Other:
            break;
    }
    return m;
}

// The dialog an add or edit item opens for a node kind; null when the item opens none
// (the plug-in's own window, the traceroute window, or an item without a dialog).
const NodeDialogs::Opener* OpenerFor(NodeDialogs& d, MenuItem item, NodeKind kind) {
    switch (item) {
        case kInsert:
            if (kind == NodeKind::None) return &d.group;
            if (kind == NodeKind::Group) return &d.computer;
            if (kind == NodeKind::Computer) return &d.service;
            return nullptr;
        case kInsert3: return &d.dllSelect;
        case kInsert2: return &d.wait;
        case kInsert4: return &d.calendar;
        case kUpdate:
            switch (kind) {
                case NodeKind::Group: return &d.group;
                case NodeKind::Computer: return &d.computer;
                case NodeKind::Port: return &d.service;
                case NodeKind::Wait: return &d.wait;
                case NodeKind::Calendar: return &d.calendar;
                default: return nullptr;
            }
        default: return nullptr;
    }
}

// The computer's named calendar, empty when the computer is not in the target list.
QString CalendarOf(const QString& address) {
    const qint32 pos = gPingDatas.GetItemNo(address);
    const auto item = pos > 0 ? gPingDatas.Item(pos) : nullptr;
    return item ? item->Calendar : QString();
}

// The frame of the add and edit commands: inside a command scope (gCheckContinue
// cleared, timer stopped, on-top dropped, all restored on every way out) the selection
// values are set, the dialog is loaded (its constructor reads them), captioned, its
// parent label filled, and shown modally over the main window.
struct DialogCall {
    const NodeDialogs::Opener* open = nullptr;
    QString caption;
    std::function<void()> select;
    QString labelName;  // "Lbl_Group", "Lbl_Computer" or empty
    QString labelText;
};

void OpenNodeDialog(FrmPing& form, const DialogCall& call) {
    if (!call.open || !*call.open) return;  // no such dialog: the item was never offered
    FrmPing::CommandScope scope(form);
    call.select();
    std::unique_ptr<QDialog> dialog = (*call.open)(form.TreeComputer(), &form);
    if (!dialog) return;
    dialog->setWindowTitle(call.caption);
    if (!call.labelName.isEmpty())
        if (auto* label = dialog->findChild<QLabel*>(call.labelName)) label->setText(call.labelText);
    form.RunDialog(*dialog);
}

// Runs work in one transaction of one open of the database. On any failure nothing is
// kept and the operator is told; the caller then leaves the tree and the model alone.
bool WriteDatabase(const std::function<bool(Database&, QString*)>& work) {
    QString error;
    bool done = false;
    if (auto db = Database::Open(gOptDatabasePath, &error)) {
        if (!db->db().transaction()) {
            error = QStringLiteral("transaction could not be started");
        } else if (work(*db, &error) && db->db().commit()) {
            done = true;
        } else {
            db->db().rollback();
        }
    }
    if (!done)
        MsgBox(QStringLiteral("データベースを更新できませんでした。\n") + error, vb::vbExclamation);
    return done;
}

bool Confirm(const QString& nodeText, const char* title) {
    return MsgBox(nodeText + QStringLiteral("を削除します"), vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton2,
                  QString::fromUtf8(title)) == vb::vbYes;
}

// A mouse press on the tree reaches FrmPing before the tree's own handling; only the
// right button's press is kept from the tree (it opens the menu), so the tree's own
// selection, expansion and dragging stay as they are.
class TreeMouseFilter final : public QObject {
public:
    TreeMouseFilter(FrmPing& form, QObject* parent) : QObject(parent), form_(form) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick) return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        // A double-click only repeats the selection of its press.
        const Qt::MouseButton button =
            event->type() == QEvent::MouseButtonDblClick ? Qt::NoButton : mouse->button();
        form_.TreeComputer_MouseDown(button, mouse->position().toPoint());
        return mouse->button() == Qt::RightButton;
    }

private:
    FrmPing& form_;
};

}  // namespace

// ---- the menu ----

void FrmPing::BuildNodeMenu() {
    menuNode_ = new QMenu(QStringLiteral("Node選択用"), this);
    menuNode_->setObjectName(QStringLiteral("menuNode"));
    auto item = [this](const char* name, const char* caption, void (FrmPing::*handler)()) {
        QAction* a = menuNode_->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    auto separator = [this](const char* name) {
        QAction* a = menuNode_->addSeparator();
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    menuNodeCheck = item("menuNodeCheck", "定期診断をする", &FrmPing::menuNodeCheck_Click);
    menuNodeConnect = item("menuNodeConnect", "今すぐ診断", &FrmPing::menuNodeConnect_Click);
    menuNodeTracert = item("menuNodeTracert", "Tracert確認", &FrmPing::menuNodeTracert_Click);
    menuNodeH1 = separator("menuNodeH1");
    menuNodeInsert = item("menuNodeInsert", "追加", &FrmPing::menuNodeInsert_Click);
    menuNodeInsert3 = item("menuNodeInsert3", "拡張機能追加", &FrmPing::menuNodeInsert3_Click);
    menuNodeInsert2 = item("menuNodeInsert2", "非監視スケジュール追加", &FrmPing::menuNodeInsert2_Click);
    menuNodeInsert4 = item("menuNodeInsert4", "非監視カレンダー追加", &FrmPing::menuNodeInsert4_Click);
    menuNodeH2 = separator("menuNodeH2");
    menuNodeUpdate = item("menuNodeUpdate", "変更", &FrmPing::menuNodeUpdate_Click);
    menuNodeDelete = item("menuNodeDelete", "削除", &FrmPing::menuNodeDelete_Click);

    treeComputer_->setSelectionMode(QAbstractItemView::SingleSelection);
    treeComputer_->setExpandsOnDoubleClick(false);
    treeComputer_->viewport()->installEventFilter(new TreeMouseFilter(*this, treeComputer_));
}

void FrmPing::TreeComputer_MouseDown(Qt::MouseButton button, const QPoint& pos) {
    if (QTreeWidgetItem* hit = treeComputer_->itemAt(pos)) {
        treeComputer_->setCurrentItem(hit);
    } else {
        treeComputer_->clearSelection();
        treeComputer_->setCurrentItem(nullptr);
    }
    if (button != Qt::RightButton) return;
    if (!PrepareNodeMenu()) return;
    if (services_.popupNodeMenu) services_.popupNodeMenu(*menuNode_, treeComputer_->viewport()->mapToGlobal(pos));
}

bool FrmPing::PrepareNodeMenu() {
    const TreeNode* node = SelectedNode();
    const NodeKind kind = KindOf(node);
    if (kind == NodeKind::Other) return false;
    const NodeMenuLayout layout = LayoutFor(node);
    const std::array<QAction*, kItems> actions = {menuNodeCheck,   menuNodeConnect, menuNodeTracert, menuNodeH1,
                                                  menuNodeInsert,  menuNodeInsert3, menuNodeInsert2, menuNodeInsert4,
                                                  menuNodeH2,      menuNodeUpdate,  menuNodeDelete};
    bool offered = false;
    for (int i = 0; i < kItems; ++i) {
        // An item whose dialog the program does not have is never offered.
        const NodeDialogs::Opener* open = OpenerFor(nodeDialogs_, static_cast<MenuItem>(i), kind);
        const bool visible = layout[i].visible && (!open || *open);
        actions[i]->setVisible(visible);
        if (visible && !layout[i].caption.isEmpty()) actions[i]->setText(layout[i].caption);
        offered = offered || (visible && !actions[i]->isSeparator());
    }
    // A menu with nothing to choose is not shown.
    return offered;
}

// ---- add, edit and traceroute ----

void FrmPing::menuNodeInsert_Click() {
    const TreeNode* node = SelectedNode();
    const NodeKind kind = KindOf(node);
    DialogCall call;
    call.open = OpenerFor(nodeDialogs_, kInsert, kind);
    call.caption = LayoutFor(node)[kInsert].caption;
    switch (kind) {
        case NodeKind::None:
            call.select = [] {
                gSelGroup.clear();
                gSelAddress.clear();
            };
            break;
        case NodeKind::Group:
            call.select = [group = TreeNodes::Key(node).mid(1)] {
                gSelGroup = group;
                gSelAddress.clear();
            };
            call.labelName = QStringLiteral("Lbl_Group");
            call.labelText = TreeNodes::Text(node);
            break;
        case NodeKind::Computer:
            call.select = [address = TreeNodes::Key(node).mid(1)] {
                gSelGroup.clear();
                gSelAddress = address;
                gSelPort = 0;
            };
            call.labelName = QStringLiteral("Lbl_Computer");
            call.labelText = TreeNodes::Text(node);
            break;
        default:
            return;
    }
    OpenNodeDialog(*this, call);
}

namespace {
// The add items that only a computer node offers.
DialogCall ComputerCall(NodeDialogs& dialogs, MenuItem item, const TreeNode* node,
                        std::function<void(const QString& address)> select) {
    DialogCall call;
    if (KindOf(node) != NodeKind::Computer) return call;
    call.open = OpenerFor(dialogs, item, NodeKind::Computer);
    call.caption = LayoutFor(node)[item].caption;
    call.select = [select = std::move(select), address = TreeNodes::Key(node).mid(1)] { select(address); };
    call.labelName = QStringLiteral("Lbl_Computer");
    call.labelText = TreeNodes::Text(node);
    return call;
}
}  // namespace

void FrmPing::menuNodeInsert2_Click() {
    OpenNodeDialog(*this, ComputerCall(nodeDialogs_, kInsert2, SelectedNode(), [](const QString& address) {
                       gSelGroup.clear();
                       gSelAddress = address;
                       gSelSubNo = 0;
                   }));
}

void FrmPing::menuNodeInsert3_Click() {
    // The plug-in choice always adds; the group stays as it was.
    OpenNodeDialog(*this, ComputerCall(nodeDialogs_, kInsert3, SelectedNode(), [](const QString& address) {
                       gSelAddress = address;
                       gSelSubNo = 0;
                   }));
}

void FrmPing::menuNodeInsert4_Click() {
    OpenNodeDialog(*this, ComputerCall(nodeDialogs_, kInsert4, SelectedNode(), [](const QString& address) {
                       gSelGroup.clear();
                       gSelAddress = address;
                       gSelSubNo = 0;
                       gSelForComputer = true;
                       gSelCalendar = CalendarOf(address);
                       gSelYear = 0;
                   }));
}

void FrmPing::menuNodeUpdate_Click() {
    const TreeNode* node = SelectedNode();
    const NodeKind kind = KindOf(node);
    if (kind == NodeKind::Plugin) {
        // The plug-in's own settings window edits its assignment.
        CommandScope scope(*this);
        gSelGroup.clear();
        gSelAddress = ParentName(node);
        gSelSubNo = RowOf(TreeNodes::Key(node));
        UpdateDllCheck(QStringLiteral("U"), monitor_);
        return;
    }
    DialogCall call;
    call.open = OpenerFor(nodeDialogs_, kUpdate, kind);
    call.caption = LayoutFor(node)[kUpdate].caption;
    const QString key = TreeNodes::Key(node);
    const QString parent = ParentName(node);
    switch (kind) {
        case NodeKind::Group:
            call.select = [group = key.mid(1)] {
                gSelGroup = group;
                gSelAddress.clear();
            };
            break;
        case NodeKind::Computer:
            call.select = [group = parent, address = key.mid(1)] {
                gSelGroup = group;
                gSelAddress = address;
            };
            call.labelName = QStringLiteral("Lbl_Group");
            break;
        case NodeKind::Port:
            call.select = [address = parent, port = PortOf(key)] {
                gSelGroup.clear();
                gSelAddress = address;
                gSelPort = port;
            };
            call.labelName = QStringLiteral("Lbl_Computer");
            break;
        case NodeKind::Wait:
            call.select = [address = parent, row = RowOf(key)] {
                gSelGroup.clear();
                gSelAddress = address;
                gSelSubNo = row;
            };
            call.labelName = QStringLiteral("Lbl_Computer");
            break;
        case NodeKind::Calendar:
            call.select = [address = parent] {
                gSelGroup.clear();
                gSelAddress = address;
                gSelForComputer = true;
                gSelCalendar = CalendarOf(address);
                gSelYear = static_cast<qint16>(QDate::currentDate().year());
            };
            call.labelName = QStringLiteral("Lbl_Computer");
            break;
        default:
            return;
    }
    call.labelText = ParentText(node);
    OpenNodeDialog(*this, call);
}

void FrmPing::menuNodeTracert_Click() {
    const TreeNode* node = SelectedNode();
    if (KindOf(node) != NodeKind::Computer) return;
    const QString address = TreeNodes::Key(node).mid(1);
    const QString text = TreeNodes::Text(node);
    const QString caption = menuNodeTracert->text();
    CommandScope scope(*this);
    gSelGroup.clear();
    gSelAddress = address;
    gSelSubNo = 0;
    FrmTraceRt::ShowForComputer(this, caption, address, text, [this](QDialog& w) { RunDialog(w); });
}

// ---- check switch and immediate check ----

void FrmPing::menuNodeCheck_Click() {
    // No window of its own, and the timer keeps running: the next computer a round
    // visits sees the new switch.
    CommandScope scope(*this, CommandScope::kKeepTimer | CommandScope::kKeepTopMost);
    TreeNode* node = SelectedNode();
    const NodeKind kind = KindOf(node);
    if (kind != NodeKind::Group && kind != NodeKind::Computer) return;
    const bool on = TreeNodes::Image(node) == QLatin1String("NoCheck");
    const QString name = TreeNodes::Key(node).mid(1);
    // Stored first; the tree and the model follow only what the database holds.
    const bool stored = WriteDatabase([&](Database& db, QString* error) {
        return kind == NodeKind::Group
                   ? db.Execute(QStringLiteral("UPDATE TBL_Group SET 診断有無 = ? WHERE グループ = ?"), {on ? -1 : 0, name},
                                error)
                   : db.Execute(QStringLiteral("UPDATE TBL_Computer SET 診断有無 = ? WHERE アドレス = ?"),
                                {on ? -1 : 0, name}, error);
    });
    if (!stored) return;
    if (kind == NodeKind::Group) {
        node->SetImage(on ? QStringLiteral("Group") : QStringLiteral("NoCheck"));
        gPingDatas.GroupCheck(name, on);
    } else {
        node->SetImage(on ? QStringLiteral("Nomal") : QStringLiteral("NoCheck"));
        const qint32 pos = gPingDatas.GetItemNo(name);
        if (const auto item = pos > 0 ? gPingDatas.Item(pos) : nullptr) item->NoCheckSrv = on;
    }
}

void FrmPing::menuNodeConnect_Click() {
    CommandScope scope(*this, CommandScope::kKeepTopMost);
    SetStatusText(status::kRunning);
    if (const TreeNode* node = SelectedNode()) {
        const QString key = node->Key();
        if (key.startsWith(QLatin1Char('#'))) CheckOneTarget(monitor_, mPing(), key.mid(1));
    }
    SetStatusText(MenuConnectChecked() ? status::kWaiting : status::kStopped);
}

// ---- delete ----

void FrmPing::menuNodeDelete_Click() {
    const TreeNode* node = SelectedNode();
    const NodeKind kind = KindOf(node);
    if (kind == NodeKind::None || kind == NodeKind::Other) return;
    // Only the plug-in's window stops the timer; every branch leaves the top layer.
    CommandScope scope(*this, kind == NodeKind::Plugin ? 0 : CommandScope::kKeepTimer);
    // The node itself is not used past a message box: the tree may be rebuilt meanwhile.
    const QString key = TreeNodes::Key(node);
    const QString text = TreeNodes::Text(node);
    const QString parent = ParentName(node);
    node = nullptr;
    auto computer = [](const QString& address) {
        const qint32 pos = gPingDatas.GetItemNo(address);
        return pos > 0 ? gPingDatas.Item(pos) : nullptr;
    };

    switch (kind) {
        case NodeKind::Group: {
            const QString group = key.mid(1);
            if (!Confirm(text, "グループ削除")) return;
            if (!WriteDatabase([&](Database& db, QString* e) { return DeleteGroupRows(db, group, e); })) return;
            gPingDatas.RemoveGroupItem(group);
            break;
        }
        case NodeKind::Computer: {
            const QString address = key.mid(1);
            if (!Confirm(text, "コンピュータ削除")) return;
            if (!WriteDatabase([&](Database& db, QString* e) { return DeleteComputerRows(db, address, e); })) return;
            const qint32 pos = gPingDatas.GetItemNo(address);
            if (pos > 0) gPingDatas.RemoveItem(pos);
            break;
        }
        case NodeKind::Port: {
            const qint32 port = PortOf(key);
            if (!Confirm(text, "サービス削除")) return;
            if (!WriteDatabase([&](Database& db, QString* e) {
                    return db.Execute(QStringLiteral("DELETE FROM TBL_PortCheck WHERE アドレス = ? AND ポート番号 = ?"),
                                      {parent, port}, e);
                }))
                return;
            if (const auto item = computer(parent))
                if (const int at = item->PortData().GetItemNo(port); at > 0) item->PortData().Remove(at);
            break;
        }
        case NodeKind::Plugin:
            // The plug-in asks in its own window and deletes row, node and entry itself.
            gSelGroup.clear();
            gSelAddress = parent;
            gSelSubNo = RowOf(key);
            UpdateDllCheck(QStringLiteral("D"), monitor_);
            return;
        case NodeKind::Person: {
            const QString name = BeforeAt(key);
            const QString staff = AfterAt(key);
            const bool groupLevel = key.startsWith(QLatin1Char('*'));
            if (!WriteDatabase([&](Database& db, QString* e) {
                    return groupLevel
                               ? db.Execute(QStringLiteral("DELETE FROM TBL_MsgSend WHERE グループ = ? AND 職番 = ? "
                                                           "AND アドレス IS NULL"),
                                            {name, staff}, e)
                               : db.Execute(QStringLiteral("DELETE FROM TBL_MsgSend WHERE アドレス = ? AND 職番 = ?"),
                                            {name, staff}, e);
                }))
                return;
            break;
        }
        case NodeKind::Wait: {
            const qint16 row = RowOf(key);
            if (!Confirm(text, "非監視スケジュール削除")) return;
            gSelSubNo = row;
            if (!WriteDatabase([&](Database& db, QString* e) {
                    return db.Execute(QStringLiteral("DELETE FROM TBL_NoCheck WHERE アドレス = ? AND 連番 = ?"),
                                      {parent, row}, e);
                }))
                return;
            if (const auto item = computer(parent))
                if (const int at = item->WaitTime().GetItemNo(row); at > 0) item->WaitTime().Remove(at);
            break;
        }
        case NodeKind::Calendar: {
            if (!Confirm(text, "非監視スケジュール（カレンダー）削除")) return;
            if (!WriteDatabase([&](Database& db, QString* e) {
                    return db.Execute(QStringLiteral("DELETE FROM TBL_CalenderNoCheck WHERE アドレス = ?"), {parent}, e);
                }))
                return;
            if (const auto item = computer(parent)) item->WaitDayTime().Clear();
            break;
        }
        default:
            return;
    }
    TreeComputer().Remove(key);
}
