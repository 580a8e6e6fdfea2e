#include "model/Database.h"

#include <QFileInfo>
#include <QSqlError>
#include <QUrl>

#include <atomic>

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
