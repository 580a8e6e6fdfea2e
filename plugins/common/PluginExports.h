#pragma once
// The four C entry points every plug-in library exports. Expand VANTORO_PLUGIN_EXPORTS once
// in the plug-in's own source with its class (which has a default constructor and a static
// constexpr PluginKind kKind):
//
//  - QObject* DllGetClassObject(const char* className): a new object when className is this
//    library's class name (exact), else null. The caller owns the object.
//  - int DllCanUnloadNow(): 0 when no object of this library is alive and none of its
//    background calls (BackgroundCall.h) still runs, 1 otherwise.
//  - int DllRegisterServer() / DllUnregisterServer(): add or remove this library, under its
//    class name, in the per-user class registry; 0 on success.

#include "plugins/common/BackgroundCall.h"
#include "plugins/common/PluginObject.h"

class QObject;

namespace plugin {
// The library that holds address, as an absolute path ("" when unknown).
QString LibraryPathOf(const void* address);
int RegisterServer(const QString& className, const void* addressInLibrary);
int UnregisterServer(const QString& className);

template <class T>
QObject* CreateIfNamed(const char* className) {
    try {
        if (!className || QString::fromUtf8(className) != FormatOf(T::kKind).className()) return nullptr;
        return new T();  // handed over to the host's adapter, which owns it from here
    } catch (...) {
        return nullptr;
    }
}
}  // namespace plugin

#define VANTORO_PLUGIN_EXPORTS(ClassType)                                                                   \
    extern "C" __attribute__((visibility("default"))) QObject* DllGetClassObject(const char* className) {  \
        return ::plugin::CreateIfNamed<ClassType>(className);                                               \
    }                                                                                                       \
    extern "C" __attribute__((visibility("default"))) int DllCanUnloadNow() {                               \
        return ::plugin::ClsVantoroBase::LiveObjects() == 0 && ::plugin::BackgroundCallsRunning() == 0 ? 0 : 1; \
    }                                                                                                       \
    extern "C" __attribute__((visibility("default"))) int DllRegisterServer() {                             \
        return ::plugin::RegisterServer(::plugin::FormatOf(ClassType::kKind).className(),                   \
                                        reinterpret_cast<const void*>(&DllGetClassObject));                 \
    }                                                                                                       \
    extern "C" __attribute__((visibility("default"))) int DllUnregisterServer() {                           \
        return ::plugin::UnregisterServer(::plugin::FormatOf(ClassType::kKind).className());                \
    }
