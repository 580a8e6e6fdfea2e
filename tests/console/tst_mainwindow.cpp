// The main window: the start-up paths, the shutdown and its deferral, the tray icon,
// the menu commands with their check marks and restore discipline, and the computer
// panel. Every dialog goes through a recording runner and the messenger binds loopback.
#include "TestSupport.h"
#include "tests/console/ConsoleRig.h"

#include "admin/FrmOption.h"
#include "alarms/LanMessenger.h"
#include "alarms/PatLamp.h"
#include "console/FrmPing.h"
#include "console/FrmTraceRt.h"
#include "console/QtTranslation.h"
#include "engine/Pacing.h"
#include "model/AppPaths.h"
#include "model/Database.h"
#include "model/DllObjects.h"
#include "model/EventLog.h"
#include "model/Globals.h"
#include "model/Options.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLockFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>
#include <QUdpSocket>

#include <memory>

namespace {

enum class Path { SecondInstance, MissingDatabase, PortTaken, AnnounceFails, AnnounceError, Normal, NormalCheckingOff };

quint16 FreeUdpPort() {
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

// A main window wired to loopback and to recording dialogs, on a fresh database with
// one group, two computers and one port check.
struct Fixture {
    QString db;
    QString lockPath;
    quint16 port = 0;
    QStringList dialogs;  // class names of the dialogs shown, in order
    QStringList events;   // shutdown steps, in order
    int quits = 0;
    int popups = 0;
    bool tray = true;
    std::function<void(QDialog&)> onDialog;  // runs "inside" a dialog
    std::unique_ptr<FrmPing> form;
    // Installed after the window, which installs its real (blocking) boxes.
    std::unique_ptr<vtest::RecordingMessageBox> box;

    explicit Fixture(bool pingCheck = true, bool recordBoxes = true) {
        db = vtest::FreshDatabase();
        for (const char* sql : {
                 "INSERT INTO TBL_Group (グループ, 表示名, 説明, 診断有無) VALUES ('G1', '本社', '', -1)",
                 "INSERT INTO TBL_Computer (アドレス, グループ, コンピュータ名, 種類, 表示名, 説明, 状況) VALUES "
                 "('127.0.0.1', 'G1', 'alpha', 'サーバ', 'アルファ', '一台目', 'Stop')",
                 "INSERT INTO TBL_Computer (アドレス, グループ, コンピュータ名, 種類, 表示名, 説明, 状況) VALUES "
                 "('127.0.0.2', 'G1', 'beta', 'PC', 'ベータ', NULL, 'Question')",
                 "INSERT INTO TBL_PortCheck (アドレス, ポート番号, サービス名, 状況) VALUES ('127.0.0.1', 22, 'SSH', "
                 "'SStop')",
             })
            vtest::Exec(db, QString::fromUtf8(sql));
        port = FreeUdpPort();
        gOptDatabasePath = db;
        gOptUserName = QStringLiteral("監視係");
        gOptPort = port;
        gOptPingCheck = pingCheck;
        gOptFormTop = false;
        gOptNoCheck = false;
        gOptTimerInterval = 30000;
        gOptSoundFilePath = vtest::HomeDir() + QStringLiteral("/Siren.wav");
        gOptSound = false;
        gOptPatLamp = false;
        gOptPopUp = false;
        gOptSendMsg = false;
        OptionSetting(false, ProgramBaseName());
        lockPath = vtest::HomeDir() + QStringLiteral("/instance.lock");
        QFile::remove(lockPath);
        QFile::remove(db + QStringLiteral("_BK"));
        gDllObjects.clear();

        form = std::make_unique<FrmPing>();
        form->SetInstanceLockPath(lockPath);
        FrmPing::Services s;
        s.openMessenger = [](LanMessenger& m, quint16 p) { return m.Open(p, QHostAddress::LocalHost); };
        s.runDialog = [this](QDialog& d) {
            dialogs << QString::fromLatin1(d.metaObject()->className());
            if (onDialog) onDialog(d);
        };
        s.trayAvailable = [this] { return tray; };
        s.popupTrayMenu = [this](QMenu&) { ++popups; };
        s.quit = [this](int) { ++quits; };
        const FrmPing::Services real = FrmPing::DefaultServices();
        s.closePatLamp = [this] { events << QStringLiteral("lamp"); };
        s.markStopped = [this, real] {
            events << (form->Tray().isVisible() ? QStringLiteral("stopped(tray)") : QStringLiteral("stopped"));
            real.markStopped();
        };
        s.backupDatabase = [this, real] {
            events << QStringLiteral("backup");
            real.backupDatabase();
        };
        s.releasePlugins = [this, real] {
            events << QStringLiteral("plugins");
            real.releasePlugins();
        };
        form->SetServices(std::move(s));
        if (recordBoxes) box = std::make_unique<vtest::RecordingMessageBox>();
    }

    QString Control(const QString& key) const {
        return vtest::Scalar(db, QStringLiteral("SELECT 処理 FROM TBL_Control WHERE 区分 = ?"), {key}).toString();
    }
};

// The item with that caption in the menu with that name, as the operator picks it there.
QAction* MenuItem(FrmPing& form, const QString& menu, const QString& caption) {
    if (auto* m = form.findChild<QMenu*>(menu))
        for (QAction* a : m->actions())
            if (a->text() == caption) return a;
    return nullptr;
}

}  // namespace

Q_DECLARE_METATYPE(Path)

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init() { gPatLampShowing = false; }

    void startupPaths_data() {
        QTest::addColumn<Path>("path");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("control");  // 稼動 after start-up
        QTest::addColumn<bool>("backup");      // the shutdown ran
        QTest::addColumn<QString>("status");

        QTest::newRow("second instance") << Path::SecondInstance << int(FrmPing::StartResult::SecondInstance)
                                         << startupmsg::kAlreadyRunning << vb::vbOKOnly << "非稼動中" << false << "";
        QTest::newRow("database missing") << Path::MissingDatabase << int(FrmPing::StartResult::DatabaseMissing)
                                          << startupmsg::kNoDatabase << vb::vbOKOnly << "非稼動中" << false << "";
        QTest::newRow("port taken") << Path::PortTaken << int(FrmPing::StartResult::PortFailed)
                                    << startupmsg::kPortInUse << vb::vbInformation << "非稼動中" << true << "";
        // A failed announcement is no reason to stop, but the operator sees the report
        // after the start-up's own status text.
        QTest::newRow("announcement fails, start goes on")
            << Path::AnnounceFails << int(FrmPing::StartResult::Running) << "" << 0 << "稼動中" << false
            << "送信に失敗しました。(10.9.9.9: unreachable)";
        QTest::newRow("announcement error 10065, start goes on")
            << Path::AnnounceError << int(FrmPing::StartResult::Running) << "" << 0 << "稼動中" << false
            << startupmsg::kHostUnreachable;
        QTest::newRow("normal") << Path::Normal << int(FrmPing::StartResult::Running) << "" << 0 << "稼動中" << false
                                << "接続確認チェック　待機中！";
        QTest::newRow("normal, checking off") << Path::NormalCheckingOff << int(FrmPing::StartResult::Running) << ""
                                              << 0 << "稼動中" << false << "接続確認チェック　非稼動中";
    }

    void startupPaths() {
        QFETCH(Path, path);
        QFETCH(int, result);
        QFETCH(QString, message);
        QFETCH(int, style);
        QFETCH(QString, control);
        QFETCH(bool, backup);
        QFETCH(QString, status);

        Fixture f(path != Path::NormalCheckingOff);
        std::unique_ptr<QLockFile> other;
        QUdpSocket holder;
        if (path == Path::SecondInstance) {
            other = std::make_unique<QLockFile>(f.lockPath);
            QVERIFY(other->tryLock(0));
        } else if (path == Path::MissingDatabase) {
            gOptDatabasePath = vtest::HomeDir() + QStringLiteral("/nowhere/Vantoro.MDB");
            OptionSetting(false, ProgramBaseName());
        } else if (path == Path::PortTaken) {
            QVERIFY(holder.bind(QHostAddress::LocalHost, f.port, QAbstractSocket::DontShareAddress));
        } else if (path == Path::AnnounceFails) {
            // As the real announcement reports a recipient it cannot reach.
            f.form->services().announce = [](LanMessenger&) {
                seams::Status().SetStatusText(QStringLiteral("送信に失敗しました。(10.9.9.9: unreachable)"));
                return 0;
            };
        } else if (path == Path::AnnounceError) {
            f.form->services().announce = [](LanMessenger&) { return lanerr::kHostUnreachable; };
        }
        vtest::RecordingMessageBox& box = *f.box;
        gCheckContinue = false;

        QCOMPARE(int(f.form->Load()), result);
        if (message.isEmpty()) {
            QVERIFY2(box.shown.isEmpty(), qPrintable(box.prompts().join(QLatin1Char('|'))));
        } else {
            QCOMPARE(box.prompts(), QStringList{message});
            QCOMPARE(box.shown.first().style, style);
        }
        QCOMPARE(f.Control(QStringLiteral("稼動")), control);
        QCOMPARE(QFile::exists(f.db + QStringLiteral("_BK")), backup);
        QCOMPARE(f.form->ShutdownDone(), backup);
        QCOMPARE(f.form->StatusPanel()->text(), status);
        QCOMPARE(f.quits, 0);  // the caller ends the program after a failed start

        const bool running = result == int(FrmPing::StartResult::Running);
        QCOMPARE(f.form->Tray().isVisible() || f.form->TrayShown(), running);
        if (!running) {
            // Nothing of the database was touched by a start that did not get going.
            if (!backup)
                QCOMPARE(
                    vtest::Scalar(f.db, QStringLiteral("SELECT 状況 FROM TBL_Computer WHERE アドレス = '127.0.0.1'"))
                        .toString(),
                    QStringLiteral("Stop"));
            return;
        }
        const bool on = path != Path::NormalCheckingOff;
        // The tip repeats the status line; the stored states were reset before the load.
        QCOMPARE(f.form->Tray().toolTip(), status);
        QCOMPARE(vtest::Scalar(f.db, QStringLiteral("SELECT count(*) FROM TBL_Computer WHERE 状況 <> 'Nomal'")).toInt(),
                 0);
        QCOMPARE(vtest::Scalar(f.db, QStringLiteral("SELECT 状況 FROM TBL_PortCheck")).toString(),
                 QStringLiteral("SStart"));
        QVERIFY(f.form->TreeComputer().Item(QStringLiteral("#127.0.0.1")));
        QVERIFY(f.form->TreeComputer().Item(QStringLiteral("$127.0.0.1@22")));
        QCOMPARE(gPingDatas.ListCount(), 2);
        QCOMPARE(f.form->menuConnect->isChecked(), on);
        QCOMPARE(f.form->menuTaskBarConnect->isChecked(), on);
        QCOMPARE(gCheckContinue, on);
        // The first round is one full interval away: the timer runs with the interval
        // (at most one minute) and has not ticked.
        QCOMPARE(f.form->TimerPing().isActive(), on);
        QCOMPARE(f.form->TimerPing().interval(), 30000);
        QCOMPARE(gTimerElapsed, 0);
        QVERIFY(f.form->ctlWinsock().IsOpen());
        QCOMPARE(int(f.form->ctlWinsock().LocalPort()), int(f.port));
        // The engine and the alarms reach the window through the seams.
        seams::Status().SetStatusText(QStringLiteral("送信に失敗しました"));
        QCOMPARE(f.form->StatusPanel()->text(), QStringLiteral("送信に失敗しました"));
        QCOMPARE(f.form->Tray().toolTip(), QStringLiteral("送信に失敗しました"));
    }

    // A stored messenger port that names no port: the default one is taken, and the
    // status line says which, after the start-up's own text and beside what the
    // announcement reported.
    void unusablePortIsTold_data() {
        QTest::addColumn<QString>("announcement");  // what the announcement reports
        QTest::newRow("port alone") << "";
        QTest::newRow("with a failed announcement") << "送信に失敗しました。(10.9.9.9: unreachable)";
    }
    void unusablePortIsTold() {
        QFETCH(QString, announcement);
        Fixture f;
        {
            auto store = OptionStore(ProgramBaseName());
            store->setValue(QStringLiteral("Local/Port"), QStringLiteral("70000"));
        }
        int opened = 0;
        f.form->services().openMessenger = [&opened](LanMessenger&, quint16 port) {
            opened = port;
            return 0;
        };
        f.form->services().announce = [announcement](LanMessenger&) {
            if (!announcement.isEmpty()) seams::Status().SetStatusText(announcement);
            return 0;
        };
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        QCOMPARE(opened, 59640);
        QVERIFY(f.box->shown.isEmpty());
        const QString notice = options::PortNotice();
        QVERIFY(notice.contains(QStringLiteral("70000")) && notice.contains(QStringLiteral("59640")));
        QCOMPARE(f.form->StatusPanel()->text(),
                 announcement.isEmpty() ? notice : notice + QStringLiteral("　") + announcement);
    }

    void firstRoundAfterOneInterval() {
        Fixture f;
        gOptTimerInterval = 300000;  // five slices of one minute
        OptionSetting(false, ProgramBaseName());
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        QCOMPARE(f.form->TimerPing().interval(), 60000);
        for (int tick = 1; tick <= 4; ++tick) {
            f.form->TimerPing_Timer();
            QCOMPARE(f.form->ListPing(0).Count(), 0);
            QCOMPARE(f.form->StatusPanel()->text(), status::kWaiting);
            QVERIFY(f.form->TimerPing().isActive());
        }
        f.form->TimerPing_Timer();  // the interval is up: the round runs
        QVERIFY(f.form->ListPing(0).Count() >= 2);
        QCOMPARE(f.form->StatusPanel()->text(), status::kWaiting);
        QVERIFY(f.form->TimerPing().isActive());
    }

    void emptyUserNameOpensOptionsFirst_data() {
        QTest::addColumn<bool>("moveDatabase");
        QTest::newRow("a new port is the one taken") << false;
        QTest::newRow("a database path chosen there is checked") << true;
    }

    void emptyUserNameOpensOptionsFirst() {
        QFETCH(bool, moveDatabase);
        Fixture f;
        gOptUserName.clear();
        OptionSetting(false, ProgramBaseName());
        const quint16 other = FreeUdpPort();
        const QString missing = vtest::HomeDir() + QStringLiteral("/moved/Vantoro.MDB");
        f.onDialog = [&](QDialog& d) {
            auto& o = dynamic_cast<FrmOption&>(d);
            o.txtLocalUserName->setText(QStringLiteral("新人"));
            o.txtLocalPort->setText(QString::number(other));
            if (moveDatabase) o.txtDBFilePath->setText(missing);
            QVERIFY(o.cmdApply_Click());
        };
        const auto result = f.form->Load();
        QCOMPARE(f.dialogs, QStringList{QStringLiteral("FrmOption")});
        QCOMPARE(gOptUserName, QStringLiteral("新人"));
        if (moveDatabase) {
            QCOMPARE(int(result), int(FrmPing::StartResult::DatabaseMissing));
            QVERIFY(f.box->prompts().contains(startupmsg::kNoDatabase));
            QVERIFY(!f.form->ctlWinsock().IsOpen());
        } else {
            QCOMPARE(int(result), int(FrmPing::StartResult::Running));
            QCOMPARE(int(f.form->ctlWinsock().LocalPort()), int(other));
        }
    }

    void shutdownOrderAndOnce() {
        Fixture f;
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        bool released = false;
        auto plugin = std::make_shared<QObject>();
        QObject::connect(plugin.get(), &QObject::destroyed, [&] {
            released = true;
            f.events << QStringLiteral("object");
        });
        gDllObjects.push_back({QStringLiteral("VantorPort.so"), std::move(plugin)});
        gPatLampShowing = true;

        f.form->menuFileClose_Click();
        f.form->Shutdown();  // a second request does nothing
        QCOMPARE(f.events, (QStringList{QStringLiteral("lamp"), QStringLiteral("stopped"), QStringLiteral("backup"),
                                        QStringLiteral("plugins"), QStringLiteral("object")}));
        QVERIFY(released);
        QCOMPARE(gDllCount(), 0);
        QCOMPARE(f.quits, 1);
        QCOMPARE(f.Control(QStringLiteral("稼動")), QStringLiteral("非稼動中"));
        QVERIFY(QFile::exists(f.db + QStringLiteral("_BK")));
        QVERIFY(!f.form->isVisible());
        QVERIFY(!f.form->TrayShown());
        QCOMPARE(f.form->StatusPanel()->text(), status::kStopped);
        QVERIFY(!gCheckContinue);
        QVERIFY(!f.form->TimerPing().isActive());
    }

    void closeInsideRoundOrDialogDefers_data() {
        QTest::addColumn<bool>("inDialog");
        QTest::newRow("during a round") << false;
        QTest::newRow("during a dialog") << true;
    }

    void closeInsideRoundOrDialogDefers() {
        QFETCH(bool, inDialog);
        Fixture f;
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        bool doneInside = true;
        auto closeNow = [&] {
            f.form->menuTaskBarClose->trigger();
            doneInside = f.form->ShutdownDone();
            QVERIFY(f.form->ShutdownPending());
            QVERIFY(!gCheckContinue);
        };
        if (inDialog) {
            f.onDialog = [&](QDialog&) { closeNow(); };
            f.form->menuHelpVer_Click();
        } else {
            f.form->services().tick = [&](FrmPing&) { closeNow(); };
            f.form->TimerPing_Timer();
        }
        QVERIFY(!doneInside);
        QVERIFY(f.form->ShutdownDone());
        QCOMPARE(f.quits, 1);
        QCOMPARE(f.events.size(), 3);
        QCOMPARE(f.Control(QStringLiteral("稼動")), QStringLiteral("非稼動中"));
        // The command's end did not re-arm anything after the shutdown.
        QVERIFY(!f.form->TimerPing().isActive());
    }

    void trayCallback_data() {
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("restored");
        QTest::addColumn<int>("popups");
        QTest::newRow("left button") << int(QSystemTrayIcon::Trigger) << true << 0;
        QTest::newRow("right button") << int(QSystemTrayIcon::Context) << false << 1;
        QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << false << 0;
        QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << false << 0;
    }

    void trayCallback() {
        QFETCH(int, reason);
        QFETCH(bool, restored);
        QFETCH(int, popups);
        Fixture f;
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        f.form->show();
        f.form->setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY_WITH_TIMEOUT(!f.form->isVisible(), 2000);
        f.form->TrayActivated(QSystemTrayIcon::ActivationReason(reason));
        QCOMPARE(f.form->isVisible(), restored);
        if (restored) QVERIFY(!f.form->isMinimized());
        QCOMPARE(f.popups, popups);
    }

    void minimiseHidesOnlyWithTray_data() {
        QTest::addColumn<bool>("tray");
        QTest::newRow("tray present") << true;
        QTest::newRow("no tray") << false;
    }

    void minimiseHidesOnlyWithTray() {
        QFETCH(bool, tray);
        Fixture f;
        f.tray = tray;
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        f.form->show();
        f.form->setWindowState(Qt::WindowMinimized);
        QTest::qWait(50);
        QCOMPARE(f.form->isVisible(), !tray);
    }

    void checkMarksStayInStep_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("item");
        QTest::newRow("menu bar 接続確認") << "menuRun" << "接続確認";
        QTest::newRow("tray 接続確認") << "menuTaskBar" << "接続確認";
        QTest::newRow("menu bar 最前面表示") << "menuDisplay" << "最前面表示";
        QTest::newRow("tray 最前面表示") << "menuTaskBar" << "最前面表示";
    }

    void checkMarksStayInStep() {
        QFETCH(QString, menu);
        QFETCH(QString, item);
        Fixture f;
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        f.form->show();
        auto* action = MenuItem(*f.form, menu, item);
        QVERIFY(action);
        const bool connect = item == QStringLiteral("接続確認");
        for (const bool expectOn : {!connect, connect}) {  // connect starts on, on-top off
            action->trigger();
            if (connect) {
                QCOMPARE(f.form->menuConnect->isChecked(), expectOn);
                QCOMPARE(f.form->menuTaskBarConnect->isChecked(), expectOn);
                QCOMPARE(f.form->TimerPing().isActive(), expectOn);
                QCOMPARE(gCheckContinue, expectOn);
                QCOMPARE(f.form->StatusPanel()->text(), expectOn ? status::kWaiting : status::kStopped);
            } else {
                QCOMPARE(gOptFormTop, expectOn);
                QCOMPARE(f.form->menuDisplayFormTop->isChecked(), expectOn);
                QCOMPARE(f.form->menuTaskBarFormTop->isChecked(), expectOn);
                QCOMPARE(f.form->IsTopMost(), expectOn);
                QVERIFY(f.form->isVisible());
                // On-top is not a stored option until the options are saved.
                auto store = OptionStore(ProgramBaseName());
                store->beginGroup(QStringLiteral("Local"));
                QCOMPARE(store->value(QStringLiteral("FormTop")).toString(), QStringLiteral("False"));
            }
        }
    }

    void onTopNeverShowsHiddenWindow() {
        Fixture f;
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        f.form->hide();  // in the tray
        f.form->menuDisplayFormTop_Click();
        QVERIFY(f.form->IsTopMost());
        QVERIFY(!f.form->isVisible());
        f.form->RaiseMainWindow();
        QVERIFY(f.form->isVisible());
        // While the lamp is up the layer is left to it.
        gPatLampShowing = true;
        f.form->SetTopMost(false);
        QVERIFY(f.form->IsTopMost());
    }

    void trayItemsCallTheirTwins_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("dialog");
        QTest::newRow("ｵﾌﾟｼｮﾝ") << "menuTaskBarTool" << "ｵﾌﾟｼｮﾝ"
                                << "FrmOption";
        QTest::newRow("ﾛｸﾞ確認") << "menuTaskBarTool" << "ﾛｸﾞ確認"
                                 << "FrmDisplayLog";
        QTest::newRow("ﾊﾞｰｼﾞｮﾝ情報") << "menuTaskBar" << "ﾊﾞｰｼﾞｮﾝ情報"
                                     << "FrmPingAbt";
    }

    void trayItemsCallTheirTwins() {
        QFETCH(QString, menu);
        QFETCH(QString, item);
        QFETCH(QString, dialog);
        Fixture f;
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        f.form->show();
        gOptFormTop = true;
        f.form->SetTopMost(true);
        WriteErrLog(QStringLiteral("G1"), QStringLiteral("127.0.0.1"), QStringLiteral("alpha"),
                    QStringLiteral("接続NG!"));
        bool continueInside = true, timerInside = true, topInside = true;
        f.onDialog = [&](QDialog&) {
            continueInside = gCheckContinue;
            timerInside = f.form->TimerPing().isActive();
            topInside = f.form->IsTopMost();
        };
        QAction* action = MenuItem(*f.form, menu, item);
        QVERIFY(action);
        action->trigger();
        QCOMPARE(f.dialogs, QStringList{dialog});
        QVERIFY(!continueInside);
        QVERIFY(!timerInside);
        QVERIFY(!topInside);
        QVERIFY(gCheckContinue);
        QVERIFY(f.form->TimerPing().isActive());
        QVERIFY(f.form->IsTopMost());
        QVERIFY(f.form->menuDisplayFormTop->isChecked());
        QVERIFY(f.form->menuTaskBarFormTop->isChecked());
    }

    // The menus as the operator sees them: captions in order, "-" a separator, "*" a
    // check mark item, ">" a submenu.
    void menuCaptionsInOrder_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("items");
        QTest::newRow("menu bar") << "" << "ﾌｧｲﾙ>|表示>|実行>|ﾂｰﾙ>|ﾍﾙﾌﾟ>";
        QTest::newRow("ﾌｧｲﾙ") << "menuFile" << "閉じる";
        QTest::newRow("表示") << "menuDisplay" << "再表示|最前面表示*";
        QTest::newRow("実行") << "menuRun" << "接続確認*";
        QTest::newRow("ﾂｰﾙ") << "menuTool" << "ｵﾌﾟｼｮﾝ|ｶﾚﾝﾀﾞｰ|-|Tracert確認|-|ﾛｸﾞ確認";
        QTest::newRow("ﾍﾙﾌﾟ") << "menuHelp" << "ﾊﾞｰｼﾞｮﾝ情報";
        QTest::newRow("tray") << "menuTaskBar" << "最前面表示*|接続確認*|ﾂｰﾙ>|ﾊﾞｰｼﾞｮﾝ情報|-|閉じる";
        QTest::newRow("tray ﾂｰﾙ") << "menuTaskBarTool" << "ｵﾌﾟｼｮﾝ|ｶﾚﾝﾀﾞｰ|-|ﾛｸﾞ確認";
    }

    void menuCaptionsInOrder() {
        QFETCH(QString, menu);
        QFETCH(QString, items);
        FrmPing form;
        QWidget* owner = menu.isEmpty() ? static_cast<QWidget*>(form.menuBar()) : form.findChild<QMenu*>(menu);
        QVERIFY2(owner, qPrintable(menu));
        QStringList seen;
        for (QAction* a : owner->actions()) {
            if (a->isSeparator())
                seen << QStringLiteral("-");
            else
                seen << a->text() + (a->menu() ? QStringLiteral(">") : a->isCheckable() ? QStringLiteral("*") : QString());
        }
        QCOMPARE(seen.join(QLatin1Char('|')), items);
    }

    // Tracert確認 from the menu: the user types the host; the command's frame holds.
    void tracertFromMenuIsFreeEntry() {
        Fixture f;
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        bool continueInside = true, timerInside = true, hostBoxOpen = false, nameHidden = false;
        QString label;
        f.onDialog = [&](QDialog& d) {
            auto& t = dynamic_cast<FrmTraceRt&>(d);
            continueInside = gCheckContinue;
            timerInside = f.form->TimerPing().isActive();
            hostBoxOpen = !t.TxtURL()->isHidden() && !t.TxtURL()->isReadOnly() && t.TxtURL()->text().isEmpty();
            nameHidden = t.Lbl_Computer2()->isHidden();
            label = t.Lbl_Computer()->text();
        };
        f.form->findChild<QAction*>(QStringLiteral("menuTracert"))->trigger();
        QCOMPARE(f.dialogs, QStringList{QStringLiteral("FrmTraceRt")});
        QVERIFY(hostBoxOpen);
        QVERIFY(nameHidden);
        QCOMPARE(label, QStringLiteral("Host名 or IP"));
        QVERIFY(!continueInside);
        QVERIFY(!timerInside);
        QVERIFY(gCheckContinue);
        QVERIFY(f.form->TimerPing().isActive());
        QCOMPARE(f.form->TimerPing().interval(), 30000);
    }

    void everyCloseTakesOnePath_data() {
        QTest::addColumn<QString>("menu");  // empty: the window's close box
        QTest::newRow("menu bar 閉じる") << "menuFile";
        QTest::newRow("tray 閉じる") << "menuTaskBar";
        QTest::newRow("close box") << "";
    }

    void everyCloseTakesOnePath() {
        QFETCH(QString, menu);
        Fixture f;
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        f.form->show();
        if (menu.isEmpty()) {
            QVERIFY(f.form->close());  // the window agrees once the work is done
        } else {
            QAction* action = MenuItem(*f.form, menu, QStringLiteral("閉じる"));
            QVERIFY(action);
            action->trigger();
        }
        QVERIFY(f.form->ShutdownDone());
        QCOMPARE(f.quits, 1);
        QCOMPARE(f.events,
                 (QStringList{QStringLiteral("stopped"), QStringLiteral("backup"), QStringLiteral("plugins")}));
        // Whatever comes next finds the work done.
        f.form->close();
        f.form->menuFileClose_Click();
        QCOMPARE(f.events.size(), 3);
    }

    void nestedCommandsRestoreAtTheOutermost() {
        Fixture f;
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        bool continueBetween = true, timerBetween = true;
        f.onDialog = [&](QDialog& d) {
            if (QString::fromLatin1(d.metaObject()->className()) != QLatin1String("FrmOption")) return;
            f.form->menuHelpVer_Click();  // from the tray while the options are open
            continueBetween = gCheckContinue;
            timerBetween = f.form->TimerPing().isActive();
        };
        f.form->menuOption_Click();
        QCOMPARE(f.dialogs, (QStringList{QStringLiteral("FrmOption"), QStringLiteral("FrmPingAbt")}));
        QVERIFY(!continueBetween);
        QVERIFY(!timerBetween);
        QVERIFY(gCheckContinue);
        QVERIFY(f.form->TimerPing().isActive());
    }

    void optionsCommandReappliesTimer_data() {
        QTest::addColumn<bool>("connect");
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("noCheck");
        QTest::newRow("30 s armed at once") << true << "30" << 30000 << false;
        QTest::newRow("120 s keeps the pacing slice") << true << "120" << 60000 << false;
        QTest::newRow("checking off stays off") << false << "45" << 45000 << false;
        QTest::newRow("no-check display reloads") << true << "30" << 30000 << true;
    }

    void optionsCommandReappliesTimer() {
        QFETCH(bool, connect);
        QFETCH(QString, seconds);
        QFETCH(int, interval);
        QFETCH(bool, noCheck);
        Fixture f;
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        if (!connect) f.form->menuConnect_Click();
        vtest::Exec(f.db, QStringLiteral("INSERT INTO TBL_Computer (アドレス, グループ, コンピュータ名, 表示名) "
                                         "VALUES ('127.0.0.3', 'G1', 'gamma', 'ガンマ')"));
        f.onDialog = [&](QDialog& d) {
            auto& o = dynamic_cast<FrmOption&>(d);
            o.TxtEdBoxInterval->setText(seconds);
            o.Check_NoCheck->setChecked(noCheck);
            QVERIFY2(o.cmdApply_Click(), qPrintable(f.box->prompts().join(QLatin1Char('|'))));
        };
        f.form->menuOption_Click();
        QCOMPARE(gOptTimerInterval, seconds.toInt() * 1000);
        QCOMPARE(f.form->TimerPing().interval(), interval);
        QCOMPARE(f.form->TimerPing().isActive(), connect);
        QVERIFY(gCheckContinue);
        // The reload runs only when the no-check display changed: a computer added to the
        // database meanwhile appears only then.
        QCOMPARE(f.form->TreeComputer().Item(QStringLiteral("#127.0.0.3")) != nullptr, noCheck);
        QCOMPARE(f.form->StatusPanel()->text(), connect ? status::kWaiting : status::kStopped);
    }

    void reloadStatusFollowsSwitch() {
        Fixture f;
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        f.form->menuReSet_Click();
        QCOMPARE(f.form->StatusPanel()->text(), status::kWaiting);
        QVERIFY(f.form->TimerPing().isActive());
        f.form->menuConnect_Click();
        f.form->menuReSet_Click();
        QCOMPARE(f.form->StatusPanel()->text(), status::kStopped);
        QVERIFY(!f.form->TimerPing().isActive());
        QVERIFY(gCheckContinue);
    }

    // A load that ends early is shown at start-up and on reload, in a message box and on
    // the status line; the monitor still runs with what was loaded.
    void failedLoadIsShown() {
        Fixture f;
        vtest::Exec(f.db, QStringLiteral("ALTER TABLE TBL_PortCheck RENAME COLUMN サービス名 TO X"));
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        QCOMPARE(f.box->shown.size(), 1);
        QVERIFY2(f.box->shown[0].prompt.startsWith(startupmsg::kLoadFailed), qPrintable(f.box->shown[0].prompt));
        QVERIFY2(f.box->shown[0].prompt.contains(QStringLiteral("サービス名")), qPrintable(f.box->shown[0].prompt));
        QVERIFY2(f.form->StatusPanel()->text().startsWith(startupmsg::kLoadFailed),
                 qPrintable(f.form->StatusPanel()->text()));

        f.form->menuReSet_Click();
        QCOMPARE(f.box->shown.size(), 2);
        QVERIFY(f.box->shown[1].prompt.startsWith(startupmsg::kLoadFailed));
        QVERIFY(f.form->StatusPanel()->text().startsWith(startupmsg::kLoadFailed));

        // Mended, the reload is silent again and the status line back to normal.
        vtest::Exec(f.db, QStringLiteral("ALTER TABLE TBL_PortCheck RENAME COLUMN X TO サービス名"));
        f.form->menuReSet_Click();
        QCOMPARE(f.box->shown.size(), 2);
        QCOMPARE(f.form->StatusPanel()->text(), status::kWaiting);
        QVERIFY(f.form->TreeComputer().Item(QStringLiteral("#127.0.0.2")) != nullptr);
    }

    // A database file that is not the program's, is damaged, or does not load is named so
    // at start-up, and the exit leaves it as it is: no 稼動 mark, no backup over the last
    // one, no compaction. A damaged one is still loaded as far as it reads; neither it
    // nor a foreign one gets the status reset. The exit says what it did not back up.
    void unsoundDatabaseIsNamedAndLeftAlone_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("said");
        QTest::addColumn<int>("computers");
        QTest::addColumn<QString>("atExit");  // in the box at exit; "" = no box
        QTest::newRow("an empty file") << "empty" << dbmsg::kForeign << 0 << "";
        QTest::newRow("a text file") << "text" << dbmsg::kForeign << 0 << "";
        QTest::newRow("a damaged page") << "damaged" << dbmsg::kDamaged << 2 << dbmsg::kDamaged;
        QTest::newRow("a table that does not load")
            << "column" << startupmsg::kLoadFailed << 0 << startupmsg::kNotBackedUp;
    }
    void unsoundDatabaseIsNamedAndLeftAlone() {
        QFETCH(QString, file);
        QFETCH(QString, said);
        QFETCH(int, computers);
        QFETCH(QString, atExit);
        Fixture f;
        const QString backup = f.db + QStringLiteral("_BK");
        {
            QFile last(backup);  // the last sound backup
            QVERIFY(last.open(QIODevice::WriteOnly));
            last.write("the last sound backup");
        }
        const QString mark = vtest::RunningMark(f.db);
        if (file == QLatin1String("damaged")) {
            // Rows the tree never reads, whose top page is then overwritten.
            vtest::Exec(f.db, QStringLiteral("CREATE TABLE Notes (x BLOB)"));
            vtest::Exec(f.db,
                        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<200) "
                                       "INSERT INTO Notes SELECT randomblob(900) FROM n"));
            const int page = vtest::Scalar(f.db, QStringLiteral("PRAGMA page_size")).toInt();
            const int root =
                vtest::Scalar(f.db, QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name='Notes'")).toInt();
            QFile db(f.db);
            QVERIFY(db.open(QIODevice::ReadWrite));
            QVERIFY(db.seek(qint64(root - 1) * page));
            db.write(QByteArray(page, '\x5A'));
        } else if (file == QLatin1String("column")) {
            vtest::Exec(f.db, QStringLiteral("ALTER TABLE TBL_PortCheck RENAME COLUMN サービス名 TO X"));
        } else {
            QFile db(f.db);
            QVERIFY(db.open(QIODevice::WriteOnly | QIODevice::Truncate));
            if (file == QLatin1String("text")) db.write("アドレス,表示名\r\n127.0.0.1,アルファ\r\n");
        }
        const QByteArray original = vtest::FileBytes(f.db);

        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        QVERIFY(!f.box->shown.isEmpty());
        QVERIFY2(f.box->shown[0].prompt.startsWith(said), qPrintable(f.box->prompts().join(QLatin1Char('|'))));
        QCOMPARE(f.box->shown.size(), 1);
        QVERIFY2(f.form->StatusPanel()->text().startsWith(said), qPrintable(f.form->StatusPanel()->text()));
        QCOMPARE(gPingDatas.ListCount(), computers);
        const QByteArray started = vtest::FileBytes(f.db);
        if (file != QLatin1String("column")) {
            QVERIFY(f.box->shown[0].prompt.contains(f.db));
            QCOMPARE(started, original);
        }

        f.form->menuFileClose_Click();
        QCOMPARE(vtest::FileBytes(f.db), started);
        if (file != QLatin1String("empty") && file != QLatin1String("text")) QCOMPARE(vtest::RunningMark(f.db), mark);
        QCOMPARE(vtest::FileBytes(backup), QByteArray("the last sound backup"));
        QVERIFY(!QFile::exists(vtest::HomeDir() + QStringLiteral("/Vantoro.MDB_BK")) ||
                vtest::FileBytes(vtest::HomeDir() + QStringLiteral("/Vantoro.MDB_BK")) == "the last sound backup");
        QCOMPARE(f.box->shown.size(), atExit.isEmpty() ? 1 : 2);
        if (!atExit.isEmpty()) QVERIFY2(f.box->shown[1].prompt.contains(atExit), qPrintable(f.box->shown[1].prompt));
        QFile::remove(backup);
    }

    // A log line that cannot be written is said on the status bar, and stays there past
    // the status texts of the rounds until the log writes again.
    void failedLogWriteStaysOnTheStatusBar() {
        Fixture f;
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        f.form->show();
        QDir(LogFolder()).removeRecursively();
        {
            QFile blocker(LogFolder());  // a file where the folder should be
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        WriteErrLog(QStringLiteral("G1"), QStringLiteral("127.0.0.1"), QStringLiteral("アルファ"),
                    QStringLiteral("応答なし"));
        f.form->SetStatusText(status::kRunning);
        WriteErrLog(QStringLiteral("G1"), QStringLiteral("127.0.0.2"), QStringLiteral("ベータ"),
                    QStringLiteral("応答なし"));
        f.form->SetStatusText(status::kWaiting);
        const auto barText = [&f] {
            QStringList texts;
            for (QLabel* l : f.form->statusBar()->findChildren<QLabel*>())
                if (l->isVisible()) texts << l->text();
            return texts.join(QLatin1Char('|'));
        };
        QVERIFY2(barText().contains(QStringLiteral("ログファイルに書き込めませんでした")), qPrintable(barText()));
        QVERIFY(barText().contains(status::kWaiting));

        QFile::remove(LogFolder());
        WriteErrLog(QStringLiteral("G1"), QStringLiteral("127.0.0.1"), QStringLiteral("アルファ"),
                    QStringLiteral("接続OK!"));
        QCOMPARE(barText(), status::kWaiting);
        f.form->hide();
    }

    // What could not be written during the run is listed in one box at exit; a program
    // ended by a signal, which may have nobody to answer a box, only prints it.
    void failedWritesAreShownAtExit_data() {
        QTest::addColumn<bool>("bySignal");
        QTest::newRow("closed by the user") << false;
        QTest::newRow("ended by a signal") << true;
    }
    void failedWritesAreShownAtExit() {
        QFETCH(bool, bySignal);
        Fixture f;
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        QCOMPARE(f.box->shown.size(), 0);
        // A folder where the backup is to be written: the copy cannot be made.
        const QString backup = f.db + QStringLiteral("_BK");
        QVERIFY(QDir().mkpath(backup));
        if (bySignal)
            f.form->EndBySignal();
        else
            f.form->menuFileClose_Click();
        QCOMPARE(f.quits, 1);
        QCOMPARE(f.Control(QStringLiteral("稼動")), QStringLiteral("非稼動中"));
        if (bySignal) {
            QCOMPARE(f.box->shown.size(), 0);
        } else {
            QCOMPARE(f.box->shown.size(), 1);
            const QString text = f.box->shown[0].prompt;
            QVERIFY2(text.startsWith(QStringLiteral("ディスクへの書き込みで次の問題がありました。")), qPrintable(text));
            QVERIFY2(text.contains(QStringLiteral("管理DBのバックアップを作成できませんでした")), qPrintable(text));
            QVERIFY(text.contains(QDir::toNativeSeparators(backup)));
            QCOMPARE(f.box->shown[0].style, vb::vbExclamation);
        }
        QDir(backup).removeRecursively();
    }

    void logListSwitchAndDetail() {
        Fixture f;
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        f.form->show();
        QVERIFY(f.form->ListPingView(0)->isVisible());
        f.form->CmdCheng_Click();
        QVERIFY(f.form->ListPingView(1)->isVisible());
        QVERIFY(!f.form->ListPingView(0)->isVisible());
        QCOMPARE(f.form->CmdCheng()->text(), QStringLiteral("異常状況　（チェック状況へ切替え）"));
        f.form->CmdCheng_Click();
        QVERIFY(f.form->ListPingView(0)->isVisible());
        QCOMPARE(f.form->CmdCheng()->text(), QStringLiteral("チェック状況　（異常状況へ切替え）"));

        vtest::RecordingMessageBox& box = *f.box;
        box.shown.clear();
        // A line of the model, picked in its view.
        f.form->ListPing(1).Add(QStringLiteral("短い行"));
        QTRY_COMPARE(f.form->ListPingView(1)->count(), 1);  // shown at the next frame
        f.form->ListPingView(1)->setCurrentRow(0);
        gCheckContinue = true;
        f.form->menuConnect_Click();  // checking off: the box must leave the timer off
        gCheckContinue = true;
        f.form->ListPing_DblClick(1);
        QCOMPARE(box.prompts(), QStringList{QStringLiteral("短い行\r\n")});
        QCOMPARE(box.shown.first().style, vb::vbInformation);
        QVERIFY(gCheckContinue);  // the detail box leaves the flag alone
        QVERIFY(!f.form->TimerPing().isActive());
    }

    // The tray's 接続確認 while a log line's box is open: checking goes off, and the box,
    // which leaves the flag alone, does not switch it back on for a running round.
    void checkingOffFromInsideTheLineBox() {
        Fixture f;
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        bool continueInside = false;
        f.box->onShow = [&] {
            f.form->menuTaskBarConnect->trigger();
            continueInside = gCheckContinue;
        };
        f.form->ListPing(0).Add(QStringLiteral("12/10 09:26　接続OK!"));
        QTRY_COMPARE(f.form->ListPingView(0)->count(), f.form->ListPing(0).Count());
        f.form->ListPingView(0)->setCurrentRow(0);
        QVERIFY(gCheckContinue);
        f.form->ListPing_DblClick(0);
        QVERIFY(!continueInside);
        QVERIFY(!gCheckContinue);
        QVERIFY(!f.form->TimerPing().isActive());
        QVERIFY(!f.form->menuConnect->isChecked());
        QCOMPARE(f.form->StatusPanel()->text(), status::kStopped);
    }

    void connectStateText_data() {
        QTest::addColumn<bool>("notIP");
        QTest::addColumn<int>("ncc");
        QTest::addColumn<int>("wc");
        QTest::addColumn<int>("ngr");
        QTest::addColumn<QString>("text");
        const QString nl = QStringLiteral("\r\n");
        QTest::newRow("good") << false << 0 << 5 << 10 << "良好";
        QTest::newRow("counting, 3 of 5")
            << false << 3 << 5 << 10 << "3回連続ﾀｲﾑｱｳﾄ発生中" + nl + "2回連続すれば警告通知を行います";
        QTest::newRow("first notice given")
            << false << 5 << 5 << 10 << "5回連続ﾀｲﾑｱｳﾄ発生中" + nl + "5回連続すれば警告通知を行います";
        QTest::newRow("past two thresholds")
            << false << 12 << 5 << 10
            << "非接続状態" + nl + "12回連続ﾀｲﾑｱｳﾄ発生中" + nl + "後3回連続すれば警告通知を行います";
        QTest::newRow("back-off") << true << 4 << 5 << 10 << "非接続状態" + nl + "6回後、再接続チェックを行います";
        QTest::newRow("threshold 1") << false << 1 << 1 << 10
                                     << "1回連続ﾀｲﾑｱｳﾄ発生中" + nl + "1回連続すれば警告通知を行います";
    }

    void connectStateText() {
        QFETCH(bool, notIP);
        QFETCH(int, ncc);
        QFETCH(int, wc);
        QFETCH(int, ngr);
        QFETCH(QString, text);
        QCOMPARE(ConnectStateText(notIP, ncc, wc, ngr), text);
    }

    void computerPanel() {
        Fixture f;
        QCOMPARE(int(f.form->Load()), int(FrmPing::StartResult::Running));
        vtest::RecordingMessageBox& box = *f.box;
        box.shown.clear();
        TreeNodes& tree = f.form->TreeComputer();
        auto item = gPingDatas.Item(gPingDatas.GetItemNo(QStringLiteral("127.0.0.1")));
        item->NotConnectCount = 3;
        item->WrongCount = 5;

        // A port check node shows the computer it belongs to.
        f.form->TreeComputer_NodeClick(tree.Item(QStringLiteral("$127.0.0.1@22")));
        QCOMPARE(f.form->Lbl_Computer()->text(), QStringLiteral("alpha"));
        QCOMPARE(f.form->Lbl_Shurui()->text(), QStringLiteral("サーバ"));
        QCOMPARE(f.form->Lbl_IPAddress()->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(f.form->Lbl_Description()->text(), QStringLiteral("一台目"));
        QCOMPARE(f.form->Lbl_Connect()->text(),
                 QStringLiteral("3回連続ﾀｲﾑｱｳﾄ発生中\r\n2回連続すれば警告通知を行います"));
        // The same computer again is not read again, even though its counters moved.
        item->NotConnectCount = 0;
        f.form->TreeComputer_NodeClick(tree.Item(QStringLiteral("#127.0.0.1")));
        QVERIFY(f.form->Lbl_Connect()->text().startsWith(QStringLiteral("3回")));
        // A group node leaves the panel as it was.
        f.form->TreeComputer_NodeClick(tree.Item(QStringLiteral("!G1")));
        QCOMPARE(f.form->Lbl_IPAddress()->text(), QStringLiteral("127.0.0.1"));
        // A NULL description shows empty.
        f.form->TreeComputer_NodeClick(tree.Item(QStringLiteral("#127.0.0.2")));
        QCOMPARE(f.form->Lbl_Description()->text(), QString());
        QCOMPARE(f.form->Lbl_Connect()->text(), QStringLiteral("良好"));

        // A computer whose row is gone: its address under the name, the rest empty.
        vtest::Exec(f.db, QStringLiteral("DELETE FROM TBL_Computer WHERE アドレス = '127.0.0.1'"));
        f.form->ShowComputerInfo(QStringLiteral("127.0.0.1"));
        QCOMPARE(f.form->Lbl_Computer()->text(), QStringLiteral("127.0.0.1"));
        for (QLabel* l :
             {f.form->Lbl_Shurui(), f.form->Lbl_IPAddress(), f.form->Lbl_Description(), f.form->Lbl_Connect()})
            QCOMPARE(l->text(), QString());
        // A computer in the database but not in the target list: fields, no state, no box.
        gPingDatas.Clear();
        f.form->ShowComputerInfo(QStringLiteral("127.0.0.2"));
        QCOMPARE(f.form->Lbl_Computer()->text(), QStringLiteral("beta"));
        QCOMPARE(f.form->Lbl_Connect()->text(), QString());
        QVERIFY2(box.shown.isEmpty(), qPrintable(box.prompts().join(QLatin1Char('|'))));
    }

    void windowMessageBoxAnswers_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("press");  // a standard button, or 0 for Enter and -1 for Escape
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("icon");
        QTest::newRow("OK only") << int(vb::vbOKOnly) << 0 << vb::vbOK << int(QMessageBox::NoIcon);
        QTest::newRow("yes/no, No") << int(vb::vbYesNo | vb::vbQuestion) << int(QMessageBox::No) << vb::vbNo
                                    << int(QMessageBox::Question);
        QTest::newRow("yes/no, Enter") << int(vb::vbYesNo | vb::vbCritical) << 0 << vb::vbYes
                                       << int(QMessageBox::Critical);
        QTest::newRow("yes/no, second default")
            << int(vb::vbYesNo | vb::vbDefaultButton2) << 0 << vb::vbNo << int(QMessageBox::NoIcon);
        QTest::newRow("OK/cancel, Escape")
            << int(vb::vbOKCancel | vb::vbExclamation) << -1 << vb::vbCancel << int(QMessageBox::Warning);
        QTest::newRow("retry/cancel, Retry") << int(vb::vbRetryCancel | vb::vbInformation) << int(QMessageBox::Retry)
                                             << vb::vbRetry << int(QMessageBox::Information);
    }

    void windowMessageBoxAnswers() {
        QFETCH(int, style);
        QFETCH(int, press);
        QFETCH(int, answer);
        QFETCH(int, icon);
        Fixture f(true, false);  // the window's own boxes
        int seenIcon = -1;
        QString seenTitle;
        vtest::BoxDriver driver([&](QMessageBox& box) {
            seenIcon = int(box.icon());
            seenTitle = box.windowTitle();
            if (press == 0)
                QTest::keyClick(&box, Qt::Key_Return);
            else if (press == -1)
                QTest::keyClick(&box, Qt::Key_Escape);
            else if (QAbstractButton* b = box.button(QMessageBox::StandardButton(press)))
                b->click();
        });
        QCOMPARE(MsgBox(QStringLiteral("本当に削除しますか？"), style), answer);
        QCOMPARE(seenIcon, icon);
        QCOMPARE(seenTitle, ProgramTitle());
    }

    // With Qt's own translation the window's boxes speak Japanese on their buttons too.
    void boxButtonsInJapanese() {
        Fixture f(true, false);
        std::unique_ptr<QTranslator> translation(InstallQtTranslation());
        QVERIFY2(translation, "Qt's Japanese translation (qt6-translations-l10n) is not installed");
        QStringList captions;
        vtest::BoxDriver driver([&](QMessageBox& box) {
            for (auto b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
                captions << (box.button(b) ? box.button(b)->text() : QString());
            box.button(QMessageBox::No)->click();
        });
        QCOMPARE(MsgBox(QStringLiteral("保存しますか？"), vb::vbYesNoCancel | vb::vbQuestion), vb::vbNo);
        QCOMPARE(captions, (QStringList{"はい(&Y)", "いいえ(&N)", "キャンセル"}));
    }

    void trayActionsAreExact() {
        Fixture f;
        f.form->TrayIcon(QStringLiteral("iconadd"), QString());
        QVERIFY(!f.form->TrayShown());
        f.form->TrayIcon(QStringLiteral("ICONADD"), QString());
        QVERIFY(f.form->TrayShown());
        QCOMPARE(f.form->Tray().toolTip(), QStringLiteral("ヴァントーロ"));
        f.form->TrayIcon(QStringLiteral("ICONCHANGE"), QString(80, QLatin1Char('x')));
        QCOMPARE(f.form->Tray().toolTip().size(), 63);
        f.form->TrayIcon(QStringLiteral("ICONDEL"), QString());
        QVERIFY(!f.form->TrayShown());
        // The status line still changes without an icon.
        f.form->SetStatusText(status::kRunning);
        QCOMPARE(f.form->StatusPanel()->text(), status::kRunning);
    }
};

VANTORO_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
