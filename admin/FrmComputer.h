#pragma once
// The computer dialog: adds a watched computer to the group gSelGroup (gSelAddress empty) or
// changes the computer gSelAddress. Writes its TBL_Computer row, adds or rewrites the
// computer's node under the group's node, and adds the computer to gPingDatas (then sorts
// it) or updates its entry, so the next round checks what was entered. The address is typed
// into the IP address entry (first and last number 1 to 255, the two middle ones
// 0 to 255) and can no longer change once saved.

#include "admin/ClsIPAddressEdit.h"
#include "admin/RecordDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace computermsg {
inline const QString kAddress = QStringLiteral("ＩＰアドレスを入力して下さい");
inline const QString kName = QStringLiteral("コンピュータ名を入力して下さい");
inline const QString kType = QStringLiteral("種類を入力して下さい");
inline const QString kErrCount = QStringLiteral("異常判断回数(1～99)を入力して下さい");
inline const QString kTimeout = QStringLiteral("タイムアウトを入力(1000～20000ﾐﾘ秒)して下さい");
inline const QString kDuplicate = QStringLiteral("同じコンピュータが登録済みです");
}  // namespace computermsg

class FrmComputer : public RecordDialog {
    Q_OBJECT
public:
    FrmComputer(TreeNodes& tree, QWidget* owner);

    bool cmdUpdate_Click() { return Save(); }

    ClsIPAddressEdit IPEdit;
    QLineEdit* txt_IP = nullptr;  // hidden place-holder of the address entry
    QLabel* Lbl_Group = nullptr;
    QLineEdit* txt_Name = nullptr;
    QComboBox* Cmb_Shurui = nullptr;
    QLineEdit* txt_Display = nullptr;
    QPlainTextEdit* txt_Comment = nullptr;
    QCheckBox* chk_Umu = nullptr;
    QCheckBox* chk_Ping = nullptr;
    QCheckBox* chk_Sound = nullptr;
    QLineEdit* txt_ErrCount = nullptr;
    QLineEdit* txt_Timeout = nullptr;
    QComboBox* CmbCal = nullptr;

protected:
    bool Save() override;
    void showEvent(QShowEvent* event) override;  // the caret goes into the address on insert
};
