#pragma once
// Creating plug-in objects by class name. A class name is "<base>.ClsVantoro"; the library
// that serves it is "<base>.so". The library's exported DllGetClassObject makes the object
// (or refuses: a library that is not the class's server, or not a plug-in at all, gives
// nothing). Objects come back as shared pointers whose deleter holds the library, so the
// code behind an object is there for as long as the object is.

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace plugin {

using ObjectPtr = std::shared_ptr<QObject>;

// The class name made from a plug-in file name: the name up to and including its first
// ".", then "ClsVantoro" ("VantorPort.so" gives "VantorPort.ClsVantoro", "a.b.so" gives
// "a.ClsVantoro").
QString ClassNameForFile(const QString& fileName);

// A new object of className. With a folder, the library is looked for there only; without,
// the per-user class registry names it, or else it is the one beside the executable.
// Null when the class cannot be created; error (when given) then says why.
ObjectPtr CreateObject(const QString& className, const QString& folder = QString(), QString* error = nullptr);

// The library's own registration entry points, called through the library at path.
// 0 on success; -1 when the library or the entry point is missing.
int RegisterServer(const QString& libraryPath);
int UnregisterServer(const QString& libraryPath);
// 0 when the library has no live objects, 1 when it has; -1 when it cannot be asked.
int CanUnloadNow(const QString& libraryPath);

// Finding the plug-ins beside a host: every "*.so" file in folder, in file-name order
// (dot-files are never looked at), whose file name names a class it serves. Each gets a
// probe object first and then the object it keeps. At most 32767 are kept, the hosts'
// 16-bit count.
struct FoundPlugin {
    QString fileName;  // as the folder lists it, e.g. "VantorPort.so"
    ObjectPtr object;
};
struct RefusedPlugin {
    QString fileName;
    QString error;  // why no object could be created
};
// The files whose object could not be created are passed over; refused (when given)
// collects them with the reason.
std::vector<FoundPlugin> FindPlugins(const QString& folder, std::vector<RefusedPlugin>* refused = nullptr);

// The library path the per-user class registry gives for className ("" when none).
QString RegisteredLibrary(const QString& className);

}  // namespace plugin
