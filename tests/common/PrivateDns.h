#pragma once
// Host-name look-ups against a name server of the test's own. The test program moves itself,
// before anything else runs, into a private mount and network namespace: its resolv.conf
// names 127.0.0.1, where tests/servers/slow_dns.py answers as slowly as the asked name
// says, and the only network is the namespace's own loopback, so no query leaves the
// machine. Names are "<any>.<127-0-0-5 | nx | silent>.<delay ms>.test"; a lookup cache
// remembers names, so each test asks names of its own.
//
// Use VANTORO_TEST_MAIN_PRIVATE_DNS in place of VANTORO_TEST_MAIN, start the server with
// PrivateDns::StartServer in initTestCase, and skip where Failure() is not empty.
// A GapMeter shows whether the event loop kept running during a call.

#include "ServerProcess.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <memory>

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vtest {

class PrivateDns {
public:
    // Seconds the system resolver waits for a silent server before it gives up.
    static constexpr int kResolverTimeoutS = 2;

    // Call first in main, before any thread or look-up exists.
    static void Enter() {
        QString& why = FailureText();
        if (::geteuid() != 0) {
            why = QStringLiteral("a private name server needs root (namespaces and mounts)");
            return;
        }
        if (::unshare(CLONE_NEWNS | CLONE_NEWNET) != 0) {
            why = QStringLiteral("unshare: ") + QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            why = QStringLiteral("private mounts: ") + QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        char dir[] = "/tmp/vantoro-dns-XXXXXX";
        if (!::mkdtemp(dir)) {
            why = QStringLiteral("mkdtemp failed");
            return;
        }
        const QString base = QString::fromLocal8Bit(dir);
        QByteArray nsswitch;
        {
            QFile system(QStringLiteral("/etc/nsswitch.conf"));
            if (system.open(QIODevice::ReadOnly))
                for (const QByteArray& line : system.readAll().split('\n'))
                    if (!line.trimmed().startsWith("hosts:")) nsswitch += line + '\n';
            nsswitch += "hosts: files dns\n";
        }
        const QByteArray resolv = "nameserver 127.0.0.1\noptions timeout:" + QByteArray::number(kResolverTimeoutS) +
                                  " attempts:1\n";
        const bool mounted = BindFile(base + "/resolv.conf", resolv, "/etc/resolv.conf", why) &&
                             BindFile(base + "/nsswitch.conf", nsswitch, "/etc/nsswitch.conf", why);
        ::rmdir(dir);
        if (!mounted) return;
        if (!LoopbackUp()) {
            why = QStringLiteral("loopback: ") + QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        why.clear();
        ready() = true;
    }

    static bool Ready() { return ready(); }
    // Why the private resolver could not be set up (for the skip message); empty when it is.
    static QString Failure() { return ready() ? QString() : FailureText(); }

    // The name server; reverse look-ups of 127.x.x.x are answered after ptrDelayMs.
    static std::unique_ptr<ServerProcess> StartServer(int ptrDelayMs = 0) {
        if (!ready()) return nullptr;
        auto server = std::make_unique<ServerProcess>(
            QStringLiteral("slow_dns.py"),
            QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("--ptr-delay"), QString::number(ptrDelayMs)});
        if (server->port() == 0) {
            FailureText() = QStringLiteral("the test name server did not start: ") + server->errors();
            ready() = false;
            return nullptr;
        }
        return server;
    }

private:
    static bool& ready() {
        static bool value = false;
        return value;
    }
    static QString& FailureText() {
        static QString text = QStringLiteral("PrivateDns::Enter was not called");
        return text;
    }
    static bool BindFile(const QString& path, const QByteArray& content, const char* over, QString& why) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
            why = QStringLiteral("cannot write ") + path;
            return false;
        }
        file.close();
        const bool ok = ::mount(path.toLocal8Bit().constData(), over, nullptr, MS_BIND, nullptr) == 0;
        if (!ok) why = QStringLiteral("bind over %1: %2").arg(QLatin1String(over), QString::fromLocal8Bit(std::strerror(errno)));
        // The mount keeps the file; the folder is gone with the test.
        QFile::remove(path);
        return ok;
    }
    static bool LoopbackUp() {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        ifreq req{};
        std::strncpy(req.ifr_name, "lo", IFNAMSIZ - 1);
        bool ok = ::ioctl(fd, SIOCGIFFLAGS, &req) == 0;
        if (ok) {
            req.ifr_flags |= IFF_UP;
            ok = ::ioctl(fd, SIOCSIFFLAGS, &req) == 0;
        }
        ::close(fd);
        return ok;
    }
};

// The longest time the event loop went without running a 10 ms timer, while alive.
class GapMeter {
public:
    GapMeter() {
        clock_.start();
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longest_ = qMax(longest_, clock_.restart());
        });
        timer_.start(10);
    }
    qint64 LongestGapMs() const { return qMax(longest_, clock_.elapsed()); }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

}  // namespace vtest

#define VANTORO_TEST_MAIN_PRIVATE_DNS(TestObject) VANTORO_TEST_MAIN_AFTER(vtest::PrivateDns::Enter(), TestObject)
