#pragma once
// A real SMTP server for tests: python3-aiosmtpd (tests/servers/smtp_sink.py) on 127.0.0.1
// with an ephemeral port, writing each mail it takes as mail-<n>.json (decoded by Python's
// own email package) into a folder of its own.

#include "ServerProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

namespace vtest {

class SmtpSink {
public:
    // quitMode: "" a well-behaved server; "refuse" answers every QUIT with 500; "close"
    // closes the connection right after the 250 that takes a mail.
    bool Start(const QString& quitMode = QString()) {
        if (!dir_.isValid()) return false;
        QStringList args{dir_.path()};
        if (!quitMode.isEmpty()) args << QStringLiteral("--quit") << quitMode;
        server_ = std::make_unique<ServerProcess>(QStringLiteral("smtp_sink.py"), args);
        return server_->port() > 0;
    }
    int Port() const { return server_ ? server_->port() : 0; }

    // The n-th mail the sink took (1-based), waiting a little for its file.
    QJsonObject Mail(int n) {
        const QString path = dir_.filePath(QStringLiteral("mail-%1.json").arg(n));
        QElapsedTimer t;
        t.start();
        while (!QFile::exists(path) && t.elapsed() < 5000) QTest::qWait(20);
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QJsonDocument::fromJson(f.readAll()).object();
    }
    int MailCount() const {
        return static_cast<int>(QDir(dir_.path()).entryList({QStringLiteral("mail-*.json")}).size());
    }
    // Every mail taken so far, oldest first; clears the sink.
    QList<QJsonObject> Take() {
        QList<QJsonObject> mails;
        QDir dir(dir_.path());
        QStringList files = dir.entryList({QStringLiteral("mail-*.json")});
        std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
            return a.mid(5).section(QLatin1Char('.'), 0, 0).toInt() < b.mid(5).section(QLatin1Char('.'), 0, 0).toInt();
        });
        for (const QString& name : files) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::ReadOnly)) mails << QJsonDocument::fromJson(f.readAll()).object();
            f.remove();
        }
        return mails;
    }

private:
    QTemporaryDir dir_;
    std::unique_ptr<ServerProcess> server_;
};

}  // namespace vtest
