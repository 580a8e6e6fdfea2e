#pragma once
// The group dialog: adds a group of watched computers or changes one (its TBL_Group row,
// its top-level tree node and, when its check switch changes, the group flag of every
// computer of the group in gPingDatas). Opened with gSelGroup empty for a new group, or
// holding the group code to change it; after a save gSelGroup holds the stored code.

#include "admin/RecordDialog.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

namespace groupmsg {
inline const QString kNoCode = QStringLiteral("グループコードを入力して下さい");
inline const QString kDuplicate = QStringLiteral("同じグループが登録済みです");
}  // namespace groupmsg

class FrmGroup : public RecordDialog {
    Q_OBJECT
public:
    // The load step.
    FrmGroup(TreeNodes& tree, QWidget* owner);

    // The save step; true when the row was written.
    bool cmdUpdate_Click() { return Save(); }

    QLineEdit* txt_Name = nullptr;
    QLineEdit* txt_Display = nullptr;
    QPlainTextEdit* txt_Comment = nullptr;
    QCheckBox* chk_Umu = nullptr;

protected:
    bool Save() override;
};
