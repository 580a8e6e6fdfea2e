#include "schedules/ClsCalendar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

#include <cmath>

namespace {

constexpr int W = ClsCalendar::kCellWidth;
constexpr int H = ClsCalendar::kCellHeight;
// The picture is 128 by 124 pixels with a one-pixel border; inside it the 126 by 122
// pixels hold exactly the seven columns and the eight rows of the grid. All coordinates
// of the grid (drawing and mouse) are counted from the inside's top left corner.
constexpr int kWidth = 128;
constexpr int kHeight = 124;
constexpr int kBorder = 1;

const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);

const QString kWeekdays[7] = {QStringLiteral("日"), QStringLiteral("月"), QStringLiteral("火"), QStringLiteral("水"),
                              QStringLiteral("木"), QStringLiteral("金"), QStringLiteral("土")};

int MouseButtonNumber(Qt::MouseButton b) {
    switch (b) {
    case Qt::RightButton: return ClsCalendar::kRightButton;
    case Qt::MiddleButton: return ClsCalendar::kMiddleButton;
    default: return ClsCalendar::kLeftButton;
    }
}

QRect TitleCellRect(int i) { return QRect(QPoint(i * W, 0), QPoint(i * W + W, H)); }
QRect WeekdayCellRect(int i) { return QRect(QPoint(i * W, H + 2), QPoint(i * W + W, 2 * H + 2)); }

// Writes text from the cell's top, centred by its advance.
void WriteCentred(QPainter& p, const QRect& cell, const QString& text) {
    const int h = (W - static_cast<int>(std::lround(p.fontMetrics().horizontalAdvance(text)))) / 2;
    p.drawText(QRect(cell.left() + h, cell.top(), W * 2, H + 2), Qt::AlignLeft | Qt::AlignTop, text);
}

}  // namespace

ClsCalendar::ClsCalendar(QWidget* parent) : QWidget(parent) {
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect ClsCalendar::DayCellRect(int cell) {
    const int r = cell / 7, c = cell % 7;
    return QRect(QPoint(c * W, (r + 2) * H + 2), QPoint(c * W + W, (r + 2) * H + 2 + H));
}

bool ClsCalendar::IsHoliday(int month, int day) {
    static const int kFixed[] = {101, 211, 320, 429, 503, 504, 505, 720, 915, 923, 1010, 1103, 1123, 1223};
    const int v = month * 100 + day;
    for (int h : kFixed)
        if (h == v) return true;
    return false;
}

int ClsCalendar::HitDayCell(double x, double y) const {
    const long px = std::lround(x), py = std::lround(y);
    // The grid is seven columns wide: a point right of it is on no day (it would otherwise
    // count as the first column of the next row).
    if (px < 0 || py < 0 || px >= 7 * W) return -1;
    const int cell = (static_cast<int>(py) / H - 2) * 7 + static_cast<int>(px) / W;
    return cell >= firstCell_ && cell <= lastCell_ ? cell : -1;
}

void ClsCalendar::MouseUp(double, double) {
    if (pressedCell_ < 0) return;
    framed_ = false;
    update();
}

void ClsCalendar::MouseDown(double x, double y) {
    pressedCell_ = HitDayCell(x, y);
    framed_ = pressedCell_ >= 0;
    update();
}

bool ClsCalendar::MouseMove(double x, double y) const { return HitDayCell(x, y) >= 0; }

void ClsCalendar::MouseMove2(double x, double y) {
    const int cell = HitDayCell(x, y);
    if (cell >= 0) {
        pressedCell_ = cell;
        framed_ = true;
    } else {
        framed_ = false;
    }
    update();
}

void ClsCalendar::Click(double x, double y, int button) {
    const int cell = HitDayCell(x, y);
    if (cell < 0) {
        currentDay_ = 0;
        return;
    }
    currentDay_ = cell - firstCell_ + 1;
    if (button == kRightButton && shori_) return;
    ClsDay& day = days_[static_cast<size_t>(currentDay_ - 1)];
    if (!shori_) {
        day.DayKbn = static_cast<qint16>(day.DayKbn + 1);
        if (day.DayKbn > 2) day.DayKbn = 0;
    } else {
        day.DaySkip = !day.DaySkip;
    }
    update();
}

QDate ClsCalendar::CurrentDate() const {
    return currentDay_ == 0 ? QDate() : QDate(year_, month_, currentDay_);
}

QString ClsCalendar::GetDate() const {
    if (currentDay_ == 0) return QStringLiteral("0");
    return QString::number(year_) + QLatin1Char('/') + QStringLiteral("%1").arg(month_, 2, 10, QLatin1Char('0')) +
           QLatin1Char('/') + QStringLiteral("%1").arg(currentDay_, 2, 10, QLatin1Char('0'));
}

void ClsCalendar::ShowCalendar(int year, int month, const QString& dayKinds) {
    Clear();
    if (month < 1 || month > 12) month = QDate::currentDate().month();
    year_ = year;
    month_ = month;
    const QDate first(year, month, 1);
    if (!first.isValid()) return;
    firstCell_ = first.dayOfWeek() % 7;  // Sunday = 0
    const int count = first.daysInMonth();
    lastCell_ = firstCell_ + count - 1;
    for (int d = 1; d <= count; ++d) {
        const int cell = firstCell_ + d - 1;
        ClsDay day;
        if (!dayKinds.isEmpty()) {
            const QChar c = d <= dayKinds.size() ? dayKinds.at(d - 1) : QChar();
            // A missing position or another character is a working day.
            if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) day.DayKbn = static_cast<qint16>(c.unicode() - '0');
        } else {
            if (cell % 7 == 0) day.DayKbn = 2;
            if ((cell + 1) % 7 == 0) day.DayKbn = 1;
            if (IsHoliday(month, d)) day.DayKbn = 2;
        }
        days_.push_back(day);
    }
}

void ClsCalendar::Clear() {
    days_.clear();
    // The day cells go with the days: a hit test must never name a day the list lacks.
    firstCell_ = 0;
    lastCell_ = -1;
    currentDay_ = 0;
    pressedCell_ = -1;
    framed_ = false;
    update();
}

ClsDay* ClsCalendar::Item(int day) {
    if (day < 1 || day > ListCount()) return nullptr;
    return &days_[static_cast<size_t>(day - 1)];
}

QString ClsCalendar::DayKinds() const {
    QString out;
    for (const ClsDay& d : days_) out += QChar(QLatin1Char('0').unicode() + (d.DayKbn >= 0 && d.DayKbn <= 9 ? d.DayKbn : 0));
    return out;
}

void ClsCalendar::GreenPit(int) { update(); }

QFont ClsCalendar::GridFont(bool bold) const {
    // The grid's metrics were laid out for a 10-point monospaced Japanese font; any such
    // font stands in for the first choice.
    QFont f;
    f.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"),
                   QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("monospace")});
    f.setStyleHint(QFont::Monospace);
    f.setPointSize(10);
    f.setBold(bold);
    return f;
}

QColor ClsCalendar::KindColour(int kind) const {
    switch (kind) {
    case 1: return kBlue;
    case 2: return kRed;
    default: return palette().color(QPalette::ButtonText);
    }
}

void ClsCalendar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.translate(kBorder, kBorder);
    p.setClipRect(QRect(0, 0, kWidth - 2 * kBorder, kHeight - 2 * kBorder));

    const QColor desktop = palette().color(QPalette::Highlight);
    p.fillRect(QRect(0, 0, kWidth, kHeight), Qt::white);
    p.fillRect(QRect(0, 0, 130, 15), desktop);

    if (month_ >= 1) {
        p.setFont(GridFont(true));
        p.setPen(Qt::white);
        const QString number = QString::number(month_);
        const int h = (W - static_cast<int>(std::lround(p.fontMetrics().horizontalAdvance(number)))) / 2;
        p.drawText(QRect(TitleCellRect(1).left() + h, 0, kWidth, H + 1), Qt::AlignLeft | Qt::AlignTop,
                   QString::number(year_) + QStringLiteral("年") +
                       QStringLiteral("%1").arg(month_, 2, 10, QLatin1Char('0')) + QStringLiteral("月"));
    }

    p.setFont(GridFont(false));
    p.setPen(desktop);
    for (int i = 0; i < 7; ++i) WriteCentred(p, WeekdayCellRect(i), kWeekdays[i]);
    p.drawLine(0, DayCellRect(0).top() - 2, 130, DayCellRect(0).top() - 2);

    for (int d = 1; d <= ListCount(); ++d) {
        const ClsDay& day = days_[static_cast<size_t>(d - 1)];
        const QRect cell = DayCellRect(firstCell_ + d - 1);
        if (day.DaySkip) {
            p.setPen(kGreen);
            WriteCentred(p, cell, QStringLiteral("●"));
        }
        p.setPen(KindColour(day.DayKbn));
        WriteCentred(p, cell, QString::number(d));
    }

    if (framed_ && pressedCell_ >= 0) {
        // A raised outer and a sunken inner edge: the day looks pressed into the grid.
        const QRect r = DayCellRect(pressedCell_).adjusted(0, 0, -1, -1);
        const QColor light = palette().color(QPalette::Light), dark = palette().color(QPalette::Dark);
        p.setPen(light);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(dark);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        const QRect in = r.adjusted(1, 1, -1, -1);
        p.setPen(dark);
        p.drawLine(in.topLeft(), in.topRight());
        p.drawLine(in.topLeft(), in.bottomLeft());
        p.setPen(light);
        p.drawLine(in.bottomLeft(), in.bottomRight());
        p.drawLine(in.topRight(), in.bottomRight());
    }
}

void ClsCalendar::mousePressEvent(QMouseEvent* event) {
    MouseDown(event->position().x() - kBorder, event->position().y() - kBorder);
}

void ClsCalendar::mouseReleaseEvent(QMouseEvent* event) {
    emit MouseUpAt(MouseButtonNumber(event->button()), event->position().x() - kBorder,
                   event->position().y() - kBorder);
}
