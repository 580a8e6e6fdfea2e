#include "plugins/common/OdbcSession.h"

#include <sql.h>
#include <sqlext.h>

#include <QByteArray>

#include <algorithm>
#include <iterator>

namespace plugin {

namespace {

bool succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

SQLPOINTER asPointer(SQLULEN v) { return reinterpret_cast<SQLPOINTER>(v); }

bool needsBraces(const QString& v) {
    if (v.isEmpty()) return false;
    if (v.front().isSpace() || v.back().isSpace()) return true;
    return v.contains(u';') || v.contains(u'{') || v.contains(u'}');
}

// Frees a statement handle on every path out of Execute.
class Statement {
public:
    explicit Statement(SQLHDBC dbc) {
        if (!succeeded(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &h_))) h_ = SQL_NULL_HSTMT;
    }
    ~Statement() {
        if (h_ != SQL_NULL_HSTMT) {
            SQLFreeStmt(h_, SQL_CLOSE);
            SQLFreeHandle(SQL_HANDLE_STMT, h_);
        }
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    SQLHSTMT get() const { return h_; }

private:
    SQLHSTMT h_ = SQL_NULL_HSTMT;
};

}  // namespace

QString ConnectionValue(const QString& value) {
    if (!needsBraces(value)) return value;
    QString inner = value;
    inner.replace(QStringLiteral("}"), QStringLiteral("}}"));
    return u'{' + inner + u'}';
}

QString ConnectionAttribute(const QString& key, const QString& value) {
    return key + u'=' + ConnectionValue(value);
}

OdbcSession::OdbcSession() {
    SQLHENV env = SQL_NULL_HENV;
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) return;
    env_ = env;
    if (!succeeded(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, asPointer(SQL_OV_ODBC3), 0))) return;
    SQLHDBC dbc = SQL_NULL_HDBC;
    if (succeeded(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc))) dbc_ = dbc;
}

OdbcSession::~OdbcSession() { close(); }

void OdbcSession::close() {
    if (dbc_) {
        if (connected_) SQLDisconnect(static_cast<SQLHDBC>(dbc_));
        SQLFreeHandle(SQL_HANDLE_DBC, static_cast<SQLHDBC>(dbc_));
        dbc_ = nullptr;
        connected_ = false;
    }
    if (env_) {
        SQLFreeHandle(SQL_HANDLE_ENV, static_cast<SQLHENV>(env_));
        env_ = nullptr;
    }
}

void OdbcSession::collect(short handleType, void* handle) {
    errors_.clear();
    if (!handle) return;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
        SQLINTEGER native = 0;
        SQLCHAR text[SQL_MAX_MESSAGE_LENGTH + 1] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN rc = SQLGetDiagRec(handleType, handle, record, state, &native, text,
                                           static_cast<SQLSMALLINT>(sizeof text), &length);
        if (!succeeded(rc)) break;
        DbError e;
        e.number = native;
        e.state = QString::fromLatin1(reinterpret_cast<const char*>(state));
        const int shown = std::clamp<int>(length, 0, static_cast<int>(sizeof text) - 1);
        e.description = QString::fromUtf8(reinterpret_cast<const char*>(text), shown);
        errors_.push_back(e);
    }
}

bool OdbcSession::Open(const QString& connectionString, int loginTimeoutSeconds) {
    errors_.clear();
    if (!dbc_ || connected_) return false;
    SQLHDBC dbc = static_cast<SQLHDBC>(dbc_);
    const SQLULEN timeout = static_cast<SQLULEN>(std::max(1, loginTimeoutSeconds));
    SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, asPointer(timeout), 0);
    QByteArray in = connectionString.toUtf8();
    SQLCHAR out[1024] = {};
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(in.data()),
                                          static_cast<SQLSMALLINT>(in.size()), out, static_cast<SQLSMALLINT>(sizeof out),
                                          &outLength, SQL_DRIVER_NOPROMPT);
    // Both strings hold the password; it does not stay in memory longer than needed.
    in.fill('\0');
    std::fill(std::begin(out), std::end(out), SQLCHAR{0});
    if (!succeeded(rc)) {
        collect(SQL_HANDLE_DBC, dbc);
        return false;
    }
    connected_ = true;
    return true;
}

bool OdbcSession::Execute(const QString& sql, int queryTimeoutSeconds) {
    errors_.clear();
    if (!connected_) return false;
    SQLHDBC dbc = static_cast<SQLHDBC>(dbc_);
    Statement stmt(dbc);
    if (stmt.get() == SQL_NULL_HSTMT) {
        collect(SQL_HANDLE_DBC, dbc);
        return false;
    }
    SQLHSTMT h = stmt.get();
    // Attributes a driver does not support leave its own defaults; that is no failure.
    SQLSetStmtAttr(h, SQL_ATTR_CURSOR_TYPE, asPointer(SQL_CURSOR_FORWARD_ONLY), 0);
    SQLSetStmtAttr(h, SQL_ATTR_CONCURRENCY, asPointer(SQL_CONCUR_READ_ONLY), 0);
    SQLSetStmtAttr(h, SQL_ATTR_QUERY_TIMEOUT, asPointer(static_cast<SQLULEN>(std::max(1, queryTimeoutSeconds))), 0);
    QByteArray text = sql.toUtf8();
    SQLRETURN rc = SQLExecDirect(h, reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
    if (!succeeded(rc) && rc != SQL_NO_DATA) {
        collect(SQL_HANDLE_STMT, h);
        return false;
    }
    // Opening a result positions it on its first row; an error found only then fails too.
    SQLSMALLINT columns = 0;
    if (succeeded(SQLNumResultCols(h, &columns)) && columns > 0) {
        rc = SQLFetch(h);
        if (!succeeded(rc) && rc != SQL_NO_DATA) {
            collect(SQL_HANDLE_STMT, h);
            return false;
        }
    }
    return true;
}

}  // namespace plugin
