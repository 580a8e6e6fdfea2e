#include "model/ClsPingDatas.h"

#include "model/Seams.h"

#include <algorithm>

ClsPingDatas::Ptr ClsPingDatas::MakeItem(const QString& ipAddress, const QString& computer, const QString& group,
                                         qint32 wrongCount, qint16 sound, qint32 timeout, bool noCheckGrp,
                                         bool noCheckSrv, bool noCheckPing, const QString& calendar) {
    auto d = std::make_shared<ClsPingData>();
    d->IPAddress = ipAddress;
    d->Computer = computer.toUpper();
    d->Group = group;
    d->WrongCount = wrongCount;
    d->Sound = sound;
    d->Timeout = timeout;
    d->NoCheckGrp = noCheckGrp;
    d->NoCheckSrv = noCheckSrv;
    d->NoCheckPing = noCheckPing;
    d->Calendar = calendar;
    d->NotIPAddress = false;
    d->NotConnectCount = 0;
    return d;
}

void ClsPingDatas::AddItem(Ptr item) {
    const QString address = item->IPAddress;
    items_.push_back(std::move(item));
    lastAdded_ = ListCount();
    if (!positions_.contains(address)) positions_.insert(address, lastAdded_);  // an earlier one stays first
}

void ClsPingDatas::AddItem(const QString& ipAddress, const QString& computer, const QString& group,
                           qint32 wrongCount, qint16 sound, qint32 timeout, bool noCheckGrp, bool noCheckSrv,
                           bool noCheckPing, const QString& calendar) {
    AddItem(MakeItem(ipAddress, computer, group, wrongCount, sound, timeout, noCheckGrp, noCheckSrv, noCheckPing,
                     calendar));
}

ClsPingDatas::Ptr ClsPingDatas::Item(qint32 index) const {
    const qint32 pos = index == 0 ? lastAdded_ : index;
    if (pos < 1 || pos > ListCount()) return nullptr;
    return items_[static_cast<size_t>(pos - 1)];
}

void ClsPingDatas::RemoveItem(qint32 index) {
    if (index < 1 || index > ListCount()) return;
    items_.erase(items_.begin() + (index - 1));
    reindex();  // every later position moved
    ++generation_;
}

void ClsPingDatas::RemoveGroupItem(const QString& group) {
    std::erase_if(items_, [&group](const Ptr& d) { return d->Group == group; });
    reindex();
    ++generation_;
}

void ClsPingDatas::GroupCheck(const QString& group, bool flag) {
    for (const Ptr& d : items_)
        if (d->Group == group) d->NoCheckGrp = flag;
}

void ClsPingDatas::Clear() {
    items_.clear();
    positions_.clear();
    ++generation_;
}

void ClsPingDatas::reindex() const {
    positions_.clear();
    positions_.reserve(static_cast<qsizetype>(items_.size()));
    // Walked from the end, so that of two computers with one address the first is kept.
    for (size_t i = items_.size(); i-- > 0;) positions_.insert(items_[i]->IPAddress, static_cast<qint32>(i) + 1);
}

qint32 ClsPingDatas::GetItemNo(const QString& address) const {
    const QString key = address.trimmed();
    if (key.startsWith(QLatin1String("0.")))
        MsgBox(QStringLiteral("1:ClsPingDatas.GetItemNo(") + address + QLatin1Char(')'), vb::vbOKOnly);
    if (items_.empty()) return 0;
    const auto found = [this, &key]() -> qint32 {
        const qint32 pos = positions_.value(key, 0);
        return pos >= 1 && pos <= ListCount() && items_[static_cast<size_t>(pos - 1)]->IPAddress == key ? pos : -1;
    };
    qint32 pos = found();
    if (pos < 0 && positions_.contains(key)) {
        reindex();
        pos = found();
    }
    if (pos > 0) return pos;
    MsgBox(QStringLiteral("2:ClsPingDatas.GetItemNo(") + address + QLatin1Char(')'), vb::vbOKOnly);
    return 0;
}

void ClsPingDatas::Sort() {
    if (items_.empty()) return;
    // Every computer answers with its four lists from here on, as callers expect.
    for (const Ptr& d : items_) {
        d->PortData();
        d->WaitTime();
        d->WaitDayTime();
        d->DllData();
    }
    // Plain text order of the addresses (UTF-16 code units, so the dot comes before the
    // digits and "10.0.0.10" before "10.0.0.2"). The sort is not stable, but the database
    // keeps addresses unique, so every list it can give sorts into this one order.
    std::sort(items_.begin(), items_.end(), [](const Ptr& a, const Ptr& b) { return a->IPAddress < b->IPAddress; });
    reindex();
    // Positions now name other computers: a caller walking by position must start again.
    ++generation_;
}
