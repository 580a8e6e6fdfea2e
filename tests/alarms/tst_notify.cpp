// The alarm notification against a fresh monitoring database, a real SMTP server
// (python3-aiosmtpd on loopback) and real loopback receivers: the program's messenger on
// 127.0.0.1, a messenger-kind PC on 127.0.0.2 (same port) and a popup-kind PC on
// 127.0.0.3 whose datagram service listens on a test port.
#include "SmtpSink.h"
#include "TestSupport.h"

#include "alarms/LanMessenger.h"
#include "alarms/Mailslot.h"
#include "alarms/Notify.h"
#include "model/Globals.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTemporaryDir>
#include <QTcpServer>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

namespace {

const QHostAddress kProgramAddr(QStringLiteral("127.0.0.1"));
const QHostAddress kMessengerPc(QStringLiteral("127.0.0.2"));
const QHostAddress kPopupPc(QStringLiteral("127.0.0.3"));

using vtest::SmtpSink;

QStringList Sorted(const QJsonValue& v) {
    QStringList out;
    for (const QJsonValue& e : v.toArray()) out << e.toString();
    out.sort();
    return out;
}

// A UDP port free on all three loopback addresses at the time of asking.
quint16 FreePort(std::initializer_list<QHostAddress> on) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        QUdpSocket first;
        if (!first.bind(*on.begin(), 0)) continue;
        bool free = true;
        std::vector<std::unique_ptr<QUdpSocket>> others;
        for (auto it = on.begin() + 1; it != on.end() && free; ++it) {
            others.push_back(std::make_unique<QUdpSocket>());
            free = others.back()->bind(*it, first.localPort());
        }
        if (free) return first.localPort();
    }
    return 0;
}

QList<QByteArray> Drain(QUdpSocket& s) {
    QList<QByteArray> got;
    while (s.hasPendingDatagrams()) got << s.receiveDatagram().data();
    return got;
}

const QString kAddUser = QStringLiteral(
    "INSERT INTO TBL_User (職番, 氏名, アドレス, 警報種別, メール送信有無, メール1, メール2) VALUES (?, ?, ?, ?, ?, ?, ?)");
const QString kAssign = QStringLiteral("INSERT INTO TBL_MsgSend (グループ, アドレス, 職番) VALUES (?, ?, ?)");

}  // namespace

class TestNotify : public QObject {
    Q_OBJECT

    SmtpSink mSink;
    quint16 mLanPort = 0;
    quint16 mSlotPort = 0;
    QString mDb;
    std::unique_ptr<LanMessenger> mProgram;
    std::unique_ptr<MailslotSender> mMailslot;
    std::unique_ptr<NotifyForm> mForm;
    std::unique_ptr<QUdpSocket> mMessengerPc;
    std::unique_ptr<QUdpSocket> mPopupPc;

    // What reached the two PCs, after a short settling wait.
    QList<QByteArray> lanReceived() {
        QTest::qWait(100);
        return Drain(*mMessengerPc);
    }
    QList<QByteArray> popupsReceived() { return Drain(*mPopupPc); }

private slots:
    void initTestCase() { QVERIFY2(mSink.Start(), "the aiosmtpd sink did not start"); }

    void init() {
        mDb = vtest::FreshDatabase();
        gOptSendMsg = true;
        gOptUserName = u"管理者"_qs;
        gOptMailUserID = QStringLiteral("alarm");
        gOptPOPServer = QStringLiteral("127.0.0.1");  // with MailServer empty, the mail goes here
        gOptMailServer.clear();

        mLanPort = FreePort({kProgramAddr, kMessengerPc});
        QVERIFY(mLanPort != 0);
        mProgram = std::make_unique<LanMessenger>();
        QCOMPARE(mProgram->Open(mLanPort, kProgramAddr), 0);
        mMessengerPc = std::make_unique<QUdpSocket>();
        QVERIFY(mMessengerPc->bind(kMessengerPc, mLanPort));
        mPopupPc = std::make_unique<QUdpSocket>();
        QVERIFY(mPopupPc->bind(kPopupPc, 0));
        mMailslot = std::make_unique<MailslotSender>();
        mMailslot->SetDestinationPort(mPopupPc->localPort());
        mForm = std::make_unique<NotifyForm>(NotifyForm{*mProgram, *mMailslot, nullptr, mSink.Port()});
        mSink.Take();
    }
    void cleanup() {
        mForm.reset();
        mMailslot.reset();
        mPopupPc.reset();
        mMessengerPc.reset();
        mProgram.reset();
    }

    // Yamada sits at the popup PC and is assigned both to the computer and to its group;
    // Tanaka shares his PC and kind; Suzuki (no mail wanted) is at the messenger PC; Sato
    // has no PC, so mail only; people of another computer or group get nothing.
    void mailOnceAndOnePopupPerPc() {
        QVERIFY(vtest::Exec(mDb, kAddUser, {"u1", u"山田"_qs, "127.0.0.3", "0", -1, "yamada@example.test", QVariant()}));
        QVERIFY(vtest::Exec(mDb, kAddUser, {"u2", u"田中"_qs, "127.0.0.3", "0", 0, QVariant(), QVariant()}));
        QVERIFY(vtest::Exec(mDb, kAddUser, {"u3", u"鈴木"_qs, "127.0.0.2", "1", 0, "suzuki@example.test", QVariant()}));
        QVERIFY(vtest::Exec(mDb, kAddUser, {"u4", u"佐藤"_qs, QVariant(), "1", -1, "sato@example.test", " sato2@example.test "}));
        QVERIFY(vtest::Exec(mDb, kAddUser, {"u5", u"他"_qs, "127.0.0.2", "1", -1, "other@example.test", QVariant()}));
        QVERIFY(vtest::Exec(mDb, kAssign, {"本社", "10.0.0.5", "u1"}));
        QVERIFY(vtest::Exec(mDb, kAssign, {"本社", QVariant(), "u1"}));
        QVERIFY(vtest::Exec(mDb, kAssign, {"本社", "10.0.0.5", "u2"}));
        QVERIFY(vtest::Exec(mDb, kAssign, {"本社", QVariant(), "u3"}));
        QVERIFY(vtest::Exec(mDb, kAssign, {"本社", QVariant(), "u4"}));
        QVERIFY(vtest::Exec(mDb, kAssign, {"支社", QVariant(), "u5"}));
        QVERIFY(vtest::Exec(mDb, kAssign, {"本社", "10.0.0.6", "u5"}));
        vtest::RecordingStatus status;

        QCOMPARE(SendLanMessage(*mForm, "12", u"本社"_qs, "10.0.0.5", u"  【本社】 10.0.0.5 応答なし  "_qs), 0);
        const QString text = u"【本社】 10.0.0.5 応答なし"_qs;

        const QList<QJsonObject> mails = mSink.Take();
        QCOMPARE(mails.size(), 1);
        QCOMPARE(Sorted(mails[0]["rcpt_tos"]),
                 (QStringList{"sato2@example.test", "sato@example.test", "yamada@example.test"}));
        QCOMPARE(mails[0]["mail_from"].toString(), QStringLiteral("alarm@127.0.0.1"));
        QCOMPARE(mails[0]["subject"].toString().trimmed(), u"コンピュータ監視の警報"_qs);
        QCOMPARE(mails[0]["body"].toString(), text + QStringLiteral("\r\n"));

        QCOMPARE(lanReceived(), (QList<QByteArray>{BuildLanDatagram("11", u"管理者"_qs, "127.0.0.1", "99", text)}));
        const QList<QByteArray> popups = popupsReceived();
        QCOMPARE(popups.size(), 1);
        QVERIFY(popups[0].endsWith(MessengerPayload(u"管理者"_qs, "127.0.0.3", text)));
        QVERIFY2(status.texts.isEmpty(), qPrintable(status.texts.join('\n')));
    }

    // Group and computer are bound values: quotes route like any other character.
    void quoteInGroupAndAddress() {
        QVERIFY(vtest::Exec(mDb, kAddUser, {"u1", "O'Neil", "127.0.0.2", "1", -1, "oneil@example.test", QVariant()}));
        QVERIFY(vtest::Exec(mDb, kAssign, {"O'Brien's", "pc'7", "u1"}));
        QCOMPARE(SendLanMessage(*mForm, "12", "O'Brien's", "pc'7", "down"), 0);
        QCOMPARE(mSink.Take().size(), 1);
        QCOMPARE(lanReceived().size(), 1);
    }

    // With SendMsg off nothing happens for any code, not even a look at the database.
    void sendMsgOff_data() {
        QTest::addColumn<QString>("code");
        QTest::newRow("announce") << "01";
        QTest::newRow("answer") << "02";
        QTest::newRow("alarm") << "12";
    }
    void sendMsgOff() {
        QFETCH(QString, code);
        QVERIFY(vtest::Exec(mDb, kAddUser, {"u1", "a", "127.0.0.2", "1", -1, "a@example.test", QVariant()}));
        QVERIFY(vtest::Exec(mDb, kAssign, {"G", QVariant(), "u1"}));
        gMsgIPAddr = QStringLiteral("127.0.0.2");
        gOptSendMsg = false;
        gOptDatabasePath = vtest::HomeDir() + QStringLiteral("/missing.MDB");
        vtest::RecordingStatus status;
        QCOMPARE(SendLanMessage(*mForm, code, "G", "10.0.0.1", "down"), 0);
        QVERIFY(lanReceived().isEmpty());
        QVERIFY(mSink.Take().isEmpty());
        QVERIFY(status.texts.isEmpty());
    }

    void missingDatabaseEndsTheAlarm() {
        gOptDatabasePath = vtest::HomeDir() + QStringLiteral("/missing.MDB");
        QCOMPARE(SendLanMessage(*mForm, "12", "G", "10.0.0.1", "down"), notifyerr::kDatabaseOpen);
        QVERIFY(lanReceived().isEmpty());
        QVERIFY(mSink.Take().isEmpty());
    }

    // A PC that cannot be reached is reported; the PCs after it still get their popup.
    void unreachablePcDoesNotStopTheOthers() {
        QVERIFY(vtest::Exec(mDb, kAddUser, {"u1", "a", "", "1", 0, QVariant(), QVariant()}));  // sorts first
        QVERIFY(vtest::Exec(mDb, kAddUser, {"u2", "b", "127.0.0.2", "1", 0, QVariant(), QVariant()}));
        QVERIFY(vtest::Exec(mDb, kAssign, {"G", QVariant(), "u1"}));
        QVERIFY(vtest::Exec(mDb, kAssign, {"G", QVariant(), "u2"}));
        vtest::RecordingStatus status;
        QCOMPARE(SendLanMessage(*mForm, "12", "G", "10.0.0.1", "down"), 0);
        QCOMPARE(status.texts, QStringList{u"送信に失敗しました。"_qs});
        QCOMPARE(lanReceived().size(), 1);
    }

    // A mail server that is not there is reported, and the popups follow.
    void mailFailureIsShownAndPopupsFollow() {
        QVERIFY(vtest::Exec(mDb, kAddUser, {"u1", "a", "127.0.0.2", "1", -1, "a@example.test", QVariant()}));
        QVERIFY(vtest::Exec(mDb, kAssign, {"G", "10.0.0.1", "u1"}));
        quint16 closed = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(kProgramAddr, 0));
            closed = probe.serverPort();
        }
        mForm->mailPort = closed;
        vtest::RecordingStatus status;
        QCOMPARE(SendLanMessage(*mForm, "12", "G", "10.0.0.1", "down"), 0);
        QCOMPARE(status.texts.size(), 1);
        // The prefix, the description, then the description again in half-width brackets.
        const QString prefix = u"E-Mail送信に失敗しました。"_qs;
        const QString shown = status.texts[0];
        QVERIFY2(shown.startsWith(prefix) && shown.endsWith(u')'), qPrintable(shown));
        const QString rest = shown.mid(prefix.size());
        const qsizetype half = (rest.size() - 2) / 2;
        QVERIFY2(half > 0 && rest.size() == 2 * half + 2, qPrintable(shown));
        QCOMPARE(rest.mid(half), u'(' + rest.left(half) + u')');
        QVERIFY2(rest.left(half).contains(u"refused"_qs, Qt::CaseInsensitive), qPrintable(shown));
        QCOMPARE(lanReceived().size(), 1);
    }

    // People who want mail but have no address: no mail at all, and no failure shown.
    void noAddressNoMail() {
        QVERIFY(vtest::Exec(mDb, kAddUser, {"u1", "a", QVariant(), "1", -1, QVariant(), "  "}));
        QVERIFY(vtest::Exec(mDb, kAssign, {"G", QVariant(), "u1"}));
        mForm->mailPort = 1;  // a dialogue would fail here and say so
        vtest::RecordingStatus status;
        QCOMPARE(SendLanMessage(*mForm, "12", "G", "10.0.0.1", "down"), 0);
        QVERIFY(mSink.Take().isEmpty());
        QVERIFY2(status.texts.isEmpty(), qPrintable(status.texts.join('\n')));
    }

    // The start-up announcement through the same entry point.
    void announceThroughSendLanMessage() {
        QVERIFY(vtest::Exec(mDb, kAddUser, {"u1", "a", "127.0.0.2", "1", 0, QVariant(), QVariant()}));
        QCOMPARE(SendLanMessage(*mForm, "01", "", "", ""), 0);
        QCOMPARE(lanReceived(), (QList<QByteArray>{BuildLanDatagram("01", u"管理者"_qs, "127.0.0.1", "", "")}));
    }
};

VANTORO_TEST_MAIN(TestNotify)
#include "tst_notify.moc"
