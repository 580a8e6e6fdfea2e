#pragma once
// A small routed test network made of network namespaces of this test's own, so probes
// can meet silent hosts, routers that answer with ICMP errors and hosts behind them
// without any traffic leaving the machine:
//
//   client 10.77.1.1 ── 10.77.1.2 router 10.77.2.1 ── 10.77.2.2 host
//
// The router answers for 10.77.5.0/24 with "host unreachable", for 10.77.6.0/24 with
// "administratively prohibited", for 10.77.7.0/24 (no route) with "network unreachable",
// and drops 10.77.3.0/24 silently. The client allows unprivileged ICMP datagram sockets.
// The test thread enters the client namespace with EnterClient (a scope guard), so
// sockets it opens meanwhile belong to the client. Everything is removed on destruction.
// The router allows only a few error answers per second to one sender (a burst of about
// six, then about one a second), so each test (or data row) makes its own network; unless
// asked to keep the kernel's default rate limits, "time exceeded" and the routing table's
// errors are taken out of that limit.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <utility>

namespace vtest {

// Runs program with args, bounded to 10 s; false when it fails, with what it said in
// *failure (when given).
inline bool RunCommand(const QString& program, const QStringList& args, QString* failure = nullptr) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(2000);
        }
        if (failure) {
            *failure = program + " " + args.join(' ') + ": " + QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
            if (p.error() != QProcess::UnknownError) *failure += " (" + p.errorString() + ")";
        }
        return false;
    }
    return true;
}

// Removes the network namespace ns, if there is one.
inline void RemoveNamespace(const QString& ns) {
    QProcess p;
    p.start("ip", {"netns", "del", ns});
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(2000);
    }
}

class TestNetwork {
public:
    static constexpr const char* kRouterNear = "10.77.1.2";
    static constexpr const char* kHost = "10.77.2.2";
    static constexpr const char* kSilent = "10.77.3.1";
    static constexpr const char* kHostUnreachable = "10.77.5.1";
    static constexpr const char* kProhibited = "10.77.6.1";
    static constexpr const char* kNetUnreachable = "10.77.7.1";

    explicit TestNetwork(bool defaultRateLimits = false) {
        const QString tag = QString::number(::getpid());
        client_ = "vtc" + tag;
        router_ = "vtr" + tag;
        host_ = "vth" + tag;
        Remove();
        const QList<QStringList> steps = {
            {"netns", "add", client_},
            {"netns", "add", router_},
            {"netns", "add", host_},
            {"-n", client_, "link", "add", "c0", "type", "veth", "peer", "name", "r0", "netns", router_},
            {"-n", router_, "link", "add", "r1", "type", "veth", "peer", "name", "h0", "netns", host_},
            {"-n", client_, "addr", "add", "10.77.1.1/24", "dev", "c0"},
            {"-n", router_, "addr", "add", "10.77.1.2/24", "dev", "r0"},
            {"-n", router_, "addr", "add", "10.77.2.1/24", "dev", "r1"},
            {"-n", host_, "addr", "add", "10.77.2.2/24", "dev", "h0"},
            {"-n", client_, "link", "set", "lo", "up"},
            {"-n", client_, "link", "set", "c0", "up"},
            {"-n", router_, "link", "set", "lo", "up"},
            {"-n", router_, "link", "set", "r0", "up"},
            {"-n", router_, "link", "set", "r1", "up"},
            {"-n", host_, "link", "set", "lo", "up"},
            {"-n", host_, "link", "set", "h0", "up"},
            {"-n", client_, "route", "add", "10.77.0.0/16", "via", "10.77.1.2"},
            {"-n", host_, "route", "add", "default", "via", "10.77.2.1"},
            {"-n", router_, "route", "add", "unreachable", "10.77.5.0/24"},
            {"-n", router_, "route", "add", "prohibit", "10.77.6.0/24"},
            {"-n", router_, "route", "add", "blackhole", "10.77.3.0/24"},
        };
        for (const QStringList& args : steps) {
            if (!Run("ip", args)) return;
        }
        QList<QStringList> sysctls = {
            {"netns", "exec", router_, "sysctl", "-qw", "net.ipv4.ip_forward=1"},
            {"netns", "exec", client_, "sysctl", "-qw", "net.ipv4.ping_group_range=0 2147483647"},
        };
        // Errors from the routing table share a small per-sender budget with the ICMP
        // rate limit; take them out of that limit so a fresh network answers every probe
        // of one test.
        if (!defaultRateLimits) sysctls.append({"netns", "exec", router_, "sysctl", "-qw", "net.ipv4.icmp_ratemask=0"});
        for (const QStringList& args : sysctls) {
            if (!Run("ip", args)) return;
        }
        ready_ = true;
    }
    ~TestNetwork() { Remove(); }
    TestNetwork(const TestNetwork&) = delete;
    TestNetwork& operator=(const TestNetwork&) = delete;

    bool Ready() const { return ready_; }
    // Why the network could not be made (for the skip message).
    QString Failure() const { return failure_; }
    QString Client() const { return client_; }
    QString Host() const { return host_; }
    QString Router() const { return router_; }

    // Runs a command inside one of this network's namespaces; false when it fails.
    bool RunIn(const QString& ns, const QStringList& command) {
        return Run("ip", QStringList {"netns", "exec", ns} + command);
    }

    // While alive, the calling thread is in the client namespace.
    class Inside {
    public:
        explicit Inside(const QString& ns) {
            original_ = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
            const int target = ::open(("/run/netns/" + ns).toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
            entered_ = original_ >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0;
            if (target >= 0) ::close(target);
        }
        ~Inside() {
            if (entered_) (void)::setns(original_, CLONE_NEWNET);
            if (original_ >= 0) ::close(original_);
        }
        Inside(const Inside&) = delete;
        Inside& operator=(const Inside&) = delete;
        bool Entered() const { return entered_; }

    private:
        int original_ = -1;
        bool entered_ = false;
    };
    Inside EnterClient() const { return Inside(client_); }

private:
    bool Run(const QString& program, const QStringList& args) { return RunCommand(program, args, &failure_); }
    void Remove() {
        for (const QString& ns : {client_, router_, host_}) RemoveNamespace(ns);
    }

    QString client_, router_, host_;
    QString failure_;
    bool ready_ = false;
};

}  // namespace vtest
