#include "model/Database.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QStringList>
#include <QUrl>

#include <atomic>
#include <iterator>

namespace {
std::atomic<unsigned> gConnectionSerial{0};
}

Database::Database(QString connectionName) : name_(std::move(connectionName)) {
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
}

Database::Database(Database&& other) noexcept : name_(std::move(other.name_)), db_(std::move(other.db_)) {
    other.name_.clear();
    other.db_ = QSqlDatabase();
}

Database::~Database() {
    if (name_.isEmpty()) return;
    if (db_.isOpen()) db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
}

std::optional<Database> Database::Open(const QString& path, QString* error) {
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        if (error) *error = QStringLiteral("database file not found: %1").arg(path);
        return std::nullopt;
    }
    Database d(QStringLiteral("vantoro-db-%1").arg(++gConnectionSerial));
    // The URI form with mode=rw refuses to create a file that is missing.
    QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    d.db_.setDatabaseName(url.toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
    d.db_.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=2000"));
    if (!d.db_.open()) {
        if (error) *error = d.db_.lastError().text();
        return std::nullopt;
    }
    return d;
}

void Database::SetBusyTimeout(int ms) {
    QSqlQuery q(db_);
    q.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(ms));
}

std::optional<QSqlQuery> Database::Query(const QString& sql, std::initializer_list<QVariant> values,
                                         QString* error) {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
        if (error) *error = q.lastError().text();
        return std::nullopt;
    }
    for (const QVariant& v : values) q.addBindValue(v);
    if (!q.exec()) {
        if (error) *error = q.lastError().text();
        return std::nullopt;
    }
    return q;
}

bool Database::Execute(const QString& sql, std::initializer_list<QVariant> values, QString* error) {
    return Query(sql, values, error).has_value();
}

namespace {

// SQLite's primary result codes that tell what a failure means for the file.
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;

const char* const kMonitoringTables[] = {
    "TBL_Group",    "TBL_Computer", "TBL_PortCheck", "TBL_DLL",     "TBL_NoCheck", "TBL_CalenderNoCheck",
    "TBL_Calender", "TBL_User",     "TBL_MsgSend",   "TBL_Service", "TBL_Meisho",  "TBL_Control",
};

// The verdict a failed statement gives: a file that is no database or is damaged says
// so through SQLite's result code; anything else (a lock, no permission) says nothing
// about the file itself.
DatabaseVerdict FromError(const QSqlError& error) {
    const int code = error.nativeErrorCode().toInt();
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    if (code == kSqliteNotADatabase)
        return {DatabaseState::Foreign, QStringLiteral("SQLiteのデータベースファイルではありません")};
    if (code == kSqliteCorrupt) return {DatabaseState::Damaged, text.trimmed()};
    return {DatabaseState::Unreadable, text.trimmed()};
}

}  // namespace

DatabaseVerdict InspectDatabase(Database& database, bool checkIntegrity) {
    QSqlQuery q(database.db());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"))) return FromError(q.lastError());
    QStringList present;
    while (q.next()) present << q.value(0).toString();
    if (q.lastError().isValid()) return FromError(q.lastError());
    q.finish();

    QStringList missing;
    for (const char* table : kMonitoringTables)
        if (!present.contains(QLatin1String(table), Qt::CaseInsensitive)) missing << QLatin1String(table);
    if (missing.size() == int(std::size(kMonitoringTables)))
        return {DatabaseState::Foreign, QStringLiteral("監視用のテーブルがありません")};
    if (!missing.isEmpty())
        return {DatabaseState::Foreign,
                QStringLiteral("テーブル %1 がありません").arg(missing.join(QStringLiteral(", ")))};

    if (!checkIntegrity) return {};
    // A few findings are enough to tell the operator what is wrong.
    if (!q.exec(QStringLiteral("PRAGMA integrity_check(5)"))) return FromError(q.lastError());
    QStringList findings;
    while (q.next()) {
        // The heading SQLite puts before the findings of each attached file says nothing.
        const QString finding = q.value(0).toString();
        if (!finding.startsWith(QLatin1String("*** in database"))) findings << finding;
    }
    if (q.lastError().isValid()) return FromError(q.lastError());
    if (findings == QStringList{QStringLiteral("ok")}) return {};
    return {DatabaseState::Damaged, findings.join(QLatin1Char(' ')).simplified()};
}

DatabaseVerdict InspectDatabase(const QString& path, bool checkIntegrity) {
    if (path.isEmpty() || !QFileInfo(path).isFile()) return {DatabaseState::Missing, path};
    QString why;
    auto db = Database::Open(path, &why);
    if (!db) return {DatabaseState::Unreadable, why.trimmed()};
    return InspectDatabase(*db, checkIntegrity);
}

QString VerdictText(const DatabaseVerdict& verdict, const QString& path) {
    QString message;
    switch (verdict.state) {
        case DatabaseState::Sound:
            return {};
        case DatabaseState::Foreign:
            message = dbmsg::kForeign;
            break;
        case DatabaseState::Damaged:
            message = dbmsg::kDamaged;
            break;
        case DatabaseState::Missing:
        case DatabaseState::Unreadable:
            message = dbmsg::kUnreadable;
            break;
    }
    QString text = message + QLatin1Char('\n') + QDir::toNativeSeparators(path);
    if (!verdict.detail.isEmpty() && verdict.detail != path)
        text += QStringLiteral("\n（") + verdict.detail + QStringLiteral("）");
    return text;
}

QString ColumnText(const QVariant& value) {
    return value.isNull() ? QString() : value.toString();
}
