// The traceroute window with the real prober, against a name server of the test's own:
// the typed host name and each hop's name are looked up while the window keeps running.
#include "TestSupport.h"
#include "PrivateDns.h"

#include "console/FrmTraceRt.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

class TestTraceLookup : public QObject {
    Q_OBJECT

    std::unique_ptr<vtest::ServerProcess> mDns;

private slots:
    void initTestCase() {
        mDns = vtest::PrivateDns::StartServer(800);
        if (!mDns) QSKIP(qPrintable(vtest::PrivateDns::Failure()));
    }

    void namesAreLookedUpWithTheWindowRunning() {
        if (!icmp::IcmpEcho().IsOpen()) QSKIP("no ICMP socket can be opened here");
        FrmTraceRt frm;
        frm.Load();
        frm.TxtURL()->setText(QStringLiteral("t.127-0-0-8.1000.test"));
        frm.ChkHost()->setChecked(true);
        vtest::GapMeter meter;
        frm.CmdGO()->click();
        QVERIFY2(meter.LongestGapMs() < 400, qPrintable(QString::number(meter.LongestGapMs())));
        QCOMPARE(frm.TxtIP()->text(), QStringLiteral("127.0.0.8"));
        const QStringList lines = frm.Output().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(2).section(QLatin1Char('\t'), 2), QStringLiteral("127.0.0.8\tptr-127-0-0-8.test"));
        QCOMPARE(lines.at(4), QStringLiteral("トレース完了。"));
    }

    void unknownNameIsSaidSo() {
        FrmTraceRt frm;
        frm.Load();
        frm.TxtURL()->setText(QStringLiteral("u.nx.1000.test"));
        vtest::GapMeter meter;
        frm.CmdGO()->click();
        QVERIFY2(meter.LongestGapMs() < 400, qPrintable(QString::number(meter.LongestGapMs())));
        QCOMPARE(frm.TxtIP()->text(), QString());
        QVERIFY2(frm.Output().endsWith(QStringLiteral("アドレスが検索できません。")), qPrintable(frm.Output()));
    }
};

VANTORO_TEST_MAIN_PRIVATE_DNS(TestTraceLookup)
#include "tst_tracelookup.moc"
