#include "console/FrmPing.h"

#include "alarms/LanMessenger.h"
#include "alarms/Mailslot.h"
#include "alarms/Notify.h"
#include "alarms/lamp/FrmPatLamp.h"
#include "console/NodeImages.h"
#include "model/Globals.h"
#include "model/UserList.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

// ---- the seams the rest of the program reaches the window through ----

class FrmPing::BoxSeam final : public MessageBoxSeam {
public:
    explicit BoxSeam(FrmPing& form) : form_(form) {}
    int Show(const QString& prompt, int style, const QString& title) override {
        // Ending on a signal, nobody may be there to answer: the text goes to the
        // standard error and the default button answers.
        if (form_.endBySignal_) {
            qWarning().noquote() << title << ":" << prompt;
            return vb::DefaultAnswer(style);
        }
        QMessageBox box(&form_);
        box.setWindowTitle(title);
        box.setText(prompt);
        switch (style & 0x70) {
            case vb::vbCritical:
                box.setIcon(QMessageBox::Critical);
                break;
            case vb::vbQuestion:
                box.setIcon(QMessageBox::Question);
                break;
            case vb::vbExclamation:
                box.setIcon(QMessageBox::Warning);
                break;
            case vb::vbInformation:
                box.setIcon(QMessageBox::Information);
                break;
            default:
                box.setIcon(QMessageBox::NoIcon);
                break;
        }
        struct Choice {
            QMessageBox::StandardButton button;
            int answer;
        };
        std::vector<Choice> choices;
        switch (style & 7) {
            case vb::vbOKCancel:
                choices = {{QMessageBox::Ok, vb::vbOK}, {QMessageBox::Cancel, vb::vbCancel}};
                break;
            case vb::vbAbortRetryIgnore:
                choices = {{QMessageBox::Abort, vb::vbAbort},
                           {QMessageBox::Retry, vb::vbRetry},
                           {QMessageBox::Ignore, vb::vbIgnore}};
                break;
            case vb::vbYesNoCancel:
                choices = {
                    {QMessageBox::Yes, vb::vbYes}, {QMessageBox::No, vb::vbNo}, {QMessageBox::Cancel, vb::vbCancel}};
                break;
            case vb::vbYesNo:
                choices = {{QMessageBox::Yes, vb::vbYes}, {QMessageBox::No, vb::vbNo}};
                break;
            case vb::vbRetryCancel:
                choices = {{QMessageBox::Retry, vb::vbRetry}, {QMessageBox::Cancel, vb::vbCancel}};
                break;
            default:
                choices = {{QMessageBox::Ok, vb::vbOK}};
                break;
        }
        QMessageBox::StandardButtons buttons;
        for (const Choice& c : choices) buttons |= c.button;
        box.setStandardButtons(buttons);
        const std::size_t def = (style & vb::vbDefaultButton2) && choices.size() > 1 ? 1 : 0;
        box.setDefaultButton(choices[def].button);
        // The box must come above an always-on-top main window, and the warning lamp
        // steps out of its way until it is answered.
        box.setWindowFlag(Qt::WindowStaysOnTopHint, form_.IsTopMost());
        const PatLampGiveWay lampGivesWay;
        const int pressed = box.exec();
        for (const Choice& c : choices)
            if (pressed == c.button) return c.answer;
        // Closed with Escape or the close box: the cancel-like answer, else the default.
        for (const Choice& c : choices)
            if (c.answer == vb::vbCancel || c.answer == vb::vbNo) return c.answer;
        return choices[def].answer;
    }

private:
    FrmPing& form_;
};

class FrmPing::StatusBarSeam final : public StatusSeam {
public:
    explicit StatusBarSeam(FrmPing& form) : form_(form) {}
    void SetStatusText(const QString& text) override { form_.SetStatusText(text); }
    void SetNotice(const QString& text) override { form_.SetNotice(text); }

private:
    FrmPing& form_;
};

class FrmPing::MainWindowSeam final : public WindowSeam {
public:
    explicit MainWindowSeam(FrmPing& form) : form_(form) {}
    void RaiseMainWindow() override { form_.RaiseMainWindow(); }
    void SetTopMost(bool onTop) override { form_.SetTopMost(onTop); }

private:
    FrmPing& form_;
};

// ---- construction and layout ----

FrmPing::FrmPing(QWidget* parent)
    : QMainWindow(parent),
      services_(DefaultServices()),
      lockPath_(DefaultInstanceLockPath()),
      winsock_(std::make_unique<LanMessenger>()),
      mailslot_(std::make_unique<MailslotSender>()),
      notify_(std::make_unique<NotifyForm>(NotifyForm{*winsock_, *mailslot_})),
      nodeDialogs_(DefaultNodeDialogs()) {
    setWindowTitle(kCaption);
    setWindowIcon(nodeimages::Icon(QStringLiteral("Nomal")));
    tray_.setIcon(windowIcon());
    BuildLayout();
    BuildMenus();
    BuildUserList();
    BuildNodeMenu();
    monitor_.SetNotifyTarget(notify_.get());
    lampWindow_ = std::make_unique<PatLampWindowInstall>();
    connect(&timerPing_, &QTimer::timeout, this, &FrmPing::TimerPing_Timer);
    connect(&tray_, &QSystemTrayIcon::activated, this, &FrmPing::TrayActivated);

    boxSeam_ = std::make_unique<BoxSeam>(*this);
    statusSeam_ = std::make_unique<StatusBarSeam>(*this);
    windowSeam_ = std::make_unique<MainWindowSeam>(*this);
    seams::SetMessageBox(boxSeam_.get());
    seams::SetStatus(statusSeam_.get());
    seams::SetWindow(windowSeam_.get());
}

FrmPing::~FrmPing() {
    seams::SetMessageBox(nullptr);
    seams::SetStatus(nullptr);
    seams::SetWindow(nullptr);
    timerPing_.stop();
    tray_.hide();
}

void FrmPing::SetServices(Services s) {
    const Services d = DefaultServices();
    auto keep = [](auto& mine, const auto& fallback) {
        if (!mine) mine = fallback;
    };
    keep(s.acquireInstance, d.acquireInstance);
    keep(s.openMessenger, d.openMessenger);
    keep(s.announce, d.announce);
    keep(s.loadCheckDlls, d.loadCheckDlls);
    keep(s.loadComputerTree, d.loadComputerTree);
    keep(s.armFirstRound, d.armFirstRound);
    keep(s.resetPacing, d.resetPacing);
    keep(s.tick, d.tick);
    keep(s.runDialog, d.runDialog);
    keep(s.trayAvailable, d.trayAvailable);
    keep(s.popupTrayMenu, d.popupTrayMenu);
    keep(s.popupNodeMenu, d.popupNodeMenu);
    keep(s.quit, d.quit);
    keep(s.closePatLamp, d.closePatLamp);
    keep(s.markStopped, d.markStopped);
    keep(s.backupDatabase, d.backupDatabase);
    keep(s.releasePlugins, d.releasePlugins);
    services_ = std::move(s);
}

namespace {
QLabel* PanelLabel(const QString& name) {
    auto* l = new QLabel;
    l->setObjectName(name);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    l->setWordWrap(true);
    return l;
}
}  // namespace

void FrmPing::BuildLayout() {
    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(6, 6, 6, 6);
    row->setSpacing(6);

    treeComputer_ = new QTreeWidget(central);
    treeComputer_->setObjectName(QStringLiteral("TreeComputer"));
    treeComputer_->setHeaderHidden(true);
    treeComputer_->setColumnCount(1);
    treeComputer_->setRootIsDecorated(true);
    treeComputer_->setSortingEnabled(false);
    treeComputer_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    treeComputer_->setMinimumWidth(120);
    // Every row is one line of text with a small icon: with rows of one height the tree
    // lays out and scrolls 100,000 nodes without measuring each one.
    treeComputer_->setUniformRowHeights(true);
    treeView_ = new TreeView(monitor_.TreeComputer(), *treeComputer_, &nodeimages::Icon);
    connect(treeComputer_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item, int) { TreeComputer_NodeClick(treeView_->NodeOf(item)); });
    row->addWidget(treeComputer_, 1);

    ssTabComputer_ = new QTabWidget(central);
    ssTabComputer_->setObjectName(QStringLiteral("SSTabComputer"));
    ssTabComputer_->setFixedWidth(kTabWidth);
    row->addWidget(ssTabComputer_, 0);

    // Page 1: the computer panel, the switch button and the two log lists.
    auto* page = new QWidget;
    auto* col = new QVBoxLayout(page);
    auto* info = new QGroupBox(QStringLiteral("ｺﾝﾋﾟｭｰﾀ情報"), page);
    auto* form = new QFormLayout(info);
    lblComputer_ = PanelLabel(QStringLiteral("Lbl_Computer"));
    lblShurui_ = PanelLabel(QStringLiteral("Lbl_Shurui"));
    lblIPAddress_ = PanelLabel(QStringLiteral("Lbl_IPAddress"));
    lblDescription_ = PanelLabel(QStringLiteral("Lbl_Description"));
    form->addRow(QStringLiteral("ｺﾝﾋﾟｭｰﾀ名"), lblComputer_);
    form->addRow(QStringLiteral("種類"), lblShurui_);
    form->addRow(QStringLiteral("IPｱﾄﾞﾚｽ"), lblIPAddress_);
    form->addRow(QStringLiteral("説明"), lblDescription_);
    col->addWidget(info);
    auto* state = new QGroupBox(QStringLiteral("通信状態"), page);
    auto* stateCol = new QVBoxLayout(state);
    lblConnect_ = PanelLabel(QStringLiteral("Lbl_Connect"));
    lblConnect_->setMinimumHeight(3 * lblConnect_->fontMetrics().height());
    lblConnect_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    stateCol->addWidget(lblConnect_);
    col->addWidget(state);

    cmdCheng_ = new QPushButton(QStringLiteral("チェック状況　（異常状況へ切替え）"), page);
    cmdCheng_->setObjectName(QStringLiteral("CmdCheng"));
    connect(cmdCheng_, &QPushButton::clicked, this, &FrmPing::CmdCheng_Click);
    col->addWidget(cmdCheng_);
    for (int i = 0; i < 2; ++i) {
        auto* list = new QListWidget(page);
        list->setObjectName(QStringLiteral("ListPing%1").arg(i));
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        list->setTextElideMode(Qt::ElideNone);
        list->setUniformItemSizes(true);
        connect(list, &QListWidget::itemDoubleClicked, this, [this, i](QListWidgetItem*) { ListPing_DblClick(i); });
        new LogListView(monitor_.ListPing(i), *list);  // a child of the list
        col->addWidget(list, 1);
        listPing_[i] = list;
    }
    listPing_[1]->setVisible(false);
    ssTabComputer_->addTab(page, QStringLiteral("監視状況"));

    // Page 2: the people who can be told about alarms.
    auto* users = new QWidget;
    auto* usersCol = new QVBoxLayout(users);
    listViewUser_ = new QTreeWidget(users);
    listViewUser_->setObjectName(QStringLiteral("ListViewUser"));
    listViewUser_->setRootIsDecorated(false);
    listViewUser_->setSelectionMode(QAbstractItemView::SingleSelection);
    new UserListView(monitor_.ListViewUser(), *listViewUser_, &nodeimages::Icon);  // a child of the list
    usersCol->addWidget(listViewUser_);
    ssTabComputer_->addTab(users, QStringLiteral("担当者"));

    setCentralWidget(central);

    statusPanel_ = new QLabel(this);
    statusPanel_->setObjectName(QStringLiteral("StatusBarPanel1"));
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->addWidget(statusPanel_, 1);
    // A notice (a write that failed) stays beside the round's status texts until it is
    // taken away; a long one is cut on the bar and whole in its tip.
    noticePanel_ = new QLabel(this);
    noticePanel_->setObjectName(QStringLiteral("StatusBarPanel2"));
    noticePanel_->setStyleSheet(QStringLiteral("color: #c00000;"));
    noticePanel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    noticePanel_->hide();
    statusBar()->addWidget(noticePanel_, 2);
    resize(900, 620);
}

// ---- log lists ----

void FrmPing::CmdCheng_Click() {
    const bool firstVisible = !listPing_[0]->isVisibleTo(ssTabComputer_);
    listPing_[0]->setVisible(firstVisible);
    listPing_[1]->setVisible(!firstVisible);
    cmdCheng_->setText(firstVisible ? QStringLiteral("チェック状況　（異常状況へ切替え）")
                                    : QStringLiteral("異常状況　（チェック状況へ切替え）"));
}

void FrmPing::ListPing_DblClick(int index) {
    QListWidgetItem* item = ListPingView(index)->currentItem();
    if (!item) return;
    const QString line = item->text();
    // The box leaves gCheckContinue alone; only the timer and the on-top layer pause.
    CommandScope scope(*this, CommandScope::kKeepContinue);
    MsgBox(line.left(12) + QStringLiteral("\r\n") + line.mid(12), vb::vbInformation);
}

// ---- the command frame ----

FrmPing::CommandScope::CommandScope(FrmPing& form, int flags) : form_(form) {
    const bool outermost = form_.commandDepth_++ == 0;
    if (outermost) {
        form_.outerKeepsContinue_ = (flags & kKeepContinue) != 0;
        form_.outerKeepsTopMost_ = (flags & kKeepTopMost) != 0;
        form_.outerKeepsTimer_ = (flags & kKeepTimer) != 0;
    }
    if (!(flags & kKeepContinue)) gCheckContinue = false;
    if (!(flags & kKeepTimer)) form_.timerPing_.stop();
    if (outermost && !(flags & kKeepTopMost)) form_.SetTopMost(false);
}

FrmPing::CommandScope::~CommandScope() {
    if (--form_.commandDepth_ > 0) return;
    form_.EndCommand();
}

void FrmPing::EndCommand() {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    if (closePending_) {
        FinishPendingClose();
        return;
    }
    if (!outerKeepsTopMost_) SetTopMost(gOptFormTop);
    SetFormTopChecked(gOptFormTop);
    if (outerKeepsTimer_) {
        // Left running as it ran, so its count goes on; a round on the stack re-arms it
        // itself, and a command nested inside that stopped it is made good here.
        if (tickDepth_ == 0) {
            if (!MenuConnectChecked())
                timerPing_.stop();
            else if (!timerPing_.isActive())
                timerPing_.start();
        }
    } else if (MenuConnectChecked()) {
        timerPing_.start();
    } else {
        timerPing_.stop();
    }
    if (!outerKeepsContinue_) gCheckContinue = true;
    FinishPendingClose();
}

void FrmPing::RunDialog(QDialog& dialog) {
    // Ending on a signal, no dialog waits for the user.
    if (endBySignal_) return;
    // A dialog is modal, as a message box is: the lamp steps out of its way until it closes.
    const PatLampGiveWay lampGivesWay;
    if (services_.runDialog) services_.runDialog(dialog);
}

// ---- window events ----

void FrmPing::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    setWindowTitle(kCaption);
    // Only the tray icon can bring a hidden window back: without one, stay minimised.
    if (isMinimized() && TrayShown())
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isMinimized()) hide();
            },
            Qt::QueuedConnection);
}

void FrmPing::closeEvent(QCloseEvent* event) {
    // The close box and the end of the desktop session take the path of "閉じる". The
    // window agrees to close once the shutdown work is done; while it waits for a round
    // or a dialog to unwind it says no for now (the session manager may ask again).
    if (!shutdownDone_) menuFileClose_Click();
    if (shutdownDone_)
        event->accept();
    else
        event->ignore();
}
