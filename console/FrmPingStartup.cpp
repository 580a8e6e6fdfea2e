// Start-up and shutdown of the main window, the single-instance lock, and the check
// timer's tick.
#include "console/FrmPing.h"

#include "admin/FrmOption.h"
#include "alarms/LanMessenger.h"
#include "alarms/PatLamp.h"
#include "console/NodeImages.h"
#include "engine/Pacing.h"
#include "engine/PluginHost.h"
#include "model/AppPaths.h"
#include "model/CheckStatus.h"
#include "model/Database.h"
#include "model/DllObjects.h"
#include "model/Globals.h"
#include "model/Loader.h"
#include "model/Options.h"
#include "model/WriteFailures.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDebug>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTreeWidget>

#include <algorithm>

FrmPing::Services FrmPing::DefaultServices() {
    Services s;
    s.acquireInstance = [](FrmPing& form) { return form.AcquireInstanceLock(); };
    s.openMessenger = [](LanMessenger& socket, quint16 port) { return socket.Open(port); };
    s.announce = [](LanMessenger& socket) { return SendLanAnnounce(socket); };
    s.loadCheckDlls = [] { LoadCheckDlls(); };
    s.loadComputerTree = [](FrmPing& form, QString& error) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool loaded = LoadComputerTree(form.TreeComputer(), form.Users(), {}, &error);
        QApplication::restoreOverrideCursor();
        // The operator sees every computer and its checks at once.
        form.treeComputer()->expandAll();
        return loaded;
    };
    s.armFirstRound = [](FrmPing& form) {
        // The elapsed time already reaches the interval, so the pacing takes its branch
        // for a due round: it starts counting from zero with the first slice.
        gTimerElapsed = gOptTimerInterval;
        SetPingTimer(form.monitor());
    };
    s.resetPacing = [](FrmPing& form) {
        gTimerElapsed = 0;
        form.TimerPing().setInterval(0);
        SetPingTimer(form.monitor());
    };
    s.tick = [](FrmPing& form) { ::TimerPing_Timer(form.monitor()); };
    s.runDialog = [](QDialog& dialog) { dialog.exec(); };
    s.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    s.popupTrayMenu = [](QMenu& menu) { menu.popup(QCursor::pos()); };
    s.popupNodeMenu = [](QMenu& menu, const QPoint& at) { menu.popup(at); };
    s.quit = [](int code) { QCoreApplication::exit(code); };
    s.closePatLamp = [] { UnloadPatLamp(); };
    s.markStopped = [] { MarkMonitorRunning(false); };
    s.backupDatabase = [] { BackupDatabase(); };
    s.releasePlugins = [] {
        // In the order they were made; an entry already gone is skipped.
        for (DllObject& entry : gDllObjects) entry.Object.reset();
        gDllObjects.clear();
    };
    return s;
}

QString FrmPing::DefaultInstanceLockPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return folder + QLatin1Char('/') + ProgramBaseName() + QStringLiteral(".lock");
}

bool FrmPing::AcquireInstanceLock() {
    if (instanceLock_ && instanceLock_->isLocked()) return true;
    QDir().mkpath(QFileInfo(lockPath_).absolutePath());
    instanceLock_ = std::make_unique<QLockFile>(lockPath_);
    // Only the lock of a copy that is gone (its process no longer exists) is taken over.
    instanceLock_->setStaleLockTime(0);
    if (instanceLock_->tryLock(0)) return true;
    instanceLock_.reset();
    return false;
}

FrmPing::StartResult FrmPing::Load() {
    ++loadCount_;
    // A signal that arrives meanwhile (inside a box or dialog the start-up waits on)
    // ends the start-up at its next step.
    starting_ = true;
    const auto started = qScopeGuard([this] { starting_ = false; });
    writefailures::Reset();
    // A second copy says so and ends: it reads no option and touches neither the running
    // copy's database nor its backups.
    if (!services_.acquireInstance(*this)) {
        MsgBox(startupmsg::kAlreadyRunning, vb::vbOKOnly);
        return StartResult::SecondInstance;
    }
    gPatLampShowing = false;
    OptionSetting(true, ProgramBaseName());
    if (!QFileInfo(gOptDatabasePath).isFile()) {
        MsgBox(startupmsg::kNoDatabase, vb::vbOKOnly);
        return StartResult::DatabaseMissing;
    }
    if (gOptUserName.isEmpty()) {
        FrmOption dialog(this);
        dialog.SetResetPacing([this] { services_.resetPacing(*this); });
        dialog.Load();
        RunDialog(dialog);
        if (endBySignal_) return StartResult::Ended;
        // The dialog may have pointed the program at another database.
        if (!QFileInfo(gOptDatabasePath).isFile()) {
            MsgBox(startupmsg::kNoDatabase, vb::vbOKOnly);
            return StartResult::DatabaseMissing;
        }
    }
    // The messenger port, as the options now say: only failing to take it is fatal.
    const qint32 bindError = gOptPort >= 1 && gOptPort <= 65535
                                 ? services_.openMessenger(*winsock_, static_cast<quint16>(gOptPort))
                                 : lanerr::kAddressNotAvailable;
    if (bindError != 0) {
        if (bindError == lanerr::kHostUnreachable)
            MsgBox(startupmsg::kHostUnreachable, vb::vbOKOnly);
        else
            MsgBox(startupmsg::kPortInUse, vb::vbInformation);
        Shutdown();
        return StartResult::PortFailed;
    }
    // Recipients that cannot be reached are reported on the status line by the
    // announcement itself; start-up goes on, and the report is put back once the first
    // status text has been shown, so the operator gets to see it.
    statusPanel_->clear();
    const qint32 announceError = services_.announce(*winsock_);
    QString announceReport = statusPanel_->text();
    if (announceReport.isEmpty() && announceError == lanerr::kHostUnreachable)
        announceReport = startupmsg::kHostUnreachable;

    ssTabComputer_->show();
    SetConnectChecked(gOptPingCheck);
    SetFormTopChecked(gOptFormTop);
    SetTopMost(gOptFormTop);
    TrayIcon(QStringLiteral("ICONADD"), QString());
    SetStatusText(gOptPingCheck ? status::kWaiting : status::kStopped);
    // A stored port that could not be used (peers on it never reach us) is told first.
    QStringList reports;
    if (!options::PortNotice().isEmpty()) reports << options::PortNotice();
    if (!announceReport.isEmpty()) reports << announceReport;
    if (!reports.isEmpty()) SetStatusText(reports.join(QStringLiteral("　")));

    TreeComputer().Clear();

    gPingDatas.Clear();
    services_.loadCheckDlls();
    // Only a sound monitoring database is written to. A file that is none is not loaded
    // (the tree stays empty); a damaged one is loaded as far as it reads; both are
    // named to the operator, and the exit leaves them as they are.
    const DatabaseVerdict store = InspectDatabase(gOptDatabasePath);
    const bool foreign = store.state == DatabaseState::Foreign;
    const bool damaged = store.state == DatabaseState::Damaged;
    if (foreign || damaged) {
        const QString text = VerdictText(store, gOptDatabasePath);
        MsgBox(text, vb::vbExclamation);
        SetStatusText(text.section(QLatin1Char('\n'), 0, 0));
    }
    if (!foreign && !damaged && !endBySignal_)
        UpdateCheckStatus(QString(), QStringLiteral("Nomal"), 0, QStringLiteral("SStart"));
    if (!foreign && !endBySignal_) {
        const QString loadFailure = LoadTree();
        if (!loadFailure.isEmpty()) SetStatusText(loadFailure);
    }
    if (endBySignal_) {
        // Past the messenger port, an end takes the shutdown path, as a port failure does.
        Shutdown();
        return StartResult::Ended;
    }
    // A database that did not load is not marked as being monitored.
    if (loadState_ == LoadState::Loaded) {
        MarkMonitorRunning(true, store.state);
        markedRunning_ = true;
    }

    // The timer gets its first slice before it runs: the first round is one interval on.
    services_.armFirstRound(*this);
    if (MenuConnectChecked()) gCheckContinue = true;
    if (MenuConnectChecked())
        timerPing_.start();
    else
        timerPing_.stop();
    return StartResult::Running;
}

QString FrmPing::LoadTree() {
    QString error;
    loadState_ = LoadState::Loaded;
    if (!services_.loadComputerTree || services_.loadComputerTree(*this, error)) return {};
    loadState_ = LoadState::Failed;
    // Nothing that ends a load early goes unseen: what is missing is not monitored.
    MsgBox(startupmsg::kLoadFailed + QLatin1Char('\n') + error, vb::vbExclamation);
    return startupmsg::kLoadFailed + QLatin1Char(' ') + error.simplified();
}

void FrmPing::Shutdown() {
    if (commandDepth_ > 0 || tickDepth_ > 0) {
        // A round or a dialog is on the stack: it ends first (gCheckContinue is cleared,
        // the checks' waits end at once, open dialogs are closed), and the shutdown
        // follows when it has unwound.
        closePending_ = true;
        gCheckContinue = false;
        monitor_.Session().EndWaits();
        timerPing_.stop();
        CloseModalDialogs();
        return;
    }
    if (shutdownDone_) return;
    shutdownDone_ = true;
    closePending_ = false;
    timerPing_.stop();
    gCheckContinue = false;
    TrayIcon(QStringLiteral("ICONDEL"), QString());
    hide();
    if (gPatLampShowing) services_.closePatLamp();
    // The exit writes only what this run may: the 非稼動中 mark answers the start-up's
    // 稼動中 (and stands alone when the start-up stopped before the load), and a database
    // whose last load ended early is neither copied over the last backup nor compacted.
    if (markedRunning_ || loadState_ == LoadState::NotTried) services_.markStopped();
    if (loadState_ != LoadState::Failed)
        services_.backupDatabase();
    else
        writefailures::Report(WriteKind::Backup, startupmsg::kNotBackedUp + QDir::toNativeSeparators(gOptDatabasePath));
    services_.releasePlugins();
    instanceLock_.reset();
    --loadCount_;
    ReportWriteFailures();
}

void FrmPing::ReportWriteFailures() {
    const QString summary = writefailures::ExitSummary();
    if (summary.isEmpty()) return;
    // Ended by a signal, nobody may be there to press OK (the session is ending): the
    // report goes to the standard error instead of waiting in a box.
    if (endBySignal_) {
        qWarning().noquote() << summary;
        return;
    }
    MsgBox(summary, vb::vbExclamation);
}

void FrmPing::CloseModalDialogs() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible() && d->isModal()) d->reject();
}

void FrmPing::EndBySignal() {
    endBySignal_ = true;
    if (starting_) {
        // The start-up sees the request at its next step; what it waits on is closed.
        CloseModalDialogs();
        return;
    }
    menuFileClose_Click();
}

void FrmPing::RequestClose() {
    Shutdown();
    if (shutdownDone_) services_.quit(0);
}

void FrmPing::FinishPendingClose() {
    if (!closePending_ || commandDepth_ > 0 || tickDepth_ > 0) return;
    closePending_ = false;
    RequestClose();
}

void FrmPing::TimerPing_Timer() {
    // A tick that arrives while the previous one is still running (inside one of its
    // yields) starts nothing.
    if (tickDepth_ > 0 || shutdownDone_) return;
    ++tickDepth_;
    services_.tick(*this);
    --tickDepth_;
    FinishPendingClose();
}
