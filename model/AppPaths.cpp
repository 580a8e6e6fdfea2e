#include "model/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString ProgramFolder() {
    const QString home = qEnvironmentVariable("VANTORO_HOME");
    if (!home.isEmpty()) return QDir::fromNativeSeparators(QDir::cleanPath(home));
    return ExecutableFolder();
}

QString ExecutableFolder() { return QCoreApplication::applicationDirPath(); }

QString ProgramBaseName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}
