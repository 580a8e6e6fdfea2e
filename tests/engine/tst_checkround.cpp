// The check round and the immediate check over a real database, the real loader, real
// widgets offscreen, real port probes on loopback and the real port check plug-in; only
// the echo answers are scripted (see CheckRig.h).
#include "CheckRig.h"
#include "FakePlugin.h"
#include "TestNetns.h"

#include "alarms/LanDatagram.h"
#include "alarms/LanMessenger.h"
#include "alarms/Mailslot.h"
#include "alarms/Notify.h"
#include "alarms/PatLamp.h"
#include "engine/CheckOne.h"
#include "engine/CheckRound.h"
#include "engine/NodeState.h"
#include "engine/Pacing.h"
#include "engine/PluginHost.h"
#include "model/DllObjects.h"
#include "model/Encipherment.h"
#include "model/EventLog.h"
#include "model/Globals.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include <functional>
#include <limits>
#include <stdexcept>

namespace {

const QString kA = QStringLiteral("127.0.0.11");
const QString kB = QStringLiteral("127.0.0.12");

// A loopback port nothing listens on.
quint16 closedPort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    const quint16 p = s.serverPort();
    s.close();
    return p;
}

QString storedState(const QString& db, const QString& address, int port = 0) {
    if (port == 0) return vtest::Scalar(db, "SELECT 状況 FROM TBL_Computer WHERE アドレス=?", {address}).toString();
    return vtest::Scalar(db, "SELECT 状況 FROM TBL_PortCheck WHERE アドレス=? AND ポート番号=?", {address, port}).toString();
}

QStringList ints(const QString& csv) { return csv.split(QLatin1Char(','), Qt::SkipEmptyParts); }

using vtest::FakePlugin;

bool raise() { throw std::runtime_error("the plug-in failed inside its check"); }

}  // namespace

class CheckRoundTest : public QObject {
    Q_OBJECT

    QString db;

private slots:
    void initTestCase() { LoadCheckDlls(QStringLiteral(VANTORO_PROGRAM_DIR)); }

    void init() { db = FreshRoundDatabase(); }
    void cleanup() { UnloadPatLamp(); }

    // Rounds without an answer walk the ladder; each column is one value per round.
    void ladder_data() {
        QTest::addColumn<int>("wrongCount");
        QTest::addColumn<QString>("outcomes");
        QTest::addColumn<QString>("images");
        QTest::addColumn<QString>("checkLines");  // lines added to the check-status log
        QTest::addColumn<QString>("alarmLines");  // lines added to the abnormal-status log
        QTest::addColumn<QString>("lamp");        // lamp up after the round
        QTest::addColumn<QString>("sounds");      // sirens so far (= raises so far)
        QTest::addColumn<QString>("events");      // event-log lines so far
        QTest::newRow("w=3") << 3 << "ttttttt" << "Critical,Critical,Question,Question,Question,Stop,Stop"
                             << "1,1,1,0,0,1,0" << "0,0,1,0,0,1,0" << "0,0,0,0,0,1,1" << "0,0,1,1,1,2,2"
                             << "0,0,1,1,1,2,2";
        QTest::newRow("w=1") << 1 << "ttt" << "Question,Stop,Stop" << "1,1,1" << "1,1,1" << "0,1,1" << "1,2,3"
                             << "1,2,3";
        QTest::newRow("recovery") << 3 << "ttto" << "Critical,Critical,Question,Nomal" << "1,1,1,1" << "0,0,1,0"
                                  << "0,0,0,0" << "0,0,1,1" << "0,0,1,1";
        QTest::newRow("echo error") << 3 << "eo" << "Stop,Nomal" << "1,1" << "1,0" << "1,0" << "1,1" << "1,1";
    }
    void ladder() {
        QFETCH(int, wrongCount);
        QFETCH(QString, outcomes);
        QFETCH(QString, images);
        QFETCH(QString, checkLines);
        QFETCH(QString, alarmLines);
        QFETCH(QString, lamp);
        QFETCH(QString, sounds);
        QFETCH(QString, events);
        addComputer(db, kA, wrongCount);
        CheckRig rig;
        RecordingWindow window;
        CountingMixer mixer;
        vtest::RecordingMessageBox box;
        rig.Load();
        for (const QChar c : outcomes) rig.script[kA].push_back(c.toLatin1());
        gOptNGRset = 1;  // the echo error's back-off would skip the next round
        for (int round = 0; round < outcomes.size(); ++round) {
            const int before0 = rig.list0.Count(), before1 = rig.list1.Count();
            CheckAllTargets(rig, rig.ping);
            const QByteArray at = "round " + QByteArray::number(round + 1);
            QVERIFY2(rig.Image("#" + kA) == images.split(',')[round], at);
            QVERIFY2(rig.list0.Count() - before0 == ints(checkLines)[round].toInt(), at);
            QVERIFY2(rig.list1.Count() - before1 == ints(alarmLines)[round].toInt(), at);
            QVERIFY2(gPatLampShowing == (ints(lamp)[round] == QLatin1String("1")), at);
            QVERIFY2(mixer.sounds() == ints(sounds)[round].toInt(), at);
            QVERIFY2(window.raises == ints(sounds)[round].toInt(), at);
            QVERIFY2(eventLines().size() == ints(events)[round].toInt(), at);
        }
        QVERIFY(box.shown.isEmpty());
    }

    void lineTexts() {
        addComputer(db, kA, 3);
        CheckRig rig;
        rig.Load();
        rig.script[kA] = {'o', 't', 't', 't', 'e'};
        CheckAllTargets(rig, rig.ping);
        QCOMPARE(rig.Top(0), QStringLiteral("接続OK!\t(PC11:127.0.0.11)"));
        QCOMPARE(rig.list0.Line(0).left(12), QDateTime::currentDateTime().toString("MM/dd hh:mm") + QChar(0x3000));
        for (int i = 0; i < 3; ++i) CheckAllTargets(rig, rig.ping);
        QCOMPARE(rig.Top(0), QStringLiteral("ﾀｲﾑｱｳﾄ!\t３回目(PC11:127.0.0.11)"));
        QCOMPARE(rig.Top(1), rig.Top(0));
        CheckAllTargets(rig, rig.ping);
        QCOMPARE(rig.Top(1), QStringLiteral("接続NG!\t(PC11:127.0.0.11) IPｱﾄﾞﾚｽ or ｻｰﾊﾞ確認(") + rig.ping.PingMsg() + ")");
        QVERIFY(!rig.ping.PingMsg().isEmpty());
        const QStringList ev = eventLines();
        QCOMPARE(ev.size(), 2);
        QVERIFY(ev[0].endsWith(QStringLiteral(",G1,127.0.0.11,ＰＣ11　【pc11：ｻｰﾊﾞｰ】,ｺﾝﾋﾟｭｰﾀの通信ﾚｽﾎﾟﾝｽが遅い状態です。注意！")));
        QVERIFY(ev[1].endsWith(QStringLiteral(",ｺﾝﾋﾟｭｰﾀが通信不能の状態。至急確認！")));
    }

    void countAboveLimitFallsBack() {
        addComputer(db, kA, 3);
        CheckRig rig;
        rig.Load();
        gPingDatas.Item(1)->NotConnectCount = 30002;  // the next miss is 30003, a multiple of 3
        rig.script[kA] = {'t'};
        CheckAllTargets(rig, rig.ping);
        QCOMPARE(gPingDatas.Item(1)->NotConnectCount, 3);
        QCOMPARE(rig.Top(1), QStringLiteral("ﾀｲﾑｱｳﾄ!\t３回目(PC11:127.0.0.11)"));
        QCOMPARE(rig.Image("#" + kA), QStringLiteral("Stop"));
    }

    // After an echo error the computer waits out the back-off before its next echo.
    void backoff_data() {
        QTest::addColumn<int>("ngrset");
        QTest::addColumn<int>("missesBefore");
        QTest::addColumn<int>("skipped");
        QTest::newRow("N=10 count 0") << 10 << 0 << 9;
        QTest::newRow("N=10 count 5") << 10 << 5 << 4;
        QTest::newRow("N=10 count 9") << 10 << 9 << 0;
        QTest::newRow("N=1") << 1 << 0 << 0;
    }
    void backoff() {
        QFETCH(int, ngrset);
        QFETCH(int, missesBefore);
        QFETCH(int, skipped);
        gOptNGRset = ngrset;
        addComputer(db, kA, 99);
        CheckRig rig;
        rig.Load();
        for (int i = 0; i < missesBefore; ++i) rig.script[kA].push_back('t');
        rig.script[kA].push_back('e');
        for (int i = 0; i <= missesBefore; ++i) CheckAllTargets(rig, rig.ping);
        QCOMPARE(rig.echoes[kA], missesBefore + 1);
        int rounds = 0;
        while (rig.echoes[kA] == missesBefore + 1 && rounds < 20) {
            CheckAllTargets(rig, rig.ping);
            ++rounds;
        }
        QCOMPARE(rounds - 1, skipped);
        QCOMPARE(rig.Image("#" + kA), QStringLiteral("Nomal"));
    }

    void portAndPluginFailures_data() {
        QTest::addColumn<bool>("webInfo");
        QTest::newRow("web info on") << true;
        QTest::newRow("web info off") << false;
    }
    void portAndPluginFailures() {
        QFETCH(bool, webInfo);
        gOptWebInfo = webInfo;
        const QString local = QStringLiteral("127.0.0.1");
        QTcpServer open;
        QVERIFY(open.listen(QHostAddress::LocalHost, 0));
        const quint16 closed = closedPort();
        addComputer(db, local, 3);
        addPort(db, local, open.serverPort(), QStringLiteral("web"));
        addPort(db, local, closed, QStringLiteral(" dead "));
        addPlugin(db, local, 1, QStringLiteral("127.0.0.1|%1|1|0|0|plug").arg(closed));
        CheckRig rig;
        CountingMixer mixer;
        rig.Load();
        QVERIFY2(rig.nodes.Item("%127.0.0.1@001"), "the port plug-in must be loaded");
        CheckAllTargets(rig, rig.ping);

        QCOMPARE(rig.Image("#127.0.0.1"), QStringLiteral("Question"));
        QCOMPARE(rig.Image(QStringLiteral("$127.0.0.1@%1").arg(open.serverPort())), QStringLiteral("SStart"));
        QCOMPARE(rig.Image(QStringLiteral("$127.0.0.1@%1").arg(closed)), QStringLiteral("SStop"));
        QCOMPARE(rig.Image("%127.0.0.1@001"), QStringLiteral("SStop"));
        const QString plugText = TreeNodes::Text(rig.nodes.Item("%127.0.0.1@001"));
        QCOMPARE(rig.list1.Count(), 2);
        QCOMPARE(rig.Top(1), QStringLiteral("ｻｰﾋﾞｽNG!\t(PC1:127.0.0.1)(ﾁｪｯｸ=") + plugText + ")ｻｰﾋﾞｽ確認");
        QCOMPARE(rig.list1.Line(1).mid(12),
                 QStringLiteral("ｻｰﾋﾞｽNG!\t(PC1:127.0.0.1)(ﾎﾟｰﾄ=%1: dead )ｻｰﾋﾞｽ確認").arg(closed));
        QCOMPARE(rig.list0.Count(), 3);  // the echo line, then the two failures
        QCOMPARE(mixer.sounds(), 2);
        QVERIFY(gPatLampShowing);
        const QStringList ev = eventLines();
        QCOMPARE(ev.size(), 2);
        QVERIFY(ev[0].endsWith(QStringLiteral(",ｻｰﾋﾞｽ(dead)が停止中。至急確認！")));
        QVERIFY(ev[1].endsWith(QStringLiteral(",ｻｰﾋﾞｽ(") + plugText + QStringLiteral(")で異常。至急確認！")));
        QVERIFY(gPingDatas.Item(1)->NotIPAddress);

        QCOMPARE(storedState(db, local), webInfo ? QStringLiteral("Question") : QStringLiteral("Nomal"));
        QCOMPARE(storedState(db, local, closed), webInfo ? QStringLiteral("SStop") : QStringLiteral("SStart"));
        QCOMPARE(storedState(db, local, open.serverPort()), QStringLiteral("SStart"));
    }

    // The alarm of a failed port reaches the people in charge with the prefix naming the
    // computer (its node text narrowed); the event log has the message alone.
    void alarmNotification() {
        gOptSendMsg = true;
        gOptUserName = QStringLiteral("管理者");
        const QString local = QStringLiteral("127.0.0.1");
        const quint16 closed = closedPort();
        addComputer(db, local, 3);
        addPort(db, local, closed, QStringLiteral("web"));
        QVERIFY(vtest::Exec(db, "INSERT INTO TBL_User (職番,氏名,所属名,アドレス,警報種別,メール送信有無) VALUES ('u1','a','b','127.0.0.2','1',0)"));
        QVERIFY(vtest::Exec(db, "INSERT INTO TBL_MsgSend (グループ,アドレス,職番) VALUES ('G1','127.0.0.1','u1')"));
        QUdpSocket pc;
        QVERIFY(pc.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
        gOptPort = pc.localPort();  // the messenger sends to the same port it listens on
        LanMessenger messenger;
        QCOMPARE(messenger.Open(gOptPort, QHostAddress::LocalHost), 0);
        MailslotSender mailslot;
        NotifyForm notify{messenger, mailslot, nullptr, 25};
        CheckRig rig;
        rig.SetNotifyTarget(&notify);
        rig.Load();
        CheckAllTargets(rig, rig.ping);
        QVERIFY(pc.waitForReadyRead(5000));
        QByteArray datagram(int(pc.pendingDatagramSize()), Qt::Uninitialized);
        pc.readDatagram(datagram.data(), datagram.size());
        const LanMessage m = ParseLanDatagram(datagram);
        QCOMPARE(m.code, QStringLiteral("11"));
        QCOMPARE(m.gameId, QStringLiteral("99"));
        QCOMPARE(m.data, QStringLiteral("ｸﾞﾙｰﾌﾟ=G1,IP=127.0.0.1,名称=PC1 【pc1:ｻｰﾊﾞｰ】ｻｰﾋﾞｽ(web)が停止中。至急確認！"));
        QVERIFY(!pc.waitForReadyRead(300));  // one alarm, one datagram
        const QStringList ev = eventLines();
        QCOMPARE(ev.size(), 1);
        QVERIFY(ev[0].endsWith(QStringLiteral(",G1,127.0.0.1,ＰＣ1　【pc1：ｻｰﾊﾞｰ】,ｻｰﾋﾞｽ(web)が停止中。至急確認！")));
    }

    // A plug-in that recovers in a pass where a port still fails leaves the computer's
    // stored state as the failing port made it.
    void pluginRecoveryKeepsStoredState() {
        gOptWebInfo = true;
        gOptNGRset = 1;
        const QString local = QStringLiteral("127.0.0.1");
        QTcpServer later;
        QVERIFY(later.listen(QHostAddress::LocalHost, 0));
        const quint16 pluginPort = later.serverPort();
        later.close();
        const quint16 closed = closedPort();
        addComputer(db, local, 3);
        addPort(db, local, closed);
        addPlugin(db, local, 1, QStringLiteral("127.0.0.1|%1|1|0|0|plug").arg(pluginPort));
        CheckRig rig;
        rig.Load();
        CheckAllTargets(rig, rig.ping);
        QCOMPARE(rig.Image("%127.0.0.1@001"), QStringLiteral("SStop"));
        QVERIFY(later.listen(QHostAddress::LocalHost, pluginPort));
        CheckAllTargets(rig, rig.ping);
        QCOMPARE(rig.Image("%127.0.0.1@001"), QStringLiteral("SStart"));
        QCOMPARE(rig.Image("#127.0.0.1"), QStringLiteral("Question"));
        QCOMPARE(storedState(db, local), QStringLiteral("Question"));
    }

    // A fault inside one computer's checks stays with that entry: it counts as a failed
    // check, with its line and alarm, and a round goes on to the next computer.
    void containedFailures_data() {
        QTest::addColumn<bool>("immediate");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("line");   // the new abnormal-status line, %1 the port
        QTest::addColumn<QString>("event");  // how the event-log line ends; "" for none
        QTest::newRow("round, plug-in raises") << false << "raise" << "ｻｰﾋﾞｽNG!\t(PC11:127.0.0.11)(ﾁｪｯｸ=Raiser001)ｻｰﾋﾞｽ確認"
                                               << ",ｻｰﾋﾞｽ(Raiser001)で異常。至急確認！";
        QTest::newRow("round, port node missing") << false << "node" << "ｻｰﾋﾞｽNG!\t(PC11:127.0.0.11)(ﾎﾟｰﾄ=%1:svc)ｻｰﾋﾞｽ確認"
                                                  << ",ｻｰﾋﾞｽ(svc)が停止中。至急確認！";
        QTest::newRow("immediate, plug-in raises") << true << "raise" << "ｻｰﾋﾞｽNG!\t(PC11:127.0.0.11)(ﾁｪｯｸ=Raiser001)ｻｰﾋﾞｽ確認"
                                                   << ",ｻｰﾋﾞｽ(Raiser001)で異常。至急確認！";
        QTest::newRow("immediate, port node missing") << true << "node" << "ｻｰﾋﾞｽNG!\t(PC11:127.0.0.11) (ﾎﾟｰﾄ=%1:svc)ｻｰﾋﾞｽ確認"
                                                      << "";
    }
    void containedFailures() {
        QFETCH(bool, immediate);
        QFETCH(QString, fault);
        QFETCH(QString, line);
        QFETCH(QString, event);
        FakePlugin raiser(QStringLiteral("Raiser.so"), raise);
        const quint16 closed = closedPort();
        addComputer(db, kA, 3);
        addComputer(db, kB, 3);
        if (fault == "raise") addPlugin(db, kA, 1, QStringLiteral("x"), QStringLiteral("Raiser.so"));
        else addPort(db, kA, closed);
        CheckRig rig;
        CountingMixer mixer;
        rig.Load();
        const QString portKey = QStringLiteral("$%1@%2").arg(kA).arg(closed);
        if (fault == "node") QVERIFY(rig.nodes.Remove(portKey));
        if (immediate) CheckOneTarget(rig, rig.ping, kA);
        else CheckAllTargets(rig, rig.ping);

        if (!immediate) QCOMPARE(rig.echoes[kB], 1);  // the computer after the faulty one is checked
        QCOMPARE(rig.Image("#" + kA), QStringLiteral("Question"));
        if (fault == "raise") {
            QCOMPARE(raiser.checks, 1);
            QCOMPARE(rig.Image("%127.0.0.11@001"), QStringLiteral("SStop"));
        }
        QCOMPARE(rig.list1.Count(), 1);
        QCOMPARE(rig.Top(1), fault == "node" ? line.arg(closed) : line);
        const QStringList ev = eventLines();
        QCOMPARE(ev.size(), event.isEmpty() ? 0 : 1);
        if (!event.isEmpty()) QVERIFY2(ev[0].endsWith(event), qPrintable(ev[0]));
        QVERIFY(gPingDatas.Item(1)->NotIPAddress);
        QCOMPARE(gPingDatas.Item(1)->NotConnectCount, immediate && fault == "node" ? 1 : 0);
        QVERIFY(gPatLampShowing);
        QCOMPARE(mixer.sounds(), 1);
    }

    // A command run inside a plug-in's wait (an immediate check of the same computer) finds
    // the plug-in object busy and leaves it alone; the outer check carries on.
    void pluginBusyInNestedCheck() {
        addComputer(db, kA, 3, true, /*ping=*/false);
        addPlugin(db, kA, 1, QStringLiteral("x"), QStringLiteral("Nested.so"));
        CheckRig rig;
        int depth = 0;
        FakePlugin nested(QStringLiteral("Nested.so"), [&] {
            if (depth++ == 0) CheckOneTarget(rig, rig.ping, kA);
            return true;
        });
        rig.Load();
        CheckAllTargets(rig, rig.ping);
        QCOMPARE(nested.checks, 1);
        QCOMPARE(rig.list0.Count(), 2);  // the round's and the immediate check's echo lines
        QCOMPARE(rig.list1.Count(), 0);
        QCOMPARE(rig.Image("%127.0.0.11@001"), QStringLiteral("SStart"));
        QCOMPARE(rig.Image("#" + kA), QStringLiteral("Nomal"));
    }

    // Editing or deleting a plug-in check from inside that plug-in's check is refused
    // with a message: the object is not reset under the running check, and the database,
    // tree and model stay; once the check is over the same command works.
    void pluginEditRefusedWhileInCheck_data() {
        QTest::addColumn<QString>("mode");
        QTest::newRow("edit") << "U";
        QTest::newRow("delete") << "D";
    }
    void pluginEditRefusedWhileInCheck() {
        QFETCH(QString, mode);
        addComputer(db, kA, 3, true, /*ping=*/false);
        addPlugin(db, kA, 1, QStringLiteral("10.0.0.1|80"), QStringLiteral("Edit.so"));
        const QVariant stored = vtest::Scalar(db, QStringLiteral("SELECT 引数 FROM TBL_DLL"));
        CheckRig rig;
        bool inCheck = true;
        bool changed = true;
        FakePlugin plugin(QStringLiteral("Edit.so"), [&] {
            if (inCheck) changed = UpdateDllCheck(mode, rig);
            return true;
        });
        rig.Load();
        vtest::RecordingMessageBox boxes;
        gSelAddress = kA;
        gSelSubNo = 1;
        CheckAllTargets(rig, rig.ping);
        QCOMPARE(plugin.checks, 1);
        QVERIFY(!changed);
        QCOMPARE(plugin.windows, 0);
        QCOMPARE(plugin.resetInCheck, 0);
        QCOMPARE(boxes.prompts(), QStringList{kPluginInCheck});
        QCOMPARE(vtest::Scalar(db, QStringLiteral("SELECT 引数 FROM TBL_DLL")), stored);
        QVERIFY(rig.nodes.Item(QStringLiteral("%127.0.0.11@001")));
        QCOMPARE(gPingDatas.Item(1)->DllData().GetItemNo(1), 1);

        inCheck = false;
        QVERIFY(UpdateDllCheck(mode, rig));
        QCOMPARE(plugin.windows, 1);
        QCOMPARE(boxes.shown.size(), 1);
    }

    // The other way round: a check that starts while the plug-in's settings window is up
    // leaves that object alone, so what the window edited is what gets stored.
    void checkInsideThePluginWindowSkipsIt() {
        addComputer(db, kA, 3, true, /*ping=*/false);
        addPlugin(db, kA, 1, QStringLiteral("10.0.0.1|80"), QStringLiteral("Edit.so"));
        CheckRig rig;
        FakePlugin plugin(QStringLiteral("Edit.so"), [] { return true; });
        rig.Load();
        gSelAddress = kA;
        gSelSubNo = 1;
        plugin.inWindow = [&] { CheckOneTarget(rig, rig.ping, kA); };
        QVERIFY(UpdateDllCheck(QStringLiteral("U"), rig));
        QCOMPARE(plugin.checks, 0);
        QCOMPARE(gPingDatas.Item(1)->DllData().Item(gPingDatas.Item(1)->DllData().GetItemNo(1))->Parameter, QStringLiteral("edited"));
        QCOMPARE(vtest::Scalar(db, QStringLiteral("SELECT 引数 FROM TBL_DLL")).toString(),
                 Encipherment(QString::fromLatin1(kParameterKey), QStringLiteral("edited")));
    }

    // The end-of-round lamp test: only a computer of a checked group in "Stop" or
    // "Question" keeps the lamp up.
    void lampTest_data() {
        QTest::addColumn<QString>("image");
        QTest::addColumn<bool>("groupOn");
        QTest::addColumn<bool>("stays");
        QTest::newRow("Stop, group on") << "Stop" << true << true;
        QTest::newRow("Question, group on") << "Question" << true << true;
        QTest::newRow("Critical, group on") << "Critical" << true << false;
        QTest::newRow("Stop, group off") << "Stop" << false << false;
    }
    void lampTest() {
        QFETCH(QString, image);
        QFETCH(bool, groupOn);
        QFETCH(bool, stays);
        gOptNoCheck = true;  // a switched-off group is loaded too
        addGroup(db, QStringLiteral("G2"), groupOn);
        addComputer(db, kA, 3);
        addComputer(db, kB, 3, true, true, QStringLiteral("G2"));
        CheckRig rig;
        rig.Load();
        rig.nodes.SetImage(rig.nodes.Item("#" + kB), image);
        ShowPatLamp();
        QVERIFY(gPatLampShowing);
        LampTest(rig);
        QCOMPARE(gPatLampShowing, stays);
    }

    // With its echo switched off a computer counts as reachable: no echo goes out, the
    // line says so, and its ports are probed.
    void echoSwitchedOff_data() {
        QTest::addColumn<bool>("immediate");
        QTest::newRow("round") << false;
        QTest::newRow("immediate") << true;
    }
    void echoSwitchedOff() {
        QFETCH(bool, immediate);
        const quint16 closed = closedPort();
        addComputer(db, kA, 3, true, /*ping=*/false);
        addPort(db, kA, closed);
        CheckRig rig;
        rig.Load();
        if (immediate) CheckOneTarget(rig, rig.ping, kA);
        else CheckAllTargets(rig, rig.ping);
        QCOMPARE(rig.echoes[kA], 0);
        QCOMPARE(rig.list0.Count(), 2);
        QCOMPARE(rig.list0.Line(1).mid(12), QStringLiteral("Ping確認Skip\t(PC11:127.0.0.11)"));
        QVERIFY(rig.Top(0).startsWith(QStringLiteral("ｻｰﾋﾞｽNG!\t")));
        QCOMPARE(rig.Image(QStringLiteral("$%1@%2").arg(kA).arg(closed)), QStringLiteral("SStop"));
        QCOMPARE(rig.Image("#" + kA), QStringLiteral("Question"));
    }

    // The node state routine called by address: the image and the status row only on a
    // change, the alarm at every bad outcome, nothing for an address not in the list.
    // The decision's effects on the model, the status row and the daily log.
    void nodeStateEffects_data() {
        QTest::addColumn<QString>("shown");  // the node's image before the call
        QTest::addColumn<QString>("image");  // the image passed
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("row");  // the stored state afterwards ("old": untouched)
        QTest::addColumn<int>("events");
        QTest::newRow("Nomal on Nomal") << "Nomal" << "Nomal" << "Nomal" << "old" << 0;
        QTest::newRow("Critical on Nomal") << "Nomal" << "Critical" << "Critical" << "Critical" << 0;
        QTest::newRow("Question on Critical") << "Critical" << "Question" << "Question" << "Question" << 1;
        QTest::newRow("Stop on Stop") << "Stop" << "Stop" << "Stop" << "old" << 1;
    }
    void nodeStateEffects() {
        QFETCH(QString, shown);
        QFETCH(QString, image);
        QFETCH(QString, after);
        QFETCH(QString, row);
        QFETCH(int, events);
        gOptWebInfo = true;
        addComputer(db, kA, 3);
        CheckRig rig;
        vtest::RecordingMessageBox box;
        rig.Load();
        QVERIFY(vtest::Exec(db, "UPDATE TBL_Computer SET 状況='old'"));
        rig.nodes.SetImage(rig.nodes.Item("#" + kA), shown);
        SetNodeStateAndAlarm(rig, *gPingDatas.Item(1), NodeOutcome{image});
        QCOMPARE(rig.Image("#" + kA), after);
        QCOMPARE(storedState(db, kA), row);
        QCOMPARE(eventLines().size(), events);
    }

    void refusedParameterShowsItsNumber() {
        const QString local = QStringLiteral("127.0.0.1");
        addComputer(db, local, 3);
        addPlugin(db, local, 1, QStringLiteral("127.0.0.1|notaport|1|0|0|x"));
        CheckRig rig;
        vtest::RecordingMessageBox box;
        rig.Load();
        CheckAllTargets(rig, rig.ping);
        QCOMPARE(box.shown.size(), 1);
        QCOMPARE(box.shown[0].prompt, QStringLiteral("13"));
        QCOMPARE(box.shown[0].style, vb::vbExclamation);
        QCOMPARE(box.shown[0].title, rig.Caption());
        QCOMPARE(rig.Image("%127.0.0.1@001"), QStringLiteral("SStart"));  // skipped: no state change
        QCOMPARE(rig.Image("#127.0.0.1"), QStringLiteral("Nomal"));
        QCOMPARE(rig.list1.Count(), 0);
    }

    void gates_data() {
        QTest::addColumn<QString>("gate");
        QTest::newRow("group off") << "group";
        QTest::newRow("computer off") << "computer";
        QTest::newRow("weekly window") << "weekly";
        QTest::newRow("dated window") << "dated";
        QTest::newRow("continue cleared") << "continue";
    }
    void gates() {
        QFETCH(QString, gate);
        gOptNoCheck = true;  // switched-off entries are loaded too, and must still be skipped
        addComputer(db, kA, 3, gate != "computer");
        if (gate == "group") QVERIFY(vtest::Exec(db, "UPDATE TBL_Group SET 診断有無=0"));
        const QDateTime now = QDateTime::currentDateTime();
        if (gate == "weekly") {
            QString mask = QStringLiteral("0000000");
            mask[now.date().dayOfWeek() % 7] = QLatin1Char('1');
            QVERIFY(vtest::Exec(db, "INSERT INTO TBL_NoCheck (アドレス,連番,開始時刻,終了時刻,曜日) VALUES (?,1,0,2359,?)",
                                {kA, mask}));
        }
        if (gate == "dated")
            QVERIFY(vtest::Exec(db, "INSERT INTO TBL_CalenderNoCheck (アドレス,日付,開始時刻,終了時刻) VALUES (?,?,0,2359)",
                                {kA, now.date().toString(Qt::ISODate)}));
        CheckRig rig;
        rig.Load();
        gPingDatas.Item(1)->NotConnectCount = 2;
        if (gate == "continue") gCheckContinue = false;
        CheckAllTargets(rig, rig.ping);
        QCOMPARE(rig.echoes[kA], 0);
        QCOMPARE(rig.list0.Count(), 0);
        QCOMPARE(gPingDatas.Item(1)->NotConnectCount, 2);
        QCOMPARE(rig.Image("#" + kA), gate == "computer" ? QStringLiteral("NoCheck") : QStringLiteral("Nomal"));
    }

    void continueClearedMidRound() {
        addComputer(db, kA, 3);
        addComputer(db, kB, 3);
        CheckRig rig;
        rig.Load();
        rig.onEcho = [](const QString&) { gCheckContinue = false; };  // a command is still open
        rig.script[kA] = {'e'};
        CheckAllTargets(rig, rig.ping);
        QCOMPARE(rig.echoes[kA], 1);
        QCOMPARE(rig.echoes[kB], 0);
        QVERIFY(gPatLampShowing);  // the lamp test still ran: the failed computer holds it up
    }

    // Closing the program while a round waits on a silent computer (its echo, a port, the
    // immediate check's echo inside the round): the waits end at once, the round ends
    // without an outcome for what it was waiting on, and leaves the computers as they were.
    void closingEndsTheRoundsWaits_data() {
        QTest::addColumn<QString>("waitingOn");
        QTest::newRow("an echo of 8 s") << "echo";
        QTest::newRow("a silent port at 5 s an attempt") << "port";
        QTest::newRow("an immediate check's echo of 10 s") << "immediate";
    }
    void closingEndsTheRoundsWaits() {
        QFETCH(QString, waitingOn);
        vtest::TestNetwork net;
        if (!net.Ready()) QSKIP(qPrintable("test namespaces cannot be made here: " + net.Failure()));
        auto inside = net.EnterClient();
        QVERIFY(inside.Entered());
        const QString silent = vtest::TestNetwork::kSilent, host = vtest::TestNetwork::kHost, after = "10.77.3.9";
        gOptPortTimeOut = 5;
        addComputer(db, waitingOn == "port" ? host : silent, 3);
        addComputer(db, after, 3);
        QVERIFY(vtest::Exec(db, "UPDATE TBL_Computer SET タイムアウト = 8000"));
        if (waitingOn == "port") {
            // The host answers its echo; its port is dropped on the way (no answer at all).
            QVERIFY(net.RunIn(net.Router(), {"ip", "rule", "add", "to", host, "ipproto", "tcp", "dport", "81", "blackhole"}));
            addPort(db, host, 81);
        }
        CheckRig rig;
        rig.Load();
        rig.ping.SetEchoFunction({});
        QTimer::singleShot(300, [&] {
            if (waitingOn == "immediate") CheckOneTarget(rig, rig.ping, silent);
        });
        QTimer::singleShot(waitingOn == "immediate" ? 600 : 300, [&] {
            // What the window does when it is closed while a round is under way.
            gCheckContinue = false;
            rig.Session().EndWaits();
        });
        QElapsedTimer clock;
        clock.start();
        CheckAllTargets(rig, rig.ping);
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!rig.Session().Running());
        QVERIFY(!rig.Session().Ending());  // the next check (after a cancelled close) waits again
        for (int i = 1; i <= gPingDatas.ListCount(); ++i) {
            QCOMPARE(gPingDatas.Item(i)->NotConnectCount, 0);
            QVERIFY(!gPingDatas.Item(i)->NotIPAddress);
        }
        QCOMPARE(rig.Image("#" + silent), waitingOn == "port" ? QString() : QStringLiteral("Nomal"));
        QCOMPARE(rig.Image("#" + after), QStringLiteral("Nomal"));
        QCOMPARE(rig.list1.Count(), 0);
        for (int i = 0; i < rig.list0.Count(); ++i) QVERIFY2(!rig.list0.Line(i).contains("ﾀｲﾑｱｳﾄ!"), qPrintable(rig.list0.Line(i)));
        if (waitingOn == "port") QCOMPARE(rig.Image(QStringLiteral("$%1@81").arg(host)), QStringLiteral("SStart"));
    }

    void pacing_data() {
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<QString>("slices");  // interval armed after each tick
        QTest::addColumn<QString>("due");     // a round on that tick
        QTest::newRow("150 s") << 150000 << "60000,30000,60000,60000,30000,60000" << "0,0,1,0,0,1";
        QTest::newRow("60 s") << 60000 << "60000,60000" << "1,1";
        QTest::newRow("45 s") << 45000 << "45000,45000" << "1,1";
        QTest::newRow("61 s") << 61000 << "1000,60000,1000" << "0,1,0";
        QTest::newRow("0 never spins") << 0 << "1000,1000" << "1,1";
        // Intervals beyond the options dialog's hour, as a settings file may hold them:
        // minute-long ticks, then the rest, and the round when all has run out.
        const auto minutes = [](int n) { return QStringList(n, QStringLiteral("60000")).join(QLatin1Char(',')); };
        const auto dueAfter = [](int n) {
            return QStringList(n - 1, QStringLiteral("0")).join(QLatin1Char(',')) + ",1";
        };
        QTest::newRow("two hours") << 7200000 << minutes(120) << dueAfter(120);
        // The longest the milliseconds hold: the count of them never wraps.
        QTest::newRow("longest") << std::numeric_limits<qint32>::max() << minutes(35790) + ",23647,60000"
                                 << dueAfter(35792);
    }
    void pacing() {
        QFETCH(int, intervalMs);
        QFETCH(QString, slices);
        QFETCH(QString, due);
        gOptTimerInterval = intervalMs;
        CheckRig rig;
        // Start-up priming: the first round runs one full interval after start.
        gTimerElapsed = gOptTimerInterval;
        SetPingTimer(rig);
        QCOMPARE(gTimerElapsed, 0);
        QCOMPARE(rig.timer.interval(), std::clamp(intervalMs, 1000, 60000));
        const QStringList sliceList = ints(slices);
        const QStringList dueList = ints(due);
        QCOMPARE(dueList.size(), sliceList.size());
        for (int t = 0; t < sliceList.size(); ++t) {
            QCOMPARE(SetPingTimer(rig), dueList[t] == QLatin1String("1"));
            QCOMPARE(rig.timer.interval(), sliceList[t].toInt());
            QVERIFY(gTimerElapsed >= 0);
        }
        // The options path: elapsed and interval zeroed, then one full new interval.
        gTimerElapsed = 0;
        rig.timer.setInterval(0);
        QCOMPARE(SetPingTimer(rig), intervalMs <= 0);
        QCOMPARE(rig.timer.interval(), std::clamp(intervalMs, 1000, 60000));
    }

    void tickHandler() {
        addComputer(db, kA, 3);
        CheckRig rig;
        vtest::RecordingStatus status;
        rig.Load();
        gOptTimerInterval = 10000;
        rig.timer.setInterval(10000);
        int nested = 0;
        rig.onEcho = [&](const QString&) {
            // A command re-armed the timer inside the round and its tick fell due.
            ++nested;
            TimerPing_Timer(rig);
            CheckAllTargets(rig, rig.ping);
        };
        TimerPing_Timer(rig);
        QCOMPARE(nested, 1);
        QCOMPARE(rig.echoes[kA], 1);
        QVERIFY(rig.timer.isActive());
        QCOMPARE(status.texts, (QStringList{"接続確認チェック　稼動中！", "接続確認チェック　待機中！"}));
        // Checking switched off during the round: the timer stays off, the text stays.
        status.texts.clear();
        rig.onEcho = [&](const QString&) { rig.SetMenuConnectChecked(false); };
        TimerPing_Timer(rig);
        QVERIFY(!rig.timer.isActive());
        QCOMPARE(status.texts, QStringList{"接続確認チェック　稼動中！"});
    }

    // The target list rebuilt or shortened while a probe yields: the round ends without
    // touching a computer that moved into a remembered position.
    void modelChangedDuringProbe_data() {
        QTest::addColumn<QString>("change");
        QTest::newRow("computer deleted") << "delete";
        QTest::newRow("reloaded") << "reload";
    }
    void modelChangedDuringProbe() {
        QFETCH(QString, change);
        addComputer(db, kA, 1);
        addComputer(db, kB, 1);
        CheckRig rig;
        rig.Load();
        rig.onEcho = [&](const QString& address) {
            if (address != kA) return;
            if (change == "delete") {
                rig.nodes.Remove("#" + kA);
                gPingDatas.RemoveItem(1);
            } else {
                rig.Load();
            }
        };
        rig.script[kA] = {'t'};
        CheckAllTargets(rig, rig.ping);
        QCOMPARE(rig.echoes[kB], 0);
        QCOMPARE(rig.list0.Count(), 0);
        for (int i = 1; i <= gPingDatas.ListCount(); ++i) QCOMPARE(gPingDatas.Item(i)->NotConnectCount, 0);
        QCOMPARE(rig.Image("#" + kB), QStringLiteral("Nomal"));
        if (change == "reload") QCOMPARE(rig.Image("#" + kA), QStringLiteral("Nomal"));
    }

    void immediateCheck_data() {
        QTest::addColumn<int>("wrongCount");
        QTest::addColumn<char>("echo");
        QTest::addColumn<int>("failedPorts");
        QTest::addColumn<QString>("image");
        QTest::addColumn<int>("alarmLines");
        QTest::addColumn<int>("events");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("backoff");
        QTest::addColumn<bool>("lamp");
        QTest::newRow("echo good") << 5 << 'o' << 0 << "Nomal" << 0 << 0 << 0 << false << false;
        QTest::newRow("two ports fail") << 5 << 'o' << 2 << "Question" << 2 << 0 << 2 << true << true;
        QTest::newRow("no reply, w=5") << 5 << 't' << 0 << "Critical" << 0 << 0 << 1 << false << false;
        QTest::newRow("no reply, w=1") << 1 << 't' << 0 << "Question" << 1 << 0 << 1 << false << false;
        QTest::newRow("echo error") << 5 << 'e' << 0 << "Stop" << 1 << 0 << 1 << true << true;
    }
    void immediateCheck() {
        QFETCH(int, wrongCount);
        QFETCH(char, echo);
        QFETCH(int, failedPorts);
        QFETCH(QString, image);
        QFETCH(int, alarmLines);
        QFETCH(int, events);
        QFETCH(int, count);
        QFETCH(bool, backoff);
        QFETCH(bool, lamp);
        gOptNoCheck = true;
        gOptWebInfo = true;
        addComputer(db, kA, wrongCount, /*on=*/false);  // switched off: checked all the same
        QVERIFY(vtest::Exec(db, "INSERT INTO TBL_NoCheck (アドレス,連番,開始時刻,終了時刻,曜日) VALUES (?,1,0,4759,'1111111')", {kA}));
        for (int i = 0; i < failedPorts; ++i) addPort(db, kA, closedPort() + i);
        CheckRig rig;
        CountingMixer mixer;
        RecordingWindow window;
        rig.Load();
        gPingDatas.Item(1)->NotIPAddress = true;  // in back-off: cleared first
        gPingDatas.Item(1)->NotConnectCount = 7;
        rig.script[kA] = {echo};
        CheckOneTarget(rig, rig.ping, kA);
        QCOMPARE(rig.lastTimeout, 10000);
        QCOMPARE(rig.Image("#" + kA), image);
        QCOMPARE(rig.list1.Count(), alarmLines);
        QCOMPARE(eventLines().size(), events);
        QCOMPARE(gPingDatas.Item(1)->NotConnectCount, count);
        QCOMPARE(gPingDatas.Item(1)->NotIPAddress, backoff);
        QCOMPARE(gPatLampShowing, lamp);
        QCOMPARE(storedState(db, kA), image);
        if (echo == 't') QCOMPARE(rig.Top(0), QStringLiteral("ﾀｲﾑｱｳﾄ!\t１回目(PC11:127.0.0.11)"));
        if (echo == 'e') QCOMPARE(rig.Top(1), QStringLiteral("接続NG!\t(PC11:127.0.0.11) IPｱﾄﾞﾚｽ or ｻｰﾊﾞ確認"));
        if (failedPorts) QVERIFY(rig.Top(1).startsWith(QStringLiteral("ｻｰﾋﾞｽNG!\t(PC11:127.0.0.11) (ﾎﾟｰﾄ=")));
        if (image == "Question" || image == "Stop") QCOMPARE(mixer.sounds(), std::max(failedPorts, 1));
    }

    void immediateCheckCountsPluginErrorAsFailed() {
        const QString local = QStringLiteral("127.0.0.1");
        addComputer(db, local, 3);
        addPlugin(db, local, 1, QStringLiteral("127.0.0.1|%1|1|0|0|plug").arg(closedPort()));
        CheckRig rig;
        rig.Load();
        CheckOneTarget(rig, rig.ping, local);
        QCOMPARE(rig.Image("%127.0.0.1@001"), QStringLiteral("SStop"));
        QCOMPARE(rig.Image("#127.0.0.1"), QStringLiteral("Question"));
        QCOMPARE(eventLines().size(), 1);  // a failed plug-in is announced as in the round
    }

    // An address the list does not hold checks nothing, but the lamp test still runs.
    void immediateCheckOfUnknownAddress() {
        addComputer(db, kA, 3);
        CheckRig rig;
        vtest::RecordingMessageBox box;  // the list's own "not found" box
        rig.Load();
        ShowPatLamp();
        CheckOneTarget(rig, rig.ping, QStringLiteral("127.0.0.99"));
        QVERIFY(rig.echoes.empty());
        QCOMPARE(rig.list0.Count(), 0);
        QVERIFY(!gPatLampShowing);
    }

    void immediateCheckInsideARoundUsesItsOwnProbe() {
        addComputer(db, kA, 3);
        addComputer(db, kB, 3);
        CheckRig rig;
        rig.Load();
        bool ran = false;
        rig.onEcho = [&](const QString& address) {
            if (address != kA || ran) return;
            ran = true;
            QVERIFY(rig.ping.InProgress());
            CheckOneTarget(rig, rig.ping, QStringLiteral("127.0.0.1"));  // not in the model: lamp test only
        };
        CheckAllTargets(rig, rig.ping);
        QVERIFY(ran);
        QCOMPARE(rig.echoes[kA], 1);
        QCOMPARE(rig.echoes[kB], 1);
        QCOMPARE(rig.Image("#" + kA), QStringLiteral("Nomal"));
    }

    void narrowText_data() {
        QTest::addColumn<QString>("wide");
        QTest::addColumn<QString>("narrow");
        QTest::newRow("letters digits space") << "ＰＣ０１　Ａ" << "PC01 A";
        QTest::newRow("katakana voiced") << "サーバー・ガッツ" << "ｻｰﾊﾞｰ･ｶﾞｯﾂ";
        QTest::newRow("semi-voiced") << "パソコン" << "ﾊﾟｿｺﾝ";
        QTest::newRow("brackets kept") << "経理【PC：ｽﾀﾝﾄﾞｱﾛｰﾝ】" << "経理【PC:ｽﾀﾝﾄﾞｱﾛｰﾝ】";
        QTest::newRow("hiragana kept") << "ひらがな" << "ひらがな";
    }
    void narrowText() {
        QFETCH(QString, wide);
        QFETCH(QString, narrow);
        QCOMPARE(NarrowText(wide), narrow);
    }

    void addLogLineKeeps101() {
        LogLines list;
        for (int i = 0; i < 105; ++i) AddLogLine(list, QString::number(i));
        QCOMPARE(list.Count(), 101);
        QCOMPARE(list.Line(0).mid(12), QStringLiteral("104"));
        QCOMPARE(list.Line(100).mid(12), QStringLiteral("4"));
    }

    void emptyModel() {
        CheckRig rig;
        rig.Load();
        ShowPatLamp();
        QVERIFY(gPatLampShowing);
        CheckAllTargets(rig, rig.ping);
        QVERIFY(gPatLampShowing);  // the lamp test does not run on an empty model
        CheckOneTarget(rig, rig.ping, kA);
        QVERIFY(gPatLampShowing);
    }

    // One round with the real echo prober and real ports on loopback.
    void endToEndOnLoopback() {
        icmp::IcmpEcho probe;
        if (!probe.IsOpen()) QSKIP("no ICMP socket can be opened here (needs ping_group_range or root)");
        const QString local = QStringLiteral("127.0.0.1");
        QTcpServer open;
        QVERIFY(open.listen(QHostAddress::LocalHost, 0));
        const quint16 closed = closedPort();
        addComputer(db, local, 3);
        addPort(db, local, open.serverPort());
        CheckRig rig;
        ClsPing real;
        rig.Load();
        CheckAllTargets(rig, real);
        QCOMPARE(rig.Image("#127.0.0.1"), QStringLiteral("Nomal"));
        QCOMPARE(rig.Image(QStringLiteral("$127.0.0.1@%1").arg(open.serverPort())), QStringLiteral("SStart"));
        QCOMPARE(rig.list1.Count(), 0);
        QVERIFY(rig.Top(0).endsWith(QStringLiteral("\t(PC1:127.0.0.1)")));

        QVERIFY(vtest::Exec(db, "UPDATE TBL_PortCheck SET ポート番号=?", {closed}));
        rig.Load();
        CheckAllTargets(rig, real);
        QCOMPARE(rig.Image("#127.0.0.1"), QStringLiteral("Question"));
        QCOMPARE(rig.Image(QStringLiteral("$127.0.0.1@%1").arg(closed)), QStringLiteral("SStop"));
        QCOMPARE(rig.list1.Count(), 1);
        QVERIFY(gPatLampShowing);
    }
};

VANTORO_TEST_MAIN(CheckRoundTest)
#include "tst_checkround.moc"
