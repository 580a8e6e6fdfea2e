// The alarm sound: the volume sequence around the siren (with a fake mixer that records
// every call), wave files, playback to ALSA's null device and the shipped siren.
#include "TestSupport.h"

#include "alarms/AlsaMixer.h"
#include "alarms/Sound.h"
#include "model/AppPaths.h"
#include "model/Globals.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cmath>
#include <numbers>

namespace {

// ---- a fake mixer ----------------------------------------------------------------------

struct MixerCall {
    QString what;     // "open", "control", "get", "set", "close"
    qint32 value = 0;
    qint64 atMs = 0;
    quint64 soundId;  // the sound player's last id when the call was made
};

class FakeMixer final : public MixerSystem {
public:
    bool opens = true, hasControl = true, reads = true;
    qint32 volume = 40;
    QList<MixerCall> calls;
    QElapsedTimer clock;

    FakeMixer() {
        clock.start();
        seams::SetMixer(this);
    }
    ~FakeMixer() override { seams::SetMixer(nullptr); }

    void Log(const QString& what, qint32 value = 0) {
        calls.append({what, value, clock.elapsed(), SoundPlayer::Instance().LastId()});
    }
    QStringList Names() const {
        QStringList out;
        for (const auto& c : calls) {
            const bool valued = c.what == "open" || c.what == "control" || c.what == "set";
            out << (valued ? QStringLiteral("%1 %2").arg(c.what).arg(c.value) : c.what);
        }
        return out;
    }

    std::unique_ptr<MixerDevice> Open(int device) override;
};

class FakeMixerDevice final : public MixerDevice {
public:
    explicit FakeMixerDevice(FakeMixer& m) : mixer(m) {}
    ~FakeMixerDevice() override { mixer.Log("close"); }
    bool GetVolumeControl(MixerControl& control, qint32 componentType) override {
        mixer.Log("control", componentType);
        if (!mixer.hasControl || componentType != MIXERLINE_COMPONENTTYPE_DST_SPEAKERS) return false;
        control.ControlID = 7;
        control.Minimum = 0;
        control.Maximum = 100;
        control.Name = QStringLiteral("Master");
        return true;
    }
    bool SetVolumeValue(const MixerControl& control, qint32 value) override {
        mixer.Log("set", value);
        if (control.ControlID != 7) return false;
        mixer.volume = value;
        return true;
    }
    bool GetVolumeValue(const MixerControl& control, qint32& value) override {
        mixer.Log("get");
        if (!mixer.reads || control.ControlID != 7) return false;
        value = mixer.volume;
        return true;
    }
    FakeMixer& mixer;
};

std::unique_ptr<MixerDevice> FakeMixer::Open(int device) {
    Log("open", device);
    if (!opens) return nullptr;
    return std::make_unique<FakeMixerDevice>(*this);
}

// ---- wave file fixtures ----------------------------------------------------------------

void Put16(QByteArray& b, quint32 v) {
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}
void Put32(QByteArray& b, quint32 v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
QByteArray Chunk(const char* id, const QByteArray& body, qint64 declared = -1) {
    QByteArray c(id, 4);
    Put32(c, quint32(declared >= 0 ? declared : body.size()));
    c += body;
    if (body.size() % 2) c.append('\0');
    return c;
}
QByteArray Format(int tag, int channels, int rate, int bits, int blockAlign = -1) {
    QByteArray f;
    const int align = blockAlign >= 0 ? blockAlign : channels * bits / 8;
    Put16(f, quint32(tag));
    Put16(f, quint32(channels));
    Put32(f, quint32(rate));
    Put32(f, quint32(rate * align));
    Put16(f, quint32(align));
    Put16(f, quint32(bits));
    return f;
}
QByteArray Riff(const QByteArray& chunks) {
    QByteArray r("RIFF");
    Put32(r, quint32(4 + chunks.size()));
    return r + "WAVE" + chunks;
}
// A tone of the given length in integer PCM.
QByteArray Tone(int channels, int rate, int bits, double seconds) {
    QByteArray d;
    const int frames = int(rate * seconds);
    for (int i = 0; i < frames; ++i) {
        const double v = 0.5 * std::sin(2 * std::numbers::pi * 440.0 * i / rate);
        for (int c = 0; c < channels; ++c) {
            if (bits == 8) {
                d.append(char(quint8(128 + std::lround(v * 127))));
            } else {
                const qint64 s = std::lround(v * ((1LL << (bits - 1)) - 1));
                for (int k = 0; k < bits / 8; ++k) d.append(char((s >> (8 * k)) & 0xFF));
            }
        }
    }
    return d;
}
QByteArray PcmWave(int channels, int rate, int bits, double seconds) {
    return Riff(Chunk("fmt ", Format(1, channels, rate, bits)) + Chunk("data", Tone(channels, rate, bits, seconds)));
}
QString WriteFile(const QString& name, const QByteArray& bytes) {
    const QString path = vtest::HomeDir() + QLatin1Char('/') + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) return {};
    return path;
}

}  // namespace

class SoundTest : public QObject {
    Q_OBJECT

    QString mShort;  // 0.4 s, 16-bit mono
    QString mLong;   // 10 s, 8-bit mono

private slots:
    void initTestCase() {
        mShort = WriteFile(QStringLiteral("short.wav"), PcmWave(1, 22050, 16, 0.4));
        mLong = WriteFile(QStringLiteral("long.wav"), PcmWave(1, 8000, 8, 10.0));
        QVERIFY(!mShort.isEmpty() && !mLong.isEmpty());
    }

    void cleanup() {
        SoundPlayer::Instance().Stop();
        gOptSoundVolume = 0;
    }

    // The order of the mixer calls around the siren and whether a sound was started.
    void alarmSequence_data() {
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("hasControl");
        QTest::addColumn<bool>("reads");
        QTest::addColumn<bool>("emptyPath");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<bool>("played");

        const QStringList full{"open 0", "control 4", "get", "set 75", "set 40", "close"};
        QTest::newRow("set, play, restore") << true << true << true << false << full << true;
        QTest::newRow("empty path: volume still set and restored, nothing heard")
            << true << true << true << true << full << false;
        QTest::newRow("volume unreadable: left as it is, siren still plays")
            << true << true << false << false << QStringList{"open 0", "control 4", "get", "close"} << true;
        QTest::newRow("no volume control: no sound")
            << true << false << true << false << QStringList{"open 0", "control 4", "close"} << false;
        QTest::newRow("no mixer: no sound") << false << true << true << false << QStringList{"open 0"} << false;
    }

    void alarmSequence() {
        QFETCH(bool, opens);
        QFETCH(bool, hasControl);
        QFETCH(bool, reads);
        QFETCH(bool, emptyPath);
        QFETCH(QStringList, calls);
        QFETCH(bool, played);

        FakeMixer mixer;
        mixer.opens = opens;
        mixer.hasControl = hasControl;
        mixer.reads = reads;
        gOptSoundVolume = 75;
        const quint64 before = SoundPlayer::Instance().LastId();

        PlayAlarmSound(emptyPath ? QString() : mShort);

        QCOMPARE(mixer.Names(), calls);
        QCOMPARE(SoundPlayer::Instance().LastId() != before, played);
        QCOMPARE(mixer.volume, 40);  // whatever happened, the user's volume is back (or never left)

        if (calls.count(QStringLiteral("set 75")) == 1) {
            const MixerCall& raise = mixer.calls[3];
            const MixerCall& restore = mixer.calls[4];
            // The sound starts between the two sets, and the volume comes back 200 ms later.
            QCOMPARE(raise.soundId, before);
            QCOMPARE(restore.soundId, played ? before + 1 : before);
            QVERIFY2(restore.atMs - raise.atMs >= 200, qPrintable(QString::number(restore.atMs - raise.atMs)));
            QVERIFY(restore.atMs - raise.atMs < 5000);
            // The volume is restored while the siren goes on.
            if (played) QVERIFY(SoundPlayer::Instance().IsPlaying());
        }
    }

    void masterVolume_data() {
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("hasControl");
        QTest::addColumn<bool>("reads");
        QTest::addColumn<int>("expected");
        QTest::newRow("read") << true << true << true << 40;
        QTest::newRow("read fails") << true << true << false << 0;
        QTest::newRow("no control") << true << false << true << 0;
        QTest::newRow("no mixer") << false << true << true << 0;
    }

    void masterVolume() {
        QFETCH(bool, opens);
        QFETCH(bool, hasControl);
        QFETCH(bool, reads);
        QFETCH(int, expected);
        FakeMixer mixer;
        mixer.opens = opens;
        mixer.hasControl = hasControl;
        mixer.reads = reads;
        QCOMPARE(GetMasterVolume(), expected);
        // The device is closed whenever it was opened.
        if (opens) QCOMPARE(mixer.calls.last().what, QStringLiteral("close"));
    }

    // With the test configuration there is no control device, as on a machine without a
    // sound card: the ALSA mixer opens nothing, the master volume reads 0, no siren.
    void alsaMixerWithoutCard() {
        AlsaMixerSystem alsa;
        QVERIFY(alsa.Open(0) == nullptr);
        QVERIFY(alsa.Open(1) == nullptr);
        seams::SetMixer(&alsa);
        QCOMPARE(GetMasterVolume(), 0);
        const quint64 before = SoundPlayer::Instance().LastId();
        PlayAlarmSound(mShort);
        QCOMPARE(SoundPlayer::Instance().LastId(), before);
        seams::SetMixer(nullptr);
    }

    void parseWave_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bits");
        QTest::addColumn<qint64>("frames");

        const QByteArray fmt16 = Chunk("fmt ", Format(1, 1, 8000, 16));
        QTest::newRow("8-bit mono") << PcmWave(1, 8000, 8, 0.5) << true << 1 << 8 << qint64(4000);
        QTest::newRow("16-bit stereo") << PcmWave(2, 44100, 16, 0.1) << true << 2 << 16 << qint64(4410);
        QTest::newRow("24-bit mono") << PcmWave(1, 48000, 24, 0.1) << true << 1 << 24 << qint64(4800);
        {
            // Extensible format naming PCM as its sub-format, 16-bit.
            QByteArray ext = Format(0xFFFE, 1, 8000, 16);
            Put16(ext, 22);
            Put16(ext, 16);
            Put32(ext, 4);
            QByteArray guid(16, '\0');
            guid[0] = 1;
            ext += guid;
            QTest::newRow("extensible PCM") << Riff(Chunk("fmt ", ext) + Chunk("data", QByteArray(200, '\0')))
                                            << true << 1 << 16 << qint64(100);
        }
        QTest::newRow("odd-sized chunk before the data is padded")
            << Riff(fmt16 + Chunk("LIST", QByteArray(5, 'x')) + Chunk("data", QByteArray(20, '\0'))) << true << 1
            << 16 << qint64(10);
        QTest::newRow("partial last frame dropped")
            << Riff(fmt16 + Chunk("data", QByteArray(21, '\0'))) << true << 1 << 16 << qint64(10);

        QTest::newRow("empty") << QByteArray() << false << 0 << 0 << qint64(0);
        QTest::newRow("not RIFF") << QByteArray("RIFX....WAVEfmt ") << false << 0 << 0 << qint64(0);
        QTest::newRow("not WAVE") << Riff(QByteArray()).replace(8, 4, "AVI ") << false << 0 << 0 << qint64(0);
        QTest::newRow("float samples")
            << Riff(Chunk("fmt ", Format(3, 1, 8000, 32)) + Chunk("data", QByteArray(40, '\0'))) << false << 0 << 0
            << qint64(0);
        QTest::newRow("ADPCM")
            << Riff(Chunk("fmt ", Format(2, 1, 8000, 4, 256)) + Chunk("data", QByteArray(256, '\0'))) << false << 0
            << 0 << qint64(0);
        QTest::newRow("truncated data")
            << Riff(fmt16 + Chunk("data", QByteArray(100, '\0'))).left(80) << false << 0 << 0 << qint64(0);
        QTest::newRow("truncated format")
            << Riff(Chunk("fmt ", Format(1, 1, 8000, 16))).left(30) << false << 0 << 0 << qint64(0);
        QTest::newRow("no format") << Riff(Chunk("data", QByteArray(20, '\0'))) << false << 0 << 0 << qint64(0);
        QTest::newRow("no data") << Riff(fmt16) << false << 0 << 0 << qint64(0);
        QTest::newRow("no channels")
            << Riff(Chunk("fmt ", Format(1, 0, 8000, 16, 2)) + Chunk("data", QByteArray(20, '\0'))) << false << 0 << 0
            << qint64(0);
        QTest::newRow("12-bit samples")
            << Riff(Chunk("fmt ", Format(1, 1, 8000, 12, 2)) + Chunk("data", QByteArray(20, '\0'))) << false << 0 << 0
            << qint64(0);
        QTest::newRow("frame size disagrees")
            << Riff(Chunk("fmt ", Format(1, 2, 8000, 16, 2)) + Chunk("data", QByteArray(20, '\0'))) << false << 0 << 0
            << qint64(0);
        QTest::newRow("sample rate 0")
            << Riff(Chunk("fmt ", Format(1, 1, 0, 16)) + Chunk("data", QByteArray(20, '\0'))) << false << 0 << 0
            << qint64(0);
    }

    void parseWave() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, ok);
        QFETCH(int, channels);
        QFETCH(int, bits);
        QFETCH(qint64, frames);
        QString error;
        const std::optional<WaveSound> s = ParseWave(bytes, &error);
        QCOMPARE(s.has_value(), ok);
        if (!ok) {
            QVERIFY(!error.isEmpty());
            return;
        }
        QCOMPARE(s->Channels, channels);
        QCOMPARE(s->BitsPerSample, bits);
        QCOMPARE(s->Frames(), frames);
    }

    // Real playback to ALSA's null device, paced by the sound's own length.
    void playToNullDevice_data() {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("bits");
        QTest::newRow("8-bit mono 8 kHz") << 1 << 8000 << 8;
        QTest::newRow("16-bit stereo 44.1 kHz") << 2 << 44100 << 16;
        QTest::newRow("24-bit mono 48 kHz") << 1 << 48000 << 24;
    }

    void playToNullDevice() {
        QFETCH(int, channels);
        QFETCH(int, rate);
        QFETCH(int, bits);
        const QString path = WriteFile(QStringLiteral("play.wav"), PcmWave(channels, rate, bits, 0.5));
        SoundPlayer& player = SoundPlayer::Instance();
        QElapsedTimer t;
        t.start();
        QString error;
        const quint64 id = player.Play(path, &error);
        QVERIFY2(id != 0, qPrintable(error));
        QCOMPARE(player.LastId(), id);
        QVERIFY(player.IsPlaying());
        QVERIFY(player.WaitForEnd(10000));
        const PlaybackResult r = player.LastResult();
        QCOMPARE(r.Id, id);
        QVERIFY2(r.Error.isEmpty(), qPrintable(r.Error));
        QVERIFY(r.Finished);
        QVERIFY(!r.Stopped);
        QCOMPARE(r.FramesTotal, qint64(rate / 2));
        QCOMPARE(r.FramesPlayed, r.FramesTotal);
        QVERIFY2(t.elapsed() >= 480, qPrintable(QString::number(t.elapsed())));
    }

    // A file that cannot be played is refused, and a sound already playing goes on.
    void badFileRefused_data() {
        QTest::addColumn<QByteArray>("bytes");  // empty: no file at all
        QTest::newRow("missing file") << QByteArray();
        QTest::newRow("not PCM") << Riff(Chunk("fmt ", Format(3, 1, 8000, 32)) + Chunk("data", QByteArray(400, '\0')));
        QTest::newRow("truncated") << PcmWave(1, 8000, 16, 1.0).left(5000);
        QTest::newRow("text file") << QByteArray("this is not a sound\n");
    }

    void badFileRefused() {
        QFETCH(QByteArray, bytes);
        const QString path = bytes.isEmpty() ? vtest::HomeDir() + QStringLiteral("/absent.wav")
                                             : WriteFile(QStringLiteral("bad.wav"), bytes);
        SoundPlayer& player = SoundPlayer::Instance();
        const quint64 running = player.Play(mLong);
        QVERIFY(running != 0);
        QString error;
        QCOMPARE(player.Play(path, &error), quint64(0));
        QVERIFY(!error.isEmpty());
        PlaySoundFile(path);  // the fire-and-forget form stays quiet
        QCOMPARE(player.LastId(), running);
        QVERIFY(player.IsPlaying());
    }

    void newSoundReplacesOld() {
        SoundPlayer& player = SoundPlayer::Instance();
        const quint64 first = player.Play(mLong);
        QVERIFY(first != 0);
        QTest::qWait(100);
        QVERIFY(player.IsPlaying());
        const quint64 second = player.Play(mShort);
        QCOMPARE(second, first + 1);
        // The old sound has been cut short by the time the new one starts.
        const PlaybackResult old = player.LastResult();
        QCOMPARE(old.Id, first);
        QVERIFY(old.Stopped);
        QVERIFY(!old.Finished);
        QVERIFY(old.FramesPlayed < old.FramesTotal);
        QVERIFY(player.WaitForEnd(10000));
        QCOMPARE(player.LastResult().Id, second);
        QVERIFY(player.LastResult().Finished);
    }

    void emptyPathPlaysNothing() {
        SoundPlayer& player = SoundPlayer::Instance();
        const quint64 before = player.LastId();
        PlaySoundFile(QString());
        QCOMPARE(player.LastId(), before);
        QVERIFY(!player.IsPlaying());
    }

    // The siren made by the build: real PCM of several seconds alternating two tones.
    void shippedSiren() {
        const QString path = QStringLiteral(VANTORO_PROGRAM_DIR "/Siren.wav");
        QVERIFY2(QFile::exists(path), qPrintable(path));
        QString error;
        const std::optional<WaveSound> s = ReadWaveFile(path, &error);
        QVERIFY2(s, qPrintable(error));
        QVERIFY(s->Seconds() >= 1.0);
        QCOMPARE(s->BitsPerSample, 16);
        QCOMPARE(s->Channels, 1);

        const auto* samples = reinterpret_cast<const qint16*>(s->Samples.constData());
        const qint64 frames = s->Frames();
        int peak = 0;
        for (qint64 i = 0; i < frames; ++i) peak = qMax(peak, std::abs(int(samples[i])));
        QVERIFY2(peak > 8000, "the siren is nearly silent");

        // The pitch, from upward zero crossings, in 0.1 s windows across the sound.
        const int window = s->SampleRate / 10;
        QList<double> pitches;
        for (qint64 at = 0; at + window <= frames; at += window) {
            int crossings = 0;
            for (qint64 i = at + 1; i < at + window; ++i)
                if (samples[i - 1] < 0 && samples[i] >= 0) ++crossings;
            pitches << crossings * 10.0;
        }
        const auto [lo, hi] = std::minmax_element(pitches.begin(), pitches.end());
        QVERIFY2(*lo > 200 && *hi < 2000, "the siren's pitch is out of the audible alarm range");
        QVERIFY2(*hi / *lo > 1.2, "the siren does not change its tone");
        int changes = 0;
        for (int i = 1; i < pitches.size(); ++i)
            if (std::abs(pitches[i] - pitches[i - 1]) > (*hi - *lo) / 2) ++changes;
        QVERIFY2(changes >= 3, "the siren does not go back and forth between its tones");
    }

    void resolveSoundPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("sirenInHome");
        QTest::addColumn<QString>("expected");
        const QString home = vtest::HomeDir();
        const QString beside = QDir::cleanPath(ExecutableFolder() + "/Siren.wav");
        QTest::newRow("default siren in the data folder") << home + "/Siren.wav" << true << home + "/Siren.wav";
        QTest::newRow("default siren missing: the shipped one") << home + "/Siren.wav" << false << beside;
        QTest::newRow("relative to the data folder") << QStringLiteral("Siren.wav") << true << home + "/Siren.wav";
        QTest::newRow("other missing file unchanged") << home + "/Other.wav" << false << home + "/Other.wav";
        QTest::newRow("empty") << QString() << false << QString();
    }

    void resolveSoundPath() {
        QFETCH(QString, path);
        QFETCH(bool, sirenInHome);
        QFETCH(QString, expected);
        const QString siren = vtest::HomeDir() + "/Siren.wav";
        QFile::remove(siren);
        if (sirenInHome) QVERIFY(!WriteFile(QStringLiteral("Siren.wav"), PcmWave(1, 8000, 8, 0.1)).isEmpty());
        QCOMPARE(DefaultSoundFilePath(), siren);
        QCOMPARE(ResolveSoundPath(path), expected);
        QFile::remove(siren);
    }
};

VANTORO_TEST_MAIN(SoundTest)
#include "tst_sound.moc"
