#pragma once
// The sound mixer as the alarm sound and the options see it: device 0 is opened for each
// operation and closed at its end (when the MixerDevice goes away); its speaker volume
// control is looked up by component type. The real implementation (ALSA) lives with the
// alarm sound and is installed at start-up; until then, and in tests that install a
// fake, there is no mixer at all.

#include <QString>

#include <memory>

// Component type of the speaker destination line.
constexpr qint32 MIXERLINE_COMPONENTTYPE_DST_SPEAKERS = 4;

struct MixerControl {
    qint32 ControlID = 0;
    qint32 Minimum = 0;  // the control's own range, for the options slider
    qint32 Maximum = 0;
    QString Name;        // which control was found (e.g. "Master")
};

class MixerDevice {
public:
    virtual ~MixerDevice() = default;
    virtual bool GetVolumeControl(MixerControl& control, qint32 componentType) = 0;
    virtual bool SetVolumeValue(const MixerControl& control, qint32 value) = 0;
    virtual bool GetVolumeValue(const MixerControl& control, qint32& value) = 0;
};

class MixerSystem {
public:
    virtual ~MixerSystem() = default;
    // Opens a mixer device; null when there is none.
    virtual std::unique_ptr<MixerDevice> Open(int device) = 0;
};

namespace seams {
// nullptr restores "no mixer". The caller keeps ownership.
void SetMixer(MixerSystem* mixer);
MixerSystem& Mixer();
}  // namespace seams

// The speaker volume now; 0 when it cannot be read (no mixer, no control, read failed).
qint32 GetMasterVolume();
