// The about box: its texts from the version information, and how the system information
// button finds and starts its tool through the settings store.
#include "TestSupport.h"

#include "console/FrmPingAbt.h"
#include "model/AppPaths.h"
#include "model/Options.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>

#include <memory>

class TestAboutBox : public QObject {
    Q_OBJECT

    // The tool is named in the file that holds the options.
    static std::unique_ptr<QSettings> Store() { return OptionStore(ProgramBaseName()); }

private slots:
    void init() {
        auto s = Store();
        s->clear();
        s->sync();
    }

    void labelsFromInjectedVersion() {
        VersionInfo info;
        info.title = QStringLiteral("Vantoro");
        info.major = 2;
        info.minor = 10;
        info.revision = 307;
        info.fileDescription = QStringLiteral("監視");
        info.legalCopyright = QStringLiteral("(C) 2026");
        info.comments = QStringLiteral("注意書き");

        FrmPingAbt box;
        QCOMPARE(box.lblTitle()->text(), QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝ名"));
        QCOMPARE(box.cmdOK()->text(), QStringLiteral("閉じる(&C)"));
        QCOMPARE(box.cmdSysInfo()->text(), QStringLiteral("ｼｽﾃﾑ情報(&S)"));
        // Loading twice must not stack the texts: each load starts from the initial texts.
        for (int round = 0; round < 2; ++round) {
            box.Load(info);
            QCOMPARE(box.windowTitle(), QStringLiteral("Vantoroのﾊﾞｰｼﾞｮﾝ情報"));
            QCOMPARE(box.lblTitle()->text(), QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝ名\r\n　Vantoro Ver 2.10.307"));
            QCOMPARE(box.lblDescription()->text(), QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの説明\r\n　監視"));
            QCOMPARE(box.lblLegalCopyright()->text(), QStringLiteral("著作権\r\n　(C) 2026"));
            QCOMPARE(box.lblDisclaimer()->text(), QStringLiteral("注意書き"));
        }
        // A missing field leaves the initial text, the line break and the space.
        info.fileDescription.clear();
        box.Load(info);
        QCOMPARE(box.lblDescription()->text(), QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの説明\r\n　"));
    }

    void programVersionFromBuild() {
        const VersionInfo info = ProgramVersionInfo();
        const QString built = QStringLiteral(VANTORO_VERSION);
        QCOMPARE(QStringLiteral("%1.%2.%3").arg(info.major).arg(info.minor).arg(info.revision), built);
        FrmPingAbt box;
        box.Load();
        QVERIFY(box.lblTitle()->text().endsWith(QStringLiteral(" Ver ") + built));
        QVERIFY(!box.lblDisclaimer()->text().isEmpty());
    }

    void getKeyValue() {
        QString v = QStringLiteral("stale");
        QVERIFY(!GetKeyValue(QStringLiteral("NoSuchKey"), QStringLiteral("PATH"), v));
        QCOMPARE(v, QString());
        {
            auto s = Store();
            s->setValue(QStringLiteral("Some/Nested/Count"), 42);
            s->setValue(QStringLiteral("Some/Nested/Text"), QStringLiteral("abc"));
        }
        QVERIFY(GetKeyValue(QStringLiteral("Some/Nested"), QStringLiteral("Count"), v));
        QCOMPARE(v, QStringLiteral("42"));
        QVERIFY(GetKeyValue(QStringLiteral("Some/Nested"), QStringLiteral("Text"), v));
        QCOMPARE(v, QStringLiteral("abc"));
        v = QStringLiteral("stale");
        QVERIFY(!GetKeyValue(QStringLiteral("Some/Nested"), QStringLiteral("Missing"), v));
        QCOMPARE(v, QString());
    }

    void startSysInfo_data() {
        QTest::addColumn<QString>("path");         // first entry; "-" for none
        QTest::addColumn<QString>("folder");       // second entry; "-" for none
        QTest::addColumn<bool>("toolInFolder");    // the tool file exists in the folder
        QTest::addColumn<bool>("launchWorks");
        QTest::addColumn<QString>("started");      // the path started; "" for none
        QTest::addColumn<bool>("message");

        const QString tool = vtest::HomeDir() + QStringLiteral("/tools/") + QString::fromLatin1(kSysInfoFileName);
        const QString folder = vtest::HomeDir() + QStringLiteral("/tools");
        QTest::newRow("nothing configured") << "-" << "-" << false << true << "" << true;
        QTest::newRow("first entry wins, second not read")
            << "/opt/info/tool" << folder << true << true << "/opt/info/tool" << false;
        QTest::newRow("first entry that cannot start") << "/opt/info/tool" << "-" << false << false
                                                       << "/opt/info/tool" << true;
        QTest::newRow("second entry with the tool") << "-" << folder << true << true << tool << false;
        QTest::newRow("second entry without the tool") << "-" << folder << false << true << "" << true;
        QTest::newRow("second entry, tool will not start") << "-" << folder << true << false << tool << true;
    }

    void startSysInfo() {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QFETCH(bool, toolInFolder);
        QFETCH(bool, launchWorks);
        QFETCH(QString, started);
        QFETCH(bool, message);

        const QString toolDir = vtest::HomeDir() + QStringLiteral("/tools");
        QDir(toolDir).removeRecursively();
        QDir().mkpath(toolDir);
        if (toolInFolder) {
            QFile f(toolDir + QLatin1Char('/') + QString::fromLatin1(kSysInfoFileName));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        {
            auto s = Store();
            if (path != QLatin1String("-"))
                s->setValue(QStringLiteral("%1/%2").arg(kSysInfoPathKey, kSysInfoPathValue), path);
            if (folder != QLatin1String("-"))
                s->setValue(QStringLiteral("%1/%2").arg(kSysInfoLocationKey, kSysInfoLocationValue), folder);
        }

        vtest::RecordingMessageBox boxes;
        QStringList launched;
        FrmPingAbt box;
        box.Load();
        box.SetLauncher([&](const QString& p) {
            launched << p;
            return launchWorks;
        });
        box.cmdSysInfo()->click();

        QCOMPARE(launched, started.isEmpty() ? QStringList() : QStringList{started});
        if (message) {
            QCOMPARE(boxes.prompts(), QStringList{QStringLiteral("現時点ではｼｽﾃﾑ情報を使用できません")});
            QCOMPARE(boxes.shown.first().style, 0);
        } else {
            QVERIFY(boxes.shown.isEmpty());
        }
    }

    void realLauncherOnMissingProgram() {
        {
            auto s = Store();
            s->setValue(QStringLiteral("%1/%2").arg(kSysInfoPathKey, kSysInfoPathValue),
                       vtest::HomeDir() + QStringLiteral("/no-such-program"));
        }
        vtest::RecordingMessageBox boxes;
        FrmPingAbt box;
        box.Load();
        box.StartSysInfo();
        QCOMPARE(boxes.prompts(), QStringList{QStringLiteral("現時点ではｼｽﾃﾑ情報を使用できません")});
    }

    void closeButtonCloses() {
        FrmPingAbt box;
        box.Load();
        box.show();
        QVERIFY(box.isVisible());
        box.cmdOK()->click();
        QVERIFY(!box.isVisible());
        QCOMPARE(box.result(), int(QDialog::Accepted));
    }
};

VANTORO_TEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
