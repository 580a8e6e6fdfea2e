// The port check's settings window, driven offscreen through the plug-ins' window seam:
// filling, the OK caption, validation messages and focus, Enter moving on without ever
// accepting, OK / Close / title-bar close and what they leave in the members, and the
// test button against real loopback ports.
#include "TestSupport.h"

#include "plugins/host/ClassFactory.h"
#include "plugins/host/LateBound.h"
#include "plugins/host/PluginUiSeams.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>

#include <functional>

using namespace plugin;

namespace {
const QString kTitle = QStringLiteral("Port接続ﾁｪｯｸ");
const QString kStart = QStringLiteral("10.0.0.1|8080|30|5|4|web");

struct Box {
    QString prompt;
    int style;
    QString title;
    bool okEnabled;  // CmdOK's state while the box was up
};
}  // namespace

class PluginWindowTest : public QObject {
    Q_OBJECT

    ObjectPtr port_;
    QList<Box> boxes_;
    QWidget* window_ = nullptr;
    std::unique_ptr<PluginMessageBoxSeam> messages_;

    QLineEdit* box(const char* name) const { return window_->findChild<QLineEdit*>(QString::fromLatin1(name)); }
    QPushButton* button(const char* name) const {
        return window_->findChild<QPushButton*>(QString::fromLatin1(name));
    }

    // Opens the window over kStart with proc and runs steps on it; FromShow's answer.
    std::optional<bool> show(const QString& proc, const std::function<void()>& steps, const QString& start = kStart) {
        if (Put(port_, "Parameter", start) != 0 || Put(port_, "Proc", proc) != 0) return std::nullopt;
        bool driven = false;
        PluginDialogDriver driver([&](QWidget* w) {
            window_ = w;
            driven = true;
            QVERIFY(QTest::qWaitForWindowExposed(w));
            steps();
        });
        const auto r = Call(port_, "FromShow");
        window_ = nullptr;
        if (!driven || !r) return std::nullopt;
        return r->toBool();
    }

private slots:
    void initTestCase() {
        port_ = CreateObject(QStringLiteral("VantorPort.ClsVantoro"), QStringLiteral(VANTORO_PROGRAM_DIR));
        QVERIFY(port_);
        messages_ = std::make_unique<PluginMessageBoxSeam>([this](const QString& p, int s, const QString& t) {
            QPushButton* ok = window_ ? button("CmdOK") : nullptr;
            boxes_ << Box{p, s, t, ok && ok->isEnabled()};
            return 1;
        });
    }
    void init() { boxes_.clear(); }

    void fillsAndCaptions_data() {
        QTest::addColumn<QString>("proc");
        QTest::addColumn<QString>("caption");
        QTest::newRow("change") << "U" << "更新";
        QTest::newRow("delete") << "D" << "削除";
        QTest::newRow("new") << "I" << "登録";
        QTest::newRow("anything else") << "Z" << "登録";
    }
    void fillsAndCaptions() {
        QFETCH(QString, proc);
        QFETCH(QString, caption);
        const auto r = show(proc, [&] {
            QCOMPARE(window_->windowTitle(), QStringLiteral("Port情報"));
            QCOMPARE(button("CmdOK")->text(), caption);
            QCOMPARE(button("CmdClose")->text(), QStringLiteral("閉じる"));
            QCOMPARE(button("CmdCheck")->text(), QStringLiteral("確認"));
            QCOMPARE(box("TxtURL")->text(), QStringLiteral("10.0.0.1"));
            QCOMPARE(box("TxtPort")->text(), QStringLiteral("8080"));
            QCOMPARE(box("TxtTimeOut")->text(), QStringLiteral("30"));
            QCOMPARE(box("TxtName")->text(), QStringLiteral("web"));
            QCOMPARE(box("TxtWaitTime")->text(), QStringLiteral("5"));
            QCOMPARE(box("TxtRetry")->text(), QStringLiteral("4"));
            button("CmdClose")->click();
        });
        QVERIFY(r);
        QCOMPARE(*r, false);
    }

    void validation_data() {
        QTest::addColumn<QString>("boxName");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty address") << "TxtURL" << "   " << "アドレスを入力して下さい。";
        QTest::newRow("separator in the address") << "TxtURL" << "a|b" << "アドレスを入力して下さい。";
        QTest::newRow("empty port") << "TxtPort" << "" << "ポート番号(秒:0～65536)を入力して下さい。";
        QTest::newRow("port 65536") << "TxtPort" << "65536" << "ポート番号(秒:0～65536)を入力して下さい。";
        QTest::newRow("port 0") << "TxtPort" << "0" << "ポート番号(秒:0～65536)を入力して下さい。";
        QTest::newRow("empty time-out") << "TxtTimeOut" << "" << "接続タイムアウト(秒:0～99)を入力して下さい。";
        QTest::newRow("empty wait") << "TxtWaitTime" << "" << "ウエイトタイム(秒:0～99)を入力して下さい。";
        QTest::newRow("empty retry") << "TxtRetry" << "" << "リトライ回数(1～9)を入力して下さい。";
    }
    void validation() {
        QFETCH(QString, boxName);
        QFETCH(QString, value);
        QFETCH(QString, message);
        const auto r = show(QStringLiteral("U"), [&] {
            QLineEdit* target = box(boxName.toLatin1().constData());
            target->setText(value);
            button("CmdOK")->click();
            QCOMPARE(boxes_.size(), 1);
            QCOMPARE(boxes_[0].prompt, message);
            QCOMPARE(boxes_[0].style, 64);
            QCOMPARE(boxes_[0].title, kTitle);
            QCOMPARE(window_->focusWidget(), target);
            QVERIFY(window_->isVisible());
            button("CmdClose")->click();
        });
        QVERIFY(r);
        QCOMPARE(*r, false);
        QCOMPARE(GetText(port_, "Parameter"), kStart);
    }

    void firstFailingCheckOnly() {
        const auto r = show(QStringLiteral("U"), [&] {
            for (const char* n : {"TxtURL", "TxtPort", "TxtTimeOut", "TxtWaitTime", "TxtRetry"}) box(n)->clear();
            button("CmdOK")->click();
            QCOMPARE(boxes_.size(), 1);
            QCOMPARE(boxes_[0].prompt, QStringLiteral("アドレスを入力して下さい。"));
            window_->close();
        });
        QVERIFY(r && !*r);
    }

    void okCopiesBack_data() {
        QTest::addColumn<QString>("proc");
        QTest::newRow("change") << "U";
        QTest::newRow("delete still confirms") << "D";
    }
    void okCopiesBack() {
        QFETCH(QString, proc);
        const auto r = show(proc, [&] {
            box("TxtURL")->setText(QStringLiteral("  host.example  "));
            box("TxtPort")->setText(QStringLiteral("81"));
            box("TxtTimeOut")->setText(QStringLiteral("7"));
            box("TxtName")->setText(QStringLiteral(" svc | two "));
            box("TxtWaitTime")->setText(QStringLiteral("0"));
            box("TxtRetry")->setText(QStringLiteral("0"));
            button("CmdOK")->click();
            QVERIFY(boxes_.isEmpty());
            QVERIFY(!window_->isVisible());
        });
        QVERIFY(r);
        QCOMPARE(*r, true);
        // Retry "0" is stored as 1; texts trimmed; the last field may hold a "|".
        QCOMPARE(GetText(port_, "Parameter"), QStringLiteral("host.example|81|7|0|1|svc | two"));
        QCOMPARE(Get(port_, "Retry")->toInt(), 1);
    }

    void closingKeepsMembers_data() {
        QTest::addColumn<bool>("titleBar");
        QTest::newRow("close button") << false;
        QTest::newRow("title-bar close") << true;
    }
    void closingKeepsMembers() {
        QFETCH(bool, titleBar);
        const auto r = show(QStringLiteral("U"), [&] {
            box("TxtURL")->setText(QStringLiteral("changed"));
            box("TxtRetry")->setText(QStringLiteral("9"));
            if (titleBar)
                window_->close();
            else
                button("CmdClose")->click();
            QVERIFY(!window_->isVisible());
        });
        QVERIFY(r);
        QCOMPARE(*r, false);
        QCOMPARE(GetText(port_, "Parameter"), kStart);
        // Proc is the caller's, as it set it.
        QCOMPARE(GetText(port_, "Proc"), QStringLiteral("U"));
    }

    void enterMovesOnAndNeverAccepts() {
        const auto r = show(QStringLiteral("U"), [&] {
            box("TxtURL")->setFocus();
            QTest::keyClick(box("TxtURL"), Qt::Key_Return);
            QCOMPARE(window_->focusWidget(), box("TxtPort"));
            QTest::keyClick(box("TxtPort"), Qt::Key_Enter);
            QCOMPARE(window_->focusWidget(), box("TxtTimeOut"));
            box("TxtRetry")->setFocus();
            QTest::keyClick(box("TxtRetry"), Qt::Key_Return);
            QCOMPARE(window_->focusWidget(), static_cast<QWidget*>(button("CmdOK")));
            // Enter on the OK button itself does not press it either.
            QTest::keyClick(button("CmdOK"), Qt::Key_Return);
            QVERIFY(window_->isVisible());
            QVERIFY(boxes_.isEmpty());
            window_->close();
        });
        QVERIFY(r);
        QCOMPARE(*r, false);
    }

    void boxesTakeWhatTheyShould() {
        const auto r = show(QStringLiteral("U"), [&] {
            QLineEdit* portBox = box("TxtPort");
            portBox->clear();
            portBox->setFocus();
            QTest::keyClicks(portBox, QStringLiteral("8a0-1"));
            QCOMPARE(portBox->text(), QStringLiteral("801"));
            QTest::keyClicks(portBox, QStringLiteral("2345"));
            QCOMPARE(portBox->text(), QStringLiteral("80123"));  // five digits at most
            QLineEdit* retry = box("TxtRetry");
            retry->clear();
            retry->setFocus();
            QTest::keyClicks(retry, QStringLiteral("12"));
            QCOMPARE(retry->text(), QStringLiteral("1"));
            QLineEdit* name = box("TxtName");
            name->clear();
            name->setFocus();
            QTest::keyClicks(name, QString(40, u'x'));
            QCOMPARE(name->text().size(), 30);
            // Focus by a click (not by Tab) still selects the whole text.
            box("TxtURL")->setFocus(Qt::MouseFocusReason);
            QCOMPARE(box("TxtURL")->selectedText(), QStringLiteral("10.0.0.1"));
            window_->close();
        });
        QVERIFY(r && !*r);
    }

    // Values longer than a box's typing limit (a parameter string can carry them) are shown
    // whole, so an OK on the untouched window stores what was there.
    void longValuesShownWhole() {
        const QString name(40, u'n');
        const QString start = QStringLiteral("h|8080|120|5|12|") + name;
        const auto r = show(
            QStringLiteral("U"),
            [&] {
                QCOMPARE(box("TxtTimeOut")->text(), QStringLiteral("120"));
                QCOMPARE(box("TxtRetry")->text(), QStringLiteral("12"));
                QCOMPARE(box("TxtName")->text(), name);
                QLineEdit* nameBox = box("TxtName");
                nameBox->setFocus();
                nameBox->end(false);
                QTest::keyClicks(nameBox, QStringLiteral("xyz"));
                QCOMPARE(nameBox->text(), name);  // no room to type more
                button("CmdOK")->click();
                QVERIFY(boxes_.isEmpty());
            },
            start);
        QVERIFY(r);
        QCOMPARE(*r, true);
        QCOMPARE(GetText(port_, "Parameter"), start);
    }

    void testButton_data() {
        QTest::addColumn<bool>("listening");
        QTest::addColumn<QString>("message");
        QTest::newRow("port accepts") << true << "接続ＯＫ";
        QTest::newRow("port refuses") << false << "接続ＮＧ";
    }
    void testButton() {
        QFETCH(bool, listening);
        QFETCH(QString, message);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        const quint16 p = server.serverPort();
        if (!listening) server.close();
        const auto r = show(QStringLiteral("U"), [&] {
            box("TxtURL")->setText(QStringLiteral("127.0.0.1"));
            box("TxtPort")->setText(QString::number(p));
            box("TxtTimeOut")->setText(QStringLiteral("2"));
            box("TxtWaitTime")->setText(QStringLiteral("0"));
            box("TxtRetry")->setText(QStringLiteral("0"));
            button("CmdCheck")->click();
            QCOMPARE(boxes_.size(), 1);
            QCOMPARE(boxes_[0].prompt, message);
            QCOMPARE(boxes_[0].style, 64);
            QCOMPARE(boxes_[0].title, kTitle);
            QVERIFY(!boxes_[0].okEnabled);  // buttons off while the test runs
            QVERIFY(button("CmdOK")->isEnabled() && button("CmdClose")->isEnabled() &&
                    button("CmdCheck")->isEnabled());
            QCOMPARE(box("TxtRetry")->text(), QStringLiteral("1"));  // validation's correction
            QVERIFY(window_->isVisible());
            button("CmdClose")->click();
        });
        QVERIFY(r);
        QCOMPARE(*r, false);
        QCOMPARE(GetText(port_, "Parameter"), kStart);  // the opener's members untouched
    }

    void testButtonValidatesFirst() {
        const auto r = show(QStringLiteral("U"), [&] {
            box("TxtURL")->clear();
            button("CmdCheck")->click();
            QCOMPARE(boxes_.size(), 1);
            QCOMPARE(boxes_[0].prompt, QStringLiteral("アドレスを入力して下さい。"));
            window_->close();
        });
        QVERIFY(r && !*r);
    }

    void cleanupTestCase() {
        messages_.reset();
        port_.reset();
    }
};

VANTORO_TEST_MAIN(PluginWindowTest)
#include "tst_pluginwindow.moc"
