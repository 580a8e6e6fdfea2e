#include "alarms/AlsaMixer.h"

#include <alsa/asoundlib.h>

#include <limits>

namespace {

struct MixerClose {
    void operator()(snd_mixer_t* m) const { snd_mixer_close(m); }
};
using MixerHandle = std::unique_ptr<snd_mixer_t, MixerClose>;

qint32 ToLong(long v) {
    return qint32(qBound(long(std::numeric_limits<qint32>::min()), v, long(std::numeric_limits<qint32>::max())));
}

class AlsaMixerDevice final : public MixerDevice {
public:
    explicit AlsaMixerDevice(MixerHandle handle) : mHandle(std::move(handle)) {}

    bool GetVolumeControl(MixerControl& control, qint32 componentType) override {
        if (componentType != MIXERLINE_COMPONENTTYPE_DST_SPEAKERS) return false;
        const QStringList names = AlsaMixerSystem::VolumeElementNames();
        for (int i = 0; i < names.size(); ++i) {
            snd_mixer_elem_t* elem = Find(names[i]);
            if (!elem || !snd_mixer_selem_has_playback_volume(elem)) continue;
            long min = 0, max = 0;
            if (snd_mixer_selem_get_playback_volume_range(elem, &min, &max) < 0) continue;
            control.ControlID = i + 1;
            control.Minimum = ToLong(min);
            control.Maximum = ToLong(max);
            control.Name = names[i];
            return true;
        }
        return false;
    }

    bool SetVolumeValue(const MixerControl& control, qint32 value) override {
        snd_mixer_elem_t* elem = Find(control.Name);
        if (!elem || !snd_mixer_selem_has_playback_volume(elem)) return false;
        long min = 0, max = 0;
        if (snd_mixer_selem_get_playback_volume_range(elem, &min, &max) < 0) return false;
        // A value outside the control's range (an option saved for another card) is
        // brought into it rather than refused by the driver.
        return snd_mixer_selem_set_playback_volume_all(elem, qBound(min, long(value), max)) >= 0;
    }

    bool GetVolumeValue(const MixerControl& control, qint32& value) override {
        snd_mixer_elem_t* elem = Find(control.Name);
        if (!elem || !snd_mixer_selem_has_playback_volume(elem)) return false;
        for (int ch = SND_MIXER_SCHN_FRONT_LEFT; ch <= SND_MIXER_SCHN_LAST; ++ch) {
            const auto channel = snd_mixer_selem_channel_id_t(ch);
            if (!snd_mixer_selem_has_playback_channel(elem, channel)) continue;
            long v = 0;
            if (snd_mixer_selem_get_playback_volume(elem, channel, &v) < 0) return false;
            value = ToLong(v);
            return true;
        }
        return false;
    }

private:
    snd_mixer_elem_t* Find(const QString& name) {
        if (name.isEmpty()) return nullptr;
        snd_mixer_selem_id_t* sid = nullptr;
        snd_mixer_selem_id_alloca(&sid);
        snd_mixer_selem_id_set_index(sid, 0);
        const QByteArray n = name.toLatin1();
        snd_mixer_selem_id_set_name(sid, n.constData());
        return snd_mixer_find_selem(mHandle.get(), sid);
    }

    MixerHandle mHandle;
};

}  // namespace

AlsaMixerSystem::AlsaMixerSystem(QString card) : mCard(std::move(card)) {}

QStringList AlsaMixerSystem::VolumeElementNames() {
    return {QStringLiteral("Master"), QStringLiteral("Speaker"), QStringLiteral("PCM")};
}

std::unique_ptr<MixerDevice> AlsaMixerSystem::Open(int device) {
    if (device != 0) return nullptr;
    snd_mixer_t* raw = nullptr;
    if (snd_mixer_open(&raw, 0) < 0) return nullptr;
    MixerHandle handle(raw);
    const QByteArray card = mCard.toLocal8Bit();
    if (snd_mixer_attach(handle.get(), card.constData()) < 0) return nullptr;
    if (snd_mixer_selem_register(handle.get(), nullptr, nullptr) < 0) return nullptr;
    if (snd_mixer_load(handle.get()) < 0) return nullptr;
    return std::make_unique<AlsaMixerDevice>(std::move(handle));
}

namespace {
// ALSA prints every failed look-up to stderr; on a machine without a sound card that is a
// screenful at each alarm. A missing mixer or device is already handled as "no sound".
void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

void InstallAlsaMixer() {
    snd_lib_error_set_handler(QuietAlsaErrors);
    static AlsaMixerSystem mixer;
    seams::SetMixer(&mixer);
}
