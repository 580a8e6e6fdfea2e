#include "model/ClsPingDatas.h"

#include "model/Seams.h"

void ClsPingDatas::AddItem(const QString& ipAddress, const QString& computer, const QString& group,
                           qint32 wrongCount, qint16 sound, qint32 timeout, bool noCheckGrp, bool noCheckSrv,
                           bool noCheckPing, const QString& calendar) {
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
    items_.push_back(std::move(d));
    lastAdded_ = ListCount();
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

// One computer's contents while the list is being sorted.
struct Row {
    QString IPAddress, Computer, Group;
    qint32 WrongCount;
    qint16 Sound;
    qint32 Timeout;
    bool NoCheckGrp, NoCheckSrv, NotIPAddress;
    qint32 NotConnectCount;
    bool NoCheckPing;
    QString Calendar;
    std::shared_ptr<ClsPortDatas> PortData;
    std::shared_ptr<ClsWaitTimes> WaitTime;
    std::shared_ptr<ClsDllDatas> DllData;
    std::shared_ptr<ClsWaitDayTimes> WaitDayTime;
};

// Quicksort on the address text with the middle element as pivot; rows[0] is unused so
// positions match the list's 1-based ones.
void quickSort(std::vector<Row>& rows, int lo, int hi) {
    if (lo >= hi) return;
    const QString pivot = rows[static_cast<size_t>((lo + hi) / 2)].IPAddress;
    int i = lo, j = hi;
    for (;;) {
        while (rows[static_cast<size_t>(i)].IPAddress < pivot) ++i;
        while (rows[static_cast<size_t>(j)].IPAddress > pivot) --j;
        if (i >= j) break;
        std::swap(rows[static_cast<size_t>(i)], rows[static_cast<size_t>(j)]);
        ++i;
        --j;
    }
    if (lo < i - 1) quickSort(rows, lo, i - 1);
    if (hi > j + 1) quickSort(rows, j + 1, hi);
}

}  // namespace

void ClsPingDatas::Sort() {
    if (items_.empty()) return;
    std::vector<Row> rows(items_.size() + 1);
    for (size_t k = 0; k < items_.size(); ++k) {
        ClsPingData& d = *items_[k];
        rows[k + 1] = Row{d.IPAddress,   d.Computer,     d.Group,           d.WrongCount,   d.Sound,
                          d.Timeout,     d.NoCheckGrp,   d.NoCheckSrv,      d.NotIPAddress, d.NotConnectCount,
                          d.NoCheckPing, d.Calendar,     d.PortDataRef(),   d.WaitTimeRef(), d.DllDataRef(),
                          d.WaitDayTimeRef()};
    }
    quickSort(rows, 1, static_cast<int>(items_.size()));
    for (size_t k = 0; k < items_.size(); ++k) {
        ClsPingData& d = *items_[k];
        Row& r = rows[k + 1];
        d.IPAddress = r.IPAddress;
        d.Computer = r.Computer;
        d.Group = r.Group;
        d.WrongCount = r.WrongCount;
        d.Sound = r.Sound;
        d.Timeout = r.Timeout;
        d.NoCheckGrp = r.NoCheckGrp;
        d.NoCheckSrv = r.NoCheckSrv;
        d.NotIPAddress = r.NotIPAddress;
        d.NotConnectCount = r.NotConnectCount;
        d.NoCheckPing = r.NoCheckPing;
        d.Calendar = r.Calendar;
        d.SetPortData(r.PortData);
        d.SetWaitTime(r.WaitTime);
        d.SetDllData(r.DllData);
        d.SetWaitDayTime(r.WaitDayTime);
    }
    ++generation_;
}
