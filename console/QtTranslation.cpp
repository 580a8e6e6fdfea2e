#include "console/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QTranslator* InstallQtTranslation() {
    if (!QCoreApplication::instance()) return nullptr;
    auto* translator = new QTranslator(QCoreApplication::instance());
    // The program speaks Japanese whatever the desktop's language is.
    if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}
