#include "TestSupport.h"

#include "model/Database.h"
#include "model/Globals.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QTemporaryDir>

#include <memory>

namespace vtest {

namespace {
std::unique_ptr<QTemporaryDir>& root() {
    static std::unique_ptr<QTemporaryDir> dir;
    return dir;
}
}  // namespace

void PrepareEnvironment() {
    root() = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/vantoro-test-XXXXXX"));
    const QString base = root()->path();
    QDir().mkpath(base + QStringLiteral("/home"));
    QDir().mkpath(base + QStringLiteral("/config"));
    qputenv("VANTORO_HOME", (base + QStringLiteral("/home")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (base + QStringLiteral("/config")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

QString HomeDir() { return qEnvironmentVariable("VANTORO_HOME"); }

QString FreshDatabase(const QString& path) {
    const QString target = path.isEmpty() ? HomeDir() + QStringLiteral("/Vantoro.MDB") : path;
    QFile::remove(target);
    if (!QFile::copy(QStringLiteral(VANTORO_EMPTY_DB), target)) qWarning() << "cannot copy the empty database";
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    gOptDatabasePath = target;
    return target;
}

bool Exec(const QString& dbPath, const QString& sql, std::initializer_list<QVariant> values) {
    QString error;
    auto db = Database::Open(dbPath, &error);
    if (!db) {
        qWarning() << "open failed:" << error;
        return false;
    }
    if (!db->Execute(sql, values, &error)) {
        qWarning() << "statement failed:" << sql << error;
        return false;
    }
    return true;
}

QVariant Scalar(const QString& dbPath, const QString& sql, std::initializer_list<QVariant> values) {
    auto db = Database::Open(dbPath);
    if (!db) return {};
    QVariant v;
    {
        auto q = db->Query(sql, values);
        if (q && q->next()) v = q->value(0);
    }
    return v;
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString RunningMark(const QString& dbPath) {
    return Scalar(dbPath, QStringLiteral("SELECT 処理 FROM TBL_Control WHERE 区分 = '稼動'")).toString();
}

int RecordingMessageBox::Show(const QString& prompt, int style, const QString& title) {
    shown.append({prompt, style, title});
    if (onShow) onShow();
    if (!answers.empty()) {
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    switch (style & 7) {
    case vb::vbYesNo:
    case vb::vbYesNoCancel: return (style & vb::vbDefaultButton2) ? vb::vbNo : vb::vbYes;
    case vb::vbOKCancel: return (style & vb::vbDefaultButton2) ? vb::vbCancel : vb::vbOK;
    default: return vb::vbOK;
    }
}

QStringList RecordingMessageBox::prompts() const {
    QStringList out;
    for (const ShownBox& b : shown) out << b.prompt;
    return out;
}

}  // namespace vtest
