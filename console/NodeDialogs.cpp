#include "console/NodeDialogs.h"

#include "console/FrmPing.h"
#include "schedules/FrmCalendar.h"
#include "schedules/FrmWait.h"

#include <QDialog>

NodeDialogs DefaultNodeDialogs() {
    NodeDialogs d;
    d.wait = [](TreeNodes& t, QWidget* o) { return std::make_unique<FrmWait>(t, o); };
    d.calendar = [](TreeNodes& t, QWidget* o) {
        auto dialog = std::make_unique<FrmCalendar>(t, o);
        // The day window dialog is shown the way the main window shows its dialogs.
        if (auto* form = qobject_cast<FrmPing*>(o)) dialog->SetDialogRunner([form](QDialog& w) { form->RunDialog(w); });
        return dialog;
    };
    return d;
}
