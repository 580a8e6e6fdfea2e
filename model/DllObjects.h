#pragma once
// The table of live plug-in objects, filled once at start-up from the plug-ins found
// beside the program. Each object is a QObject whose properties and methods are used by
// name; its deleter keeps the plug-in library loaded for as long as the object lives.

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

struct DllObject {
    QString DllName;                  // the plug-in's file name, e.g. "VantorPort.so"
    std::shared_ptr<QObject> Object;  // the live plug-in object
};

// Entry k (1-based, as the system counts) is gDllObjects[k - 1].
extern std::vector<DllObject> gDllObjects;
inline int gDllCount() { return static_cast<int>(gDllObjects.size()); }

// The object of the first loaded plug-in whose file name equals fileName exactly (letter
// case counts); null when none matches.
std::shared_ptr<QObject> FindDllObject(const QString& fileName);

// The Title of the first loaded plug-in whose file name equals fileName exactly (letter
// case counts); "" when none matches, the table is empty or the object has no title.
QString GetDllTitle(const QString& fileName);
