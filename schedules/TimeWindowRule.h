#pragma once
// The rule both no-check window dialogs apply to their four time boxes (start hour, start
// minute, end hour, end minute). A window may run past midnight: its end lies between the
// start and the start plus 24 hours less one minute, so ends from 2400 up to 4758 fall in
// the next day. The rule stops at the first failure and says which box to put right.

#include <QString>

#include <array>

class QHBoxLayout;
class QLineEdit;
class QWidget;

namespace waitmsg {
inline const QString kStartHour = QStringLiteral("開始時刻（時）は00時～23時の範囲で指定して下さい。");
inline const QString kStartMinute = QStringLiteral("開始時刻（分）は00分～59分の範囲で指定して下さい。");
inline const QString kEndMinute = QStringLiteral("終了時刻（分）は00分～59分の範囲で指定して下さい。");
inline const QString kOrder = QStringLiteral("開始時刻と終了時刻が前後しています。");
inline const QString kRange = QStringLiteral("終了時刻が許容範囲をこえています。");
}  // namespace waitmsg

struct TimeWindowVerdict {
    bool ok = false;
    QString message;    // the information box to show when not ok
    int focusBox = -1;  // the box that gets the focus when not ok
    qint16 start = 0;   // HHMM, when ok
    qint16 end = 0;     // HHMM, when ok
};

// Applies the rule to the four texts, rewriting them as the dialog shows them afterwards:
// an empty start box becomes "00", an empty end box takes the start's text, numbers get
// two digits, and a start box out of bounds is reset to its largest value. A text that is
// not a number (it can only be pasted) counts as out of bounds for its box; nothing is
// accepted from it.
TimeWindowVerdict ApplyTimeWindowRule(std::array<QString, 4>& texts);

// The latest end the start allows, as HHMM: the start plus 24 hours less one minute.
int TimeWindowLimit(int startHour, int startMinute);

// The dialogs' side of the rule: reads the boxes, writes the rewritten texts back, and on a
// failure shows the message (information icon) and focuses the box.
TimeWindowVerdict RunTimeWindowRule(const std::array<QLineEdit*, 4>& boxes);

// The time row both dialogs lay out as one sentence: "非監視時刻" [start hour] "時" [start
// minute] "分 ～" [end hour] "時" [end minute] "分の間は監視を行わない". The four boxes
// ("txt_TimeWait0".."3", "00" each) take at most two digits and use the shared edit-field
// helpers.
QHBoxLayout* MakeTimeWindowRow(QWidget* parent, std::array<QLineEdit*, 4>& boxes);
