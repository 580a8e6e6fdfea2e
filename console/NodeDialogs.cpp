#include "console/NodeDialogs.h"

#include "admin/FrmComputer.h"
#include "admin/FrmDllSelect.h"
#include "admin/FrmGroup.h"
#include "admin/FrmService.h"
#include "console/FrmPing.h"
#include "schedules/FrmCalendar.h"
#include "schedules/FrmWait.h"

#include <QDialog>

NodeDialogs DefaultNodeDialogs() {
    NodeDialogs d;
    d.group = [](TreeNodes& t, QWidget* o) { return std::make_unique<FrmGroup>(t, o); };
    d.computer = [](TreeNodes& t, QWidget* o) { return std::make_unique<FrmComputer>(t, o); };
    d.service = [](TreeNodes& t, QWidget* o) { return std::make_unique<FrmService>(t, o); };
    d.dllSelect = [](TreeNodes& t, QWidget* o) { return std::make_unique<FrmDllSelect>(t, o); };
    d.wait = [](TreeNodes& t, QWidget* o) { return std::make_unique<FrmWait>(t, o); };
    d.calendar = [](TreeNodes& t, QWidget* o) {
        auto dialog = std::make_unique<FrmCalendar>(t, o);
        // The day window dialog is shown the way the main window shows its dialogs.
        if (auto* form = qobject_cast<FrmPing*>(o)) dialog->SetDialogRunner([form](QDialog& w) { form->RunDialog(w); });
        return dialog;
    };
    return d;
}
