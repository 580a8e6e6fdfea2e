#include "alarms/Sound.h"

#include "alarms/EventWait.h"

#include "model/AppPaths.h"
#include "model/Globals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <alsa/asoundlib.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>

// ---- mixer routines --------------------------------------------------------------------

bool GetVolumeControl(MixerDevice& mixer, MixerControl& control, qint32 componentType) {
    return mixer.GetVolumeControl(control, componentType);
}

bool SetVolumeValue(MixerDevice& mixer, const MixerControl& control, qint32 value) {
    return mixer.SetVolumeValue(control, value);
}

bool GetVolumeValue(MixerDevice& mixer, const MixerControl& control, qint32& value) {
    return mixer.GetVolumeValue(control, value);
}

// ---- paths -----------------------------------------------------------------------------

QString DefaultSoundFilePath() { return ProgramFolder() + QStringLiteral("/Siren.wav"); }

QString ResolveSoundPath(const QString& path) {
    if (path.isEmpty()) return path;
    QString full = QDir::fromNativeSeparators(path);
    if (QFileInfo(full).isRelative()) full = ProgramFolder() + QLatin1Char('/') + full;
    full = QDir::cleanPath(full);
    if (QFileInfo::exists(full)) return full;
    const QString shipped = QDir::cleanPath(ExecutableFolder() + QStringLiteral("/Siren.wav"));
    if (full == QDir::cleanPath(DefaultSoundFilePath()) && shipped != full) return shipped;
    return full;
}

// ---- wave files ------------------------------------------------------------------------

namespace {

// A wave file's numbers are little-endian.
quint16 U16(const char* p) { return qFromLittleEndian<quint16>(p); }
quint32 U32(const char* p) { return qFromLittleEndian<quint32>(p); }

std::optional<WaveSound> Refuse(QString* error, const QString& why) {
    if (error) *error = why;
    return std::nullopt;
}

constexpr quint16 kFormatPcm = 1;
constexpr quint16 kFormatExtensible = 0xFFFE;
constexpr qint64 kMaxWaveFile = 64 * 1024 * 1024;

}  // namespace

std::optional<WaveSound> ParseWave(const QByteArray& bytes, QString* error) {
    const qint64 n = bytes.size();
    const char* b = bytes.constData();
    if (n < 12 || memcmp(b, "RIFF", 4) != 0 || memcmp(b + 8, "WAVE", 4) != 0)
        return Refuse(error, QStringLiteral("not a RIFF/WAVE file"));

    bool haveFormat = false, haveData = false;
    quint16 tag = 0, channels = 0, blockAlign = 0, bits = 0;
    quint32 rate = 0;
    qint64 dataOffset = 0, dataSize = 0;

    qint64 at = 12;
    while (at + 8 <= n && !(haveFormat && haveData)) {
        const char* id = b + at;
        const qint64 size = U32(b + at + 4);
        const qint64 body = at + 8;
        if (memcmp(id, "data", 4) == 0) {
            if (body + size > n) return Refuse(error, QStringLiteral("the sample data is cut short"));
            dataOffset = body;
            dataSize = size;
            haveData = true;
        } else if (memcmp(id, "fmt ", 4) == 0) {
            if (size < 16 || body + size > n) return Refuse(error, QStringLiteral("the format chunk is cut short"));
            const char* f = b + body;
            tag = U16(f);
            channels = U16(f + 2);
            rate = U32(f + 4);
            blockAlign = U16(f + 12);
            bits = U16(f + 14);
            // An extensible format names its real sample format in the first two bytes of
            // its sub-format identifier.
            if (tag == kFormatExtensible) tag = size >= 40 ? U16(f + 24) : 0;
            haveFormat = true;
        }
        at = body + size + (size & 1);  // chunks are padded to an even length
    }
    if (!haveFormat) return Refuse(error, QStringLiteral("no format chunk"));
    if (!haveData) return Refuse(error, QStringLiteral("no sample data"));
    if (tag != kFormatPcm) return Refuse(error, QStringLiteral("not integer PCM (format %1)").arg(tag));
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Refuse(error, QStringLiteral("unsupported sample size %1").arg(bits));
    if (channels < 1 || channels > 8) return Refuse(error, QStringLiteral("unsupported channel count %1").arg(channels));
    if (rate < 1000 || rate > 768000) return Refuse(error, QStringLiteral("unsupported sample rate %1").arg(rate));
    if (blockAlign != channels * bits / 8) return Refuse(error, QStringLiteral("inconsistent frame size"));

    WaveSound s;
    s.Channels = channels;
    s.SampleRate = int(rate);
    s.BitsPerSample = bits;
    const qint64 whole = dataSize - dataSize % blockAlign;  // a partial last frame is dropped
    s.Samples = bytes.mid(dataOffset, whole);
    return s;
}

std::optional<WaveSound> ReadWaveFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return Refuse(error, QStringLiteral("cannot open: ") + file.errorString());
    if (file.size() > kMaxWaveFile) return Refuse(error, QStringLiteral("the file is too large"));
    const QByteArray bytes = file.read(kMaxWaveFile + 1);
    if (bytes.size() > kMaxWaveFile) return Refuse(error, QStringLiteral("the file is too large"));
    return ParseWave(bytes, error);
}

// ---- playback --------------------------------------------------------------------------

namespace {

struct PcmClose {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
using Pcm = std::unique_ptr<snd_pcm_t, PcmClose>;

snd_pcm_format_t AlsaFormat(int bits) {
    switch (bits) {
    case 8: return SND_PCM_FORMAT_U8;
    case 16: return SND_PCM_FORMAT_S16_LE;
    case 24: return SND_PCM_FORMAT_S24_3LE;
    default: return SND_PCM_FORMAT_S32_LE;
    }
}

// Sleeps for d unless a stop is requested first; false when stopped.
bool SleepUnlessStopped(std::stop_token stop, std::chrono::steady_clock::duration d) {
    std::mutex m;
    std::condition_variable_any cv;
    std::unique_lock lock(m);
    cv.wait_for(lock, stop, d, [] { return false; });
    return !stop.stop_requested();
}

// How far ahead of the sound's own clock the worker may write: more than any device
// buffer it blocks on, so a real device paces the writes itself.
constexpr auto kLead = std::chrono::milliseconds(250);

PlaybackResult PlayOnDevice(std::stop_token stop, const WaveSound& sound, quint64 id) {
    using clock = std::chrono::steady_clock;
    PlaybackResult r;
    r.Id = id;
    r.FramesTotal = sound.Frames();

    snd_pcm_t* raw = nullptr;
    int err = snd_pcm_open(&raw, "default", SND_PCM_STREAM_PLAYBACK, 0);
    if (err < 0) {
        r.Error = QString::fromLocal8Bit(snd_strerror(err));
        return r;
    }
    Pcm pcm(raw);
    err = snd_pcm_set_params(pcm.get(), AlsaFormat(sound.BitsPerSample), SND_PCM_ACCESS_RW_INTERLEAVED,
                             unsigned(sound.Channels), unsigned(sound.SampleRate), 1, 100000);
    if (err < 0) {
        r.Error = QString::fromLocal8Bit(snd_strerror(err));
        return r;
    }

    const int frameBytes = sound.BytesPerFrame();
    const qint64 chunk = qMax(1, sound.SampleRate / 20);
    const auto start = clock::now();
    auto soundTime = [&](qint64 frames) {
        return std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(double(frames) / sound.SampleRate));
    };

    while (r.FramesPlayed < r.FramesTotal) {
        if (stop.stop_requested()) break;
        const qint64 n = qMin(chunk, r.FramesTotal - r.FramesPlayed);
        const char* p = sound.Samples.constData() + r.FramesPlayed * frameBytes;
        snd_pcm_sframes_t w = snd_pcm_writei(pcm.get(), p, snd_pcm_uframes_t(n));
        if (w < 0) w = snd_pcm_recover(pcm.get(), int(w), 1);  // under-run, suspend, signal
        if (w < 0) {
            r.Error = QString::fromLocal8Bit(snd_strerror(int(w)));
            break;
        }
        r.FramesPlayed += w;
        const auto ahead = start + soundTime(r.FramesPlayed) - kLead - clock::now();
        if (ahead > clock::duration::zero() && !SleepUnlessStopped(stop, ahead)) break;
    }
    if (r.Error.isEmpty() && !stop.stop_requested()) {
        const auto rest = start + soundTime(r.FramesPlayed) - clock::now();
        if (rest <= clock::duration::zero() || SleepUnlessStopped(stop, rest)) {
            snd_pcm_drain(pcm.get());
            r.Finished = r.FramesPlayed == r.FramesTotal;
        }
    }
    if (stop.stop_requested()) {
        snd_pcm_drop(pcm.get());
        r.Stopped = true;
    }
    return r;
}

}  // namespace

struct SoundPlayer::Impl {
    mutable std::mutex m;
    std::condition_variable ended;
    quint64 lastId = 0;
    bool playing = false;
    PlaybackResult last;
    std::jthread worker;  // last member: joined first when the player goes away
};

SoundPlayer& SoundPlayer::Instance() {
    static SoundPlayer player;
    return player;
}

SoundPlayer::SoundPlayer() : d(std::make_unique<Impl>()) {}

SoundPlayer::~SoundPlayer() { Stop(); }

quint64 SoundPlayer::Play(const QString& path, QString* error) {
    std::optional<WaveSound> sound = ReadWaveFile(path, error);
    if (!sound) return 0;
    return Play(std::move(*sound));
}

quint64 SoundPlayer::Play(WaveSound sound) {
    Stop();
    quint64 id;
    {
        std::lock_guard lock(d->m);
        id = ++d->lastId;
        d->playing = true;
    }
    Impl* impl = d.get();
    d->worker = std::jthread([impl, id, s = std::move(sound)](std::stop_token stop) {
        PlaybackResult r = PlayOnDevice(stop, s, id);
        std::lock_guard lock(impl->m);
        impl->last = std::move(r);
        impl->playing = false;
        impl->ended.notify_all();
    });
    return id;
}

void SoundPlayer::Stop() {
    if (!d->worker.joinable()) return;
    d->worker.request_stop();
    d->worker.join();
}

bool SoundPlayer::IsPlaying() const {
    std::lock_guard lock(d->m);
    return d->playing;
}

bool SoundPlayer::WaitForEnd(int msecs) {
    std::unique_lock lock(d->m);
    return d->ended.wait_for(lock, std::chrono::milliseconds(qMax(0, msecs)), [this] { return !d->playing; });
}

quint64 SoundPlayer::LastId() const {
    std::lock_guard lock(d->m);
    return d->lastId;
}

PlaybackResult SoundPlayer::LastResult() const {
    std::lock_guard lock(d->m);
    return d->last;
}

// ---- the alarm -------------------------------------------------------------------------

void PlaySoundFile(const QString& path) {
    if (path.isEmpty()) return;
    SoundPlayer::Instance().Play(ResolveSoundPath(path));
}

void PlayAlarmSound(const QString& path) {
    std::unique_ptr<MixerDevice> mixer = seams::Mixer().Open(0);
    if (!mixer) return;
    MixerControl control;
    if (!GetVolumeControl(*mixer, control, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS)) return;
    qint32 kept = 0;
    const bool known = GetVolumeValue(*mixer, control, kept);
    if (known) SetVolumeValue(*mixer, control, gOptSoundVolume);
    PlaySoundFile(path);
    // The siren starts loud, then the speaker is back at the user's volume while it goes
    // on playing. The window goes on meanwhile.
    events::ProcessEventsUntil([] { return false; }, 200);
    if (known) SetVolumeValue(*mixer, control, kept);
}
