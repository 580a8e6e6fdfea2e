#pragma once
// One database login and one statement through the ODBC driver manager (unixODBC), for the
// database checks. The environment, the connection and the statement are held for the life
// of one session and released in reverse order when it ends, whatever happened.
//
// Connection strings are built from attributes with ConnectionAttribute, so a value that
// holds ";", "{" or "}" (a password, say) stays one value and cannot add attributes of its
// own or end the string early.

#include <QString>

#include <vector>

namespace plugin {

struct DbError {
    long number = 0;       // the driver's native error number
    QString state;         // SQLSTATE
    QString description;   // the driver's (or the driver manager's) message text
};

// "key=value" for a connection string. The value goes in as it is when it needs no
// protection, else in braces with every "}" doubled, as ODBC reads a braced value.
QString ConnectionAttribute(const QString& key, const QString& value);
// The value alone, braced when it must be.
QString ConnectionValue(const QString& value);

class OdbcSession {
public:
    OdbcSession();
    ~OdbcSession();
    OdbcSession(const OdbcSession&) = delete;
    OdbcSession& operator=(const OdbcSession&) = delete;

    // Logs in without any prompt. loginTimeoutSeconds of 0 or less counts as 1: ODBC reads
    // 0 as "wait for ever".
    bool Open(const QString& connectionString, int loginTimeoutSeconds);
    // Runs sql on the open connection with a forward-only, read-only cursor, fetches the
    // first row when it returns rows, and closes the cursor. queryTimeoutSeconds bounds the
    // statement (0 or less counts as 1).
    bool Execute(const QString& sql, int queryTimeoutSeconds);

    // Whether the connection handle exists (the driver manager could be asked to log in).
    bool HasConnection() const { return dbc_ != nullptr; }
    // The errors of the last failed step, in the order the driver reported them.
    const std::vector<DbError>& Errors() const { return errors_; }

private:
    void collect(short handleType, void* handle);
    void close();

    void* env_ = nullptr;   // SQLHENV
    void* dbc_ = nullptr;   // SQLHDBC
    bool connected_ = false;
    std::vector<DbError> errors_;
};

}  // namespace plugin
