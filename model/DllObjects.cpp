#include "model/DllObjects.h"

#include <QVariant>

std::vector<DllObject> gDllObjects;

std::shared_ptr<QObject> FindDllObject(const QString& fileName) {
    for (const DllObject& entry : gDllObjects)
        if (entry.DllName.compare(fileName, Qt::CaseSensitive) == 0) return entry.Object;
    return nullptr;
}

QString GetDllTitle(const QString& fileName) {
    const std::shared_ptr<QObject> object = FindDllObject(fileName);
    return object ? object->property("Title").toString() : QString();
}
