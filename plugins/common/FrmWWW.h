#pragma once
// The settings window of the two web checks. The page check ("WWW情報") has the URL, user,
// password, the HTTP / HTTPS choice and the time-out; the page content check ("WWW2情報")
// has the URL and the time-out and a note that no cache is used. Both have the retry frame.

#include "plugins/common/SettingsWindow.h"

class QRadioButton;

namespace plugin {

class FrmWWW final : public SettingsWindow {
    Q_OBJECT
public:
    explicit FrmWWW(const ClsVantoroBase& owner);

    // The no-cache note of the content check's window.
    static const QString& CacheNote();

protected:
    void Fill(const ClsVantoroBase& from) override;
    void Collect(QVariantHash& values) const override;

private:
    QRadioButton* http_ = nullptr;   // OptHTTP (null in the content check's window)
    QRadioButton* https_ = nullptr;  // OptHTTPS
};

}  // namespace plugin
