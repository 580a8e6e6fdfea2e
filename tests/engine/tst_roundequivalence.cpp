// A round keeps many echoes and port probes in flight at once; what it decides must be what
// a round decides that probes one computer, and one port, at a time, each in its own turn.
// The reference here is such a round: its echoes go out one by one on a plain ICMP socket
// of the adapter (no early echo, none of the flight's pacing or matching) and its ports are
// probed one after another. Both rounds run over a test network of namespaces that changes
// while they run (a host that comes up, one that goes down, a port that starts or stops
// listening, an immediate check between a computer's early echo and its turn) and with
// computers that a router cannot reach, at the kernel's own ICMP rate limits.
#include "CheckRig.h"
#include "TestNetns.h"

#include "alarms/PatLamp.h"
#include "engine/CheckOne.h"
#include "engine/CheckRound.h"
#include "engine/IcmpSocket.h"
#include "engine/PortCheck.h"
#include "model/Globals.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTimer>

#include <poll.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

// One echo, one at a time: sent on a socket of its own, answered when an echo reply comes
// from the target or an error quotes it, else a time-out. The event loop runs while it
// waits, so the test's timers (network changes, an immediate check) come when they are due.
int PlainEcho(quint32 to, const QByteArray& data, int ttl, int timeoutMs, icmp::EchoReply& reply) {
    static quint16 sequence = 0;
    reply = icmp::EchoReply {};
    icmp::IcmpSocket socket;
    if (!socket.IsOpen()) {
        reply.status = icmp::GeneralFailure;
        return 0;
    }
    const quint16 mine = ++sequence;
    if (const int err = socket.SendEcho(to, mine, data, ttl); err != 0) {
        reply.status = icmp::StatusForSendErrno(err);
        return 0;
    }
    QElapsedTimer clock;
    clock.start();
    bool answered = false;
    while (!answered && clock.elapsed() < timeoutMs) {
        pollfd p {socket.Descriptor(), POLLIN, 0};
        ::poll(&p, 1, 5);
        socket.ReadAnswers([&](const icmp::Answer& a) {
            if (answered || a.sequence != mine || a.refusedHere) return;
            if (a.echoReply ? a.from != to : (a.about != 0 && a.about != to)) return;
            answered = true;
            reply.replies = 1;
            reply.status = a.status;
            reply.address = a.from;
            reply.addressText = QHostAddress(a.from).toString();
        });
        QCoreApplication::processEvents();
    }
    if (!answered) reply.status = icmp::RequestTimedOut;
    return reply.replies;
}

// A listener inside one of the network's namespaces (the test thread is in the client's).
bool ListenIn(const QString& ns, QTcpServer& server, const QString& address, quint16 port) {
    vtest::TestNetwork::Inside in(ns);
    return in.Entered() && server.listen(QHostAddress(address), port);
}

// What a scenario does: the computers, the network as the round finds it, and what
// happens to the network (or in the window) at given moments after the first round began.
struct Scenario {
    struct Net {
        vtest::TestNetwork& net;
        CheckRig& rig;
        QTcpServer& listener;
        bool run(const QString& ns, const QStringList& command) { return net.RunIn(ns, command); }
        // A routing rule in the router (ip rule add|del ...).
        bool rule(const char* verb, const QStringList& selector) {
            return net.RunIn(net.Router(), QStringList {"ip", "rule", verb} + selector);
        }
    };
    bool defaultRateLimits = false;
    int rounds = 1;
    int ngrSet = 10;
    bool noCheck = false;
    std::function<void(const QString& db)> rows;
    // Before the first round, with the rig loaded.
    std::function<bool(Net&)> before;
    // At a moment of the first round (ms after it began).
    std::vector<std::pair<int, std::function<void(Net&)>>> during;
    // What the reference must have come to, so the comparison is about the scenario.
    std::function<void(const QStringList& reference)> expect;
};

QStringList RouterRule(const QString& to, const QStringList& more) {
    return QStringList {"to", to} + more + QStringList {"blackhole"};
}

}  // namespace

class RoundEquivalenceTest : public QObject {
    Q_OBJECT

    QString db;

    // Everything a round leaves behind, in order, over its rounds.
    static QStringList Outcome(CheckRig& rig, CountingMixer& mixer, RecordingWindow& window) {
        QStringList seen;
        for (int i = rig.list0.Count() - 1; i >= 0; --i) seen << "0 " + rig.list0.Line(i).mid(12);
        for (int i = rig.list1.Count() - 1; i >= 0; --i) seen << "1 " + rig.list1.Line(i).mid(12);
        for (int i = 1; i <= rig.nodes.Count(); ++i) seen << rig.nodes.Item(i)->Key() + '=' + rig.nodes.Item(i)->Image();
        for (int i = 1; i <= gPingDatas.ListCount(); ++i)
            seen << QStringLiteral("%1 %2 %3")
                        .arg(gPingDatas.Item(i)->IPAddress)
                        .arg(gPingDatas.Item(i)->NotConnectCount)
                        .arg(gPingDatas.Item(i)->NotIPAddress);
        for (const QString& l : eventLines()) seen << "log " + l.section(',', 1);
        seen << QStringLiteral("sounds %1 raises %2 lamp %3").arg(mixer.sounds()).arg(window.raises).arg(gPatLampShowing);
        return seen;
    }

    // Runs the scenario's rounds on a network of its own; oneAtATime: the reference.
    QStringList Run(const Scenario& s, bool oneAtATime) {
        vtest::TestNetwork net(s.defaultRateLimits);
        if (!net.Ready()) {
            QTest::qFail(qPrintable("the test network could not be made: " + net.Failure()), __FILE__, __LINE__);
            return {};
        }
        for (int last = 3; last <= 7; ++last)
            if (!net.RunIn(net.Host(), {"ip", "addr", "add", QStringLiteral("10.77.2.%1/24").arg(last), "dev", "h0"}))
                return {"no host address"};
        auto inside = net.EnterClient();
        if (!inside.Entered()) return {"not inside the client"};
        QDir(LogFolder()).removeRecursively();
        UnloadPatLamp();
        gOptNoCheck = s.noCheck;
        gOptNGRset = s.ngrSet;
        CheckRig rig;
        RecordingWindow window;
        CountingMixer mixer;
        QTcpServer listener;
        rig.Load();
        if (oneAtATime) {
            rig.ping.SetEchoFunction(PlainEcho);
            rig.SetPortFunction([](const QString& host, qint32 port) { return PortCheck(host, port, 1); });
        } else {
            rig.ping.SetEchoFunction({});
        }
        Scenario::Net handle {net, rig, listener};
        if (s.before && !s.before(handle)) return {"the scenario's network could not be set up"};
        std::vector<std::unique_ptr<QTimer>> timers;
        for (const auto& [at, what] : s.during) {
            auto t = std::make_unique<QTimer>();
            t->setSingleShot(true);
            t->setTimerType(Qt::PreciseTimer);
            QObject::connect(t.get(), &QTimer::timeout, [&handle, what = what] { what(handle); });
            t->start(at);
            timers.push_back(std::move(t));
        }
        QStringList seen;
        for (int round = 1; round <= s.rounds; ++round) {
            CheckAllTargets(rig, rig.ping);
            seen << QStringLiteral("round %1").arg(round);
            seen << Outcome(rig, mixer, window);
        }
        for (const auto& t : timers)
            if (t->isActive()) seen << "a change came after the rounds had ended";
        return seen;
    }

private slots:
    void initTestCase() {
        vtest::TestNetwork probe;
        if (!probe.Ready()) QSKIP(qPrintable("test namespaces cannot be made here: " + probe.Failure()));
    }

    void init() { db = FreshRoundDatabase(); }
    void cleanup() { UnloadPatLamp(); }

    void matchesOneAtATime_data() {
        QTest::addColumn<int>("index");
        const QStringList names = {
            "a host comes up during an earlier turn",
            "a host goes down during an earlier turn",
            "an immediate check between the early echo and the turn",
            "a port starts listening behind a silent one",
            "a service stops behind a silent port",
            "unreachable computers behind one router, at its routing errors' own limit",
            "unreachable computers behind one router, at the kernel's default limits",
            "answering, silent and refused computers, some switched and edited mid-round",
        };
        for (int i = 0; i < names.size(); ++i) QTest::newRow(qPrintable(names[i])) << i;
    }

    void matchesOneAtATime() {
        QFETCH(int, index);
        const QString host = "10.77.2.2", second = "10.77.2.3";
        // A computer whose turn lasts three seconds: no echo, one silent port (1 + 2 s).
        const auto slowFirst = [&](const QString& db) {
            addComputer(db, host, 3, true, /*ping=*/false);
            addPort(db, host, 81, QStringLiteral("p81"));
        };
        const auto silentPort81 = [=](Scenario::Net& n) {
            return n.rule("add", RouterRule(host, {"ipproto", "tcp", "dport", "81"}));
        };
        const QStringList echoOf2nd = RouterRule(second, {"ipproto", "icmp"});
        std::vector<Scenario> scenarios(8);

        Scenario& comesUp = scenarios[0];
        comesUp.rows = [&](const QString& db) {
            slowFirst(db);
            addComputer(db, second, 3);
            QVERIFY(vtest::Exec(db, "UPDATE TBL_Computer SET タイムアウト = 1000 WHERE アドレス = ?", {second}));
        };
        comesUp.before = [=](Scenario::Net& n) { return silentPort81(n) && n.rule("add", echoOf2nd); };
        comesUp.during = {{1500, [=](Scenario::Net& n) { n.rule("del", echoOf2nd); }}};
        comesUp.expect = [](const QStringList& r) { QVERIFY(r.contains("0 接続OK!\t(PC3:10.77.2.3)")); };

        Scenario& goesDown = scenarios[1];
        goesDown.rows = comesUp.rows;
        goesDown.before = silentPort81;
        goesDown.during = {{1500, [=](Scenario::Net& n) { n.rule("add", echoOf2nd); }}};
        goesDown.expect = [](const QStringList& r) { QVERIFY(r.contains("0 ﾀｲﾑｱｳﾄ!\t１回目(PC3:10.77.2.3)")); };

        // The first computer's echo waits 1.6 s; the second comes up at 1.2 s and is
        // checked at once at 1.4 s, while its early echo's time-out (at 1 s) is still
        // younger than its time-out when its turn comes.
        Scenario& checkedMidRound = scenarios[2];
        checkedMidRound.rows = [&](const QString& db) {
            addComputer(db, host, 3);
            addComputer(db, second, 3);
            QVERIFY(vtest::Exec(db, "UPDATE TBL_Computer SET タイムアウト = 1600 WHERE アドレス = ?", {host}));
            QVERIFY(vtest::Exec(db, "UPDATE TBL_Computer SET タイムアウト = 1000 WHERE アドレス = ?", {second}));
        };
        checkedMidRound.before = [=](Scenario::Net& n) {
            return n.rule("add", RouterRule(host, {"ipproto", "icmp"})) && n.rule("add", echoOf2nd);
        };
        checkedMidRound.during = {{1200, [=](Scenario::Net& n) { n.rule("del", echoOf2nd); }},
                                  {1400, [=](Scenario::Net& n) { CheckOneTarget(n.rig, n.rig.ping, second); }}};
        checkedMidRound.expect = [](const QStringList& r) {
            QCOMPARE(r.count("0 接続OK!\t(PC3:10.77.2.3)"), 2);  // the immediate check's, then the round's
            QVERIFY(!r.contains("#10.77.2.3=Critical"));
        };

        Scenario& startsListening = scenarios[3];
        startsListening.rows = [&](const QString& db) {
            slowFirst(db);
            addPort(db, host, 82, QStringLiteral("p82"));
        };
        startsListening.before = silentPort81;
        startsListening.during = {{1000, [=](Scenario::Net& n) { ListenIn(n.net.Host(), n.listener, host, 82); }}};
        startsListening.expect = [](const QStringList& r) {
            QVERIFY(r.contains("$10.77.2.2@82=SStart"));
            QVERIFY(r.contains("1 ｻｰﾋﾞｽNG!\t(PC2:10.77.2.2)(ﾎﾟｰﾄ=81:p81)ｻｰﾋﾞｽ確認"));
        };

        Scenario& stops = scenarios[4];
        stops.rows = startsListening.rows;
        stops.before = [=](Scenario::Net& n) { return silentPort81(n) && ListenIn(n.net.Host(), n.listener, host, 82); };
        stops.during = {{1000, [](Scenario::Net& n) { n.listener.close(); }}};
        stops.expect = [](const QStringList& r) {
            QVERIFY(r.contains("1 ｻｰﾋﾞｽNG!\t(PC2:10.77.2.2)(ﾎﾟｰﾄ=82:p82)ｻｰﾋﾞｽ確認"));
            QVERIFY(r.contains("$10.77.2.2@82=SStop"));
        };

        // Computers behind the router, every other one on a route it cannot reach (it
        // answers "host unreachable") and the rest dropped silently. The router limits the
        // errors it sends one sender: for its routing errors alone a burst of five, then
        // one a second; with the kernel's default ICMP limits on top, a burst of two, then
        // one in two seconds. A time-out as long as that keeps the computers it cannot
        // reach apart in a round that probes one at a time, so they all get their answer.
        const auto behindRouter = [](Scenario& s, int computers, int timeoutMs) {
            s.rows = [=](const QString& db) {
                for (int last = 10; last < 10 + computers; ++last)
                    addComputer(db, QStringLiteral("10.77.4.%1").arg(last), 3);
                QVERIFY(vtest::Exec(db, "UPDATE TBL_Computer SET タイムアウト = ?", {timeoutMs}));
            };
            s.before = [=](Scenario::Net& n) {
                for (int last = 10; last < 10 + computers; ++last)
                    if (!n.run(n.net.Router(), {"ip", "route", "add", last % 2 ? "blackhole" : "unreachable",
                                                QStringLiteral("10.77.4.%1/32").arg(last)}))
                        return false;
                return true;
            };
            s.expect = [=](const QStringList& r) {
                int unreachable = 0, silent = 0;
                for (const QString& line : r) {
                    if (line.startsWith("0 接続NG!\t")) ++unreachable;
                    if (line.startsWith("0 ﾀｲﾑｱｳﾄ!\t")) ++silent;
                }
                QCOMPARE(unreachable, computers / 2);
                QCOMPARE(silent, computers / 2);
            };
        };
        behindRouter(scenarios[5], 16, 700);
        scenarios[6].defaultRateLimits = true;
        behindRouter(scenarios[6], 8, 2100);

        // Answering, silent and refused computers, refused ports, and in the first round
        // one computer switched on, one switched off and one edited while it runs. The host
        // answers every address at once but 10.77.2.5, which answers after 200 ms: too late
        // for its first time-out, in time for the one it is edited to.
        Scenario& mixed = scenarios[7];
        const QString a = "10.77.2.2", c = "10.77.2.3", e = "10.77.2.4", f = "10.77.2.5", g = "10.77.2.6",
                      h = "10.77.2.7", b = "10.77.3.1", d = "10.77.5.1";
        mixed.rounds = 3;
        mixed.noCheck = true;  // the switched-off computer is loaded, drawn as such
        mixed.ngrSet = 1;      // the refused computer is checked again every round
        mixed.rows = [=](const QString& db) {
            for (const QString& address : {a, c, f, g, h}) addComputer(db, address, 3);
            addComputer(db, e, 3, /*on=*/false);
            addComputer(db, b, 2);
            addComputer(db, d, 3);
            QVERIFY(vtest::Exec(db, "UPDATE TBL_Computer SET タイムアウト = 300"));
            QVERIFY(vtest::Exec(db, "UPDATE TBL_Computer SET タイムアウト = 100 WHERE アドレス = ?", {f}));
            addPort(db, h, 1, QStringLiteral("one"));
            addPort(db, h, 2, QStringLiteral("two"));
        };
        auto answerer = std::make_shared<QProcess>();
        mixed.before = [=](Scenario::Net& n) {
            if (!n.run(n.net.Host(), {"sysctl", "-qw", "net.ipv4.icmp_echo_ignore_all=1"})) return false;
            answerer->start("ip", {"netns", "exec", n.net.Host(), VANTORO_PYTHON,
                                   VANTORO_SOURCE_DIR "/tests/servers/delayed_echo.py", "0", "10.77.2.5=200"});
            if (!answerer->waitForStarted(5000) || !answerer->waitForReadyRead(5000)) return false;
            if (answerer->readLine().trimmed() != "ready") return false;
            const auto item = [](const QString& address) { return gPingDatas.Item(gPingDatas.GetItemNo(address)); };
            auto edited = std::make_shared<bool>(false);
            QObject::connect(&n.rig.list0, &LogLines::lineAdded, &n.rig, [=](const QString& line) {
                if (*edited || !line.contains(a)) return;
                *edited = true;
                item(e)->NoCheckSrv = true;
                item(e)->SetImage(QStringLiteral("Nomal"));
                item(g)->NoCheckSrv = false;
                item(g)->SetImage(QStringLiteral("NoCheck"));
                item(f)->Timeout = 400;
                ++item(f)->Revision;
            });
            return true;
        };
        mixed.expect = [](const QStringList& r) {
            QVERIFY(r.contains("0 ﾀｲﾑｱｳﾄ!\t２回目(PC1:10.77.3.1)"));
            QVERIFY(r.contains("1 接続NG!\t(PC1:10.77.5.1) IPｱﾄﾞﾚｽ or ｻｰﾊﾞ確認(Dest Host Not Reachable)"));
            QVERIFY(r.contains("1 ｻｰﾋﾞｽNG!\t(PC7:10.77.2.7)(ﾎﾟｰﾄ=2:two)ｻｰﾋﾞｽ確認"));
            QVERIFY(r.contains("0 接続OK!\t(PC4:10.77.2.4)"));
            QVERIFY(!r.contains("0 接続OK!\t(PC6:10.77.2.6)"));
            // The edited computer is answered within its new time-out only.
            QVERIFY(r.contains("0 接続OK!\t(PC5:10.77.2.5)"));
            QVERIFY(!r.contains("0 ﾀｲﾑｱｳﾄ!\t１回目(PC5:10.77.2.5)"));
        };

        const Scenario& s = scenarios[size_t(index)];
        s.rows(db);
        if (QTest::currentTestFailed()) return;
        const QStringList reference = Run(s, true);
        if (answerer->state() != QProcess::NotRunning) answerer->kill(), answerer->waitForFinished(3000);
        if (QTest::currentTestFailed()) return;
        s.expect(reference);
        if (QTest::currentTestFailed()) {
            qWarning().noquote() << "the reference came to:\n" << reference.join('\n');
            return;
        }
        const QStringList overlapped = Run(s, false);
        if (answerer->state() != QProcess::NotRunning) answerer->kill(), answerer->waitForFinished(3000);
        QCOMPARE(overlapped, reference);
    }
};

VANTORO_TEST_MAIN(RoundEquivalenceTest)
#include "tst_roundequivalence.moc"
