#include "model/ClsPingDatas.h"

#include "model/Seams.h"

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
    items_.push_back(std::move(item));
    lastAdded_ = ListCount();
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
    ++generation_;
}

void ClsPingDatas::RemoveGroupItem(const QString& group) {
    for (qint32 i = ListCount(); i >= 1; --i)
        if (items_[static_cast<size_t>(i - 1)]->Group == group) items_.erase(items_.begin() + (i - 1));
    ++generation_;
}

void ClsPingDatas::GroupCheck(const QString& group, bool flag) {
    for (const Ptr& d : items_)
        if (d->Group == group) d->NoCheckGrp = flag;
}

void ClsPingDatas::Clear() {
    items_.clear();
    ++generation_;
}

qint32 ClsPingDatas::GetItemNo(const QString& address) const {
    const QString key = address.trimmed();
    if (key.startsWith(QLatin1String("0.")))
        MsgBox(QStringLiteral("1:ClsPingDatas.GetItemNo(") + address + QLatin1Char(')'), vb::vbOKOnly);
    if (items_.empty()) return 0;
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->IPAddress == key) return static_cast<qint32>(i) + 1;
    MsgBox(QStringLiteral("2:ClsPingDatas.GetItemNo(") + address + QLatin1Char(')'), vb::vbOKOnly);
    return 0;
}

namespace {

// Quicksort on the address text with the middle element as pivot, over the 1-based range
// lo..hi of items (items[0] is position 1).
void quickSort(std::vector<ClsPingDatas::Ptr>& items, int lo, int hi) {
    if (lo >= hi) return;
    auto at = [&items](int pos) -> ClsPingDatas::Ptr& { return items[static_cast<size_t>(pos - 1)]; };
    const QString pivot = at((lo + hi) / 2)->IPAddress;
    int i = lo, j = hi;
    for (;;) {
        while (at(i)->IPAddress < pivot) ++i;
        while (at(j)->IPAddress > pivot) --j;
        if (i >= j) break;
        std::swap(at(i), at(j));
        ++i;
        --j;
    }
    if (lo < i - 1) quickSort(items, lo, i - 1);
    if (hi > j + 1) quickSort(items, j + 1, hi);
}

}  // namespace

void ClsPingDatas::Sort() {
    if (items_.empty()) return;
    // Every computer answers with its four lists from here on, as callers expect.
    for (const Ptr& d : items_) {
        d->PortData();
        d->WaitTime();
        d->WaitDayTime();
        d->DllData();
    }
    quickSort(items_, 1, ListCount());
    // Positions now name other computers: a caller walking by position must start again.
    ++generation_;
}
