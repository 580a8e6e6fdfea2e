#include "model/Mixer.h"

namespace {
class NoMixer final : public MixerSystem {
public:
    std::unique_ptr<MixerDevice> Open(int) override { return nullptr; }
};
NoMixer gNoMixer;
MixerSystem* gMixer = &gNoMixer;
}  // namespace

namespace seams {
void SetMixer(MixerSystem* mixer) { gMixer = mixer ? mixer : &gNoMixer; }
MixerSystem& Mixer() { return *gMixer; }
}  // namespace seams

qint32 GetMasterVolume() {
    std::unique_ptr<MixerDevice> mixer = seams::Mixer().Open(0);
    if (!mixer) return 0;
    MixerControl control;
    if (!mixer->GetVolumeControl(control, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS)) return 0;
    qint32 value = 0;
    if (!mixer->GetVolumeValue(control, value)) return 0;
    return value;
}
