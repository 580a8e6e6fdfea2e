#pragma once
// One calendar month as a painted grid: a title row ("2002年05月"), a weekday row (Sunday
// first) and six rows of seven day cells, inside a one-pixel border. Mouse coordinates
// (pixels from the inside's top left corner) turn into days; a click cycles the day's kind (working, blue, red) in calendar management
// mode, or switches the day's dated no-check mark (a green "●") in computer mode. The
// grid keeps one ClsDay per day of the shown month and never touches the database.

#include <QDate>
#include <QString>
#include <QWidget>

#include <vector>

class ClsDay {
public:
    qint16 SkipTimeStart = 0;  // HHMM, the dated no-check window's start
    qint16 SkipTimeLast = 0;   // HHMM, its end (2400 and above run into the next day)
    qint16 DayKbn = 0;         // 0 working day, 1 drawn blue, 2 drawn red
    bool DaySkip = false;      // the day has a dated no-check window
};

class ClsCalendar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCellWidth = 18;
    static constexpr int kCellHeight = 15;
    // Mouse buttons as the handlers number them.
    static constexpr int kLeftButton = 1, kRightButton = 2, kMiddleButton = 4;

    explicit ClsCalendar(QWidget* parent = nullptr);

    // Erases the pressed frame (the pressed cell is remembered).
    void MouseUp(double x, double y);
    // Frames the day under the point as pressed; elsewhere nothing is pressed.
    void MouseDown(double x, double y);
    // True when the point lies on a day of the month.
    bool MouseMove(double x, double y) const;
    // Drag tracking: the frame follows the point over the month's days.
    void MouseMove2(double x, double y);
    // Marks the day under the point and makes it the current day (0 when off the month).
    // A right click in computer mode only sets the current day.
    void Click(double x, double y, int button);
    // The current day as "2002/05/07", "0" when none.
    QString GetDate() const;
    QDate CurrentDate() const;

    // Shows the month and rebuilds the day list. dayKinds holds one digit per day (day 1
    // first); when empty, Sundays and the fixed holidays are red and Saturdays blue. A
    // position that is missing or not a digit is a working day. A month outside 1..12 shows
    // the current month of the year.
    void ShowCalendar(int year, int month, const QString& dayKinds);
    int ListCount() const { return static_cast<int>(days_.size()); }
    // Empties the day list, and with it the month's cells: no point is on a day until the
    // next ShowCalendar.
    void Clear();
    // Day 1.. of the month; null outside.
    ClsDay* Item(int day);
    // The kinds of the days as one digit each, day 1 first (what ShowCalendar reads back).
    QString DayKinds() const;

    bool Shori() const { return shori_; }
    void SetShori(bool forComputer) { shori_ = forComputer; }
    // Repaints the day with its green mark (the editor sets DaySkip first).
    void GreenPit(int day);

    int Year() const { return year_; }
    int Month() const { return month_; }
    // The fixed holidays (the year does not matter).
    static bool IsHoliday(int month, int day);
    // Rectangle of day cell 0..41 (row × 7 + column, column 0 = Sunday).
    static QRect DayCellRect(int cell);
    int FirstDayCell() const { return firstCell_; }
    int LastDayCell() const { return lastCell_; }
    int PressedCell() const { return pressedCell_; }

signals:
    // A mouse button went up over the grid (button numbered as above; x and y counted
    // from the inside of the border, as the members above take them).
    void MouseUpAt(int button, double x, double y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Index of the day cell under the point, -1 when the point is not on a day.
    int HitDayCell(double x, double y) const;
    QFont GridFont(bool bold) const;
    QColor KindColour(int kind) const;

    bool shori_ = false;
    int year_ = 0;
    int month_ = 0;
    int currentDay_ = 0;
    int firstCell_ = 0;
    int lastCell_ = -1;
    int pressedCell_ = -1;
    bool framed_ = false;
    std::vector<ClsDay> days_;
};
