#pragma once
// The options dialog "オプション": four pages showing the twenty options. Apply checks
// the fields in a fixed order, writes the globals, saves them, prunes old logs, records
// the web-information switch in the control table and restarts the timer's pacing when
// the interval changed; it leaves the dialog open. Close and Cancel only close it. The
// volume slider follows the mixer's range and takes effect at once. Every field shows its
// option as held, also outside the field's range, and Apply refuses such a value just as
// a typed one, so nothing the operator did not change is written.
//
// Tests construct the dialog, call Load, fill its fields and call the handlers; the file
// choosers' dialogs are shown through a replaceable runner, so nothing blocks.

#include "admin/CommonDialog.h"

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSlider;
class QTabWidget;

namespace optionmsg {
inline const QString kNoDatabasePath = QStringLiteral("管理DBのフルパス名を指定して下さい。");
inline const QString kNoSoundPath = QStringLiteral("サウンドファイルのフルパス名を指定して下さい。");
inline const QString kNotNumber =
    QStringLiteral("ﾁｪｯｸ間隔、接続NG再ﾁｪｯｸ回数,ﾎﾟｰﾄ番号,ﾀｲﾑｱｳﾄ,ﾛｸﾞ消去期限は数字で入力して下さい。");
inline const QString kInterval = QStringLiteral("チェック間隔は１０～３６００の範囲で入力して下さい。");
inline const QString kNGRset = QStringLiteral("接続NG再ﾁｪｯｸ回数は１～９９９回の範囲で入力して下さい。");
inline const QString kPortTimeOut =
    QStringLiteral("サービスチェック時のタイムアウトは１～１０秒の範囲で入力して下さい。");
inline const QString kLogDelete = QStringLiteral("ログ消去期限は１～９９９日の範囲で入力して下さい。");
inline const QString kRequired = QStringLiteral("ユーザー名、ポート番号は必須です。必ず入力して下さい。");
inline const QString kPortRange = QStringLiteral("ポート番号は１～６５５３５の範囲で入力して下さい。");
inline const QString kNoSound = QStringLiteral("サウンドのテストが出来ません");
}  // namespace optionmsg

class FrmOption : public QDialog {
    Q_OBJECT
public:
    explicit FrmOption(QWidget* parent = nullptr);

    // Restarts the check timer's pacing (called by Apply when the interval changed).
    void SetResetPacing(std::function<void()> reset) { resetPacing_ = std::move(reset); }
    // How the two file choosers show their file dialog (exec() when none is set).
    void SetFileDialogRunner(ClsCommonDlg::Runner runner) { fileDialogRunner_ = std::move(runner); }

    // Fills the fields from the option globals and sets up the volume slider.
    void Load();
    // Apply: true when every check passed and the options were saved.
    bool cmdApply_Click();
    void cmdOK_Click() { reject(); }
    void cmdCancel_Click() { reject(); }
    void CmdDB_Click();
    void CmdSound_Click();
    void ComSoundTest_Click();
    void Cmd_PatLampTest_Click();

    // The field the last refused Apply pointed at (null when none).
    QWidget* FocusTarget() const { return focusTarget_; }
    bool MixerFound() const { return mixerFound_; }

    QTabWidget* SSTab1 = nullptr;
    QCheckBox* Check_FormTop = nullptr;
    QCheckBox* Check_PingCheck = nullptr;
    QCheckBox* Check_PopUp = nullptr;
    QCheckBox* Check_Web = nullptr;
    QCheckBox* Check_NoCheck = nullptr;
    QLineEdit* txtDBFilePath = nullptr;
    QPushButton* CmdDB = nullptr;
    QLineEdit* txtSoundFilePath = nullptr;
    QPushButton* CmdSound = nullptr;
    QCheckBox* Check_Sound = nullptr;
    QPushButton* ComSoundTest = nullptr;
    QCheckBox* Check_PatLamp = nullptr;
    QPushButton* Cmd_PatLampTest = nullptr;
    QSlider* SliderVolume = nullptr;
    QLineEdit* TxtEdBoxLog = nullptr;
    QLineEdit* TxtEdBoxInterval = nullptr;
    QLineEdit* TxtEdBoxNGRset = nullptr;
    QLineEdit* TxtEdBoxPortTimeOut = nullptr;
    QCheckBox* Check_SendMsg = nullptr;
    QLineEdit* txtLocalUserName = nullptr;
    QLineEdit* txtLocalPort = nullptr;
    QLineEdit* Txt_MailID = nullptr;
    QLineEdit* Txt_MailServer = nullptr;
    QLineEdit* Txt_POPServer = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void Build();
    bool Refuse(const QString& message, QWidget* focus);
    QString ChooseFile(const QString& title, const QString& filter, qint32 flags, const QString& initDir,
                       const QString& current);

    std::function<void()> resetPacing_;
    ClsCommonDlg::Runner fileDialogRunner_;
    QWidget* focusTarget_ = nullptr;
    bool mixerFound_ = false;
};
