// The ALSA mixer against pretend sound cards (an ALSA control plug-in built with the tests):
// which playback element is the speaker volume, its range, reading and setting it.
#include "TestSupport.h"

#include "alarms/AlsaMixer.h"
#include "alarms/Sound.h"
#include "model/Globals.h"

#include <QFile>

namespace {

QString Home(const QString& name) { return vtest::HomeDir() + QLatin1Char('/') + name; }

QByteArray Card(const char* name, const char* volumes, const char* switches, int min, int max) {
    return QStringLiteral("ctl.%1 { type vantoro_fake volumes \"%2\" switches \"%3\" min %4 max %5 state \"%6\" }\n")
        .arg(QLatin1String(name), QLatin1String(volumes), QLatin1String(switches))
        .arg(min)
        .arg(max)
        .arg(Home(QStringLiteral("%1.state").arg(QLatin1String(name))))
        .toUtf8();
}

QByteArray ShortWave() {
    QByteArray b("RIFF");
    auto put = [&b](quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i) b.append(char((v >> (8 * i)) & 0xFF));
    };
    const quint32 data = 8000 / 5;  // 0.2 s of 8-bit mono silence
    put(36 + data, 4);
    b += "WAVEfmt ";
    put(16, 4), put(1, 2), put(1, 2), put(8000, 4), put(8000, 4), put(1, 2), put(8, 2);
    b += "data";
    put(data, 4);
    b += QByteArray(int(data), char(0x80));
    return b;
}

}  // namespace

class AlsaMixerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QByteArray conf;
        conf += "pcm.!default { type null }\n";
        conf += "ctl_type.vantoro_fake { lib \"" VANTORO_BINARY_DIR
                "/tests/libasound_module_ctl_vantoro_fake.so\" open \"_snd_ctl_vantoro_fake_open\" }\n";
        conf += Card("master", "Master,Speaker,PCM", "", 0, 87);
        conf += Card("speaker", "Speaker,PCM", "Master", -20, 10);
        conf += Card("pcm", "PCM", "Headphone", 0, 255);
        conf += Card("none", "Headphone", "Master,Speaker,PCM", 0, 100);
        conf += "ctl.!default ctl.master\n";
        QFile f(Home(QStringLiteral("alsa.conf")));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(conf);
        f.close();
        qputenv("ALSA_CONFIG_PATH", QFile::encodeName(f.fileName()));
    }

    void cleanupTestCase() { seams::SetMixer(nullptr); }

    // "Master", else "Speaker", else "PCM"; an element with only a switch does not count.
    void findsSpeakerVolume_data() {
        QTest::addColumn<QString>("card");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::newRow("master") << "master" << true << "Master" << 0 << 87;
        QTest::newRow("switch-only master: speaker") << "speaker" << true << "Speaker" << -20 << 10;
        QTest::newRow("pcm only") << "pcm" << true << "PCM" << 0 << 255;
        QTest::newRow("no volume of the three") << "none" << false << QString() << 0 << 0;
    }

    void findsSpeakerVolume() {
        QFETCH(QString, card);
        QFETCH(bool, found);
        QFETCH(QString, name);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        AlsaMixerSystem alsa(card);
        std::unique_ptr<MixerDevice> mixer = alsa.Open(0);
        QVERIFY(mixer);
        MixerControl control;
        QCOMPARE(GetVolumeControl(*mixer, control, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS), found);
        QCOMPARE(control.Name, name);
        QCOMPARE(control.Minimum, minimum);
        QCOMPARE(control.Maximum, maximum);
        if (found) {
            qint32 value = -999;
            QVERIFY(GetVolumeValue(*mixer, control, value));
            QVERIFY(value >= minimum && value <= maximum);
        }
        // Only the speaker line has a volume here.
        MixerControl other;
        QVERIFY(!GetVolumeControl(*mixer, other, 5));
    }

    void noSuchCard() {
        AlsaMixerSystem alsa(QStringLiteral("nosuchcard"));
        QVERIFY(alsa.Open(0) == nullptr);
    }

    // A value set stays on the card after the mixer is closed; a value outside the range is
    // brought into it.
    void setAndRead_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("stored");
        QTest::newRow("in range") << 60 << 60;
        QTest::newRow("lowest") << 0 << 0;
        QTest::newRow("above the maximum") << 200 << 87;
        QTest::newRow("below the minimum") << -5 << 0;
    }

    void setAndRead() {
        QFETCH(int, value);
        QFETCH(int, stored);
        AlsaMixerSystem alsa(QStringLiteral("master"));
        MixerControl control;
        {
            std::unique_ptr<MixerDevice> mixer = alsa.Open(0);
            QVERIFY(mixer);
            QVERIFY(GetVolumeControl(*mixer, control, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS));
            QVERIFY(SetVolumeValue(*mixer, control, value));
        }
        std::unique_ptr<MixerDevice> mixer = alsa.Open(0);
        QVERIFY(mixer);
        qint32 now = -1;
        QVERIFY(GetVolumeValue(*mixer, control, now));
        QCOMPARE(now, stored);
        // A control record naming an element the card does not have is refused.
        MixerControl stale = control;
        stale.Name = QStringLiteral("Surround");
        QVERIFY(!SetVolumeValue(*mixer, stale, 10));
        QVERIFY(!GetVolumeValue(*mixer, stale, now));
    }

    // As the program runs it: the ALSA mixer installed at start-up on the default card, the
    // master volume read for the option's default, the alarm putting the volume back.
    void installedMixer() {
        InstallAlsaMixer();
        {
            AlsaMixerSystem alsa(QStringLiteral("master"));
            auto mixer = alsa.Open(0);
            MixerControl control;
            QVERIFY(mixer && GetVolumeControl(*mixer, control, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS));
            QVERIFY(SetVolumeValue(*mixer, control, 33));
        }
        QCOMPARE(GetMasterVolume(), 33);

        QFile wave(Home(QStringLiteral("alarm.wav")));
        QVERIFY(wave.open(QIODevice::WriteOnly | QIODevice::Truncate));
        wave.write(ShortWave());
        wave.close();
        gOptSoundVolume = 80;
        const quint64 before = SoundPlayer::Instance().LastId();
        PlayAlarmSound(wave.fileName());
        QCOMPARE(SoundPlayer::Instance().LastId(), before + 1);
        QCOMPARE(GetMasterVolume(), 33);
        QVERIFY(SoundPlayer::Instance().WaitForEnd(5000));
        seams::SetMixer(nullptr);
        QCOMPARE(GetMasterVolume(), 0);
    }
};

VANTORO_TEST_MAIN(AlsaMixerTest)
#include "tst_alsamixer.moc"
