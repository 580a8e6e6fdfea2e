#pragma once
// A computer's TCP port checks and plug-in assignments. Each is also its node of the
// monitoring tree ("$" and "%" keys): its state ("SStart", "SStop") is the node's image.

#include "model/KeyedList.h"
#include "model/TreeNodes.h"

#include <QString>

class ClsPortData : public TreeNode {
public:
    qint32 PortNo = 0;
    QString PortService;
};

class ClsPortDatas : public KeyedList<ClsPortData> {
public:
    // A new entry, in no list and no tree yet.
    static Ptr Make(qint32 portNo, const QString& portService);
    Ptr Add(qint32 portNo, const QString& portService, const QString& key = QString());
    // Position of the first entry with that port, 0 when none.
    int GetItemNo(qint32 portNo) const;
};

class ClsDllData : public TreeNode {
public:
    qint16 SubNo = 0;
    QString DllName;    // plug-in file name as found beside the program
    QString Parameter;  // plain parameter string (the database keeps it scrambled)
};

class ClsDllDatas : public KeyedList<ClsDllData> {
public:
    // A new entry, in no list and no tree yet.
    static Ptr Make(qint16 subNo, const QString& dllName, const QString& parameter);
    Ptr Add(qint16 subNo, const QString& dllName, const QString& parameter, const QString& key = QString());
    // Position of the first entry with that row number, 0 when none.
    int GetItemNo(qint16 subNo) const;
};
