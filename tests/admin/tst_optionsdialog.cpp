// The options dialog: the apply checks in their order, what apply writes (globals, the
// settings store, the log folder, the control table, the pacing), the volume slider with
// and without a mixer, and the two file choosers' dialogs.
#include "TestSupport.h"

#include "admin/FrmOption.h"
#include "alarms/Cp932.h"
#include "alarms/PatLamp.h"
#include "model/AppPaths.h"
#include "model/EventLog.h"
#include "model/Globals.h"
#include "model/Mixer.h"
#include "model/Options.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSlider>

#include <memory>
#include <vector>

namespace {

// A real file under folder whose path takes exactly 252 bytes in the Japanese code page,
// the most a chooser's 254-byte name buffer holds, and more in UTF-8: folders of double-
// byte names, each within a file system's name limit.
QString LongJapanesePath(const QString& folder) {
    const auto bytes = [](const QString& text) { return cp932::FromUnicode(text).size(); };
    QString path = folder;
    const QString name(40, QChar(0x76E3));  // 監
    while (bytes(path) + 1 + bytes(name) + 1 + 2 + 4 <= 252) path += QLatin1Char('/') + name;
    if (!QDir().mkpath(path)) return {};
    QString file = QLatin1Char('/') + QString((252 - bytes(path) - 5) / 2, QChar(0x97F3));  // 音
    if ((252 - bytes(path)) % 2 == 0) file += QLatin1Char('a');
    path += file + QStringLiteral(".wav");
    QFile sound(path);
    if (bytes(path) != 252 || !sound.open(QIODevice::WriteOnly)) return {};
    return path;
}

class FakeMixerDevice final : public MixerDevice {
public:
    bool GetVolumeControl(MixerControl& control, qint32 componentType) override {
        if (componentType != MIXERLINE_COMPONENTTYPE_DST_SPEAKERS) return false;
        control.Minimum = 0;
        control.Maximum = 200;
        control.Name = QStringLiteral("Master");
        return true;
    }
    bool SetVolumeValue(const MixerControl&, qint32 value) override {
        sets().push_back(value);
        return true;
    }
    // Every volume written to any fake device, in order.
    static std::vector<qint32>& sets() {
        static std::vector<qint32> values;
        return values;
    }
    bool GetVolumeValue(const MixerControl&, qint32& value) override {
        value = 0;
        return true;
    }
};

class FakeMixer final : public MixerSystem {
public:
    FakeMixer() { seams::SetMixer(this); }
    ~FakeMixer() override { seams::SetMixer(nullptr); }
    std::unique_ptr<MixerDevice> Open(int device) override {
        return device == 0 ? std::make_unique<FakeMixerDevice>() : nullptr;
    }
};

void SetDefaults() {
    gOptDatabasePath = vtest::FreshDatabase();
    gOptSoundFilePath = vtest::HomeDir() + QStringLiteral("/Siren.wav");
    gOptSound = true;
    gOptSoundVolume = 120;
    gOptPatLamp = false;
    gOptFormTop = false;
    gOptPopUp = false;
    gOptPingCheck = true;
    gOptWebInfo = false;
    gOptNoCheck = false;
    gOptTimerInterval = 60000;
    gOptNGRset = 10;
    gOptPortTimeOut = 3;
    gOptSendMsg = false;
    gOptPort = 59640;
    gOptUserName = QStringLiteral("監視係");
    gOptLogDelete = 30;
    gOptMailServer.clear();
    gOptPOPServer.clear();
    gOptMailUserID = QStringLiteral("kanshi");
    OptionSetting(false, ProgramBaseName());
}

QString Stored(const QString& key) {
    auto store = OptionStore(ProgramBaseName());
    store->beginGroup(QStringLiteral("Local"));
    return store->value(key).toString();
}

void Store(const QString& key, const QString& text) {
    auto store = OptionStore(ProgramBaseName());
    store->setValue(QStringLiteral("Local/") + key, text);
    store->sync();
}

// Every stored text of the group, by key.
QVariantMap StoredTexts() {
    auto store = OptionStore(ProgramBaseName());
    store->beginGroup(QStringLiteral("Local"));
    QVariantMap texts;
    for (const QString& key : store->childKeys()) texts.insert(key, store->value(key).toString());
    return texts;
}

}  // namespace

class TestOptionsDialog : public QObject {
    Q_OBJECT

private slots:
    void init() { SetDefaults(); }

    void applyChecks_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");  // "" = accepted
        QTest::addColumn<QString>("focus");

        QTest::newRow("no database path") << "txtDBFilePath"
                                          << "  " << optionmsg::kNoDatabasePath << "txtDBFilePath";
        QTest::newRow("no sound path, sound on") << "txtSoundFilePath"
                                                 << "" << optionmsg::kNoSoundPath << "txtSoundFilePath";
        QTest::newRow("port not a number") << "txtLocalPort"
                                           << "59a40" << optionmsg::kNotNumber << "";
        QTest::newRow("log not a number") << "TxtEdBoxLog"
                                          << "" << optionmsg::kNotNumber << "";
        QTest::newRow("interval 9") << "TxtEdBoxInterval"
                                    << "9" << optionmsg::kInterval << "TxtEdBoxInterval";
        QTest::newRow("interval 3601") << "TxtEdBoxInterval"
                                       << "3601" << optionmsg::kInterval << "TxtEdBoxInterval";
        QTest::newRow("interval 99999 beyond 16 bits") << "TxtEdBoxInterval"
                                                       << "99999" << optionmsg::kInterval << "TxtEdBoxInterval";
        QTest::newRow("interval 10") << "TxtEdBoxInterval"
                                     << "10"
                                     << ""
                                     << "";
        QTest::newRow("interval 3600") << "TxtEdBoxInterval"
                                       << "3600"
                                       << ""
                                       << "";
        QTest::newRow("re-check 0") << "TxtEdBoxNGRset"
                                    << "0" << optionmsg::kNGRset << "TxtEdBoxNGRset";
        QTest::newRow("re-check 1000") << "TxtEdBoxNGRset"
                                       << "1000" << optionmsg::kNGRset << "TxtEdBoxNGRset";
        QTest::newRow("re-check 999") << "TxtEdBoxNGRset"
                                      << "999"
                                      << ""
                                      << "";
        QTest::newRow("re-check 1") << "TxtEdBoxNGRset"
                                    << "1"
                                    << ""
                                    << "";
        QTest::newRow("time-out 1") << "TxtEdBoxPortTimeOut"
                                    << "1"
                                    << ""
                                    << "";
        QTest::newRow("time-out 0") << "TxtEdBoxPortTimeOut"
                                    << "0" << optionmsg::kPortTimeOut << "TxtEdBoxPortTimeOut";
        QTest::newRow("time-out 11") << "TxtEdBoxPortTimeOut"
                                     << "11" << optionmsg::kPortTimeOut << "TxtEdBoxPortTimeOut";
        QTest::newRow("time-out 10") << "TxtEdBoxPortTimeOut"
                                     << "10"
                                     << ""
                                     << "";
        QTest::newRow("log 0") << "TxtEdBoxLog"
                               << "0" << optionmsg::kLogDelete << "TxtEdBoxLog";
        QTest::newRow("log 999") << "TxtEdBoxLog"
                                 << "999"
                                 << ""
                                 << "";
        QTest::newRow("log 1000") << "TxtEdBoxLog"
                                  << "1000" << optionmsg::kLogDelete << "TxtEdBoxLog";
        QTest::newRow("log 1") << "TxtEdBoxLog"
                               << "1"
                               << ""
                               << "";
        QTest::newRow("no user name") << "txtLocalUserName"
                                      << " " << optionmsg::kRequired << "txtLocalPort";
        QTest::newRow("port 0") << "txtLocalPort"
                                << "0" << optionmsg::kRequired << "txtLocalPort";
        QTest::newRow("port 0080") << "txtLocalPort"
                                   << "0080" << optionmsg::kRequired << "txtLocalPort";
        QTest::newRow("port 1") << "txtLocalPort"
                                << "1"
                                << ""
                                << "";
        QTest::newRow("port 65535") << "txtLocalPort"
                                    << "65535"
                                    << ""
                                    << "";
        QTest::newRow("port 65536") << "txtLocalPort"
                                    << "65536" << optionmsg::kPortRange << "txtLocalPort";
        QTest::newRow("port 99999999999") << "txtLocalPort"
                                          << "99999999999" << optionmsg::kPortRange << "txtLocalPort";
    }

    void applyChecks() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        FakeMixer mixer;
        vtest::RecordingMessageBox box;
        int resets = 0;
        FrmOption dialog;
        dialog.SetResetPacing([&] { ++resets; });
        dialog.Load();
        QVERIFY(box.shown.isEmpty());
        dialog.findChild<QLineEdit*>(field)->setText(text);
        const QString storedBefore = Stored(QStringLiteral("TimerInterval"));

        const bool ok = dialog.cmdApply_Click();
        QCOMPARE(ok, message.isEmpty());
        if (ok) {
            QVERIFY(box.shown.isEmpty());
            return;
        }
        QCOMPARE(box.prompts(), QStringList{message});
        QCOMPARE(box.shown.first().style, vb::vbOKOnly);
        QCOMPARE(box.shown.first().title, ProgramTitle());
        QCOMPARE(dialog.FocusTarget() ? dialog.FocusTarget()->objectName() : QString(), focus);
        // A refused apply changed nothing.
        QCOMPARE(gOptTimerInterval, 60000);
        QCOMPARE(gOptPort, 59640);
        QCOMPARE(gOptUserName, QStringLiteral("監視係"));
        QCOMPARE(Stored(QStringLiteral("TimerInterval")), storedBefore);
        QCOMPARE(resets, 0);
    }

    // What the store holds is shown as it is held, and apply refuses a value outside
    // the dialog's range as it refuses a typed one: an apply that nobody typed for
    // changes nothing in the store, a fraction of a second in the interval included.
    void storedValuesShownAsStored_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("message");  // "" = accepted
        QTest::newRow("log 5000 days") << "LogDelete"
                                       << "5000"
                                       << "TxtEdBoxLog"
                                       << "5000" << optionmsg::kLogDelete;
        QTest::newRow("interval two hours") << "TimerInterval"
                                            << "7200"
                                            << "TxtEdBoxInterval"
                                            << "7200" << optionmsg::kInterval;
        QTest::newRow("time-out 30") << "PortTimeOut"
                                     << "30"
                                     << "TxtEdBoxPortTimeOut"
                                     << "30" << optionmsg::kPortTimeOut;
        QTest::newRow("re-check 5000") << "NGRset"
                                       << "5000"
                                       << "TxtEdBoxNGRset"
                                       << "5000" << optionmsg::kNGRset;
        // Too long to hold: the longest retention there is, refused all the same.
        QTest::newRow("log too long to hold") << "LogDelete"
                                              << "99999999999"
                                              << "TxtEdBoxLog"
                                              << "2147483647" << optionmsg::kLogDelete;
        QTest::newRow("interval with a fraction") << "TimerInterval"
                                                  << "12.5"
                                                  << "TxtEdBoxInterval"
                                                  << "12.5"
                                                  << "";
    }
    void storedValuesShownAsStored() {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QString, field);
        QFETCH(QString, shown);
        QFETCH(QString, message);
        FakeMixer mixer;
        vtest::RecordingMessageBox box;
        Store(key, stored);
        OptionSetting(true, ProgramBaseName());
        const QVariantMap before = StoredTexts();
        const qint32 interval = gOptTimerInterval;
        int resets = 0;
        FrmOption dialog;
        dialog.SetResetPacing([&] { ++resets; });
        dialog.Load();
        QCOMPARE(dialog.findChild<QLineEdit*>(field)->text(), shown);

        QCOMPARE(dialog.cmdApply_Click(), message.isEmpty());
        QCOMPARE(box.prompts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(StoredTexts(), before);
        QCOMPARE(gOptTimerInterval, interval);
        QCOMPARE(resets, 0);
    }

    // Several fields wrong at once: the first check of the fixed order speaks, the
    // number test covering all five boxes before any range test.
    void applyChecksInOrder_data() {
        QTest::addColumn<QString>("fields");  // "name=text;..."; a check box takes "on"/"off"
        QTest::addColumn<QString>("message");
        QTest::newRow("database before sound") << "txtDBFilePath=;txtSoundFilePath=" << optionmsg::kNoDatabasePath;
        QTest::newRow("sound before numbers") << "txtSoundFilePath=;txtLocalPort=x" << optionmsg::kNoSoundPath;
        QTest::newRow("no sound path while sound is off")
            << "Check_Sound=off;txtSoundFilePath=;TxtEdBoxLog=x" << optionmsg::kNotNumber;
        QTest::newRow("numbers before the interval") << "TxtEdBoxInterval=9;TxtEdBoxLog=x" << optionmsg::kNotNumber;
        QTest::newRow("interval before re-check") << "TxtEdBoxInterval=9;TxtEdBoxNGRset=0" << optionmsg::kInterval;
        QTest::newRow("re-check before time-out") << "TxtEdBoxNGRset=0;TxtEdBoxPortTimeOut=0" << optionmsg::kNGRset;
        QTest::newRow("time-out before log") << "TxtEdBoxPortTimeOut=0;TxtEdBoxLog=0" << optionmsg::kPortTimeOut;
        QTest::newRow("log before user name") << "TxtEdBoxLog=0;txtLocalUserName=" << optionmsg::kLogDelete;
        QTest::newRow("user name before port range") << "txtLocalUserName=;txtLocalPort=65536" << optionmsg::kRequired;
    }

    void applyChecksInOrder() {
        QFETCH(QString, fields);
        QFETCH(QString, message);
        FakeMixer mixer;
        vtest::RecordingMessageBox box;
        FrmOption dialog;
        dialog.Load();
        for (const QString& pair : fields.split(QLatin1Char(';'))) {
            const QString name = pair.section(QLatin1Char('='), 0, 0);
            const QString text = pair.section(QLatin1Char('='), 1);
            if (auto* check = dialog.findChild<QCheckBox*>(name))
                check->setChecked(text == QLatin1String("on"));
            else
                dialog.findChild<QLineEdit*>(name)->setText(text);
        }
        QVERIFY(!dialog.cmdApply_Click());
        QCOMPARE(box.prompts(), QStringList{message});
    }

    void applyWritesEverything() {
        FakeMixer mixer;
        vtest::RecordingMessageBox box;
        QDir().mkpath(LogFolder());
        const QString old = LogFolder() + QLatin1Char('/') +
                            QDate::currentDate().addDays(-5).toString(QStringLiteral("yyyyMMdd")) +
                            QStringLiteral(".LOG");
        QFile f(old);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();

        FrmOption dialog;
        dialog.Load();
        QCOMPARE(dialog.TxtEdBoxInterval->text(), QStringLiteral("60"));
        dialog.TxtEdBoxInterval->setText(QStringLiteral("90"));
        dialog.TxtEdBoxLog->setText(QStringLiteral("3"));
        dialog.Check_Web->setChecked(true);
        dialog.Txt_MailID->setText(QStringLiteral("  "));
        dialog.Txt_MailServer->setText(QStringLiteral(" smtp.example.test "));
        dialog.txtLocalUserName->setText(QStringLiteral(" 係 "));
        QVERIFY(dialog.cmdApply_Click());

        // Memory holds milliseconds, the store seconds.
        QCOMPARE(gOptTimerInterval, 90000);
        QCOMPARE(Stored(QStringLiteral("TimerInterval")), QStringLiteral("90"));
        QCOMPARE(gOptLogDelete, 3);
        QCOMPARE(Stored(QStringLiteral("LogDelete")), QStringLiteral("3"));
        QCOMPARE(gOptWebInfo, true);
        QCOMPARE(Stored(QStringLiteral("WebInfo")), QStringLiteral("True"));
        QCOMPARE(gOptMailServer, QStringLiteral("smtp.example.test"));
        QCOMPARE(gOptUserName, QStringLiteral(" 係 "));  // the user name is kept as typed
        // An empty account name is saved as the program's name, and shown so next time.
        QCOMPARE(gOptMailUserID, ProgramBaseName());
        QCOMPARE(Stored(QStringLiteral("MailUserID")), ProgramBaseName());
        FrmOption again;
        again.Load();
        QCOMPARE(again.Txt_MailID->text(), ProgramBaseName());
        // The day file older than the new retention is gone; the control table says 有.
        QVERIFY(!QFile::exists(old));
        QCOMPARE(
            vtest::Scalar(gOptDatabasePath, QStringLiteral("SELECT 処理 FROM TBL_Control WHERE 区分 = 'Web情報提供'"))
                .toString(),
            QStringLiteral("有"));
    }

    void pacingResetOnlyWhenIntervalChanged() {
        vtest::RecordingMessageBox box;
        int resets = 0;
        FrmOption dialog;
        dialog.SetResetPacing([&] { ++resets; });
        dialog.Load();
        QVERIFY(dialog.cmdApply_Click());
        QCOMPARE(resets, 0);
        dialog.TxtEdBoxInterval->setText(QStringLiteral("20"));
        QVERIFY(dialog.cmdApply_Click());
        QCOMPARE(resets, 1);
        QVERIFY(dialog.cmdApply_Click());  // the same interval again
        QCOMPARE(resets, 1);
    }

    void volumeWithMixer() {
        FakeMixer mixer;
        vtest::RecordingMessageBox box;
        FrmOption dialog;
        dialog.Load();
        QVERIFY(dialog.MixerFound());
        QCOMPARE(dialog.SliderVolume->minimum(), 0);
        QCOMPARE(dialog.SliderVolume->maximum(), 200);
        QCOMPARE(dialog.SliderVolume->tickInterval(), 20);
        QCOMPARE(dialog.SliderVolume->value(), 120);
        QCOMPARE(gOptSoundVolume, 120);
        // Moving the slider takes effect at once; Cancel keeps it, the store does not.
        dialog.SliderVolume->setValue(150);
        QCOMPARE(gOptSoundVolume, 150);
        dialog.cmdCancel_Click();
        QCOMPARE(gOptSoundVolume, 150);
        QCOMPARE(Stored(QStringLiteral("SoundVolume")), QStringLiteral("120"));
    }

    // The sound test plays what the box names at the slider's volume, whatever the check
    // box says and before any Apply; the speaker ends at the volume it had.
    void soundTestUsesTheBoxAndTheSlider() {
        FakeMixer mixer;
        vtest::RecordingMessageBox box;
        FrmOption dialog;
        dialog.Load();
        dialog.Check_Sound->setChecked(false);
        dialog.txtSoundFilePath->setText(vtest::HomeDir() + QStringLiteral("/none.wav"));
        dialog.SliderVolume->setValue(170);
        FakeMixerDevice::sets().clear();
        dialog.ComSoundTest->click();
        QCOMPARE(FakeMixerDevice::sets(), (std::vector<qint32>{170, 0}));
        QVERIFY(box.shown.isEmpty());
    }

    // The lamp test follows the saved lamp option, not the check box.
    void lampTestFollowsSavedOption_data() {
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("box");
        QTest::newRow("saved off, box just checked") << false << true;
        QTest::newRow("saved on, box just cleared") << true << false;
    }

    void lampTestFollowsSavedOption() {
        QFETCH(bool, saved);
        QFETCH(bool, box);
        FakeMixer mixer;
        vtest::RecordingMessageBox boxes;
        gOptPatLamp = saved;
        gPatLampShowing = false;
        FrmOption dialog;
        dialog.Load();
        dialog.Check_PatLamp->setChecked(box);
        dialog.Cmd_PatLampTest->click();
        QCOMPARE(gPatLampShowing, saved);
        UnloadPatLamp();
        QVERIFY(!gPatLampShowing);
    }

    void noMixerKeepsSavedVolume() {
        vtest::RecordingMessageBox box;
        gOptSoundVolume = 40000;
        FrmOption dialog;
        dialog.Load();
        QCOMPARE(box.prompts(), QStringList{optionmsg::kNoSound});
        QCOMPARE(box.shown.first().style, vb::vbCritical);
        QCOMPARE(box.shown.first().title, QStringLiteral("エラー"));
        QVERIFY(!dialog.Check_Sound->isEnabled());
        QVERIFY(!dialog.ComSoundTest->isEnabled());
        QVERIFY(dialog.cmdApply_Click());
        QCOMPARE(gOptSoundVolume, 40000);
        QCOMPARE(Stored(QStringLiteral("SoundVolume")), QStringLiteral("40000"));
    }

    void fileChoosers_data() {
        QTest::addColumn<bool>("database");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("longPath");  // a Japanese path of 252 code-page bytes
        QTest::newRow("database chosen") << true << false << false;
        QTest::newRow("database cancelled") << true << true << false;
        QTest::newRow("sound chosen") << false << false << false;
        QTest::newRow("sound cancelled") << false << true << false;
        QTest::newRow("sound with a long Japanese path") << false << false << true;
    }

    void fileChoosers() {
        QFETCH(bool, database);
        QFETCH(bool, cancel);
        QFETCH(bool, longPath);
        vtest::RecordingMessageBox box;
        FrmOption dialog;
        dialog.Load();
        // The sound chooser takes existing files only, so the pick is a real file.
        QString picked = vtest::HomeDir() + QStringLiteral("/picked.wav");
        if (longPath) {
            picked = LongJapanesePath(vtest::HomeDir());
            QVERIFY(!picked.isEmpty());
            QVERIFY(picked.toUtf8().size() > 252);
        } else {
            QFile file(picked);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        bool shown = false;
        dialog.SetFileDialogRunner([&](QDialog& d) {
            shown = true;
            auto* files = qobject_cast<QFileDialog*>(&d);
            QVERIFY(files);
            d.show();
            QCOMPARE(files->parentWidget(), &dialog);
            QCOMPARE(files->acceptMode(), QFileDialog::AcceptOpen);
            // The chooser starts at the option in force, not at the typed text.
            const QFileInfo start(database ? gOptDatabasePath : gOptSoundFilePath);
            QCOMPARE(files->directory().absolutePath(), start.absolutePath());
            if (database) {
                QCOMPARE(files->windowTitle(), QStringLiteral("管理ＤＢの選択"));
                QCOMPARE(files->nameFilters(), QStringList{QStringLiteral("管理DB(Vantoro.MDB) (Vantoro.MDB)")});
                QCOMPARE(files->fileMode(), QFileDialog::AnyFile);
            } else {
                QCOMPARE(files->windowTitle(), QStringLiteral("サウンドファイルの選択"));
                QCOMPARE(files->nameFilters(),
                         (QStringList{QStringLiteral("ｻｳﾝﾄﾞ(*.wav) (*.wav)"), QStringLiteral("すべて (*)")}));
                QCOMPARE(files->fileMode(), QFileDialog::ExistingFile);
            }
            QCOMPARE(files->selectedNameFilter(), files->nameFilters().constFirst());
            if (cancel) {
                d.reject();
                return;
            }
            files->selectFile(picked);
            d.accept();
        });
        QLineEdit* box2 = database ? dialog.txtDBFilePath : dialog.txtSoundFilePath;
        box2->setText(QStringLiteral("typed"));
        if (database)
            dialog.CmdDB_Click();
        else
            dialog.CmdSound_Click();

        QVERIFY(shown);
        QCOMPARE(box2->text(), cancel ? QStringLiteral("typed") : picked);
    }
};

VANTORO_TEST_MAIN(TestOptionsDialog)
#include "tst_optionsdialog.moc"
