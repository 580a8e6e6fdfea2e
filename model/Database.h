#pragma once
// One open of the monitoring database, for one operation: the file is opened read-write
// and never created (a missing file is an error), and closed when the object goes away.
// Values always travel as bound parameters, never inside the SQL text.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <initializer_list>
#include <optional>

class Database {
public:
    // Opens path; on failure returns nullopt and, when error is given, says why.
    static std::optional<Database> Open(const QString& path, QString* error = nullptr);

    Database(Database&& other) noexcept;
    Database& operator=(Database&&) = delete;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database();

    QSqlDatabase& db() { return db_; }

    // How long a statement waits for another connection's lock before it fails (2000 ms
    // after Open).
    void SetBusyTimeout(int ms);

    // A prepared query on this connection with the values bound in order (positional "?").
    // Returns nullopt when the statement does not prepare or execute; error says why.
    std::optional<QSqlQuery> Query(const QString& sql, std::initializer_list<QVariant> values = {},
                                   QString* error = nullptr);
    // Executes a statement that returns no rows; false when it fails.
    bool Execute(const QString& sql, std::initializer_list<QVariant> values = {},
                 QString* error = nullptr);

private:
    explicit Database(QString connectionName);
    QString name_;
    QSqlDatabase db_;
};
