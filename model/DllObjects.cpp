#include "model/DllObjects.h"

#include <QVariant>

std::vector<DllObject> gDllObjects;

QString GetDllTitle(const QString& fileName) {
    for (const DllObject& entry : gDllObjects) {
        if (entry.DllName.compare(fileName, Qt::CaseSensitive) != 0) continue;
        return entry.Object ? entry.Object->property("Title").toString() : QString();
    }
    return QString();
}
