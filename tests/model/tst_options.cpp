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
        // Numbers outside the options dialog's ranges: the nearest bound, so a round
        // never follows the last at once and the day's log is never deleted.
        QTest::newRow("interval zero") << "TimerInterval"
                                       << "0" << QVariant(10000);
        QTest::newRow("interval negative") << "TimerInterval"
                                           << "-30" << QVariant(10000);
        QTest::newRow("interval fraction below the range") << "TimerInterval"
                                                           << "0.0004" << QVariant(10000);
        QTest::newRow("interval above the range") << "TimerInterval"
                                                  << "86400" << QVariant(3600000);
        QTest::newRow("log days zero") << "LogDelete"
                                       << "0" << QVariant(1);
        QTest::newRow("log days negative") << "LogDelete"
                                           << "-3" << QVariant(1);
        QTest::newRow("log days above the range") << "LogDelete"
                                                  << "5000" << QVariant(999);
        QTest::newRow("rounds zero") << "NGRset"
                                     << "0" << QVariant(1);
        QTest::newRow("rounds above the range") << "NGRset"
                                                << "1000" << QVariant(999);
        QTest::newRow("time-out zero") << "PortTimeOut"
                                       << "0" << QVariant(1);
        QTest::newRow("time-out above the range") << "PortTimeOut"
                                                  << "60" << QVariant(10);
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

    // A hand-edited retention of 0 days, read at start-up, keeps one day: today's log
    // stays at the next pruning.
    void zeroRetentionKeepsTodaysLog() {
        Store(QStringLiteral("LogDelete"), QStringLiteral("0"));
        OptionSetting(true, kApp);
        eventlog::SetClock([] { return QDateTime(QDate(2026, 3, 15), QTime(12, 0)); });
        QVERIFY(QDir().mkpath(LogFolder()));
        for (const char* name : {"20260313.LOG", "20260314.LOG", "20260315.LOG"}) {
            QFile f(LogFolder() + QLatin1Char('/') + QLatin1String(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        DeleteOldLog();
        eventlog::SetClock({});
        QCOMPARE(QDir(LogFolder()).entryList(QDir::Files, QDir::Name), QStringList{QStringLiteral("20260315.LOG")});
        QDir(LogFolder()).removeRecursively();
    }
};

VANTORO_TEST_MAIN(OptionsTest)
#include "tst_options.moc"
