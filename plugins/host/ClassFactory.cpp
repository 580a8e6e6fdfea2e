#include "plugins/host/ClassFactory.h"

#include "plugins/common/ClassRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <limits>

namespace plugin {

namespace {

using Factory = QObject* (*)(const char*);
using EntryPoint = int (*)();

QString libraryFor(const QString& className, const QString& folder) {
    const qsizetype dot = className.indexOf(u'.');
    const QString base = dot < 0 ? className : className.left(dot);
    if (base.isEmpty()) return QString();
    const QString file = base + QStringLiteral(".so");
    if (!folder.isEmpty()) return folder + u'/' + file;
    const QString registered = RegisteredLibrary(className);
    if (!registered.isEmpty() && QFileInfo::exists(registered)) return registered;
    return QCoreApplication::applicationDirPath() + u'/' + file;
}

// A loaded library. It is never unloaded: the plug-ins register meta-types and widget
// classes with Qt, whose tables would keep pointers into the unloaded code.
std::shared_ptr<QLibrary> load(const QString& path, QString* error) {
    if (!QFileInfo(path).isFile()) {
        if (error) *error = QStringLiteral("no library %1").arg(path);
        return nullptr;
    }
    auto lib = std::make_shared<QLibrary>(path);
    if (!lib->load()) {
        if (error) *error = lib->errorString();
        return nullptr;
    }
    return lib;
}

int callEntry(const QString& libraryPath, const char* symbol) {
    QString error;
    auto lib = load(libraryPath, &error);
    if (!lib) return -1;
    auto entry = reinterpret_cast<EntryPoint>(lib->resolve(symbol));
    if (!entry) return -1;
    try {
        return entry();
    } catch (...) {
        return -1;
    }
}

}  // namespace

QString ClassNameForFile(const QString& fileName) {
    const qsizetype dot = fileName.indexOf(u'.');
    return fileName.left(dot < 0 ? 0 : dot + 1) + QStringLiteral("ClsVantoro");
}

QString RegisteredLibrary(const QString& className) {
    return OpenClassRegistry()->value(className).toString();
}

ObjectPtr CreateObject(const QString& className, const QString& folder, QString* error) {
    const QString path = libraryFor(className, folder);
    if (path.isEmpty()) {
        if (error) *error = QStringLiteral("no library for %1").arg(className);
        return nullptr;
    }
    std::shared_ptr<QLibrary> lib = load(path, error);
    if (!lib) return nullptr;
    auto factory = reinterpret_cast<Factory>(lib->resolve("DllGetClassObject"));
    if (!factory) {
        if (error) *error = QStringLiteral("%1 is not a plug-in library").arg(path);
        return nullptr;
    }
    QObject* raw = nullptr;
    try {
        raw = factory(className.toUtf8().constData());
    } catch (...) {
        raw = nullptr;
    }
    if (!raw) {
        if (error) *error = QStringLiteral("%1 does not serve %2").arg(path, className);
        return nullptr;
    }
    // The deleter holds the library: the object's code stays mapped while it lives.
    return ObjectPtr(raw, [lib](QObject* o) { delete o; });
}

std::vector<FoundPlugin> FindPlugins(const QString& folder, std::vector<RefusedPlugin>* refused) {
    std::vector<FoundPlugin> found;
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("*.so")}, QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        if (found.size() >= static_cast<size_t>(std::numeric_limits<qint16>::max())) break;
        const QString className = ClassNameForFile(name);
        QString error;
        ObjectPtr probe = CreateObject(className, folder, &error);
        ObjectPtr object = probe ? CreateObject(className, folder, &error) : nullptr;
        if (!object) {
            if (refused) refused->push_back({name, error});
            continue;
        }
        found.push_back({name, std::move(object)});
    }
    return found;
}

int RegisterServer(const QString& libraryPath) { return callEntry(libraryPath, "DllRegisterServer"); }
int UnregisterServer(const QString& libraryPath) { return callEntry(libraryPath, "DllUnregisterServer"); }
int CanUnloadNow(const QString& libraryPath) { return callEntry(libraryPath, "DllCanUnloadNow"); }

}  // namespace plugin
