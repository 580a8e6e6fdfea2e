#include "model/ClsPortDatas.h"

ClsPortDatas::Ptr ClsPortDatas::Make(qint32 portNo, const QString& portService) {
    auto e = std::make_shared<ClsPortData>();
    e->PortNo = portNo;
    e->PortService = portService;
    return e;
}

ClsPortDatas::Ptr ClsPortDatas::Add(qint32 portNo, const QString& portService, const QString& key) {
    return Append(Make(portNo, portService), key);
}

int ClsPortDatas::GetItemNo(qint32 portNo) const {
    return FindFirst([portNo](const ClsPortData& d) { return d.PortNo == portNo; });
}

ClsDllDatas::Ptr ClsDllDatas::Make(qint16 subNo, const QString& dllName, const QString& parameter) {
    auto e = std::make_shared<ClsDllData>();
    e->SubNo = subNo;
    e->DllName = dllName;
    e->Parameter = parameter;
    return e;
}

ClsDllDatas::Ptr ClsDllDatas::Add(qint16 subNo, const QString& dllName, const QString& parameter,
                                  const QString& key) {
    return Append(Make(subNo, dllName, parameter), key);
}

int ClsDllDatas::GetItemNo(qint16 subNo) const {
    return FindFirst([subNo](const ClsDllData& d) { return d.SubNo == subNo; });
}
