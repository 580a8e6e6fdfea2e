// The traceroute window: the trace loop over a scripted prober (direct reply, silent hops,
// a target that never answers, routers all the way, cancel and close mid-trace), the
// output's texts, the data length rules, the two ways of opening, and real traces: one
// hop to 127.0.0.1, and two hops through network namespaces the test makes and removes.
#include "TestNetns.h"
#include "TestSupport.h"

#include "console/FrmTraceRt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>


#include <functional>

namespace {

constexpr quint32 kTarget = 0x0A000005;  // 10.0.0.5
constexpr quint32 kRouter = 0x0A000001;  // 10.0.0.1

// A scripted network. Each request takes the next step of the script: "-" no answer,
// "r:<ms>" the router answers, "t:<ms>" the target answers; past the script's end every
// request follows the fallback step.
class FakeProber : public TraceProber {
public:
    QStringList script;
    QString fallback = QStringLiteral("-");
    bool openWorks = true;
    QList<int> ttls;
    QList<QByteArray> datas;
    QStringList lookups;
    int opens = 0;
    int closes = 0;
    std::function<void(int request)> onSend;

    quint32 ResolveHostAddress(const QString& host) override {
        lookups << host;
        return host == QLatin1String("target.test") || host == QLatin1String("10.0.0.5") ? kTarget : 0;
    }
    QString ResolveHostName(quint32 address) override {
        return address == kRouter ? QStringLiteral("router.test") : QString();
    }
    bool Open() override {
        ++opens;
        return openWorks;
    }
    int SendEcho(quint32 target, const QByteArray& data, int ttl, int timeoutMs, icmp::EchoReply& reply) override {
        if (target != kTarget || timeoutMs != FrmTraceRt::kWaitMs) qWarning() << "unexpected request" << target << timeoutMs;
        ttls << ttl;
        datas << data;
        const QString step = ttls.size() <= script.size() ? script.at(ttls.size() - 1) : fallback;
        if (onSend) onSend(ttls.size());
        reply = icmp::EchoReply{};
        if (step == QLatin1String("-")) return 0;
        reply.replies = 1;
        reply.status = 0;
        reply.address = step.startsWith(QLatin1Char('t')) ? kTarget : kRouter;
        reply.roundTripMs = step.mid(2).toUInt();
        return 1;
    }
    void Close() override { ++closes; }
};

struct Window {
    FrmTraceRt frm;
    FakeProber* prober = nullptr;
    Window() {
        auto fake = std::make_unique<FakeProber>();
        prober = fake.get();
        frm.SetProber(std::move(fake));
        frm.Load();
    }
};

QString Header(const QString& host) { return QStringLiteral("トレース対象：") + host + QStringLiteral(":\n\n"); }

// The real prober, with its socket opened inside the test network's client namespace: the
// socket stays there while this thread goes back to its own namespace at once.
class NamespaceProber : public IcmpTraceProber {
public:
    explicit NamespaceProber(const vtest::TestNetwork& net) : net_(net) {}
    bool Open() override {
        const auto inside = net_.EnterClient();
        return inside.Entered() && IcmpTraceProber::Open();
    }

private:
    const vtest::TestNetwork& net_;
};

QStringList Column(const QString& output, int column) {
    QStringList out;
    for (const QString& line : output.split(QLatin1Char('\n')))
        if (line.contains(QLatin1Char('\t'))) out << line.section(QLatin1Char('\t'), column, column);
    return out;
}

}  // namespace

class TestTraceRoute : public QObject {
    Q_OBJECT

private slots:
    void loadAndOpeners() {
        FrmTraceRt frm;
        frm.Load();
        QCOMPARE(frm.windowTitle(), QStringLiteral("Tracert確認"));
        QCOMPARE(frm.Lbl_Computer()->text(), QStringLiteral("Host名 or IP"));
        QCOMPARE(frm.CmdGO()->text(), QStringLiteral("実行(&G)"));
        QCOMPARE(frm.CmbSTOP()->text(), QStringLiteral("閉じる(&C)"));
        QCOMPARE(frm.ChkHost()->text(), QStringLiteral("Host名の解決"));
        QCOMPARE(frm.CmbSize()->currentText(), QStringLiteral("32"));
        QCOMPARE(frm.CmbSize()->count(), 2);
        QCOMPARE(frm.CmbSize()->itemText(1), QStringLiteral("128"));
        QCOMPARE(frm.findChild<QLabel*>(QStringLiteral("Label2"))->text(), QStringLiteral(" IPｱﾄﾞﾚｽ"));
        QCOMPARE(frm.findChild<QLabel*>(QStringLiteral("Label4"))->text(), QStringLiteral("ﾃﾞｰﾀ長(Byte)"));
        frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frm));
        QVERIFY(frm.TxtURL()->isVisible());
        QVERIFY(!frm.TxtURL()->isReadOnly());
        QVERIFY(!frm.Lbl_Computer2()->isVisible());

        // Opened for a computer: the address is fixed and its tree text shown instead.
        frm.SetForComputer(QStringLiteral("10.0.0.5"), QStringLiteral("本社サーバ　【SV01：Linux】"));
        QCOMPARE(frm.TxtURL()->text(), QStringLiteral("10.0.0.5"));
        QVERIFY(frm.TxtURL()->isReadOnly());
        QVERIFY(!frm.TxtURL()->isVisible());
        QVERIFY(frm.Lbl_Computer2()->isVisible());
        QCOMPARE(frm.Lbl_Computer2()->text(), QStringLiteral("本社サーバ　【SV01：Linux】"));
        QCOMPARE(frm.Lbl_Computer()->text(), QStringLiteral("ｺﾝﾋﾟｭｰﾀ名"));

        // A new load starts over in free entry with empty boxes.
        frm.Load();
        QVERIFY(frm.TxtURL()->isVisible());
        QVERIFY(!frm.TxtURL()->isReadOnly());
        QVERIFY(frm.TxtURL()->text().isEmpty());
        QVERIFY(!frm.Lbl_Computer2()->isVisible());
        QCOMPARE(frm.Lbl_Computer()->text(), QStringLiteral("Host名 or IP"));
    }

    void timeText_data() {
        QTest::addColumn<quint32>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0u << "<10 ms";
        QTest::newRow("9") << 9u << "<10 ms";
        QTest::newRow("10") << 10u << "10 ms";
        QTest::newRow("1200") << 1200u << "1200 ms";
        QTest::newRow("1201") << 1201u << "*";
    }

    void timeText() {
        QFETCH(quint32, ms);
        QFETCH(QString, text);
        QCOMPARE(FrmTraceRt::TimeText(ms), text);
    }

    void trace_data() {
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<QStringList>("lines");   // result lines between the header and the end text
        QTest::addColumn<QList<int>>("ttls");

        QTest::newRow("target answers directly")
            << QStringList{"t:0"} << "-" << QStringList{"1\t<10 ms\t10.0.0.5"} << QList<int>{1};
        QTest::newRow("silent hop, then the retried time-to-live answers")
            << QStringList{"-", "r:15", "t:1300"} << "-"
            << QStringList{"1\t*\tRequest timed out.", "2\t15 ms\t10.0.0.1", "3\t*\t10.0.0.5"}
            << QList<int>{1, 1, 2};
        QStringList eleven;
        for (int i = 1; i <= 11; ++i) eleven << QStringLiteral("%1\t*\tRequest timed out.").arg(i);
        QTest::newRow("never answers: eleven in a row") << QStringList{} << "-" << eleven << QList<int>(11, 1);
        // Ten silent requests, an answer, and the count of silent ones starts again.
        QStringList tenThenMore;
        QStringList tenScript;
        for (int i = 1; i <= 10; ++i) {
            tenThenMore << QStringLiteral("%1\t*\tRequest timed out.").arg(i);
            tenScript << QStringLiteral("-");
        }
        tenScript << QStringLiteral("r:20");
        tenThenMore << QStringLiteral("11\t20 ms\t10.0.0.1");
        for (int i = 12; i <= 22; ++i) tenThenMore << QStringLiteral("%1\t*\tRequest timed out.").arg(i);
        QList<int> tenTtls = QList<int>(11, 1) + QList<int>(11, 2);
        QTest::newRow("an answer resets the silent count") << tenScript << "-" << tenThenMore << tenTtls;
        QStringList routers;
        QList<int> all;
        for (int i = 1; i <= 255; ++i) {
            routers << QStringLiteral("%1\t<10 ms\t10.0.0.1").arg(i);
            all << i;
        }
        QTest::newRow("routers all the way: 255 time-to-live values") << QStringList{} << "r:1" << routers << all;
    }

    void trace() {
        QFETCH(QStringList, script);
        QFETCH(QString, fallback);
        QFETCH(QStringList, lines);
        QFETCH(QList<int>, ttls);

        Window w;
        w.prober->script = script;
        w.prober->fallback = fallback;
        w.frm.TxtURL()->setText(QStringLiteral("target.test"));
        w.frm.CmdGO()->click();

        QCOMPARE(w.frm.TxtIP()->text(), QStringLiteral("10.0.0.5"));
        QCOMPARE(w.frm.Output(), Header(QStringLiteral("target.test")) + lines.join(QLatin1Char('\n')) +
                                     QStringLiteral("\n\nトレース完了。"));
        QCOMPARE(w.prober->ttls, ttls);
        QCOMPARE(w.prober->opens, 1);
        QCOMPARE(w.prober->closes, 1);
        QVERIFY(w.frm.CmdGO()->isEnabled());
        QCOMPARE(w.frm.CmbSTOP()->text(), QStringLiteral("閉じる(&C)"));
    }

    void hostNameColumn() {
        Window w;
        w.prober->script = {"r:12", "t:3"};
        w.frm.ChkHost()->setChecked(true);
        w.frm.TxtURL()->setText(QStringLiteral("10.0.0.5"));
        w.frm.CmdGO()->click();
        // Four columns, the fourth empty where the address has no name.
        QCOMPARE(w.frm.Output(), Header(QStringLiteral("10.0.0.5")) +
                                     QStringLiteral("1\t12 ms\t10.0.0.1\trouter.test\n2\t<10 ms\t10.0.0.5\t\n\nトレース完了。"));
    }

    void dataLength_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("length");
        QTest::newRow("letters") << "abc" << "32" << 32;
        QTest::newRow("empty") << "" << "32" << 32;
        QTest::newRow("too small") << "10" << "32" << 32;
        QTest::newRow("negative") << "-5" << "32" << 32;
        QTest::newRow("too large") << "500" << "128" << 128;
        QTest::newRow("in range") << "64" << "64" << 64;
        QTest::newRow("half goes to even, down") << "64.5" << "64.5" << 64;
        QTest::newRow("half goes to even, up") << "65.5" << "65.5" << 66;
        QTest::newRow("blanks around a number") << " 100 " << " 100 " << 100;
        QTest::newRow("not a finite number") << "nan" << "32" << 32;
    }

    void dataLength() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, length);
        Window w;
        w.prober->script = {"t:1"};
        w.frm.CmbSize()->setCurrentText(typed);
        w.frm.TxtURL()->setText(QStringLiteral("target.test"));
        w.frm.CmdGO()->click();
        QCOMPARE(w.frm.CmbSize()->currentText(), shown);
        QCOMPARE(w.prober->datas.size(), 1);
        QCOMPARE(w.prober->datas.first(), QByteArray(length, 'a'));
    }

    void failures() {
        {
            // Nothing typed: the click only toggles the buttons.
            Window w;
            w.frm.CmdGO()->click();
            QVERIFY(w.prober->lookups.isEmpty());
            QVERIFY(w.frm.Output().isEmpty());
            QVERIFY(w.frm.CmdGO()->isEnabled());
        }
        {
            vtest::RecordingMessageBox boxes;
            Window w;
            w.frm.TxtURL()->setText(QStringLiteral("nowhere.test"));
            w.frm.CmdGO()->click();
            QCOMPARE(w.frm.Output(), Header(QStringLiteral("nowhere.test")) + QStringLiteral("\nアドレスが検索できません。"));
            QVERIFY(w.frm.TxtIP()->text().isEmpty());
            QCOMPARE(w.prober->opens, 0);
            QVERIFY(boxes.shown.isEmpty());
        }
        {
            vtest::RecordingMessageBox boxes;
            Window w;
            w.prober->openWorks = false;
            w.frm.TxtURL()->setText(QStringLiteral("target.test"));
            w.frm.CmdGO()->click();
            QCOMPARE(boxes.prompts(), QStringList{QStringLiteral("Icmpファイルハンドルを開くことができない")});
            QCOMPARE(boxes.shown.first().style, vb::vbOKOnly);
            QCOMPARE(w.frm.Output(), Header(QStringLiteral("target.test")));
            QVERIFY(w.prober->ttls.isEmpty());
            QVERIFY(w.frm.CmdGO()->isEnabled());
        }
    }

    void cancelMidTrace() {
        Window w;
        w.frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.frm));
        QString captionDuring;
        bool goDisabled = false;
        w.prober->fallback = QStringLiteral("r:30");
        w.prober->onSend = [&](int request) {
            if (request != 3) return;
            captionDuring = w.frm.CmbSTOP()->text();
            goDisabled = !w.frm.CmdGO()->isEnabled();
            // The user presses cancel while this request waits; the click arrives at the
            // trace's next yield.
            QTimer::singleShot(0, w.frm.CmbSTOP(), &QPushButton::click);
        };
        w.frm.TxtURL()->setText(QStringLiteral("target.test"));
        w.frm.CmdGO()->click();

        QCOMPARE(captionDuring, QStringLiteral("キャンセル(&C)"));
        QVERIFY(goDisabled);
        QCOMPARE(w.prober->ttls, (QList<int>{1, 2, 3}));
        QVERIFY(w.frm.Output().endsWith(QStringLiteral("3\t30 ms\t10.0.0.1\n\nキャンセルされました。")));
        QCOMPARE(w.prober->closes, 1);
        // The window stays; a second press closes it.
        QVERIFY(w.frm.isVisible());
        QCOMPARE(w.frm.CmbSTOP()->text(), QStringLiteral("閉じる(&C)"));
        w.frm.CmbSTOP()->click();
        QVERIFY(!w.frm.isVisible());
    }

    void closeDuringTrace_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("close box") << false;
        QTest::newRow("escape key") << true;
    }

    void closeDuringTrace() {
        QFETCH(bool, escape);
        Window w;
        w.frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.frm));
        bool visibleAfterClose = false;
        w.prober->onSend = [&](int request) {
            if (request != 2) return;
            if (escape)
                QTest::keyClick(&w.frm, Qt::Key_Escape);
            else
                w.frm.close();
            // The trace is still on the stack, so the window must still be there.
            visibleAfterClose = w.frm.isVisible();
        };
        w.frm.TxtURL()->setText(QStringLiteral("target.test"));
        w.frm.CmdGO()->click();

        QVERIFY(visibleAfterClose);
        QCOMPARE(w.prober->ttls.size(), 2);
        QVERIFY(w.frm.Output().endsWith(QStringLiteral("\nキャンセルされました。")));
        QCOMPARE(w.prober->closes, 1);
        QVERIFY(!w.frm.isVisible());
        QCOMPARE(w.frm.result(), int(QDialog::Rejected));
    }

    void modalOpenerReturnsWhenClosed() {
        // The menu's own call, run to its end: the window opens modally over the opener
        // and the close button ends the modal loop. A safety timer bounds the wait.
        QString title, address;
        bool nameShown = false, hostHidden = false;
        QTimer::singleShot(0, [&] {
            if (auto* frm = qobject_cast<FrmTraceRt*>(QApplication::activeModalWidget())) {
                title = frm->windowTitle();
                address = frm->TxtURL()->text();
                nameShown = frm->Lbl_Computer2()->isVisible();
                hostHidden = !frm->TxtURL()->isVisible();
                frm->CmbSTOP()->click();
            }
        });
        QTimer safety;
        safety.setSingleShot(true);
        connect(&safety, &QTimer::timeout, [] {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
        });
        safety.start(5000);
        FrmTraceRt::ShowForComputer(nullptr, QStringLiteral("Tracert確認"), QStringLiteral("127.0.0.1"),
                                    QStringLiteral("ループバック"));
        QVERIFY(safety.isActive());
        QCOMPARE(title, QStringLiteral("Tracert確認"));
        QCOMPARE(address, QStringLiteral("127.0.0.1"));
        QVERIFY(nameShown);
        QVERIFY(hostHidden);
    }

    void realLoopback() {
        if (!icmp::IcmpEcho().IsOpen()) QSKIP("no ICMP socket can be opened here (neither datagram nor raw)");
        FrmTraceRt frm;
        frm.Load();
        frm.TxtURL()->setText(QStringLiteral("127.0.0.1"));
        frm.CmdGO()->click();
        const QStringList lines = frm.Output().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(0), QStringLiteral("トレース対象：127.0.0.1:"));
        QCOMPARE(lines.at(2).section(QLatin1Char('\t'), 0, 0), QStringLiteral("1"));
        QCOMPARE(lines.at(2).section(QLatin1Char('\t'), 2), QStringLiteral("127.0.0.1"));
        QCOMPARE(lines.at(4), QStringLiteral("トレース完了。"));
    }

    void twoHopsThroughNamespaces() {
        vtest::TestNetwork net;
        if (!net.Ready()) QSKIP(qPrintable(QStringLiteral("network namespaces not allowed: ") + net.Failure()));

        FrmTraceRt frm;
        frm.SetProber(std::make_unique<NamespaceProber>(net));
        frm.Load();
        frm.TxtURL()->setText(QStringLiteral("10.77.2.2"));
        frm.CmdGO()->click();
        const QString out = frm.Output();
        QCOMPARE(Column(out, 0), (QStringList{"1", "2"}));
        QCOMPARE(Column(out, 2), (QStringList{"10.77.1.2", "10.77.2.2"}));
        QVERIFY2(out.endsWith(QStringLiteral("\n\nトレース完了。")), qPrintable(out));
    }
};

VANTORO_TEST_MAIN(TestTraceRoute)
#include "tst_traceroute.moc"
