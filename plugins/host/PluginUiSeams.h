#pragma once
// The host's end of the plug-ins' window seams (plugins/common/UiSeams.h). While one of
// these objects lives, the plug-ins' message boxes, or their settings windows, go to the
// function it was made with; destroying it restores the plug-ins' own behaviour. Keep at
// most one of each kind alive.

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace plugin {

class PluginMessageBoxSeam final : public QObject {
    Q_OBJECT
public:
    using Fn = std::function<int(const QString& prompt, int style, const QString& title)>;
    explicit PluginMessageBoxSeam(Fn fn);
    ~PluginMessageBoxSeam() override;
    Q_INVOKABLE int messageBox(const QString& prompt, int style, const QString& title);

private:
    Fn fn_;
};

class PluginDialogDriver final : public QObject {
    Q_OBJECT
public:
    // drive works the window's controls and returns; a window still open afterwards is
    // taken as closed without OK.
    using Fn = std::function<void(QWidget* window)>;
    explicit PluginDialogDriver(Fn fn);
    ~PluginDialogDriver() override;
    Q_INVOKABLE void drive(QWidget* window);

private:
    Fn fn_;
};

}  // namespace plugin
