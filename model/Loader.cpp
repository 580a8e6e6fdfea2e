#include "model/Loader.h"

#include "model/Database.h"
#include "model/DllObjects.h"
#include "model/Encipherment.h"
#include "model/EventLog.h"
#include "model/Globals.h"
#include "model/TimeFormat.h"
#include "model/TreeNodes.h"
#include "model/UserList.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringBuilder>

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <vector>

namespace {

bool gLoading = false;

bool YesNo(const QVariant& v) { return v.toLongLong() != 0; }

// why gets the reason of the first statement that does not prepare.
std::optional<QSqlQuery> Prepare(QSqlDatabase& db, const QString& sql, QString& why) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
        if (why.isEmpty()) why = q.lastError().text().trimmed();
        return std::nullopt;
    }
    return q;
}

bool Run(QSqlQuery& q, std::initializer_list<QVariant> values = {}) {
    int i = 0;
    for (const QVariant& v : values) q.bindValue(i++, v);
    return q.exec();
}

// Column positions of a query by name, read once; false when one is missing (named in
// missing).
template <size_t N>
bool Columns(const QSqlQuery& q, const char* const (&names)[N], int (&out)[N], QString& missing) {
    const QSqlRecord rec = q.record();
    for (size_t i = 0; i < N; ++i) {
        out[i] = rec.indexOf(QString::fromUtf8(names[i]));
        if (out[i] < 0) {
            missing = QStringLiteral("no column %1 in the database").arg(QString::fromUtf8(names[i]));
            return false;
        }
    }
    return true;
}

// The reason a statement on table failed: its own error, or the one Prepare recorded.
QString Why(const std::optional<QSqlQuery>& q, const QString& prepareError, const QString& table) {
    const QString text = q ? q->lastError().text().trimmed() : prepareError;
    return text.isEmpty() ? QStringLiteral("a statement on %1 failed").arg(table) : text;
}

// An address as the database's key columns compare it (COLLATE NOCASE): with the 26
// ASCII capitals folded to small letters, nothing else.
QString NoCaseKey(const QString& address) {
    const auto capital = [](QChar c) { return c >= QLatin1Char('A') && c <= QLatin1Char('Z'); };
    if (std::none_of(address.begin(), address.end(), capital)) return address;
    QString key = address;
    for (QChar& c : key)
        if (capital(c)) c = QChar(c.unicode() + ('a' - 'A'));
    return key;
}

// One child table read whole in one statement, its rows grouped by the computer they
// belong to: a statement per computer and table cost a load of many computers most of
// its time. The statement's first column is the row's address and it is ordered by that
// first, so the rows of one computer come together, in the order the rest of its ORDER BY
// gives them; a computer finds its rows by its address in any letter case, as the
// statement "WHERE アドレス = ?" on that column would.
class ChildRows {
public:
    using Row = std::array<QVariant, 4>;

    bool Read(QSqlQuery& q) {
        const int columns = std::min<int>(q.record().count() - 1, static_cast<int>(Row().size()));
        QString last;
        while (q.next()) {
            QString key = NoCaseKey(ColumnText(q.value(0)));
            Row row;
            for (int c = 0; c < columns; ++c) row[static_cast<size_t>(c)] = q.value(c + 1);
            if (rows_.empty() || key != last) {
                at_.insert(key, {rows_.size(), 0});
                last = std::move(key);
            }
            rows_.push_back(std::move(row));
            ++at_[last].second;
        }
        q.finish();
        return q.lastError().type() == QSqlError::NoError;
    }

    std::span<const Row> Of(const QString& address) const {
        const auto it = at_.constFind(NoCaseKey(address));
        if (it == at_.constEnd()) return {};
        return std::span<const Row>(rows_).subspan(it->first, it->second);
    }

private:
    std::vector<Row> rows_;
    QHash<QString, std::pair<size_t, size_t>> at_;  // first row and count of each address
};

// The statement that reads a child table for ChildRows.
QString ChildRowsSql(const QString& table, const QString& columns, const QString& orderBy) {
    return QStringLiteral("SELECT アドレス, %2 FROM %1 ORDER BY アドレス COLLATE NOCASE, %3;").arg(table, columns, orderBy);
}

// How long the purge of old dated windows may wait for another program's lock: it is
// housekeeping and can wait for the next load.
constexpr int kPurgeBusyMs = 250;
constexpr int kBusyMs = 2000;

// Puts the two reset brackets and the target list's order right on every way out of the
// load, including a step that failed.
class LoadScope {
public:
    LoadScope(TreeNodes& tree, UserList& list) : tree_(tree), list_(list) {
        gLoading = true;
        tree_.BeginReset();
    }
    ~LoadScope() {
        gPingDatas.Sort();
        ShowList();
        ShowTree();
        gLoading = false;
    }
    LoadScope(const LoadScope&) = delete;
    LoadScope& operator=(const LoadScope&) = delete;

    void ResetList() {
        if (listReset_) return;
        list_.BeginReset();
        listReset_ = true;
    }
    void ShowList() {
        if (listReset_) list_.EndReset();
        listReset_ = false;
    }
    void ShowTree() {
        if (treeReset_) tree_.EndReset();
        treeReset_ = false;
    }

private:
    TreeNodes& tree_;
    UserList& list_;
    bool treeReset_ = true;
    bool listReset_ = false;
};

const QString kBracketOpen = QStringLiteral("　【");  // U+3000 before the bracket

}  // namespace

QString RecipientText(const QString& name, const QString& department) {
    return name + kBracketOpen + department + QStringLiteral("】");
}

QString FormatRowNumber(qint32 number) {
    // The loader writes one or two of these per computer, so the usual values skip arg()'s cost.
    if (number >= 0 && number < 1000) {
        const QChar digits[] = {QChar(u'0' + number / 100), QChar(u'0' + number / 10 % 10), QChar(u'0' + number % 10)};
        return QString(digits, 3);
    }
    const qint64 n = number;
    const QString digits = QStringLiteral("%1").arg(n < 0 ? -n : n, 3, 10, QLatin1Char('0'));
    return n < 0 ? QLatin1Char('-') + digits : digits;
}

bool LoadComputerTree(TreeNodes& treeComputer, UserList& listViewUser, const LoadContext& context,
                      QString* error) {
    QString why;
    const auto fail = [&](const QString& reason) {
        if (error) *error = reason;
        return false;
    };
    if (gLoading) return fail(QStringLiteral("a load is already running"));
    // Tree and target list always describe the same computers, so they are emptied
    // together (the tree by its reset bracket), before anything can fail.
    LoadScope scope(treeComputer, listViewUser);
    gPingDatas.Clear();

    auto db = Database::Open(gOptDatabasePath, &why);
    if (!db) return fail(why);
    // A file that holds no monitoring tables (an empty file, another program's data) is
    // called what it is, rather than by the first table it lacks.
    if (const DatabaseVerdict verdict = InspectDatabase(*db, false);
        verdict.state == DatabaseState::Foreign || verdict.state == DatabaseState::Damaged)
        return fail(VerdictText(verdict, gOptDatabasePath));
    QSqlDatabase& conn = db->db();
    const auto prepare = [&](const QString& sql) { return Prepare(conn, sql, why); };
    const bool all = gOptNoCheck;

    // Groups.
    {
        auto q = prepare(QStringLiteral("SELECT グループ, 表示名, 診断有無 FROM TBL_Group") +
                                   (all ? QString() : QStringLiteral(" WHERE 診断有無 <> 0")) +
                                   QStringLiteral(" ORDER BY グループ;"));
        if (!q || !Run(*q)) return fail(Why(q, why, QStringLiteral("TBL_Group")));
        int c[3];
        if (!Columns(*q, {"グループ", "表示名", "診断有無"}, c, why)) return fail(why);
        while (q->next()) {
            treeComputer.Add(QString(), tvwLast, QLatin1Char('!') + ColumnText(q->value(c[0])),
                             ColumnText(q->value(c[1])),
                             YesNo(q->value(c[2])) ? QStringLiteral("Group") : QStringLiteral("NoCheck"));
        }
    }

    QCoreApplication::processEvents();

    // Computers and everything under them; the child tables are read whole first.
    {
        auto computers = prepare(QStringLiteral("SELECT TBL_Computer.*, TBL_Group.診断有無 AS 診断有無G, "
                                 "TBL_Group.グループ AS グループG "
                                 "FROM TBL_Group INNER JOIN TBL_Computer ON TBL_Group.グループ = TBL_Computer.グループ") +
                      (all ? QString()
                           : QStringLiteral(" WHERE TBL_Group.診断有無 <> 0 AND TBL_Computer.診断有無 <> 0")) +
                      QStringLiteral(" ORDER BY TBL_Computer.グループ, TBL_Computer.コンピュータ名 COLLATE NOCASE;"));
        auto ports = prepare(ChildRowsSql(QStringLiteral("TBL_PortCheck"), QStringLiteral("ポート番号, サービス名"),
                                          QStringLiteral("ポート番号")));
        auto dlls = prepare(ChildRowsSql(QStringLiteral("TBL_DLL"), QStringLiteral("連番, DLL名, 引数"), QStringLiteral("連番")));
        auto waits = prepare(ChildRowsSql(QStringLiteral("TBL_NoCheck"), QStringLiteral("連番, 開始時刻, 終了時刻, 曜日"),
                                          QStringLiteral("開始時刻, 連番")));
        auto days = prepare(ChildRowsSql(QStringLiteral("TBL_CalenderNoCheck"), QStringLiteral("日付, 開始時刻, 終了時刻"),
                                         QStringLiteral("日付")));
        auto purge = prepare(QStringLiteral("DELETE FROM TBL_CalenderNoCheck WHERE アドレス = ? AND 日付 = ?;"));
        if (!computers || !Run(*computers)) return fail(Why(computers, why, QStringLiteral("TBL_Computer")));
        ChildRows portRows, dllRows, waitRows, dayRows;
        if (!ports || !Run(*ports) || !portRows.Read(*ports)) return fail(Why(ports, why, QStringLiteral("TBL_PortCheck")));
        if (!dlls || !Run(*dlls) || !dllRows.Read(*dlls)) return fail(Why(dlls, why, QStringLiteral("TBL_DLL")));
        if (!waits || !Run(*waits) || !waitRows.Read(*waits)) return fail(Why(waits, why, QStringLiteral("TBL_NoCheck")));
        if (!days || !Run(*days) || !dayRows.Read(*days))
            return fail(Why(days, why, QStringLiteral("TBL_CalenderNoCheck")));
        if (!purge) return fail(Why(purge, why, QStringLiteral("TBL_CalenderNoCheck")));
        int c[12];
        if (!Columns(*computers,
                     {"アドレス", "コンピュータ名", "種類", "表示名", "診断有無", "異常判断回数", "異常音再生",
                      "タイムアウト", "Ping有無", "カレンダー名称", "診断有無G", "グループG"},
                     c, why))
            return fail(why);
        // Set once the purge could not be done in this load.
        bool purgeSkipped = false;

        const QDate today = context.today.isValid() ? context.today : QDate::currentDate();
        const QDate cutoff(today.year() - 1, 1, 1);

        while (computers->next()) {
            const QString address = ColumnText(computers->value(c[0]));
            const bool ownSwitch = YesNo(computers->value(c[4]));
            const QString nodeKey = QLatin1Char('#') % address;
            // The group's own code, as its node was keyed, so a code written in another
            // letter case on the computer row still finds its group.
            const QString group = ColumnText(computers->value(c[11]));
            const QString text = ColumnText(computers->value(c[3])) % kBracketOpen %
                                 ColumnText(computers->value(c[1])) % QStringLiteral("：") %
                                 ColumnText(computers->value(c[2])) % QStringLiteral("】");
            const ClsPingDatas::Ptr entry = ClsPingDatas::MakeItem(
                address, ColumnText(computers->value(c[1])), group, computers->value(c[5]).toInt(),
                YesNo(computers->value(c[6])) ? qint16(-1) : qint16(0), computers->value(c[7]).toInt(),
                YesNo(computers->value(c[10])), ownSwitch, YesNo(computers->value(c[8])),
                ColumnText(computers->value(c[9])));
            if (!treeComputer.Add(QLatin1Char('!') % group, tvwChild, nodeKey, text,
                                  ownSwitch ? QStringLiteral("Nomal") : QStringLiteral("NoCheck"), entry))
                continue;  // no node, no model entry: the two stay alike
            gPingDatas.AddItem(entry);
            ClsPingData& item = *entry;

            for (const ChildRows::Row& row : portRows.Of(address)) {
                const qint32 port = row[0].toInt();
                const QString service = ColumnText(row[1]);
                const auto entry = ClsPortDatas::Make(port, service);
                if (treeComputer.Add(nodeKey, tvwChild, QLatin1Char('$') % address % QLatin1Char('@') % QString::number(port),
                                     service % QStringLiteral("  【") % QString::number(port) % QStringLiteral("】"),
                                     QStringLiteral("SStart"), entry))
                    item.PortData().AddElement(entry);
            }

            for (const ChildRows::Row& row : dllRows.Of(address)) {
                const QString dllName = ColumnText(row[1]);
                const QString title = GetDllTitle(dllName);
                if (title.isEmpty()) continue;  // that plug-in was not loaded: the row stays, unused
                const auto subNo = static_cast<qint16>(row[0].toInt());
                const auto entry = ClsDllDatas::Make(
                    subNo, dllName, Encipherment(QString::fromLatin1(kParameterKey), ColumnText(row[2])));
                if (treeComputer.Add(nodeKey, tvwChild, QLatin1Char('%') % address % QLatin1Char('@') % FormatRowNumber(subNo),
                                     title % FormatRowNumber(subNo), QStringLiteral("SStart"), entry))
                    item.DllData().AddElement(entry);
            }

            for (const ChildRows::Row& row : waitRows.Of(address)) {
                const auto subNo = static_cast<qint16>(row[0].toInt());
                const auto start = static_cast<qint16>(row[1].toInt());
                const auto end = static_cast<qint16>(row[2].toInt());
                const QString mask = ColumnText(row[3]);
                const auto entry = ClsWaitTimes::Make(subNo, start, end, mask);
                if (treeComputer.Add(nodeKey, tvwChild, QLatin1Char('?') % address % QLatin1Char('@') % FormatRowNumber(subNo),
                                     FormatWaitTimeText(start, end, mask), QStringLiteral("Wait"), entry))
                    item.WaitTime().AddElement(entry);
            }

            std::vector<QVariant> old;
            bool kept = false;
            for (const ChildRows::Row& row : dayRows.Of(address)) {
                const QVariant& stored = row[0];
                const QDate date = QDate::fromString(ColumnText(stored).left(10), Qt::ISODate);
                if (!date.isValid()) continue;  // not a day at all: neither used nor purged
                if (date < cutoff) {
                    old.push_back(stored);
                    continue;
                }
                item.WaitDayTime().Add(date, static_cast<qint16>(row[1].toInt()), static_cast<qint16>(row[2].toInt()));
                kept = true;
            }
            // The rows were read before the computers: none is removed under an open cursor.
            // The purge is housekeeping: when it cannot be done (another program holds
            // the database, say), it is left for the next load and the load goes on.
            if (!old.empty() && !purgeSkipped) {
                db->SetBusyTimeout(kPurgeBusyMs);
                for (const QVariant& stored : old) {
                    if (Run(*purge, {address, stored})) continue;
                    purgeSkipped = true;
                    WriteErrLog(group, address, ColumnText(computers->value(c[1])),
                                QStringLiteral("古い非稼動カレンダーの削除を次回の読み込みに延期しました: ") +
                                    Why(purge, why, QStringLiteral("TBL_CalenderNoCheck")).simplified());
                    break;
                }
                db->SetBusyTimeout(kBusyMs);
            }
            if (kept)
                treeComputer.Add(nodeKey, tvwChild, QLatin1Char('=') % address % QStringLiteral("@非稼動カレンダー"),
                                 QStringLiteral("非稼動カレンダー"), QStringLiteral("Calendar"));
        }
    }

    // Recipients. One whose group or computer has no node (switched off, or an orphan
    // row) is skipped. The group's own code (from TBL_Group, when there is one) keys the
    // node, as it keyed the group's node.
    {
        auto q = prepare(QStringLiteral("SELECT TBL_MsgSend.グループ AS グループ, TBL_MsgSend.アドレス AS アドレス, "
                           "TBL_MsgSend.職番 AS 職番, TBL_User.氏名 AS 氏名, TBL_User.所属名 AS 所属名, "
                           "TBL_Group.グループ AS グループG"
                           " FROM (TBL_MsgSend INNER JOIN TBL_User ON TBL_MsgSend.職番 = TBL_User.職番)") +
                (all ? QStringLiteral(" LEFT JOIN TBL_Group ON TBL_MsgSend.グループ = TBL_Group.グループ")
                     : QStringLiteral(" INNER JOIN TBL_Group ON TBL_MsgSend.グループ = TBL_Group.グループ"
                                      " WHERE TBL_Group.診断有無 <> 0")) +
                QStringLiteral(" ORDER BY TBL_MsgSend.グループ, TBL_MsgSend.アドレス, TBL_MsgSend.職番;"));
        if (!q || !Run(*q)) return fail(Why(q, why, QStringLiteral("TBL_MsgSend")));
        int c[6];
        if (!Columns(*q, {"グループ", "アドレス", "職番", "氏名", "所属名", "グループG"}, c, why)) return fail(why);
        while (q->next()) {
            const QString staff = ColumnText(q->value(c[2]));
            const QString text = RecipientText(ColumnText(q->value(c[3])), ColumnText(q->value(c[4])));
            if (q->value(c[1]).isNull()) {
                const QString group = q->value(c[5]).isNull() ? ColumnText(q->value(c[0])) : ColumnText(q->value(c[5]));
                treeComputer.Add(QLatin1Char('!') + group, tvwChild, QLatin1Char('*') + group + QLatin1Char('@') + staff,
                                 text, QStringLiteral("User"));
            } else {
                const QString address = ColumnText(q->value(c[1]));
                treeComputer.Add(QLatin1Char('#') + address, tvwChild,
                                 QLatin1Char('\\') + address + QLatin1Char('@') + staff, text, QStringLiteral("User"));
            }
        }
    }

    // Persons.
    {
        auto q = prepare(QStringLiteral("SELECT * FROM TBL_User ORDER BY 職番;"));
        if (!q || !Run(*q)) return fail(Why(q, why, QStringLiteral("TBL_User")));
        int c[1];
        if (!Columns(*q, {"職番"}, c, why)) return fail(why);
        scope.ResetList();
        while (q->next()) listViewUser.Add(q->record());
        if (listViewUser.Count() > 0) listViewUser.SetCurrent(listViewUser.Rows().front().get());
    }

    scope.ShowList();
    db.reset();
    QCoreApplication::processEvents();
    scope.ShowTree();
    return true;
}
