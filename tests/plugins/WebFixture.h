#pragma once
// What the web, FTP and database check tests share: no proxy on the way to loopback, a
// folder of pages, a test CA with a server certificate for 127.0.0.1 made by openssl, the
// web server's request log, a listener that never answers, and the installed ODBC drivers.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTcpServer>

namespace vtest {

// Loopback requests go straight to the test's servers, whatever proxy the machine names.
inline void NoProxies() {
    for (const char* v : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "all_proxy",
                          "ftp_proxy", "FTP_PROXY"})
        qunsetenv(v);
    qputenv("NO_PROXY", "*");
    qputenv("no_proxy", "*");
}

// The installed ODBC driver library of that file name ("libtdsodbc.so"), "" when none.
inline QString FindDriver(const QString& file) {
    QDirIterator it(QStringLiteral("/usr/lib"), {file}, QDir::Files, QDirIterator::Subdirectories);
    return it.hasNext() ? it.next() : QString();
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write(bytes) == bytes.size();
}

inline bool RunTool(const QString& program, const QStringList& args, const QString& dir) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished(2000);
        return false;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), p.readAll().constData());
        return false;
    }
    return true;
}

// dir/ca.pem (the test CA), dir/server.pem and dir/server.key (127.0.0.1 and localhost).
inline bool MakeTestCertificates(const QString& dir) {
    const QString openssl = QStringLiteral("openssl");
    const QStringList ec{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                         QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    if (!WriteFile(dir + QStringLiteral("/server.ext"),
                   "subjectAltName=IP:127.0.0.1,DNS:localhost\nbasicConstraints=CA:FALSE\n"
                   "extendedKeyUsage=serverAuth\n"))
        return false;
    return RunTool(openssl,
                   QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ec +
                       QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"), QStringLiteral("-out"),
                                   QStringLiteral("ca.pem"), QStringLiteral("-days"), QStringLiteral("2"),
                                   QStringLiteral("-subj"), QStringLiteral("/CN=Vantoro test CA"),
                                   QStringLiteral("-addext"), QStringLiteral("basicConstraints=critical,CA:TRUE"),
                                   QStringLiteral("-addext"), QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")},
                   dir) &&
           RunTool(openssl,
                   QStringList{QStringLiteral("req")} + ec +
                       QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"), QStringLiteral("-out"),
                                   QStringLiteral("server.csr"), QStringLiteral("-subj"),
                                   QStringLiteral("/CN=127.0.0.1")},
                   dir) &&
           RunTool(openssl,
                   {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), QStringLiteral("server.csr"),
                    QStringLiteral("-CA"), QStringLiteral("ca.pem"), QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                    QStringLiteral("-CAcreateserial"), QStringLiteral("-out"), QStringLiteral("server.pem"),
                    QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"), QStringLiteral("server.ext")},
                   dir);
}

// The requests the web server logged, oldest first.
inline QList<QJsonObject> LoggedRequests(const QString& logPath) {
    QList<QJsonObject> all;
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly)) return all;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (!line.trimmed().isEmpty()) all << QJsonDocument::fromJson(line).object();
    return all;
}

inline int RequestsFor(const QString& logPath, const QString& path) {
    int n = 0;
    for (const QJsonObject& r : LoggedRequests(logPath))
        if (r.value(QStringLiteral("path")).toString() == path) ++n;
    return n;
}

// A listener that takes connections (the kernel completes them) but never reads or writes;
// on a free port, or on the one given. Its connections close when it goes.
class SilentListener {
public:
    explicit SilentListener(quint16 port = 0) { server_.listen(QHostAddress::LocalHost, port); }
    quint16 port() const { return server_.serverPort(); }

private:
    QTcpServer server_;
};

}  // namespace vtest
