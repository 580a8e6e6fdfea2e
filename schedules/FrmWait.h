#pragma once
// "非監視スケジュールの管理": adds or changes one weekly no-check window of a computer
// (gSelAddress; gSelSubNo 0 = a new window). The constructor loads the window; a save
// writes TBL_NoCheck first and then patches the computer's "?" node in the tree and its
// ClsWaitTimes, so the next round honours the change. The dialog stays open after a save;
// the first save of a new window switches it to changing that window.

#include <QDialog>
#include <QString>

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TreeNodes;

namespace waitmsg {
inline const QString kDuplicate = QStringLiteral("同じサービスが登録済みです");
inline const QString kDeleted = QStringLiteral("既に削除されています");
inline const QString kWriteFailed = QStringLiteral("データベースに書き込めませんでした。");
}  // namespace waitmsg

class FrmWait : public QDialog {
    Q_OBJECT
public:
    FrmWait(TreeNodes& tree, QWidget* owner = nullptr);

    // The save; true when the row was written.
    bool cmdUpdate_Click();
    void cmdClose_Click() { reject(); }

    std::array<QLineEdit*, 4> txt_TimeWait{};
    std::array<QCheckBox*, 8> ChkDay{};  // 1 = Sunday .. 7 = Saturday; 0 unused
    QPushButton* cmdUpdate = nullptr;
    QPushButton* cmdClose = nullptr;
    QLabel* Lbl_Computer = nullptr;

private:
    void BuildLayout();
    void Load();
    QString DayMask() const;

    TreeNodes& tree_;
};
