#include "alarms/PatLamp.h"

#include "model/Globals.h"

bool gPatLampShowing = false;

namespace {
PatLampWindow* gWindow = nullptr;  // the installed window, if any
int gGiveWayDepth = 0;             // message boxes and dialogs up now
}  // namespace

void SetPatLampWindow(PatLampWindow* window) { gWindow = window; }

void ShowPatLamp() {
    if (!gOptPatLamp || gPatLampShowing) return;
    gPatLampShowing = true;
    if (gWindow) gWindow->Show(PatLampGiveWay::Active());
}

void UnloadPatLamp() {
    if (gWindow) gWindow->Close();
    gPatLampShowing = false;
}

PatLampGiveWay::PatLampGiveWay() {
    if (gGiveWayDepth++ == 0 && gWindow) gWindow->GiveWay(true);
}

PatLampGiveWay::~PatLampGiveWay() {
    if (--gGiveWayDepth == 0 && gWindow) gWindow->GiveWay(false);
}

bool PatLampGiveWay::Active() { return gGiveWayDepth > 0; }
