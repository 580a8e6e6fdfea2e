#include "model/UserList.h"

#include "model/Database.h"

#include <QSqlRecord>
#include <QVariant>

#include <algorithm>

namespace {
bool Present(const QVariant& v) { return !v.isNull() && !v.toString().isEmpty(); }

QStringList Padded(QStringList columns) {
    while (columns.size() < UserRow::kColumns) columns << QString();
    return columns.mid(0, UserRow::kColumns);
}
}  // namespace

QStringList UserListCaptions() {
    return {QStringLiteral("職番"),     QStringLiteral("氏名"),     QStringLiteral("所属名"),
            QStringLiteral("連絡先"),   QStringLiteral("アドレス"), QStringLiteral("警報種別"),
            QStringLiteral("EMail")};
}

UserRow* UserList::Find(const QString& staff) const {
    for (const auto& row : rows_)
        if (row->Staff().compare(staff, Qt::CaseInsensitive) == 0) return row.get();
    return nullptr;
}

UserRow* UserList::Add(const QStringList& columns) {
    auto row = std::make_shared<UserRow>();
    row->columns_ = Padded(columns);
    rows_.push_back(row);
    if (resetDepth_ == 0) emit rowAdded(row.get());
    return row.get();
}

UserRow* UserList::Add(const QSqlRecord& r) {
    const bool bothMails = Present(r.value(QStringLiteral("メール1"))) && Present(r.value(QStringLiteral("メール2")));
    return Add({ColumnText(r.value(QStringLiteral("職番"))), ColumnText(r.value(QStringLiteral("氏名"))),
                ColumnText(r.value(QStringLiteral("所属名"))), ColumnText(r.value(QStringLiteral("連絡先"))),
                ColumnText(r.value(QStringLiteral("アドレス"))),
                ColumnText(r.value(QStringLiteral("警報種別"))) == QLatin1String("0")
                    ? QStringLiteral("ﾎﾟｯﾌﾟｱｯﾌﾟﾒｯｾｰｼﾞ")
                    : QStringLiteral("ﾒｯｾｰｼﾞ君"),
                bothMails ? QStringLiteral("○") : QString()});
}

void UserList::Update(UserRow* row, const QStringList& columnsFromSecond) {
    if (!row) return;
    row->columns_ = Padded(QStringList{row->Staff()} + columnsFromSecond);
    if (resetDepth_ == 0) emit rowChanged(row);
}

bool UserList::Remove(const QString& staff) {
    UserRow* row = Find(staff);
    if (!row) return false;
    if (resetDepth_ == 0) emit rowAboutToBeRemoved(row);
    const bool wasCurrent = current_ == row;
    if (wasCurrent) current_ = nullptr;
    rows_.erase(std::find_if(rows_.begin(), rows_.end(), [row](const auto& r) { return r.get() == row; }));
    if (wasCurrent && resetDepth_ == 0) emit currentChanged(nullptr);
    return true;
}

void UserList::Clear() {
    if (resetDepth_ == 0) emit aboutToReset();
    rows_.clear();
    current_ = nullptr;
    if (resetDepth_ == 0) emit resetDone();
}

void UserList::BeginReset() {
    if (resetDepth_++ > 0) return;
    emit aboutToReset();
    Clear();
}

void UserList::EndReset() {
    if (resetDepth_ == 0 || --resetDepth_ > 0) return;
    emit resetDone();
}

void UserList::SetCurrent(UserRow* row) {
    if (current_ == row) return;
    current_ = row;
    if (resetDepth_ == 0) emit currentChanged(row);
}
