#include "engine/Monitor.h"

Monitor::Monitor() { timer_.setObjectName(QStringLiteral("TimerPing")); }

void Monitor::SetMenuConnectChecked(bool on) {
    if (connect_ == on) return;
    connect_ = on;
    emit menuConnectChanged(on);
}
