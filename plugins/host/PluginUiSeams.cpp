#include "plugins/host/PluginUiSeams.h"

#include "plugins/common/UiSeams.h"

#include <QCoreApplication>
#include <QVariant>

namespace plugin {

namespace {
void install(const char* property, QObject* seam) {
    if (qApp) qApp->setProperty(property, QVariant::fromValue<QObject*>(seam));
}
void uninstall(const char* property, QObject* seam) {
    if (qApp && qApp->property(property).value<QObject*>() == seam) qApp->setProperty(property, QVariant());
}
}  // namespace

PluginMessageBoxSeam::PluginMessageBoxSeam(Fn fn) : fn_(std::move(fn)) { install(kMessageBoxProperty, this); }
PluginMessageBoxSeam::~PluginMessageBoxSeam() { uninstall(kMessageBoxProperty, this); }
int PluginMessageBoxSeam::messageBox(const QString& prompt, int style, const QString& title) {
    return fn_ ? fn_(prompt, style, title) : 1;
}

PluginDialogDriver::PluginDialogDriver(Fn fn) : fn_(std::move(fn)) { install(kDialogDriverProperty, this); }
PluginDialogDriver::~PluginDialogDriver() { uninstall(kDialogDriverProperty, this); }
void PluginDialogDriver::drive(QWidget* window) {
    if (fn_) fn_(window);
}

}  // namespace plugin
