#include "engine/PluginHost.h"

#include "alarms/PatLamp.h"
#include "engine/Monitor.h"

#include "model/AppPaths.h"
#include "model/Database.h"
#include "model/DllObjects.h"
#include "model/Encipherment.h"
#include "model/Globals.h"
#include "model/Loader.h"
#include "model/Seams.h"
#include "model/TreeNodes.h"
#include "plugins/host/ClassFactory.h"
#include "plugins/host/LateBound.h"

#include <QSqlQuery>


namespace {

// The assignment as the model holds it right now (positions can move while a window is up).
ClsDllDatas::Ptr findAssignment(const QString& address, qint16 subNo, ClsPingDatas::Ptr* computerOut = nullptr,
                                int* positionOut = nullptr) {
    const qint32 no = gPingDatas.GetItemNo(address);
    if (no == 0) return nullptr;
    ClsPingDatas::Ptr computer = gPingDatas.Item(no);
    if (!computer) return nullptr;
    const int position = computer->DllData().GetItemNo(subNo);
    if (position == 0) return nullptr;
    if (computerOut) *computerOut = computer;
    if (positionOut) *positionOut = position;
    return computer->DllData().Item(position);
}

void reportWriteFailure(const QString& error) {
    MsgBox(QStringLiteral("プラグインの設定をデータベースに書き込めませんでした。\n") + error, vb::vbExclamation);
}

}  // namespace

void LoadCheckDlls() { LoadCheckDlls(ExecutableFolder()); }

void LoadCheckDlls(const QString& folder) {
    gDllObjects.clear();
    for (plugin::FoundPlugin& found : plugin::FindPlugins(folder))
        gDllObjects.push_back({found.fileName, std::move(found.object)});
}

bool UpdateDllCheck(const QString& mode, Monitor& monitor) {
    if (gDllCount() == 0) return false;
    const QString address = gSelAddress;
    const qint16 subNo = gSelSubNo;

    const ClsDllDatas::Ptr assignment = findAssignment(address, subNo);
    if (!assignment) return false;
    const QString dllName = assignment->DllName;
    const QString parameter = assignment->Parameter;

    plugin::ObjectPtr object;
    for (const DllObject& entry : gDllObjects)
        if (entry.DllName == dllName) {
            object = entry.Object;
            break;
        }
    if (!object) return false;
    // The object is shared by every check of that plug-in: one in the middle of a check
    // (this command runs inside its wait) must not be reset under it. Held for the whole
    // edit, so a check started while the window is up leaves it alone too.
    CheckSession::PluginUse busy(monitor.Session(), object.get());
    if (!busy.acquired()) {
        MsgBox(kPluginInCheck, vb::vbExclamation);
        return false;
    }

    // Parameter first: its put sets Proc back to "I".
    if (plugin::Put(object, "Parameter", parameter) != plugin::ErrNone) return false;
    if (plugin::Put(object, "Proc", mode) != plugin::ErrNone) return false;
    bool confirmed = false;
    {
        // The plug-in's own window is modal: the warning lamp steps out of its way.
        const PatLampGiveWay lampGivesWay;
        confirmed = plugin::CallBool(object, "FromShow");
    }
    if (!confirmed) return false;
    if (mode != QLatin1String("U") && mode != QLatin1String("D")) return false;

    QString error;
    auto db = Database::Open(gOptDatabasePath, &error);
    if (!db) {
        reportWriteFailure(error);
        return false;
    }
    auto row = db->Query(QStringLiteral("SELECT 連番 FROM TBL_DLL WHERE アドレス = ? AND 連番 = ?"), {address, subNo},
                         &error);
    if (!row) {
        reportWriteFailure(error);
        return false;
    }
    if (!row->next()) return false;  // someone removed it meanwhile: nothing to change
    row->finish();

    if (mode == QLatin1String("U")) {
        const auto edited = plugin::Get(object, "Parameter");
        if (!edited) return false;
        const QString plain = edited->toString();
        const QString stored = Encipherment(QString::fromLatin1(kParameterKey), plain);
        if (!db->Execute(QStringLiteral("UPDATE TBL_DLL SET 引数 = ? WHERE アドレス = ? AND 連番 = ?"),
                         {stored, address, subNo}, &error)) {
            reportWriteFailure(error);
            return false;
        }
        if (const auto current = findAssignment(address, subNo)) current->Parameter = plain;
        return true;
    }

    if (!db->Execute(QStringLiteral("DELETE FROM TBL_DLL WHERE アドレス = ? AND 連番 = ?"), {address, subNo}, &error)) {
        reportWriteFailure(error);
        return false;
    }
    monitor.TreeComputer().Remove(QLatin1Char('%') + address + QLatin1Char('@') + FormatRowNumber(subNo));
    ClsPingDatas::Ptr computer;
    int position = 0;
    if (findAssignment(address, subNo, &computer, &position)) computer->DllData().Remove(position);
    return true;
}
