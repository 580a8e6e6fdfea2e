#pragma once
// The port check dialog: adds a TCP port check to the computer gSelAddress (gSelPort 0) or
// renames the check gSelPort of it. Writes its TBL_PortCheck row, adds or rewrites the port
// node under the computer's node and the port entry of the computer in gPingDatas; after a
// save gSelPort holds the stored port. A read-only list shows the well-known services.

#include "admin/RecordDialog.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace servicemsg {
inline const QString kPort = QStringLiteral("ポート番号を入力(1～65535)して下さい");
inline const QString kDuplicate = QStringLiteral("同じサービスが登録済みです");
}  // namespace servicemsg

class FrmService : public RecordDialog {
    Q_OBJECT
public:
    FrmService(TreeNodes& tree, QWidget* owner);

    bool cmdUpdate_Click() { return Save(); }

    QLineEdit* txt_Port = nullptr;
    QLineEdit* txt_Display = nullptr;
    QListWidget* LstDB = nullptr;
    QLabel* Lbl_Computer = nullptr;

protected:
    bool Save() override;
};
