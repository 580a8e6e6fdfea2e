#include "model/ClsWaitTimes.h"

namespace {
bool maskHas(const QString& mask, int day) {  // day 1..7
    return day >= 1 && day <= mask.size() && mask.at(day - 1) == QLatin1Char('1');
}
int hhnnOf(const QTime& t) { return t.hour() * 100 + t.minute(); }

// True when the moment shows another date or time than the one remembered (or none was),
// and remembers it.
bool NewMoment(const QDateTime& moment, QDate& lastDate, QTime& lastTime) {
    const QDate date = moment.date();
    const QTime time = moment.time();
    if (lastDate.isValid() && date == lastDate && time == lastTime) return false;
    lastDate = date;
    lastTime = time;
    return true;
}
}  // namespace

ClsWaitTimes::Ptr ClsWaitTimes::Make(qint16 subNo, qint16 timeStart, qint16 timeEnd, const QString& timeDay) {
    auto e = std::make_shared<ClsWaitTime>();
    e->SubNo = subNo;
    e->TimeStart = timeStart;
    e->TimeEnd = timeEnd;
    e->TimeDay = timeDay;
    return e;
}

ClsWaitTimes::Ptr ClsWaitTimes::Add(qint16 subNo, qint16 timeStart, qint16 timeEnd, const QString& timeDay,
                                    const QString& key) {
    return Append(Make(subNo, timeStart, timeEnd, timeDay), key);
}

int ClsWaitTimes::GetItemNo(qint16 subNo) const {
    return FindFirst([subNo](const ClsWaitTime& w) { return w.SubNo == subNo; });
}

bool ClsWaitTimes::TimeCheck(const QDateTime& moment) {
    if (Count() == 0) return true;
    if (NewMoment(moment, lastDate_, lastTime_)) {
        hhnn_ = hhnnOf(lastTime_);
        weekday_ = lastDate_.dayOfWeek() % 7 + 1;  // Qt: Monday 1 .. Sunday 7
        prevWeekday_ = weekday_ == 1 ? 7 : weekday_ - 1;
    }
    for (const auto& w : *this) {
        if (maskHas(w->TimeDay, weekday_) && w->TimeStart <= hhnn_ && hhnn_ <= w->TimeEnd) return false;
        if (maskHas(w->TimeDay, prevWeekday_) && w->TimeEnd >= 2400 && hhnn_ <= w->TimeEnd - 2400) return false;
    }
    return true;
}

ClsWaitDayTimes::Ptr ClsWaitDayTimes::Add(const QDate& waitDate, qint16 timeStart, qint16 timeEnd,
                                          const QString& key) {
    auto e = std::make_shared<ClsWaitDayTime>();
    e->WaitDate = waitDate;
    e->TimeStart = timeStart;
    e->TimeEnd = timeEnd;
    return Append(std::move(e), key);
}

int ClsWaitDayTimes::GetItemNo(const QDate& waitDate) const {
    return FindFirst([&waitDate](const ClsWaitDayTime& w) { return w.WaitDate == waitDate; });
}

bool ClsWaitDayTimes::TimeCheck(const QDateTime& moment) {
    if (Count() == 0) return true;
    if (NewMoment(moment, lastDate_, lastTime_)) {
        hhnn_ = hhnnOf(lastTime_);
        day_ = lastDate_;
    }
    for (const auto& w : *this) {
        if (w->WaitDate == day_ && w->TimeStart <= hhnn_ && hhnn_ <= w->TimeEnd) return false;
        if (w->WaitDate.addDays(1) == day_ && w->TimeEnd >= 2400 && hhnn_ <= w->TimeEnd - 2400) return false;
    }
    return true;
}
