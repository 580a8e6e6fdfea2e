#pragma once
// The per-user class registry: which library serves which plug-in class name. A library's
// DllRegisterServer writes its own path under its class name and DllUnregisterServer
// removes it; the creation adapter looks a class name up here when it is not given a
// folder to find the library in. Header-only, because both the plug-ins and the hosts use
// it and neither links the other.

#include <QSettings>
#include <QString>

#include <memory>

namespace plugin {

inline std::unique_ptr<QSettings> OpenClassRegistry() {
    auto s = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Vantoro"),
                                         QStringLiteral("PluginClasses"));
    s->beginGroup(QStringLiteral("Classes"));
    return s;
}

}  // namespace plugin
