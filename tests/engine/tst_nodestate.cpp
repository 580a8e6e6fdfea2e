// The decision of a check outcome, without a tree, a database or a network: which states
// change, which status rows are written, and which alarm text goes out.
#include "TestSupport.h"

#include "engine/NodeState.h"

#include <QTest>

namespace {

QString Rows(const std::vector<StatusWrite>& rows) {
    QStringList out;
    for (const StatusWrite& w : rows) out << QStringLiteral("%1/%2/%3").arg(w.computerState).arg(w.port).arg(w.serviceState);
    return out.join(QLatin1Char(' '));
}

}  // namespace

class NodeStateTest : public QObject {
    Q_OBJECT

private slots:
    void decision_data() {
        QTest::addColumn<QString>("oldComputer");
        QTest::addColumn<QString>("oldService");
        QTest::addColumn<QString>("computerImage");
        QTest::addColumn<QString>("serviceKind");
        QTest::addColumn<QString>("serviceImage");
        QTest::addColumn<bool>("computerChanges");
        QTest::addColumn<bool>("serviceChanges");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("message");

        const QString stop = QStringLiteral("ｺﾝﾋﾟｭｰﾀが通信不能の状態。至急確認！");
        const QString slow = QStringLiteral("ｺﾝﾋﾟｭｰﾀの通信ﾚｽﾎﾟﾝｽが遅い状態です。注意！");
        // The service name is " www ": the texts carry it trimmed.
        const QString portDown = QStringLiteral("ｻｰﾋﾞｽ(www)が停止中。至急確認！");
        const QString pluginBad = QStringLiteral("ｻｰﾋﾞｽ(www)で異常。至急確認！");
        QTest::newRow("Nomal stays Nomal") << "Nomal" << "" << "Nomal" << "" << "" << false << false << "" << "";
        QTest::newRow("Critical on Nomal") << "Nomal" << "" << "Critical" << "" << "" << true << false
                                           << "Critical/0/SStart" << "";
        QTest::newRow("Question on Critical") << "Critical" << "" << "Question" << "" << "" << true << false
                                              << "Question/0/SStart" << slow;
        // A computer that stays down is announced again, with no second write.
        QTest::newRow("Stop stays Stop") << "Stop" << "" << "Stop" << "" << "" << false << false << "" << stop;
        QTest::newRow("port fails") << "Nomal" << "SStart" << "Question" << "$" << "SStop" << true << true
                                    << "Question/0/SStart Question/80/SStop" << portDown;
        QTest::newRow("port stays down") << "Question" << "SStop" << "Question" << "$" << "SStop" << false << false
                                         << "" << portDown;
        // A plug-in check has no status row: the computer's row carries it.
        QTest::newRow("plug-in fails") << "Nomal" << "SStart" << "Question" << "%" << "SStop" << true << true
                                       << "Question/0/SStart Question/0/SStart" << pluginBad;
        // "Stop" wins over a failed service, which is then left as it was.
        QTest::newRow("Stop with a service") << "Nomal" << "SStart" << "Stop" << "$" << "SStop" << true << false
                                             << "Stop/0/SStart" << stop;
        // A service of no known kind changes nothing of its own and raises no alarm.
        QTest::newRow("service of no kind") << "Nomal" << "SStart" << "Question" << "" << "SStop" << true << false
                                            << "Question/0/SStart" << "";
    }
    void decision() {
        QFETCH(QString, oldComputer);
        QFETCH(QString, oldService);
        QFETCH(QString, computerImage);
        QFETCH(QString, serviceKind);
        QFETCH(QString, serviceImage);
        QFETCH(bool, computerChanges);
        QFETCH(bool, serviceChanges);
        QFETCH(QString, rows);
        QFETCH(QString, message);
        const NodeOutcome outcome{computerImage, serviceKind.isEmpty() ? QChar() : serviceKind.at(0), serviceImage,
                                  QStringLiteral(" www "), 80};
        const NodeDecision d = DecideNodeState(oldComputer, oldService, outcome, QStringLiteral("G1"),
                                               QStringLiteral("10.0.0.1"), QStringLiteral("受付"));
        QCOMPARE(d.computerChanges, computerChanges);
        QCOMPARE(d.serviceChanges, serviceChanges);
        QCOMPARE(Rows(d.status), rows);
        QCOMPARE(d.message, message);
        QCOMPARE(d.notice.isEmpty(), message.isEmpty());
    }

    // The notice carries the group, the address and the node text narrowed; the event-log
    // line (the message) carries none of them.
    void notice() {
        const NodeDecision d =
            DecideNodeState(QStringLiteral("Nomal"), QString(), NodeOutcome{QStringLiteral("Stop")}, QStringLiteral("本社"),
                            QStringLiteral("10.0.0.1"), QStringLiteral("ＰＣ１　【サーバ】"));
        QCOMPARE(d.notice, QStringLiteral("ｸﾞﾙｰﾌﾟ=本社,IP=10.0.0.1,名称=PC1 【ｻｰﾊﾞ】ｺﾝﾋﾟｭｰﾀが通信不能の状態。至急確認！"));
        QCOMPARE(d.message, QStringLiteral("ｺﾝﾋﾟｭｰﾀが通信不能の状態。至急確認！"));
    }
};

VANTORO_TEST_MAIN(NodeStateTest)
#include "tst_nodestate.moc"
