// The menu bar, the tray menu and their commands.
#include "console/FrmPing.h"

#include "admin/FrmOption.h"
#include "console/FrmDisplayLog.h"
#include "console/FrmPingAbt.h"
#include "console/FrmTraceRt.h"
#include "model/Globals.h"
#include "schedules/FrmCalendar.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace {
QAction* Item(QMenu* menu, const QString& name, const QString& caption, bool checkable = false) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    a->setCheckable(checkable);
    return a;
}
}  // namespace

void FrmPing::BuildMenus() {
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("ﾌｧｲﾙ"));
    file->setObjectName(QStringLiteral("menuFile"));
    menuFileClose = Item(file, QStringLiteral("menuFileClose"), QStringLiteral("閉じる"));

    QMenu* display = bar->addMenu(QStringLiteral("表示"));
    display->setObjectName(QStringLiteral("menuDisplay"));
    menuReSet = Item(display, QStringLiteral("menuReSet"), QStringLiteral("再表示"));
    menuDisplayFormTop = Item(display, QStringLiteral("menuDisplayFormTop"), QStringLiteral("最前面表示"), true);

    QMenu* run = bar->addMenu(QStringLiteral("実行"));
    run->setObjectName(QStringLiteral("menuRun"));
    menuConnect = Item(run, QStringLiteral("menuConnect"), QStringLiteral("接続確認"), true);

    QMenu* tool = bar->addMenu(QStringLiteral("ﾂｰﾙ"));
    tool->setObjectName(QStringLiteral("menuTool"));
    menuOption = Item(tool, QStringLiteral("menuOption"), QStringLiteral("ｵﾌﾟｼｮﾝ"));
    menuCalendar = Item(tool, QStringLiteral("menuCalendar"), QStringLiteral("ｶﾚﾝﾀﾞｰ"));
    tool->addSeparator();
    menuTracert = Item(tool, QStringLiteral("menuTracert"), QStringLiteral("Tracert確認"));
    tool->addSeparator();
    menuLogMsg = Item(tool, QStringLiteral("menuLogMsg"), QStringLiteral("ﾛｸﾞ確認"));

    QMenu* help = bar->addMenu(QStringLiteral("ﾍﾙﾌﾟ"));
    help->setObjectName(QStringLiteral("menuHelp"));
    menuHelpVer = Item(help, QStringLiteral("menuHelpVer"), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));

    // The tray menu: the same commands, reached from the notification area. Its items are
    // the menu bar's own actions (menuTaskBarConnect is menuConnect, and so on), so one
    // handler runs and one check mark shows, whichever menu the operator uses.
    menuTaskBar_ = new QMenu(QStringLiteral("ﾀｽｸﾊﾞｰ用"), this);
    menuTaskBar_->setObjectName(QStringLiteral("menuTaskBar"));
    menuTaskBar_->addAction(menuTaskBarFormTop);
    menuTaskBar_->addAction(menuTaskBarConnect);
    QMenu* trayTool = menuTaskBar_->addMenu(QStringLiteral("ﾂｰﾙ"));
    trayTool->setObjectName(QStringLiteral("menuTaskBarTool"));
    trayTool->addAction(menuTaskBarOption);
    trayTool->addAction(menuTaskBarCalendar);
    trayTool->addSeparator()->setObjectName(QStringLiteral("menuTaskBarH1"));
    trayTool->addAction(menuTaskBarLogMsg);
    menuTaskBar_->addAction(menuTaskBarVer);
    menuTaskBar_->addSeparator()->setObjectName(QStringLiteral("menuTaskBarH3"));
    menuTaskBar_->addAction(menuTaskBarClose);

    // A checkable item flips its own mark before the handler runs; the handlers set the
    // marks themselves, so the automatic flip is undone first.
    auto undoFlip = [](QAction* a) { a->setChecked(!a->isChecked()); };
    connect(menuFileClose, &QAction::triggered, this, &FrmPing::menuFileClose_Click);
    connect(menuReSet, &QAction::triggered, this, &FrmPing::menuReSet_Click);
    connect(menuDisplayFormTop, &QAction::triggered, this, [this, undoFlip] {
        undoFlip(menuDisplayFormTop);
        menuDisplayFormTop_Click();
    });
    connect(menuConnect, &QAction::triggered, this, [this, undoFlip] {
        undoFlip(menuConnect);
        menuConnect_Click();
    });
    connect(menuOption, &QAction::triggered, this, &FrmPing::menuOption_Click);
    connect(menuCalendar, &QAction::triggered, this, &FrmPing::menuCalendar_Click);
    connect(menuTracert, &QAction::triggered, this, &FrmPing::menuTracert_Click);
    connect(menuLogMsg, &QAction::triggered, this, &FrmPing::menuLogMsg_Click);
    connect(menuHelpVer, &QAction::triggered, this, &FrmPing::menuHelpVer_Click);

    // The check mark of 接続確認 (in both menus) shows the monitor's switch.
    connect(&monitor_, &Monitor::menuConnectChanged, menuConnect, &QAction::setChecked);
}

void FrmPing::SetConnectChecked(bool checked) { monitor_.SetMenuConnectChecked(checked); }

// One action, shown in the menu bar and in the tray menu.
void FrmPing::SetFormTopChecked(bool checked) { menuDisplayFormTop->setChecked(checked); }

void FrmPing::ApplyTimerInterval() {
    // The timer holds at most 65535 ms; a longer interval keeps the slice the pacing set.
    if (gOptTimerInterval >= 1 && gOptTimerInterval <= 65535) timerPing_.setInterval(gOptTimerInterval);
}

void FrmPing::menuFileClose_Click() {
    gCheckContinue = false;
    timerPing_.stop();
    SetStatusText(status::kStopped);
    RequestClose();
}

void FrmPing::menuReSet_Click() {
    CommandScope scope(*this, CommandScope::kKeepTopMost);
    SetStatusText(status::kStopped);
    const QString loadFailure = LoadTree();
    // Inside another command the timer stays off until that command ends.
    const bool on = MenuConnectChecked();
    SetStatusText(on ? status::kWaiting : status::kStopped);
    if (!loadFailure.isEmpty()) SetStatusText(loadFailure);
}

void FrmPing::menuDisplayFormTop_Click() {
    gOptFormTop = !gOptFormTop;
    SetFormTopChecked(gOptFormTop);
    // Inside a command the window stays out of the top layer until the command ends.
    if (commandDepth_ == 0) SetTopMost(gOptFormTop);
}

void FrmPing::menuConnect_Click() {
    const bool on = !MenuConnectChecked();
    SetConnectChecked(on);
    SetStatusText(on ? status::kWaiting : status::kStopped);
    // Switching off stops a running round at its next computer, also from inside the log
    // line box, which leaves the flag alone when it ends.
    if (!on) gCheckContinue = false;
    // Inside a command the command's end re-arms the timer and sets the flag.
    if (commandDepth_ > 0) return;
    if (on)
        timerPing_.start();
    else
        timerPing_.stop();
    gCheckContinue = on;
}

void FrmPing::menuOption_Click() {
    CommandScope scope(*this);
    const bool noCheck = gOptNoCheck;
    {
        FrmOption dialog(this);
        dialog.SetResetPacing([this] {
            if (services_.resetPacing) services_.resetPacing(*this);
        });
        dialog.Load();
        RunDialog(dialog);
    }
    ApplyTimerInterval();
    if (gOptNoCheck != noCheck && !closePending_) menuReSet_Click();
}

void FrmPing::menuCalendar_Click() {
    CommandScope scope(*this);
    const bool noCheck = gOptNoCheck;
    gSelForComputer = false;
    gSelAddress.clear();
    gSelCalendar.clear();
    gSelYear = 0;
    {
        FrmCalendar dialog(TreeComputer(), this);
        dialog.SetDialogRunner([this](QDialog& w) { RunDialog(w); });
        RunDialog(dialog);
    }
    ApplyTimerInterval();
    if (gOptNoCheck != noCheck && !closePending_) menuReSet_Click();
}

void FrmPing::menuTracert_Click() {
    CommandScope scope(*this);
    const bool noCheck = gOptNoCheck;
    FrmTraceRt::ShowFreeEntry(this, QString(), [this](QDialog& w) { RunDialog(w); });
    ApplyTimerInterval();
    if (gOptNoCheck != noCheck && !closePending_) menuReSet_Click();
}

void FrmPing::menuLogMsg_Click() {
    CommandScope scope(*this);
    FrmDisplayLog dialog(this);
    if (dialog.Load()) RunDialog(dialog);
}

void FrmPing::menuHelpVer_Click() {
    CommandScope scope(*this);
    FrmPingAbt dialog(this);
    dialog.Load();
    RunDialog(dialog);
}
