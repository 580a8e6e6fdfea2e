#pragma once
// The port check's settings window.

#include "plugins/common/SettingsWindow.h"

class FrmPort final : public plugin::SettingsWindow {
    Q_OBJECT
public:
    explicit FrmPort(const plugin::ClsVantoroBase& owner);
};
