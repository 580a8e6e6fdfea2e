// The settings windows of the FTP, web, web content and database checks, driven offscreen
// through the plug-ins' window seam: which boxes each shows and their limits, validation
// order and messages, the "0" to "1" corrections, the FTP anonymous box, the HTTP / HTTPS
// choice, and the database test button showing the driver's errors before its verdict.
#include "TestSupport.h"
#include "WebFixture.h"

#include "plugins/host/ClassFactory.h"
#include "plugins/host/LateBound.h"
#include "plugins/host/PluginUiSeams.h"

#include <QCheckBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <functional>

using namespace plugin;

namespace {
struct Shown {
    QString prompt;
    int style;
    QString title;
};
}  // namespace

class CheckWindowsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QList<Shown> boxes_;
    QWidget* window_ = nullptr;
    std::unique_ptr<PluginMessageBoxSeam> seam_;

    QLineEdit* box(const QString& name) const { return window_->findChild<QLineEdit*>(name); }
    QPushButton* button(const char* name) const { return window_->findChild<QPushButton*>(QString::fromLatin1(name)); }
    template <class T>
    T* control(const char* name) const {
        return window_->findChild<T*>(QString::fromLatin1(name));
    }

    static ObjectPtr create(const QString& className) {
        return CreateObject(className + ".ClsVantoro", QStringLiteral(VANTORO_PROGRAM_DIR));
    }

    // Opens object's window and runs steps in it; FromShow's answer.
    std::optional<bool> show(const ObjectPtr& object, const std::function<void()>& steps) {
        bool driven = false;
        PluginDialogDriver driver([&](QWidget* w) {
            window_ = w;
            driven = true;
            steps();
        });
        const auto r = Call(object, "FromShow");
        window_ = nullptr;
        if (!driven || !r) return std::nullopt;
        return r->toBool();
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QDirIterator it("/usr/lib", {"libsqlite3odbc.so"}, QDir::Files, QDirIterator::Subdirectories);
        QVERIFY2(it.hasNext(), "the SQLite ODBC driver (libsqliteodbc) is not installed");
        const QByteArray driver = it.next().toUtf8();
        const QString db = dir_.path() + "/w.db";
        QVERIFY(vtest::RunTool("sqlite3", {db, "create table t(x);"}, dir_.path()));
        QVERIFY(vtest::WriteFile(dir_.path() + "/odbcinst.ini", "[SQLite3]\nDriver=" + driver + "\n"));
        QVERIFY(vtest::WriteFile(dir_.path() + "/odbc.ini", "[WinTest]\nDriver=SQLite3\nDatabase=" + db.toUtf8() + "\n"));
        qputenv("ODBCSYSINI", dir_.path().toLocal8Bit());
        qputenv("ODBCINI", (dir_.path() + "/odbc.ini").toLocal8Bit());
        seam_ = std::make_unique<PluginMessageBoxSeam>([this](const QString& p, int s, const QString& t) {
            boxes_ << Shown{p, s, t};
            return 1;
        });
    }
    void init() { boxes_.clear(); }

    // Box name:limit, in Tab order; "*" marks a password box.
    void layout_data() {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("FTP") << "Vantorftp" << "FTP情報"
                             << QStringList{"TxtURL:0", "TxtUserName:20", "TxtPassword:30*", "TxtTimeOut:2",
                                            "TxtWaitTime:2", "TxtRetry:1"};
        QTest::newRow("web") << "Vantorwww" << "WWW情報"
                             << QStringList{"TxtURL:0", "TxtUserName:20", "TxtPassword:20*", "TxtTimeOut:2",
                                            "TxtWaitTime:2", "TxtRetry:1"};
        QTest::newRow("web content") << "Vantorwww2" << "WWW2情報"
                                     << QStringList{"TxtURL:0", "TxtTimeOut:2", "TxtWaitTime:2", "TxtRetry:1"};
        QTest::newRow("SQL Server") << "VantorDB" << "SQL Server情報"
                                    << QStringList{"TxtAddress:0", "TxtDBName:20", "TxtUserName:20", "TxtPassword:30*",
                                                   "TxtSQL:200", "TxtTimeOut:2"};
        QTest::newRow("UDB2") << "VantorDB2" << "UDB2 情報"
                              << QStringList{"TxtDSN:20", "TxtUserName:20", "TxtPassword:30*", "TxtSQL:200",
                                             "TxtTimeOut:2"};
    }
    void layout() {
        QFETCH(QString, className);
        QFETCH(QString, caption);
        QFETCH(QStringList, boxes);
        ObjectPtr object = create(className);
        QVERIFY(object);
        const auto r = show(object, [&] {
            QCOMPARE(window_->windowTitle(), caption);
            QStringList seen;
            for (QLineEdit* e : window_->findChildren<QLineEdit*>()) {
                if (e->objectName().isEmpty()) continue;
                const int limit = e->maxLength() == 32767 ? 0 : e->maxLength();
                seen << e->objectName() + ':' + QString::number(limit) +
                            (e->echoMode() == QLineEdit::Password ? "*" : "");
            }
            QCOMPARE(seen.size(), boxes.size());
            for (const QString& b : boxes) QVERIFY2(seen.contains(b), qPrintable(b + " among " + seen.join(' ')));
            // Tab goes through the boxes in the listed order.
            QLineEdit* first = box(boxes.first().section(':', 0, 0));
            first->setFocus();
            for (int i = 1; i < boxes.size(); ++i) {
                QWidget* next = window_->focusWidget()->nextInFocusChain();
                while (!qobject_cast<QLineEdit*>(next)) next = next->nextInFocusChain();
                QCOMPARE(next->objectName(), boxes[i].section(':', 0, 0));
                next->setFocus();
            }
            const bool web = className == QLatin1String("Vantorwww");
            QCOMPARE(control<QRadioButton>("OptHTTP") != nullptr, web);
            QCOMPARE(control<QRadioButton>("OptHTTPS") != nullptr, web);
            QCOMPARE(control<QCheckBox>("CheckAnonymous") != nullptr, className == QLatin1String("Vantorftp"));
            QLabel* note = control<QLabel>("LblNote");
            QCOMPARE(note != nullptr, className == QLatin1String("Vantorwww2"));
            if (note)
                QCOMPARE(note->text(), QStringLiteral("・ﾛｰｶﾙのｷｬｯｼｭを使用しない、且つ、Proxyｻｰﾊﾞのｷｬｯｼｭを使用しない。"));
            window_->close();
        });
        QVERIFY(r && !*r);
    }

    // Each required box emptied alone gives its message and focus; the boxes that are not
    // required (password, and the FTP and web user names) let OK through when empty.
    void validation_data() {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<QString>("boxName");
        QTest::addColumn<QString>("message");  // "" = OK goes through
        const QString ftp = "ftp.example|5|3|2|anonymous|pw";
        const QString www = "www.example|60|3|2|4|user|pw";
        const QString www2 = "www.example/x|5|3|2";
        const QString db = "dbhost|5|sa|pw|master|select 1";
        const QString db2 = "SAMPLE|5|db2admin|pw|select 1 from sysibm.sysdummy1";
        QTest::newRow("FTP address") << "Vantorftp" << ftp << "TxtURL" << "アドレスを入力して下さい。";
        QTest::newRow("FTP time-out") << "Vantorftp" << ftp << "TxtTimeOut" << "接続タイムアウト(秒:0～99)を入力して下さい。";
        QTest::newRow("FTP wait") << "Vantorftp" << ftp << "TxtWaitTime" << "ウエイトタイム(秒:0～99)を入力して下さい。";
        QTest::newRow("FTP retry") << "Vantorftp" << ftp << "TxtRetry" << "リトライ回数(1～9)を入力して下さい。";
        QTest::newRow("FTP user not required") << "Vantorftp" << ftp << "TxtUserName" << "";
        QTest::newRow("web address") << "Vantorwww" << www << "TxtURL" << "アドレスを入力して下さい。";
        QTest::newRow("web time-out") << "Vantorwww" << www << "TxtTimeOut" << "接続タイムアウト(秒:0～99)を入力して下さい。";
        QTest::newRow("web user not required") << "Vantorwww" << www << "TxtUserName" << "";
        QTest::newRow("web password not required") << "Vantorwww" << www << "TxtPassword" << "";
        QTest::newRow("content address") << "Vantorwww2" << www2 << "TxtURL" << "アドレスを入力して下さい。";
        QTest::newRow("content retry") << "Vantorwww2" << www2 << "TxtRetry" << "リトライ回数(1～9)を入力して下さい。";
        QTest::newRow("SQL Server address") << "VantorDB" << db << "TxtAddress" << "アドレスを入力して下さい。";
        QTest::newRow("SQL Server database") << "VantorDB" << db << "TxtDBName" << "データベース名を入力して下さい。";
        QTest::newRow("SQL Server login") << "VantorDB" << db << "TxtUserName" << "ログオンＩＤを入力して下さい。";
        QTest::newRow("SQL Server statement") << "VantorDB" << db << "TxtSQL" << "ＳＱＬ文を入力して下さい。";
        QTest::newRow("SQL Server time-out") << "VantorDB" << db << "TxtTimeOut" << "接続タイムアウト(秒:1～99)を入力して下さい。";
        QTest::newRow("SQL Server password not required") << "VantorDB" << db << "TxtPassword" << "";
        QTest::newRow("UDB2 data source") << "VantorDB2" << db2 << "TxtDSN" << "ＤＳＮ名を入力して下さい。";
        QTest::newRow("UDB2 login") << "VantorDB2" << db2 << "TxtUserName" << "ログオンＩＤを入力して下さい。";
        QTest::newRow("UDB2 statement") << "VantorDB2" << db2 << "TxtSQL" << "ＳＱＬ文を入力して下さい。";
        QTest::newRow("UDB2 time-out") << "VantorDB2" << db2 << "TxtTimeOut" << "接続タイムアウト(秒:1～99)を入力して下さい。";
    }
    void validation() {
        QFETCH(QString, className);
        QFETCH(QString, parameter);
        QFETCH(QString, boxName);
        QFETCH(QString, message);
        ObjectPtr object = create(className);
        QCOMPARE(Put(object, "Parameter", parameter), 0);
        const auto r = show(object, [&] {
            QLineEdit* target = box(boxName);
            QVERIFY(target);
            target->setText("  ");
            button("CmdOK")->click();
            if (message.isEmpty()) {
                QVERIFY(boxes_.isEmpty());
                QVERIFY(!window_->isVisible());
                return;
            }
            QCOMPARE(boxes_.size(), 1);
            QCOMPARE(boxes_[0].prompt, message);
            QCOMPARE(boxes_[0].style, 64);
            QCOMPARE(boxes_[0].title, GetText(object, "Title"));
            QCOMPARE(window_->focusWidget(), static_cast<QWidget*>(target));
            QVERIFY(window_->isVisible());
            window_->close();
        });
        QVERIFY(r);
        QCOMPARE(*r, message.isEmpty());
        if (!message.isEmpty()) QCOMPARE(GetText(object, "Parameter"), parameter);
    }

    // OK stores what the boxes say, trimmed; "0" becomes "1" in the retry box of the
    // checks that retry and in the time-out box of the database checks.
    void okStores_data() {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<QStringList>("edits");  // box=text
        QTest::addColumn<QString>("stored");
        QTest::newRow("FTP")
            << "Vantorftp" << "a|5|3|2|anonymous|"
            << QStringList{"TxtURL= ftp.example ", "TxtUserName= bob ", "TxtPassword= pw ", "TxtTimeOut=7",
                           "TxtWaitTime=0", "TxtRetry=0"}
            << "ftp.example|7|0|1|bob|pw";
        QTest::newRow("web content") << "Vantorwww2" << "a|5|3|2"
                                     << QStringList{"TxtURL=host/page", "TxtTimeOut=0", "TxtRetry=9"}
                                     << "host/page|0|3|9";
        QTest::newRow("SQL Server")
            << "VantorDB" << "h|5|sa||db|select 1"
            << QStringList{"TxtAddress= sql1 ", "TxtDBName=sales", "TxtTimeOut=0", "TxtSQL=select 1 | 2"}
            << "sql1|1|sa||sales|select 1 | 2";
        QTest::newRow("UDB2") << "VantorDB2" << "S|5|u|p|select 1" << QStringList{"TxtDSN=SAMPLE", "TxtTimeOut=0"}
                              << "SAMPLE|1|u|p|select 1";
    }
    void okStores() {
        QFETCH(QString, className);
        QFETCH(QString, parameter);
        QFETCH(QStringList, edits);
        QFETCH(QString, stored);
        ObjectPtr object = create(className);
        QCOMPARE(Put(object, "Parameter", parameter), 0);
        const auto r = show(object, [&] {
            for (const QString& e : edits) box(e.section('=', 0, 0))->setText(e.section('=', 1));
            button("CmdOK")->click();
            QVERIFY(boxes_.isEmpty());
        });
        QVERIFY(r && *r);
        QCOMPARE(GetText(object, "Parameter"), stored);
        if (Get(object, "kakunin")) QCOMPARE(Get(object, "kakunin")->toBool(), false);
    }

    void ftpAnonymousBox() {
        ObjectPtr ftp = create("Vantorftp");
        QCOMPARE(Put(ftp, "Parameter", "ftp.example|5|3|2|abc|xyz"), 0);
        const auto r = show(ftp, [&] {
            auto* anonymous = control<QCheckBox>("CheckAnonymous");
            QVERIFY(!anonymous->isChecked());
            anonymous->setChecked(true);
            QCOMPARE(box("TxtUserName")->text(), QStringLiteral("anonymous"));
            QCOMPARE(box("TxtPassword")->text(), QStringLiteral("xyz"));
            box("TxtPassword")->setText("guest@");
            anonymous->setChecked(false);
            QCOMPARE(box("TxtUserName")->text(), QStringLiteral("abc"));
            QCOMPARE(box("TxtPassword")->text(), QStringLiteral("xyz"));
            anonymous->setChecked(true);
            button("CmdOK")->click();
        });
        QVERIFY(r && *r);
        QCOMPARE(GetText(ftp, "UserName"), QStringLiteral("anonymous"));
        QCOMPARE(GetText(ftp, "Password"), QStringLiteral("xyz"));
        // Opened again, the box starts cleared although the user is now "anonymous".
        const auto again = show(ftp, [&] {
            QVERIFY(!control<QCheckBox>("CheckAnonymous")->isChecked());
            QCOMPARE(box("TxtUserName")->text(), QStringLiteral("anonymous"));
            window_->close();
        });
        QVERIFY(again && !*again);
    }

    void webProtocolChoice_data() {
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<bool>("httpShown");
        QTest::addColumn<bool>("pickHttp");
        QTest::addColumn<int>("stored");
        QTest::newRow("4 shows HTTP") << "w|60|3|2|4||" << true << true << 4;
        QTest::newRow("5 shows HTTPS") << "w|60|3|2|5||" << false << false << 5;
        QTest::newRow("9 shows HTTPS and stores 5") << "w|60|3|2|9||" << false << false << 5;
        QTest::newRow("HTTPS changed to HTTP") << "w|60|3|2|5||" << false << true << 4;
        QTest::newRow("HTTP changed to HTTPS") << "w|60|3|2|4||" << true << false << 5;
    }
    void webProtocolChoice() {
        QFETCH(QString, parameter);
        QFETCH(bool, httpShown);
        QFETCH(bool, pickHttp);
        QFETCH(int, stored);
        ObjectPtr www = create("Vantorwww");
        QCOMPARE(Put(www, "Parameter", parameter), 0);
        const auto r = show(www, [&] {
            QCOMPARE(control<QRadioButton>("OptHTTP")->isChecked(), httpShown);
            QCOMPARE(control<QRadioButton>("OptHTTPS")->isChecked(), !httpShown);
            control<QRadioButton>(pickHttp ? "OptHTTP" : "OptHTTPS")->setChecked(true);
            QVERIFY(!control<QRadioButton>(pickHttp ? "OptHTTPS" : "OptHTTP")->isChecked());
            button("CmdOK")->click();
        });
        QVERIFY(r && *r);
        QCOMPARE(Get(www, "Protocol")->toInt(), stored);
    }

    // The test button of a database window shows each error of the failure (OK only, no
    // icon), then its verdict; the opener's kakunin and members are not touched.
    void databaseTestButton_data() {
        QTest::addColumn<QString>("dsn");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("contains");  // the texts of the boxes, in order
        QTest::newRow("passes") << "WinTest" << "select count(*) from t" << QStringList{"接続ＯＫ"};
        QTest::newRow("statement refused") << "WinTest" << "select * from nothere"
                                           << QStringList{"no such table", "接続ＮＧ"};
        QTest::newRow("no such data source") << "Nowhere" << "select 1"
                                             << QStringList{"Data source name not found", "接続ＮＧ"};
    }
    void databaseTestButton() {
        QFETCH(QString, dsn);
        QFETCH(QString, sql);
        QFETCH(QStringList, contains);
        ObjectPtr db2 = create("VantorDB2");
        const QString start = "Start|5|u|p|select 1";
        QCOMPARE(Put(db2, "Parameter", start), 0);
        const auto r = show(db2, [&] {
            box("TxtDSN")->setText(dsn);
            box("TxtSQL")->setText(sql);
            button("CmdCheck")->click();
            QCOMPARE(boxes_.size(), contains.size());
            for (int i = 0; i < contains.size(); ++i) {
                QVERIFY2(boxes_[i].prompt.contains(contains[i]), qPrintable(boxes_[i].prompt));
                const bool verdict = i == contains.size() - 1;
                QCOMPARE(boxes_[i].style, verdict ? 64 : 0);
                QCOMPARE(boxes_[i].title, verdict ? QStringLiteral("IBM UDB2接続ﾁｪｯｸ") : QStringLiteral("VantorDB2"));
            }
            QVERIFY(button("CmdOK")->isEnabled());
            window_->close();
        });
        QVERIFY(r && !*r);
        QCOMPARE(GetText(db2, "Parameter"), start);
        QCOMPARE(Get(db2, "kakunin")->toBool(), false);
    }

    void cleanupTestCase() { seam_.reset(); }
};

VANTORO_TEST_MAIN(CheckWindowsTest)
#include "tst_checkwindows.moc"
