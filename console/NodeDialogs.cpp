#include "console/NodeDialogs.h"

#include "admin/FrmComputer.h"
#include "admin/FrmDllSelect.h"
#include "admin/FrmGroup.h"
#include "admin/FrmService.h"

#include <QDialog>

NodeDialogs DefaultNodeDialogs() {
    NodeDialogs d;
    d.group = [](TreeNodes& t, QWidget* o) { return std::make_unique<FrmGroup>(t, o); };
    d.computer = [](TreeNodes& t, QWidget* o) { return std::make_unique<FrmComputer>(t, o); };
    d.service = [](TreeNodes& t, QWidget* o) { return std::make_unique<FrmService>(t, o); };
    d.dllSelect = [](TreeNodes& t, QWidget* o) { return std::make_unique<FrmDllSelect>(t, o); };
    return d;
}
