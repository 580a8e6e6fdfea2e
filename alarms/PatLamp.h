#pragma once
// The warning lamp as the rest of the program knows it: whether it is up, bringing it up
// on an alarm, taking it down, and making it give way to a message box or a dialog. The
// window itself (alarms/lamp/FrmPatLamp.h) is installed by the main window; without one
// (tests of the engine, a monitor without a screen) only the flag changes.

// True while the lamp is up.
extern bool gPatLampShowing;

// What the lamp's window does for the calls below; the console installs the real one.
class PatLampWindow {
public:
    virtual ~PatLampWindow() = default;
    // Brings the window up (or keeps the one that is up); giveWay: outside the top layer
    // and below the other windows.
    virtual void Show(bool giveWay) = 0;
    virtual void Close() = 0;
    // Leaves the top layer and goes below the other windows, or takes the top again.
    virtual void GiveWay(bool giveWay) = 0;
};

// Installing nullptr restores the windowless default. The caller keeps ownership and must
// uninstall before the object dies.
void SetPatLampWindow(PatLampWindow* window);

// On an alarm: shows the lamp when the PatLamp option is on and none is shown yet.
void ShowPatLamp();
// Takes the lamp down, if it is up (no failing computer left; program exit).
void UnloadPatLamp();

// While one lives, the lamp gives way: it leaves the always-on-top layer and goes below the
// other windows, so a message box or a dialog is never hidden behind it (both are modal, so
// the lamp could not even be double-clicked away). A lamp that comes up meanwhile comes up
// the same way. When the last one ends the lamp takes the top place again. Nests.
class PatLampGiveWay {
public:
    PatLampGiveWay();
    ~PatLampGiveWay();
    PatLampGiveWay(const PatLampGiveWay&) = delete;
    PatLampGiveWay& operator=(const PatLampGiveWay&) = delete;
    static bool Active();
};
