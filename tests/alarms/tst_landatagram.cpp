// The LAN messenger's datagram format, byte for byte: what we build and how received
// datagrams are cut into their fields.
#include "TestSupport.h"

#include "alarms/LanDatagram.h"
#include "alarms/LanMessenger.h"

#include <QtTest>

namespace {
// CP932 forms used below.
const QByteArray kKanriSha("\x8a\xc7\x97\x9d\x8e\xd2");          // 管理者
const QByteArray kSystemKanriSha("\xbc\xbd\xc3\xd1\x8a\xc7\x97\x9d\x8e\xd2");  // ｼｽﾃﾑ管理者
const QByteArray kHyouSo("\x95\x5c\x83\x5c");                   // 表ソ (trail bytes 0x5C)
}  // namespace

class TestLanDatagram : public QObject {
    Q_OBJECT
private slots:
    void build_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("game");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("announce, default user name")
            << "01" << u"ｼｽﾃﾑ管理者"_qs << "192.168.1.5" << "" << ""
            << ("01<USERNAME>" + kSystemKanriSha + "<IPADDR>192.168.1.5<GAMEID><DATA>");
        QTest::newRow("alarm text with a wave dash")
            << "11" << u"管理者"_qs << "10.0.0.1" << "99" << u"停止～"_qs
            << ("11<USERNAME>" + kKanriSha + "<IPADDR>10.0.0.1<GAMEID>99<DATA>\x92\xe2\x8e\x7e\x81\x60");
        QTest::newRow("all empty") << "02" << "" << "" << "" << ""
                                   << QByteArray("02<USERNAME><IPADDR><GAMEID><DATA>");
    }
    void build() {
        QFETCH(QString, code);
        QFETCH(QString, user);
        QFETCH(QString, ip);
        QFETCH(QString, game);
        QFETCH(QString, data);
        QFETCH(QByteArray, bytes);
        QCOMPARE(BuildLanDatagram(code, user, ip, game, data), bytes);
    }

    void parse_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("fields");  // code, user, ip, game id, data
        QTest::newRow("double-byte user name comes back whole")
            << ("01<USERNAME>" + kKanriSha + "<IPADDR>192.168.0.2<GAMEID><DATA>")
            << QStringList{"01", u"管理者"_qs, "192.168.0.2", "", ""};
        QTest::newRow("trail bytes equal to a backslash")
            << ("02<USERNAME>" + kHyouSo + "<IPADDR>1.2.3.4<GAMEID><DATA>")
            << QStringList{"02", u"表ソ"_qs, "1.2.3.4", "", ""};
        QTest::newRow("11 keeps its data")
            << ("11<USERNAME>a<IPADDR>1.2.3.4<GAMEID>99<DATA>" + kKanriSha + " down")
            << QStringList{"11", "a", "1.2.3.4", "99", u"管理者 down"_qs};
        QTest::newRow("21 keeps its data") << QByteArray("21<USERNAME>a<IPADDR>b<GAMEID>c<DATA>d")
                                           << QStringList{"21", "a", "b", "c", "d"};
        QTest::newRow("31 keeps its data") << QByteArray("31<USERNAME>a<IPADDR>b<GAMEID>c<DATA>d")
                                           << QStringList{"31", "a", "b", "c", "d"};
        QTest::newRow("32 keeps its data") << QByteArray("32<USERNAME>a<IPADDR>b<GAMEID>c<DATA>d")
                                           << QStringList{"32", "a", "b", "c", "d"};
        QTest::newRow("01 drops its data") << QByteArray("01<USERNAME>a<IPADDR>b<GAMEID>c<DATA>d")
                                           << QStringList{"01", "a", "b", "c", ""};
        QTest::newRow("12 drops its data") << QByteArray("12<USERNAME>a<IPADDR>b<GAMEID>c<DATA>d")
                                           << QStringList{"12", "a", "b", "c", ""};
        QTest::newRow("no DATA tag: no data and no game id")
            << QByteArray("11<USERNAME>a<IPADDR>b<GAMEID>99")
            << QStringList{"11", "a", "b", "", ""};
        QTest::newRow("no IPADDR tag: user name and address empty")
            << QByteArray("02<USERNAME>bob<GAMEID>99<DATA>")
            << QStringList{"02", "", "", "99", ""};
        QTest::newRow("tags out of order: the cut runs by position")
            << QByteArray("11<IPADDR>1.2.3.4<USERNAME>bob<GAMEID>99<DATA>x")
            << QStringList{"11", "", "1.2.3.4<USERNAME>bob", "99", "x"};
        QTest::newRow("DATA before GAMEID") << QByteArray("11<USERNAME>u<IPADDR>i<DATA>x<GAMEID>g")
                                            << QStringList{"11", "u", "i<DATA>x", "", "x<GAMEID>g"};
        QTest::newRow("every tag right after the previous one")
            << QByteArray("01<USERNAME><IPADDR><GAMEID><DATA>") << QStringList{"01", "", "", "", ""};
        QTest::newRow("a code and nothing else") << QByteArray("0") << QStringList{"0", "", "", "", ""};
        QTest::newRow("a code of two double-byte characters")
            << ("\x82\xa0\x82\xa2<USERNAME>" + kKanriSha + "<IPADDR>x<GAMEID><DATA>")
            << QStringList{u"あい"_qs, u"管理者"_qs, "x", "", ""};
        QTest::newRow("lead byte cut off at the end of the data")
            << QByteArray("11<USERNAME>a<IPADDR>b<GAMEID>c<DATA>z\x81")
            << QStringList{"11", "a", "b", "c", u"z\uFFFD"_qs};
        QTest::newRow("a tag cut short") << QByteArray("11<USERNAME>a<IPADDR>b<GAMEID>c<DATA")
                                         << QStringList{"11", "a", "b", "", ""};
    }
    void parse() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, fields);
        const LanMessage m = ParseLanDatagram(bytes);
        QCOMPARE((QStringList{m.code, m.userName, m.ipAddr, m.gameId, m.data}), fields);
    }

    // The text entry point fills the shared fields, and a later parse overwrites them all.
    void parseTextFillsTheSharedFields() {
        ParseLanMessage(u"11<USERNAME>管理者<IPADDR>10.1.1.1<GAMEID>99<DATA>ｻｰﾊﾞｰ停止"_qs);
        QCOMPARE((QStringList{gMsgCode, gMsgUserName, gMsgIPAddr, gMsgGameID, gMsgData}),
                 (QStringList{"11", u"管理者"_qs, "10.1.1.1", "99", u"ｻｰﾊﾞｰ停止"_qs}));
        ParseLanMessage(QStringLiteral("02"));
        QCOMPARE((QStringList{gMsgCode, gMsgUserName, gMsgIPAddr, gMsgGameID, gMsgData}),
                 (QStringList{"02", "", "", "", ""}));
    }

    void blank_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("blank");
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("spaces") << QByteArray("   ") << true;
        QTest::newRow("a tab is not a space") << QByteArray(" \t ") << false;
        QTest::newRow("text between spaces") << QByteArray(" 01 ") << false;
    }
    void blank() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, blank);
        QCOMPARE(IsBlankLanDatagram(bytes), blank);
    }

    void defaultRoute_data() {
        const QByteArray header = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
        QTest::addColumn<QByteArray>("routes");
        QTest::addColumn<QString>("iface");
        QTest::newRow("one default route")
            << header + "eth0\t0000A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
                        "eth0\t00000000\t0100A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
            << "eth0";
        QTest::newRow("the lowest metric wins")
            << header + "wlan0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
                        "enp3s0\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
            << "enp3s0";
        QTest::newRow("a route that is down does not count")
            << header + "eth1\t00000000\t0101A8C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n"
                        "eth0\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
            << "eth0";
        QTest::newRow("only a LAN route") << header + "eth0\t0000A8C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
                                          << "";
        QTest::newRow("header only") << header << "";
        QTest::newRow("nothing") << QByteArray() << "";
    }
    void defaultRoute() {
        QFETCH(QByteArray, routes);
        QFETCH(QString, iface);
        QCOMPARE(DefaultRouteInterface(routes), iface);
    }
};

VANTORO_TEST_MAIN(TestLanDatagram)
#include "tst_landatagram.moc"
