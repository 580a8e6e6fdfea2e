#pragma once
// The calendar editor: the twelve months of one year side by side, in one of two modes
// chosen by gSelForComputer when the constructor loads it.
// - Calendar management (False, "カレンダーの管理"): named calendars (TBL_Calender, one row
//   per name and year, one day-kind digit per day). A click cycles a day's kind; save and
//   delete work on the name in the name box.
// - Computer (True): the dated no-check days of gSelAddress (TBL_CalenderNoCheck). A click
//   marks a day and asks for its time window (FrmCalenderWait); a click on a marked day
//   removes it. The computer's ClsWaitDayTimes and its "=" node in the tree follow, so the
//   next round honours the change. The named calendar gSelCalendar only colours the days.
//
// The day-window dialog is shown through a replaceable runner, so tests never block.

#include <QDialog>
#include <QString>

#include <array>
#include <functional>

class ClsCalendar;
class FrmCalenderWait;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class TreeNodes;

namespace calendarmsg {
inline const QString kNoName = QStringLiteral("カレンダー名が指定されていません。。");
inline const QString kNoYear = QStringLiteral("西暦は1年～9999年の範囲で指定して下さい。");
inline const QString kDefaultName = QStringLiteral("本社カレンダー");
inline const QString kNodeText = QStringLiteral("非稼動カレンダー");
}  // namespace calendarmsg

class FrmCalendar : public QDialog {
    Q_OBJECT
public:
    using Runner = std::function<void(QDialog&)>;

    FrmCalendar(TreeNodes& tree, QWidget* owner = nullptr);
    ~FrmCalendar() override;

    // How the day-window dialog is shown modally (default: exec()).
    void SetDialogRunner(Runner runner) { runner_ = std::move(runner); }

    // Reloads all twelve months for the name and year in the boxes.
    void LoadCalendarMonth();
    // Management mode only; true when the name's year was written. An empty year box
    // writes nothing and takes the focus.
    bool cmdUpdate_Click();
    void cmdDelete_Click();
    void cmdClose_Click() { reject(); }
    // The grid's button-up: marks the day and, in computer mode, stores or removes its
    // dated window. button: 1 left, 2 right, 4 middle.
    void picCalendar_MouseUp(int index, int button, double x, double y);
    void VScroll_Change(int value);

    // The key of the computer's calendar node.
    static QString CalendarNodeKey(const QString& address);

    QComboBox* CmbName = nullptr;
    QLineEdit* txtYear = nullptr;
    QScrollBar* VScroll = nullptr;
    std::array<ClsCalendar*, 13> picCalendar{};  // 1..12
    QLabel* LblTime = nullptr;
    QLabel* Lbl_Computer = nullptr;
    QLabel* lblComputerCaption = nullptr;
    QPushButton* cmdUpdate = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdClose = nullptr;

private:
    void BuildLayout();
    void Load();
    // The year box as a number, 0 when empty or not a year; typed, it need not be the
    // year the months show.
    int BoxYear() const;
    // True when the year box names a year; else says so and gives the box the focus.
    bool YearUsable();
    void MarkDay(ClsCalendar& grid, double x, double y, int button);
    void UnmarkDay(ClsCalendar& grid, double x, double y, int button);

    TreeNodes& tree_;
    bool forComputer_ = false;
    bool loaded_ = false;
    Runner runner_;
    FrmCalenderWait* wait_ = nullptr;
};
