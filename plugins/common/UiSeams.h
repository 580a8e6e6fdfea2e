#pragma once
// How a host reaches into a plug-in's windows without linking it. A plug-in and its host
// share one QApplication, so the host hangs small objects on it as dynamic properties and
// the plug-in calls them by name:
//
//  - kMessageBoxProperty: a QObject with
//        Q_INVOKABLE int messageBox(const QString& prompt, int style, const QString& title);
//    When set, every message box of a plug-in goes there (the program routes them through
//    its own message box seam; tests record them). Otherwise a real box is shown.
//  - kDialogDriverProperty: a QObject with
//        Q_INVOKABLE void drive(QWidget* window);
//    When set, a settings window is shown without a modal loop and handed to drive(), which
//    works the controls and returns; whatever state the window is in then is the outcome
//    (still open counts as closed without OK). Tests use it so nothing waits in exec().

namespace plugin {
inline constexpr char kMessageBoxProperty[] = "vantoroPluginMessageBox";
inline constexpr char kDialogDriverProperty[] = "vantoroPluginDialogDriver";
}  // namespace plugin
