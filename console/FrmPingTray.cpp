// The status line, the tray icon and the always-on-top layer of the main window.
#include "console/FrmPing.h"

#include "alarms/PatLamp.h"
#include "model/Globals.h"

#include <QLabel>
#include <QMenu>

void FrmPing::SetStatusText(const QString& text) {
    statusPanel_->setText(text);
    TrayIcon(QStringLiteral("ICONCHANGE"), text);
}

void FrmPing::SetNotice(const QString& text) {
    noticePanel_->setText(text);
    noticePanel_->setToolTip(text);
    noticePanel_->setVisible(!text.isEmpty());
}

void FrmPing::TrayIcon(const QString& action, const QString& text) {
    // The tip field of the notification area holds 63 characters and its terminator.
    auto tip = [](const QString& t) { return t.left(63); };
    if (action == QLatin1String("ICONADD")) {
        tray_.setToolTip(tip(windowTitle()));
        tray_.show();
        trayAdded_ = true;
    } else if (action == QLatin1String("ICONCHANGE")) {
        tray_.setToolTip(tip(text));
    } else if (action == QLatin1String("ICONDEL")) {
        tray_.hide();
        trayAdded_ = false;
    }
}

bool FrmPing::TrayShown() const {
    return trayAdded_ && services_.trayAvailable && services_.trayAvailable();
}

bool FrmPing::IsTopMost() const {
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void FrmPing::SetTopMost(bool onTop) {
    // The warning lamp keeps the top place while it is up.
    if (gPatLampShowing) return;
    if (IsTopMost() == onTop) return;
    // Changing a window flag hides a native window; show it again only when it was
    // shown, so a window hidden in the tray stays there.
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (wasVisible) show();
}

void FrmPing::RaiseMainWindow() {
    showMaximized();
    raise();
    activateWindow();
    SetTopMost(true);
    SetTopMost(gOptFormTop);
}

void FrmPing::TrayActivated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:  // the left button
            setWindowState((windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized)) | Qt::WindowActive);
            show();
            raise();
            activateWindow();
            SetTopMost(true);
            SetTopMost(gOptFormTop);
            break;
        case QSystemTrayIcon::Context:  // the right button
            if (services_.popupTrayMenu) services_.popupTrayMenu(*menuTaskBar_);
            break;
        default:
            break;
    }
}
