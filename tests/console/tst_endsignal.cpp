// The program itself, run as a user runs it (offscreen), ends cleanly and soon on a
// signal while its start-up waits on a box or a dialog: a foreign database, an empty
// user name, a second copy. A copy that runs ends on a signal with its exit work done,
// also while a round waits on a computer that does not answer.
#include "TestNetns.h"
#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <csignal>
#include <memory>

namespace {

constexpr int kEndBoundMs = 10000;

quint16 FreeUdpPort() {
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

// The folders of one user of the program: its data, settings and runtime folders.
struct User {
    QTemporaryDir root{QDir::tempPath() + QStringLiteral("/vantoro-signal-XXXXXX")};
    QString home = root.path() + QStringLiteral("/home");
    QString config = root.path() + QStringLiteral("/config");
    QString runtime = root.path() + QStringLiteral("/run");
    QString db = home + QStringLiteral("/Vantoro.MDB");
    quint16 port = FreeUdpPort();

    explicit User(const QString& userName) {
        for (const QString& d : {home, config, runtime}) QDir().mkpath(d);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QSettings ini(config + QStringLiteral("/Vantoro/vantoro.ini"), QSettings::IniFormat);
        ini.beginGroup(QStringLiteral("Local"));
        ini.setValue(QStringLiteral("DatabasePath"), db);
        ini.setValue(QStringLiteral("UserName"), userName);
        ini.setValue(QStringLiteral("Port"), QString::number(port));
        // Nothing is sent anywhere, and no round runs.
        ini.setValue(QStringLiteral("SendMsg"), QStringLiteral("False"));
        ini.setValue(QStringLiteral("PingCheck"), QStringLiteral("False"));
        ini.setValue(QStringLiteral("Sound"), QStringLiteral("False"));
        ini.endGroup();
        ini.sync();
    }
    QString Lock() const { return runtime + QStringLiteral("/vantoro.lock"); }

    // Starts the program (inside the network namespace ns, when given) and waits until it
    // holds (or has met) the single-instance lock and has had time to put up what its
    // start-up shows.
    std::unique_ptr<QProcess> Start(const QString& ns = QString()) const {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VANTORO_HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QString program = QStringLiteral(VANTORO_PROGRAM_DIR "/vantoro");
        if (ns.isEmpty())
            p->start(program, {});
        else
            p->start(QStringLiteral("ip"), {"netns", "exec", ns, program});
        if (!p->waitForStarted(5000)) return p;
        QElapsedTimer t;
        t.start();
        while (!QFile::exists(Lock()) && t.elapsed() < 5000) QTest::qWait(20);
        QTest::qWait(1500);
        return p;
    }
};

// Sends sig and waits, within the bound, for a normal end; true when it came.
bool EndsOn(QProcess& p, int sig, int* exitCode) {
    ::kill(static_cast<pid_t>(p.processId()), sig);
    const bool ended = p.waitForFinished(kEndBoundMs);
    if (!ended) {
        p.kill();
        p.waitForFinished(2000);
        return false;
    }
    *exitCode = p.exitCode();
    return p.exitStatus() == QProcess::NormalExit;
}

}  // namespace

class EndSignalTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (!QFile::exists(QStringLiteral(VANTORO_PROGRAM_DIR "/vantoro"))) QSKIP("the program is not built");
    }

    // A box or a dialog of the start-up is up; the signal ends the program at once.
    void signalDuringTheStartUpEndsIt_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("foreign database box, SIGTERM") << "foreign" << int(SIGTERM) << 0;
        QTest::newRow("options dialog of a first start, SIGINT") << "no user name" << int(SIGINT) << 0;
        QTest::newRow("second copy's box, SIGTERM") << "second copy" << int(SIGTERM) << 1;
    }
    void signalDuringTheStartUpEndsIt() {
        QFETCH(QString, situation);
        QFETCH(int, signal);
        QFETCH(int, exitCode);
        User user(situation == QLatin1String("no user name") ? QString() : QStringLiteral("監視係"));
        if (situation == QLatin1String("foreign")) {
            QFile f(user.db);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a database\n");
        } else {
            vtest::FreshDatabase(user.db);
        }
        const QByteArray before = vtest::FileBytes(user.db);

        std::unique_ptr<QProcess> first;
        if (situation == QLatin1String("second copy")) {
            first = user.Start();
            QCOMPARE(first->state(), QProcess::Running);
        }
        std::unique_ptr<QProcess> p = user.Start();
        QCOMPARE(p->state(), QProcess::Running);  // it waits on its box or dialog

        int code = -1;
        QVERIFY2(EndsOn(*p, signal, &code), "the program did not end on the signal");
        QCOMPARE(code, exitCode);

        if (first) {
            // The running copy was left alone; it ends on its own signal with its exit
            // work done.
            QCOMPARE(first->state(), QProcess::Running);
            QCOMPARE(vtest::RunningMark(user.db), QStringLiteral("稼動中"));
            QVERIFY(EndsOn(*first, SIGTERM, &code));
            QCOMPARE(code, 0);
            QCOMPARE(vtest::RunningMark(user.db), QStringLiteral("非稼動中"));
            QVERIFY(QFile::exists(user.db + QStringLiteral("_BK")));
        } else if (situation == QLatin1String("foreign")) {
            QCOMPARE(vtest::FileBytes(user.db), before);
            QVERIFY(!QFile::exists(user.db + QStringLiteral("_BK")));
        }
    }

    // A round waits on an echo of 8 s when the signal comes: the wait ends at once, the
    // round with it, and the exit work is done (the 非稼動中 mark, the backup).
    void signalDuringARoundEndsIt() {
        vtest::TestNetwork net;
        if (!net.Ready()) QSKIP(qPrintable("test namespaces cannot be made here: " + net.Failure()));
        User user(QStringLiteral("監視係"));
        {
            QSettings ini(user.config + QStringLiteral("/Vantoro/vantoro.ini"), QSettings::IniFormat);
            ini.setValue(QStringLiteral("Local/PingCheck"), QStringLiteral("True"));
            ini.setValue(QStringLiteral("Local/TimerInterval"), QStringLiteral("10"));
        }
        vtest::FreshDatabase(user.db);
        QVERIFY(vtest::Exec(user.db, "INSERT INTO TBL_Group (グループ,表示名,診断有無) VALUES ('G1','G1',-1)"));
        QVERIFY(vtest::Exec(user.db,
                            "INSERT INTO TBL_Computer (アドレス,グループ,コンピュータ名,種類,表示名,診断有無,異常判断回数,"
                            "異常音再生,タイムアウト,状況,Ping有無) VALUES (?,'G1','pc','ｻｰﾊﾞｰ','PC',-1,3,0,8000,'Nomal',-1)",
                            {QString::fromLatin1(vtest::TestNetwork::kSilent)}));
        std::unique_ptr<QProcess> p = user.Start(net.Client());
        QCOMPARE(p->state(), QProcess::Running);
        // The first round begins one interval (10 s) after the start; its echo waits 8 s.
        QTest::qWait(10000 + 1000 - 1500);
        QCOMPARE(p->state(), QProcess::Running);
        QElapsedTimer clock;
        clock.start();
        int code = -1;
        QVERIFY2(EndsOn(*p, SIGTERM, &code), "the program did not end on the signal");
        QCOMPARE(code, 0);
        QVERIFY2(clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(vtest::RunningMark(user.db), QStringLiteral("非稼動中"));
        QVERIFY(QFile::exists(user.db + QStringLiteral("_BK")));
    }
};

VANTORO_TEST_MAIN(EndSignalTest)
#include "tst_endsignal.moc"
