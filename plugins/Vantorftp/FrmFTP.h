#pragma once
// The FTP check's settings window. The "Anonymous" box puts "anonymous" into the user name
// and, cleared again, brings back the user name and password typed before.

#include "plugins/common/SettingsWindow.h"

class QCheckBox;

class FrmFTP final : public plugin::SettingsWindow {
    Q_OBJECT
public:
    explicit FrmFTP(const plugin::ClsVantoroBase& owner);

protected:
    void Fill(const plugin::ClsVantoroBase& from) override;

private:
    void anonymousChanged(bool ticked);

    QCheckBox* anonymous_ = nullptr;
    QString savedUserName_;
    QString savedPassword_;
};
