// The options store: defaults, stored text forms, a round trip and values that do not parse.
#include "TestSupport.h"

#include "model/AppPaths.h"
#include "model/EventLog.h"
#include "model/Globals.h"
#include "model/Mixer.h"
#include "model/Options.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <functional>
#include <map>

namespace {

const QString kApp = QStringLiteral("vantoro-options-test");

class FixedMixerDevice final : public MixerDevice {
public:
    bool GetVolumeControl(MixerControl& control, qint32) override {
        control.Maximum = 65535;
        return true;
    }
    bool SetVolumeValue(const MixerControl&, qint32) override { return true; }
    bool GetVolumeValue(const MixerControl&, qint32& value) override {
        value = 40000;
        return true;
    }
};
class FixedMixer final : public MixerSystem {
public:
    std::unique_ptr<MixerDevice> Open(int) override { return std::make_unique<FixedMixerDevice>(); }
};

// Every option as a QVariant, by key.
QVariantMap Snapshot() {
    return {{"DatabasePath", gOptDatabasePath}, {"SoundFilePath", gOptSoundFilePath},
            {"PatLamp", gOptPatLamp},           {"Sound", gOptSound},
            {"SoundVolume", gOptSoundVolume},   {"FormTop", gOptFormTop},
            {"PopUp", gOptPopUp},               {"PingCheck", gOptPingCheck},
            {"WebInfo", gOptWebInfo},           {"NoCheck", gOptNoCheck},
            {"TimerInterval", gOptTimerInterval}, {"NGRset", gOptNGRset},
            {"SendMsg", gOptSendMsg},           {"Port", gOptPort},
            {"UserName", gOptUserName},         {"PortTimeOut", int(gOptPortTimeOut)},
            {"LogDelete", gOptLogDelete},       {"MailServer", gOptMailServer},
            {"POPServer", gOptPOPServer},       {"MailUserID", gOptMailUserID}};
}

// Values no default has, so a read that leaves a global alone is seen.
void Scribble() {
    gOptDatabasePath = gOptSoundFilePath = gOptUserName = gOptMailServer = gOptPOPServer = gOptMailUserID =
        QStringLiteral("junk");
    gOptPatLamp = gOptSound = gOptPopUp = gOptPingCheck = gOptSendMsg = false;
    gOptFormTop = gOptWebInfo = gOptNoCheck = true;
    gOptSoundVolume = gOptTimerInterval = gOptNGRset = gOptPort = gOptLogDelete = -7;
    gOptPortTimeOut = -7;
}

QVariantMap Defaults() {
    const QString folder = ProgramFolder();
    return {{"DatabasePath", folder + "/Vantoro.MDB"}, {"SoundFilePath", folder + "/Siren.wav"},
            {"PatLamp", true},           {"Sound", true},
            {"SoundVolume", 40000},      {"FormTop", false},
            {"PopUp", true},             {"PingCheck", true},
            {"WebInfo", false},          {"NoCheck", false},
            {"TimerInterval", 60000},    {"NGRset", 10},
            {"SendMsg", true},           {"Port", 59640},
            {"UserName", QStringLiteral("ｼｽﾃﾑ管理者")}, {"PortTimeOut", 3},
            {"LogDelete", 10},           {"MailServer", QString()},
            {"POPServer", QString()},    {"MailUserID", kApp}};
}

void Store(const QString& key, const QString& text) {
    auto s = OptionStore(kApp);
    s->setValue(QStringLiteral("Local/") + key, text);
    s->sync();
}

QString Stored(const QString& key) { return OptionStore(kApp)->value(QStringLiteral("Local/") + key).toString(); }

void ClearStore() {
    auto s = OptionStore(kApp);
    s->clear();
    s->sync();
}

void CompareMaps(const QVariantMap& actual, const QVariantMap& expected) {
    QCOMPARE(actual.keys(), expected.keys());
    for (auto it = expected.begin(); it != expected.end(); ++it)
        QVERIFY2(actual.value(it.key()) == it.value(),
                 qPrintable(it.key() + ": " + actual.value(it.key()).toString() + " != " + it.value().toString()));
}

// The files of the log folder, by name. Today is 15 March 2026: 20121123 is 4860 days
// before it, 20120619 5017; 1.LOG sorts before every day.
QStringList DayFiles() {
    return {"1.LOG", "20120619.LOG", "20121123.LOG", "20230101.LOG", "20260313.LOG", "20260315.LOG"};
}

}  // namespace

class OptionsTest : public QObject {
    Q_OBJECT
    FixedMixer mixer_;

private slots:
    void initTestCase() { seams::SetMixer(&mixer_); }
    void cleanupTestCase() { seams::SetMixer(nullptr); }
    void init() { ClearStore(); }

    void storeIsAPerUserIniFile() {
        const QString file = OptionStore(kApp)->fileName();
        QVERIFY2(file.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + QLatin1Char('/')), qPrintable(file));
        QVERIFY(file.endsWith(QLatin1Char('/') + kApp + QStringLiteral(".ini")));
    }

    void emptyStoreGivesEveryDefault() {
        Scribble();
        OptionSetting(true, kApp);
        CompareMaps(Snapshot(), Defaults());

        // Without a mixer the volume default is 0.
        seams::SetMixer(nullptr);
        Scribble();
        OptionSetting(true, kApp);
        seams::SetMixer(&mixer_);
        QCOMPARE(gOptSoundVolume, 0);
    }

    void roundTripOfAllTwenty() {
        gOptDatabasePath = QStringLiteral("/data/監視/Vantoro.MDB");
        gOptSoundFilePath = QStringLiteral("/data/siren, loud.wav");
        gOptPatLamp = false;
        gOptSound = false;
        gOptSoundVolume = 12345;
        gOptFormTop = true;
        gOptPopUp = false;
        gOptPingCheck = false;
        gOptWebInfo = true;
        gOptNoCheck = true;
        gOptTimerInterval = 10500;
        gOptNGRset = 999;
        gOptSendMsg = false;
        gOptPort = 65535;
        gOptUserName = QStringLiteral("監視 担当");
        gOptPortTimeOut = 10;
        gOptLogDelete = 999;
        gOptMailServer = QStringLiteral("127.0.0.1");
        gOptPOPServer = QStringLiteral("example.test");
        gOptMailUserID = QStringLiteral("monitor");
        const QVariantMap written = Snapshot();
        OptionSetting(false, kApp);

        // Everything is text: Booleans as words, the interval in seconds.
        QCOMPARE(Stored("PatLamp"), QStringLiteral("False"));
        QCOMPARE(Stored("FormTop"), QStringLiteral("True"));
        QCOMPARE(Stored("TimerInterval"), QStringLiteral("10.5"));
        QCOMPARE(Stored("Port"), QStringLiteral("65535"));

        Scribble();
        OptionSetting(true, kApp);
        CompareMaps(Snapshot(), written);

        gOptTimerInterval = 60000;
        OptionSetting(false, kApp);
        QCOMPARE(Stored("TimerInterval"), QStringLiteral("60"));
    }

    void storedTexts_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("expected");
        // Texts that convert.
        QTest::newRow("interval seconds") << "TimerInterval" << "60" << QVariant(60000);
        QTest::newRow("interval fraction rounds") << "TimerInterval"
                                                  << "12.3456" << QVariant(12346);
        QTest::newRow("bool lower case") << "FormTop" << "true" << QVariant(true);
        QTest::newRow("bool upper case") << "PatLamp" << "FALSE" << QVariant(false);
        QTest::newRow("bool zero") << "Sound" << "0" << QVariant(false);
        QTest::newRow("bool minus one") << "NoCheck" << "-1" << QVariant(true);
        QTest::newRow("number with blanks") << "NGRset" << " 25 " << QVariant(25);
        QTest::newRow("empty string kept") << "UserName" << "" << QVariant(QString());
        // Texts that do not: the option's default, never 0.
        QTest::newRow("port with a letter") << "Port" << "5964O" << QVariant(59640);
        QTest::newRow("port empty") << "Port" << "" << QVariant(59640);
        QTest::newRow("interval word") << "TimerInterval" << "soon" << QVariant(60000);
        QTest::newRow("interval too long") << "TimerInterval" << "1e12" << QVariant(60000);
        QTest::newRow("log days") << "LogDelete" << "ten" << QVariant(10);
        QTest::newRow("time-out beyond 16 bits") << "PortTimeOut" << "70000" << QVariant(3);
        QTest::newRow("time-out fraction") << "PortTimeOut" << "2.5" << QVariant(3);
        QTest::newRow("rounds") << "NGRset" << "0x10" << QVariant(10);
        QTest::newRow("volume") << "SoundVolume" << "loud" << QVariant(40000);
        QTest::newRow("bool word on") << "PatLamp" << "yes" << QVariant(true);
        QTest::newRow("bool word off") << "WebInfo" << "maybe" << QVariant(false);
        // Below the harmless range: its lower bound, so a round never follows the last
        // at once, a port is given a moment and the day's log is never deleted.
        QTest::newRow("interval zero") << "TimerInterval"
                                       << "0" << QVariant(10000);
        QTest::newRow("interval negative") << "TimerInterval"
                                           << "-30" << QVariant(10000);
        QTest::newRow("interval fraction below the range") << "TimerInterval"
                                                           << "0.0004" << QVariant(10000);
        QTest::newRow("log days zero") << "LogDelete"
                                       << "0" << QVariant(1);
        QTest::newRow("log days negative") << "LogDelete"
                                           << "-3" << QVariant(1);
        QTest::newRow("log days far below 32 bits") << "LogDelete"
                                                    << "-99999999999" << QVariant(1);
        QTest::newRow("rounds zero") << "NGRset"
                                     << "0" << QVariant(1);
        QTest::newRow("time-out zero") << "PortTimeOut"
                                       << "0" << QVariant(1);
        // Above what the options dialog accepts: used as stored, it harms nothing.
        QTest::newRow("interval two hours") << "TimerInterval"
                                            << "7200" << QVariant(7200000);
        QTest::newRow("interval a day") << "TimerInterval"
                                        << "86400" << QVariant(86400000);
        QTest::newRow("interval, the most milliseconds hold") << "TimerInterval"
                                                              << "2147483.647" << QVariant(2147483647);
        QTest::newRow("interval beyond milliseconds") << "TimerInterval"
                                                      << "2147483.648" << QVariant(60000);
        QTest::newRow("log days 5000") << "LogDelete"
                                       << "5000" << QVariant(5000);
        QTest::newRow("rounds 5000") << "NGRset"
                                     << "5000" << QVariant(5000);
        QTest::newRow("time-out 30") << "PortTimeOut"
                                     << "30" << QVariant(30);
        QTest::newRow("time-out, the most 16 bits hold") << "PortTimeOut"
                                                         << "32767" << QVariant(32767);
        // A retention too long to hold keeps every file: the longest one held.
        QTest::newRow("log days beyond 32 bits") << "LogDelete"
                                                 << "99999999999" << QVariant(2147483647);
        QTest::newRow("log days beyond 64 bits") << "LogDelete"
                                                 << "99999999999999999999999" << QVariant(2147483647);
        QTest::newRow("log days as an exponent") << "LogDelete"
                                                 << "1e12" << QVariant(2147483647);
        // A port outside 1..65535 is no port: the default one.
        QTest::newRow("port zero") << "Port"
                                   << "0" << QVariant(59640);
        QTest::newRow("port above 65535") << "Port"
                                          << "65536" << QVariant(59640);
    }
    void storedTexts() {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(QVariant, expected);
        Store(key, text);
        Scribble();
        OptionSetting(true, kApp);
        const QVariantMap now = Snapshot();
        QVERIFY2(now.value(key) == expected, qPrintable(now.value(key).toString()));
        // Reading never rewrites what the user stored.
        QCOMPARE(Stored(key), text);
        // The other options are untouched by one bad value.
        QVariantMap others = Defaults();
        others.remove(key);
        QVariantMap rest = now;
        rest.remove(key);
        CompareMaps(rest, others);
    }

    // A stored messenger port that names no port is replaced by the default one, and
    // the operator is told which port is used; a port that is used as stored, or none
    // stored at all, tells nothing, and neither does the store once it has been written.
    void portNotice_data() {
        QTest::addColumn<QString>("stored");  // "-" = no Port key
        QTest::addColumn<bool>("told");
        QTest::newRow("above 65535") << "70000" << true;
        QTest::newRow("zero") << "0" << true;
        QTest::newRow("negative") << "-1" << true;
        QTest::newRow("a letter") << "5964O" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("a port") << "8080" << false;
        QTest::newRow("the highest port") << "65535" << false;
        QTest::newRow("none stored") << "-" << false;
    }
    void portNotice() {
        QFETCH(QString, stored);
        QFETCH(bool, told);
        if (stored != QLatin1String("-")) Store(QStringLiteral("Port"), stored);
        OptionSetting(true, kApp);
        const QString notice = options::PortNotice();
        QCOMPARE(!notice.isEmpty(), told);
        if (!told) return;
        QCOMPARE(gOptPort, 59640);
        QVERIFY2(notice.contains(QStringLiteral("「") + stored + QStringLiteral("」")), qPrintable(notice));
        QVERIFY2(notice.contains(QStringLiteral("59640")), qPrintable(notice));
        // Written back (the options dialog's apply), the store holds the port in use.
        OptionSetting(false, kApp);
        QCOMPARE(options::PortNotice(), QString());
        QCOMPARE(Stored(QStringLiteral("Port")), QStringLiteral("59640"));
    }

    // The retention read at start-up is what the next pruning keeps: a hand-edited 0
    // keeps today's file, a long one every file it covers, one too long to hold every
    // file there is.
    void storedRetentionIsKept_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("kept");
        const QStringList all = DayFiles();
        QTest::newRow("0 days") << "0" << QStringList{"20260315.LOG"};
        QTest::newRow("10 days") << "10" << QStringList{"20260313.LOG", "20260315.LOG"};
        QTest::newRow("5000 days") << "5000" << all.mid(2);
        QTest::newRow("too long to hold") << "99999999999" << all;
        QTest::newRow("longest held") << "2147483647" << all;
    }
    void storedRetentionIsKept() {
        QFETCH(QString, stored);
        QFETCH(QStringList, kept);
        Store(QStringLiteral("LogDelete"), stored);
        OptionSetting(true, kApp);
        eventlog::SetClock([] { return QDateTime(QDate(2026, 3, 15), QTime(12, 0)); });
        QDir(LogFolder()).removeRecursively();
        QVERIFY(QDir().mkpath(LogFolder()));
        for (const QString& name : DayFiles()) {
            QFile f(LogFolder() + QLatin1Char('/') + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        DeleteOldLog();
        eventlog::SetClock({});
        QCOMPARE(QDir(LogFolder()).entryList(QDir::Files, QDir::Name), kept);
        QDir(LogFolder()).removeRecursively();
    }
};

VANTORO_TEST_MAIN(OptionsTest)
#include "tst_options.moc"
