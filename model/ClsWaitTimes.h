#pragma once
// A computer's no-check windows: weekly (a time span on chosen weekdays) and dated (a time
// span on one day). Times are HHMM; an end from 2400 runs into the next day. Both bounds
// are included, to the minute: 0900-1730 covers 09:00:00 through 17:30:59.

#include "model/KeyedList.h"
#include "model/TreeNodes.h"

#include <QDate>
#include <QDateTime>
#include <QString>

// A weekly window is also its node of the monitoring tree (a "?" key, image "Wait").
class ClsWaitTime : public TreeNode {
public:
    qint16 SubNo = 0;
    qint16 TimeStart = 0;
    qint16 TimeEnd = 0;
    QString TimeDay;  // weekday mask, Sunday first; "1" = the window starts on that day
};

class ClsWaitTimes : public KeyedList<ClsWaitTime> {
public:
    // A new entry, in no list and no tree yet.
    static Ptr Make(qint16 subNo, qint16 timeStart, qint16 timeEnd, const QString& timeDay);
    Ptr Add(qint16 subNo, qint16 timeStart, qint16 timeEnd, const QString& timeDay,
            const QString& key = QString());
    int GetItemNo(qint16 subNo) const;
    // True when the moment lies in none of the windows (checking may go ahead).
    bool TimeCheck(const QDateTime& moment);

private:
    // What was derived from the last moment asked about; recomputed only when it changes.
    // The moment is remembered as the date and time it shows, not as an instant: the same
    // instant given in another time zone falls on another hour or day.
    QDate lastDate_;
    QTime lastTime_;
    int hhnn_ = 0;
    int weekday_ = 0;      // 1 = Sunday .. 7 = Saturday
    int prevWeekday_ = 0;  // the day before
};

class ClsWaitDayTime {
public:
    QDate WaitDate;
    qint16 TimeStart = 0;
    qint16 TimeEnd = 0;
};

class ClsWaitDayTimes : public KeyedList<ClsWaitDayTime> {
public:
    Ptr Add(const QDate& waitDate, qint16 timeStart, qint16 timeEnd, const QString& key = QString());
    int GetItemNo(const QDate& waitDate) const;
    bool TimeCheck(const QDateTime& moment);

private:
    QDate lastDate_;
    QTime lastTime_;
    int hhnn_ = 0;
    QDate day_;
};
