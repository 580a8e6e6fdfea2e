#pragma once
// The staff dialog: adds a person who is told about alarms, or changes one. It writes the
// person's row of TBL_User and the person's item in the main window's person list.
//
// The mode comes from gSelUserID at construction (the load): empty for a new person, the
// 職番 of the person to change otherwise (that person's item is the list's current one).
// A save checks the fields in a fixed order, looks the 職番 up, and then inserts,
// updates, or refuses with a message; the dialog stays open after a save, with the 職番
// locked. The person's computer address is optional (a blank address control stores
// none); its first and last number are 1 to 255, the two middle ones may be 0.
//
// Tests construct the dialog, fill its fields and call cmdUpdate_Click; message boxes go
// through the seam, and FocusTarget tells where the caret was sent.

#include "admin/ClsIPAddressEdit.h"
#include "admin/RecordDialog.h"

#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class UserList;

namespace usermsg {
inline const QString kIPAddress = QStringLiteral("ＩＰアドレスを入力して下さい");
inline const QString kUserID = QStringLiteral("職番を入力して下さい");
inline const QString kName = QStringLiteral("氏名を入力して下さい");
inline const QString kShozoku = QStringLiteral("所属名を入力して下さい");
inline const QString kTel = QStringLiteral("電話番号を入力して下さい");
inline const QString kNoMail = QStringLiteral("Ｅ－ｍａｉｌアドレスを入力して下さい");
inline const QString kBadMail = QStringLiteral("Ｅ－ｍａｉｌアドレスに誤りがあります。");
inline const QString kDuplicate = QStringLiteral("同じ職番が登録済みです");
}  // namespace usermsg

class FrmUser : public RecordDialog {
    Q_OBJECT
public:
    // The load step; listViewUser is the person list the saves change.
    FrmUser(UserList& listViewUser, QWidget* owner);
    ~FrmUser() override;

    // The save step; true when the row was written.
    bool cmdUpdate_Click() { return Save(); }
    // Shows or hides the two addresses with their labels by the mail switch.
    void CheckEMail_Click();

    // The e-mail address rules, on the address trimmed in place; false at the first that
    // fails.
    static bool CheckMailAddress(QString& address);

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
    ClsIPAddressEdit IPEdit;

protected:
    bool Save() override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void Load();

    UserList& listViewUser_;
};
