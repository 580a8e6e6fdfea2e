#pragma once
// A test server script from tests/servers/, run with Debian's Python on 127.0.0.1: started
// by the test, its port read from the "PORT <n>" line it prints (waiting a bounded time),
// and stopped when the object goes.

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace vtest {

class ServerProcess {
public:
    ServerProcess(const QString& script, const QStringList& args) {
        process_.setProgram(QStringLiteral(VANTORO_PYTHON));
        process_.setArguments(QStringList{QStringLiteral("-u"),
                                          QStringLiteral(VANTORO_SOURCE_DIR "/tests/servers/") + script} +
                              args);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start();
        if (!process_.waitForStarted(5000)) return;
        QDeadlineTimer deadline(10000);
        QByteArray out;
        while (!deadline.hasExpired() && process_.state() == QProcess::Running) {
            if (!process_.canReadLine() && !process_.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
                continue;
            while (process_.canReadLine()) {
                const QByteArray line = process_.readLine().trimmed();
                if (line.startsWith("PORT ")) {
                    port_ = static_cast<quint16>(line.mid(5).toUInt());
                    return;
                }
            }
        }
    }
    ~ServerProcess() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(2000)) {
                process_.kill();
                process_.waitForFinished(2000);
            }
        }
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // 0 when the server did not come up.
    quint16 port() const { return port_; }
    QString errors() { return QString::fromUtf8(process_.readAllStandardError()); }

private:
    QProcess process_;
    quint16 port_ = 0;
};

}  // namespace vtest
