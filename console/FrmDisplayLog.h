#pragma once
// The log viewer "ログ確認": the days that have a log file on the left, the events of the
// chosen day on the right, and an event in full on a double click. The main window loads
// it and shows it modally only when Load found something; tests construct it, call Load
// and drive its lists directly.

#include <QDialog>
#include <QString>
#include <QStringList>

class QTreeWidget;
class QTreeWidgetItem;

// One event line of a day file, split into its five fields: time, group, address,
// name, content. The first four commas separate fields and the rest of the line is the
// content, so a comma inside an event text stays in the content. A trailing CR is
// dropped; a line with fewer than five fields gives empty missing fields.
QStringList SplitLogLine(QString line);

class FrmDisplayLog : public QDialog {
    Q_OBJECT
public:
    explicit FrmDisplayLog(QWidget* parent = nullptr);

    // Fills the day list from the log folder and shows the first day. Returns false when
    // there is nothing to show: the folder is made if it was missing, the user is told
    // "ログ情報が存在しません" and the window must not be shown.
    bool Load();

    // Loads the day shown in the day list as dateText ("YYYY/MM/DD") into the event list.
    // A day without a file leaves the event list as it was.
    void ReadErrLog(const QString& dateText);

    QTreeWidget* LstFileName() const { return lstFileName_; }
    QTreeWidget* LstViewLog() const { return lstViewLog_; }

    // The header click of either list: reverses that list's order and sorts by column.
    void SortByColumn(QTreeWidget* list, int column);

private:
    struct SortState {
        bool sorted = false;
        int column = 0;
        Qt::SortOrder order = Qt::AscendingOrder;
    };

    void ReadFile(const QString& path);
    void ShowSelectedEvent();
    void ApplySort(QTreeWidget* list, const SortState& state);
    SortState& StateOf(QTreeWidget* list);

    QTreeWidget* lstFileName_ = nullptr;
    QTreeWidget* lstViewLog_ = nullptr;
    SortState fileSort_;
    SortState logSort_;
};
