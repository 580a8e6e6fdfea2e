#pragma once
// The mixer on ALSA: device 0 is the default card's mixer; its speaker volume control is
// the "Master" playback volume, or "Speaker" or "PCM" on cards that have no master.

#include "model/Mixer.h"

#include <QString>
#include <QStringList>

class AlsaMixerSystem final : public MixerSystem {
public:
    // card: the ALSA control device that device 0 stands for.
    explicit AlsaMixerSystem(QString card = QStringLiteral("default"));
    // Null when the card has no mixer (or device is not 0).
    std::unique_ptr<MixerDevice> Open(int device) override;

    // The playback elements tried for the speaker volume, in order of preference.
    static QStringList VolumeElementNames();

private:
    QString mCard;
};

// Makes the program's one ALSA mixer the mixer of seams::Mixer() (called at start-up).
void InstallAlsaMixer();
