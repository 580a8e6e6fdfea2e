#pragma once
// The staff dialog: adds a person who is told about alarms, or changes one. It writes the
// person's row of TBL_User and the person's item in the main window's person list.
//
// The mode comes from gSelUserID at construction (the load): empty for a new person, the
// 職番 of the person to change otherwise (that person's item is the list's current one).
// A save checks the fields in a fixed order, looks the 職番 up, and then inserts,
// updates, or refuses with a message; the dialog stays open after a save, with the 職番
// locked. The person's computer address is optional (a blank address control stores
// none); no field of it accepts 0.
//
// Tests construct the dialog, fill its fields and call cmdUpdate_Click; message boxes go
// through the seam, and FocusTarget tells where the caret was sent.

#include "admin/ClsIPAddressEdit.h"

#include <QDialog>
#include <QIcon>
#include <QString>

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace usermsg {
inline const QString kIPAddress = QStringLiteral("ＩＰアドレスを入力して下さい");
inline const QString kUserID = QStringLiteral("職番を入力して下さい");
inline const QString kName = QStringLiteral("氏名を入力して下さい");
inline const QString kShozoku = QStringLiteral("所属名を入力して下さい");
inline const QString kTel = QStringLiteral("電話番号を入力して下さい");
inline const QString kNoMail = QStringLiteral("Ｅ－ｍａｉｌアドレスを入力して下さい");
inline const QString kBadMail = QStringLiteral("Ｅ－ｍａｉｌアドレスに誤りがあります。");
inline const QString kDuplicate = QStringLiteral("同じ職番が登録済みです");
inline const QString kDeleted = QStringLiteral("既に削除されています");
}  // namespace usermsg

class FrmUser : public QDialog {
    Q_OBJECT
public:
    // The load step. icons gives the person list's pictures by image key (none: the new
    // item carries its image key only).
    FrmUser(QTreeWidget& listViewUser, QWidget* owner, std::function<QIcon(const QString&)> icons = {});
    ~FrmUser() override;

    // The save step; true when the row was written.
    bool cmdUpdate_Click();
    void cmdClose_Click() { reject(); }
    // Shows or hides the two addresses with their labels by the mail switch.
    void CheckEMail_Click();

    // The e-mail address rules, on the address trimmed in place; false at the first that
    // fails.
    static bool CheckMailAddress(QString& address);

    // Where the last refused save sent the caret (null when none) and, for the address
    // control, to which of its fields.
    QWidget* FocusTarget() const { return focusTarget_; }
    int FocusField() const { return focusField_; }

    QLineEdit* txt_IP = nullptr;  // place holder of the address control
    QLineEdit* txt_UserID = nullptr;
    QLineEdit* txt_Name = nullptr;
    QLineEdit* txt_Shozoku = nullptr;
    QLineEdit* Txt_Tel = nullptr;
    QGroupBox* FrameAlarm = nullptr;
    QRadioButton* OptRcv[2] = {nullptr, nullptr};
    QCheckBox* CheckEMail = nullptr;
    QLabel* lblEMailAddress1 = nullptr;
    QLabel* lblEMailAddress2 = nullptr;
    QLineEdit* TxtEMailAddress1 = nullptr;
    QLineEdit* TxtEMailAddress2 = nullptr;
    QPushButton* cmdUpdate = nullptr;
    QPushButton* cmdClose = nullptr;
    ClsIPAddressEdit IPEdit;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void Load();
    bool Refuse(const QString& message, QWidget* field, int ipField = -1);
    void LockUserID();

    QTreeWidget& listViewUser_;
    std::function<QIcon(const QString&)> icons_;
    QWidget* focusTarget_ = nullptr;
    int focusField_ = -1;
};
