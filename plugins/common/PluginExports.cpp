#include "plugins/common/PluginExports.h"

#include "plugins/common/ClassRegistry.h"

#include <QFileInfo>

#include <dlfcn.h>

namespace plugin {

QString LibraryPathOf(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || !info.dli_fname) return QString();
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}

int RegisterServer(const QString& className, const void* addressInLibrary) {
    const QString path = LibraryPathOf(addressInLibrary);
    if (path.isEmpty()) return 1;
    auto registry = OpenClassRegistry();
    registry->setValue(className, path);
    registry->sync();
    return registry->status() == QSettings::NoError ? 0 : 1;
}

int UnregisterServer(const QString& className) {
    auto registry = OpenClassRegistry();
    registry->remove(className);
    registry->sync();
    return registry->status() == QSettings::NoError ? 0 : 1;
}

}  // namespace plugin
