#pragma once
// The plug-in test bench's one window: it lists the check plug-ins found beside the
// program (title, file, version and the description of their parameter string) and opens
// the chosen plug-in's own settings window over a typed parameter string, showing the
// string the plug-in hands back. It never runs a check and keeps nothing: no database,
// no files, no settings, no timers.

#include "plugins/host/ClassFactory.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class FrmCheckbench final : public QWidget {
    Q_OBJECT
public:
    // The plug-ins are looked for in folder; by default the folder of the executable.
    explicit FrmCheckbench(const QString& folder = QString(), QWidget* parent = nullptr);
    ~FrmCheckbench() override;

    // Finds and creates the plug-ins and fills the list (again, when called again): one
    // row per plug-in, in file-name order, the first row selected and its parameter
    // description put in the parameter box. A file whose plug-in object cannot be created
    // gives no row and no message; a title, version or description that cannot be read is
    // shown empty.
    void Load();

    // Where the window's message boxes go (prompt, style, title; the answer is returned).
    // Unset, a real message box is shown.
    using MessageBoxFn = std::function<int(const QString& prompt, int style, const QString& title)>;
    void SetMessageBox(MessageBoxFn fn) { messageBox_ = std::move(fn); }

    // The event handlers, public so a test can run them as the controls do.
    void ListViewDll_Click(QTreeWidgetItem* item);
    void ListViewDll_ColumnClick(int column);
    void CmdSelect_Click();

private:
    int ShowMessage(const QString& prompt, int style);

    QString folder_;
    QTreeWidget* ListViewDll = nullptr;
    QLineEdit* TxtParm = nullptr;
    QPushButton* CmdSelect = nullptr;
    // The plug-in table: one live object per plug-in file, kept until the window ends, so
    // what a plug-in remembers carries over from one try to the next.
    std::vector<plugin::FoundPlugin> dlls_;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    MessageBoxFn messageBox_;
};
