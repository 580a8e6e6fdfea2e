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

// A column's value as text; a NULL is the empty text, whatever the column's type.
QString ColumnText(const QVariant& value);

// What a file at the database path holds, as far as the program may use it.
enum class DatabaseState {
    Sound,       // a monitoring database that passes SQLite's integrity check
    Missing,     // no file there
    Foreign,     // not an SQLite database, or one without the monitoring tables (an empty file too)
    Damaged,     // the monitoring tables are there, but the file fails the integrity check
    Unreadable,  // cannot be read now: no permission, held locked by another program, an I/O error
};

struct DatabaseVerdict {
    DatabaseState state = DatabaseState::Sound;
    QString detail;  // why it is not sound, for the operator; empty when sound
};

// Looks at the database on db's connection without writing anything: the tables first,
// then, when checkIntegrity, SQLite's integrity check of every page.
DatabaseVerdict InspectDatabase(Database& db, bool checkIntegrity = true);
// The same for the file at path, opened for the inspection only.
DatabaseVerdict InspectDatabase(const QString& path, bool checkIntegrity = true);

namespace dbmsg {
inline const QString kForeign =
    QStringLiteral("このファイルは監視対象のサーバー情報を保存しているＭＤＢファイルではありません。");
inline const QString kDamaged =
    QStringLiteral("管理DBが壊れています。前回のバックアップを上書きせず、最適化も行いません。");
inline const QString kUnreadable = QStringLiteral("管理DBを読み込めません。");
}  // namespace dbmsg

// What the operator is told about the database at path: the verdict's message, the
// path and the detail, one to a line; empty when the verdict is Sound.
QString VerdictText(const DatabaseVerdict& verdict, const QString& path);
