#pragma once
// The alarm siren: a wave file played through ALSA in a worker thread, at an alarm volume
// of its own. The speaker volume is set to the SoundVolume option when the sound starts and
// put back 200 ms later, while the sound goes on playing.

#include "model/Mixer.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

// The mixer routines over an opened device (they only forward; the device does the work).
bool GetVolumeControl(MixerDevice& mixer, MixerControl& control, qint32 componentType);
bool SetVolumeValue(MixerDevice& mixer, const MixerControl& control, qint32 value);
bool GetVolumeValue(MixerDevice& mixer, const MixerControl& control, qint32& value);

// Starts playing the wave file at path and returns at once; an empty path plays nothing.
// A sound still playing is replaced. A file that cannot be played is skipped silently.
void PlaySoundFile(const QString& path);

// The alarm: remember the speaker volume, set gOptSoundVolume, start path playing, wait
// 200 ms, put the volume back. Without a mixer or a speaker volume control nothing is
// played. When the present volume cannot be read, the volume is not touched at all (the
// sound plays at the present volume), since it could not be put back afterwards.
void PlayAlarmSound(const QString& path);

// ProgramFolder()/Siren.wav: the default of the SoundFilePath option.
QString DefaultSoundFilePath();

// The file a sound path names. The default siren is in the data folder; when VANTORO_HOME
// points somewhere that has no Siren.wav, the one shipped beside the executable is used.
// Any other path is returned unchanged.
QString ResolveSoundPath(const QString& path);

// A RIFF/WAVE file with integer PCM samples (8, 16, 24 or 32 bits, 1 to 8 channels).
struct WaveSound {
    int Channels = 0;
    int SampleRate = 0;
    int BitsPerSample = 0;
    QByteArray Samples;  // interleaved frames, as stored in the file (little-endian)

    int BytesPerFrame() const { return Channels * BitsPerSample / 8; }
    qint64 Frames() const { return BytesPerFrame() > 0 ? Samples.size() / BytesPerFrame() : 0; }
    double Seconds() const { return SampleRate > 0 ? double(Frames()) / SampleRate : 0.0; }
};

// Parses the bytes of a wave file. Refuses (nullopt, reason in *error) anything that is
// not RIFF/WAVE, not integer PCM, has an impossible format, or is cut short.
std::optional<WaveSound> ParseWave(const QByteArray& bytes, QString* error = nullptr);
// Reads and parses a file (at most 64 MiB).
std::optional<WaveSound> ReadWaveFile(const QString& path, QString* error = nullptr);

// What became of one sound.
struct PlaybackResult {
    quint64 Id = 0;
    qint64 FramesTotal = 0;
    qint64 FramesPlayed = 0;  // handed to the device
    bool Finished = false;    // played to its end
    bool Stopped = false;     // cut short by Stop() or by a newer sound
    QString Error;            // the device could not be opened or failed while playing
};

// The one sound output of the program. Play() hands the sound to a worker thread that
// writes it to ALSA's "default" PCM device; the worker keeps to the sound's own clock, so
// a device that swallows samples at once (such as ALSA's null device) still "plays" for the
// sound's length and a newer sound can cut it short.
class SoundPlayer {
public:
    static SoundPlayer& Instance();
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Stops a sound still playing, then starts this one. Returns its id (ids count up from
    // 1), or 0 when the file is refused; a refused file leaves a playing sound alone.
    quint64 Play(const QString& path, QString* error = nullptr);
    quint64 Play(WaveSound sound);
    void Stop();

    bool IsPlaying() const;
    // Waits at most msecs for the present sound to end; true when none is playing.
    bool WaitForEnd(int msecs);
    // The id of the most recently started sound (0: none yet).
    quint64 LastId() const;
    // The result of the most recently ended sound.
    PlaybackResult LastResult() const;

private:
    SoundPlayer();
    struct Impl;
    std::unique_ptr<Impl> d;
};
