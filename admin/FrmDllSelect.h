#pragma once
// The plug-in picker: assigns a check plug-in to the computer gSelAddress. It lists the
// plug-in objects of gDllObjects (機能名 = Title, ﾌｧｲﾙ名, ﾊﾞｰｼﾞｮﾝ = Version; a plug-in that
// cannot tell one of them shows an empty text), lets the chosen plug-in show its settings
// window for a new assignment (Proc "I"), and when the operator confirms there numbers the
// assignment (gSelSubNo), stores it in TBL_DLL with the parameter string scrambled, then
// adds its node under the computer's node and the plain assignment to the computer in
// gPingDatas. It stays open for further assignments and is kept on top once a plug-in
// window was shown.

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QTreeWidget;
class TreeNodes;

class FrmDllSelect : public QDialog {
    Q_OBJECT
public:
    // The load step.
    FrmDllSelect(TreeNodes& tree, QWidget* owner);

    // Returns true when an assignment was stored.
    bool CmdSelect_Click();
    // Sorts by the column (0 機能名, 1 ﾌｧｲﾙ名, 2 ﾊﾞｰｼﾞｮﾝ), the direction flipping on every click.
    void ListViewDll_ColumnClick(int column);
    bool SortAscending() const { return ascending_; }
    bool TopMost() const;

    QTreeWidget* ListViewDll = nullptr;
    QPushButton* CmdSelect = nullptr;
    QPushButton* CmdClose = nullptr;
    QLabel* Lbl_Computer = nullptr;

private:
    void SetTopMost(bool onTop);

    TreeNodes& tree_;
    bool ascending_ = true;
    bool topMost_ = false;
};
