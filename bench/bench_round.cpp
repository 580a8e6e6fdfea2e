// Check rounds in the real main window, shown, against a plain echo loop of our own.
//
//   build/bench/bench_round [--runs N] [case...]      (root, or ICMP sockets allowed)
//
// Cases (default: all, each in a fresh process of its own):
//   a1000, a20000  N answering loopback targets (127.0.x.y): wall and CPU time per
//                  computer, the longest event-loop stall, and the plain echo loop
//   p1000          the same with one open loopback port per computer
//   b              300 computers in network namespaces made here (root needed, skipped
//                  otherwise): 100 silent (1000 ms time-out), 50 answering after 5 ms,
//                  50 after 50 ms, 100 at once; the round against the waits paid one
//                  after another and, where it is installed, fping over the same list
//   u              the same 300, 16 of them spread over the list unreachable: the way to
//                  them answers "host unreachable", at the kernel's default ICMP limits;
//                  also how many the round found unreachable
// Every figure is the median of the runs (default 5) with its min and max. The stall is
// the longest gap between the ticks of a 10 ms timer beyond its 10 ms during the round:
// how much later than on an idle window a click would be answered.
#include "BenchSupport.h"
#include "TestNetns.h"

#include "model/ClsPingDatas.h"
#include "model/Database.h"
#include "model/Globals.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryFile>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <map>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// ---- the plain echo loop: one socket, one echo at a time, nothing of the project ----

struct EchoHeader {
    quint8 type, code;
    quint16 checksum, id, sequence;  // network byte order
};
constexpr quint8 kEchoReply = 0;
constexpr quint8 kEchoRequest = 8;

quint16 Checksum(const unsigned char* data, size_t size) {
    quint32 sum = 0;
    for (size_t i = 0; i + 1 < size; i += 2) sum += quint32(data[i]) << 8 | data[i + 1];
    if (size % 2) sum += quint32(data[size - 1]) << 8;
    while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
    return htons(quint16(~sum));
}

class EchoLoop {
public:
    EchoLoop() {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (fd_ < 0) {
            fd_ = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
            raw_ = true;
        }
        identifier_ = quint16(::getpid());
    }
    ~EchoLoop() {
        if (fd_ >= 0) ::close(fd_);
    }
    EchoLoop(const EchoLoop&) = delete;
    EchoLoop& operator=(const EchoLoop&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    const char* Kind() const { return raw_ ? "raw" : "datagram"; }

    // Round trip to target (host byte order) in milliseconds, or -1 when no reply from it
    // came within timeoutMs.
    double Echo(quint32 target, int timeoutMs) {
        unsigned char packet[sizeof(EchoHeader) + 1] = {};
        auto* header = reinterpret_cast<EchoHeader*>(packet);
        header->type = kEchoRequest;
        header->id = htons(identifier_);
        header->sequence = htons(++sequence_);
        packet[sizeof(EchoHeader)] = 'a';
        header->checksum = Checksum(packet, sizeof packet);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(target);
        const Clock::time_point start = Clock::now();
        if (::sendto(fd_, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0) return -1;
        const Clock::time_point deadline = start + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left < 0) return -1;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, int(left) + 1) <= 0) continue;
            unsigned char reply[1500];
            sockaddr_in from{};
            socklen_t fromSize = sizeof from;
            const ssize_t n = ::recvfrom(fd_, reply, sizeof reply, 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
            if (n <= 0) continue;
            size_t offset = raw_ ? size_t(reply[0] & 0x0f) * 4 : 0;
            if (size_t(n) < offset + sizeof(EchoHeader)) continue;
            const auto* answer = reinterpret_cast<const EchoHeader*>(reply + offset);
            // The datagram socket's kernel puts its own identifier in and checks it.
            if (answer->type != kEchoReply || ntohs(answer->sequence) != sequence_ ||
                (raw_ && ntohs(answer->id) != identifier_) || ntohl(from.sin_addr.s_addr) != target)
                continue;
            return MsSince(start);
        }
    }

private:
    int fd_ = -1;
    bool raw_ = false;
    quint16 identifier_ = 0;
    quint16 sequence_ = 0;
};

// ---- databases ----

quint32 Ip(const QString& text) { return QHostAddress(text).toIPv4Address(); }

QString LoopbackAddress(int i) { return QStringLiteral("127.0.%1.%2").arg(i / 250).arg(i % 250 + 1); }

// One group of computers at addresses, each with an echo time-out of 1000 ms, a failure
// after three unanswered echoes and, with port non-zero, one port check.
bool FillDatabase(const QStringList& addresses, quint16 port) {
    const QString db = vtest::FreshDatabase();
    auto d = Database::Open(db);
    if (!d) return false;
    if (!d->Execute(QStringLiteral("INSERT INTO TBL_Group (グループ,表示名,診断有無) VALUES ('G','G',-1)"))) return false;
    d->db().transaction();
    for (int i = 0; i < addresses.size(); ++i) {
        d->Execute(QStringLiteral("INSERT INTO TBL_Computer (アドレス,グループ,コンピュータ名,種類,表示名,診断有無,"
                                  "異常判断回数,異常音再生,タイムアウト,Ping有無) VALUES (?,'G',?,'x',?,-1,3,0,1000,-1)"),
                   {addresses[i], QStringLiteral("pc%1").arg(i), QStringLiteral("PC %1").arg(i)});
        if (port)
            d->Execute(QStringLiteral("INSERT INTO TBL_PortCheck (アドレス,ポート番号,サービス名) VALUES (?,?,'svc')"),
                       {addresses[i], port});
    }
    return d->db().commit();
}

int NotNormal() {
    int n = 0;
    for (qint32 i = 1; i <= gPingDatas.ListCount(); ++i)
        if (gPingDatas.Item(i)->Image() != QLatin1String("Nomal")) ++n;
    return n;
}

struct RoundFigures {
    bench::Runs wallMs, cpuMs, stallMs;
};

// Runs rounds in the shown window, pauseMs apart; false when the window did not start.
bool MeasureRounds(int runs, RoundFigures& figures, int pauseMs = 0) {
    bench::MainWindow window(true);
    if (!window.Started()) {
        std::fprintf(stderr, "the main window did not start: %s\n", qPrintable(window.Boxes().join(QLatin1String("; "))));
        return false;
    }
    for (int r = 0; r < runs; ++r) {
        if (r > 0 && pauseMs > 0) QTest::qWait(pauseMs);
        bench::Settle();
        bench::StallMeter stall;
        const double cpu = bench::ProcessCpuSeconds();
        const Clock::time_point start = Clock::now();
        window.Round();
        figures.wallMs.Add(MsSince(start));
        figures.cpuMs.Add((bench::ProcessCpuSeconds() - cpu) * 1000);
        figures.stallMs.Add(stall.StallMs());
    }
    return true;
}

// ---- case a: answering loopback targets ----

int CaseLoopback(int n, int runs, bool withPort) {
    QTcpServer server;
    if (withPort) {
        server.listen(QHostAddress::Any, 0);  // every 127.0.x.y reaches it
        // Each connection is taken and closed at once, so the accept queue never fills.
        QObject::connect(&server, &QTcpServer::newConnection, &server, [&server] {
            while (QTcpSocket* s = server.nextPendingConnection()) s->deleteLater();
        });
    }
    QStringList addresses;
    for (int i = 0; i < n; ++i) addresses << LoopbackAddress(i);
    if (!FillDatabase(addresses, withPort ? server.serverPort() : 0)) return 1;
    RoundFigures f;
    if (!MeasureRounds(runs, f)) return 1;
    const int failing = NotNormal();

    EchoLoop loop;
    bench::Runs echoUs;
    int lost = 0;
    for (int r = 0; r < runs; ++r) {
        const Clock::time_point start = Clock::now();
        for (const QString& a : addresses) lost += loop.Echo(Ip(a), 1000) < 0;
        echoUs.Add(MsSince(start) * 1000 / n);
    }
    std::printf("%-7s %6d  %-24s %-24s %-22s %-20s\n", withPort ? "p" : "a", n,
                qPrintable(f.wallMs.Scaled(1000.0 / n).Text(1)), qPrintable(f.cpuMs.Scaled(1000.0 / n).Text(1)),
                qPrintable(f.stallMs.Text(1)), qPrintable(echoUs.Text(1)));
    if (failing) std::printf("        warning: %d computers not normal after the rounds\n", failing);
    if (lost) std::printf("        warning: %d echoes of the plain loop got no reply\n", lost);
    return 0;
}

// ---- case b: silent and slow computers in network namespaces ----

// What a host of the test network does with an echo: -1 never answers, else answers after
// so many milliseconds. By the last number: 0, 1 at once; 2 after 5 ms; 3 after 50 ms;
// 4, 5 silent: a third silent, a sixth slow, a sixth slower, a third at once.
// In case u every host whose last number ends in 7 of 20 (x.7, x.27, ...) cannot be
// reached: its way answers "host unreachable".
bool Unreachable(quint32 address) { return (address & 0xff) % 20 == 7; }

int HostDelayMs(quint32 address) {
    switch ((address & 0xff) % 6) {
    case 0:
    case 1: return 0;
    case 2: return 5;
    case 3: return 50;
    default: return -1;
    }
}

constexpr int kTestHosts = 300;

// Hosts 10.78.1.1-150 and 10.78.2.1-150: the mix of HostDelayMs.
QStringList TestHostAddresses() {
    QStringList list;
    for (int i = 0; i < kTestHosts; ++i) list << QStringLiteral("10.78.%1.%2").arg(i / 150 + 1).arg(i % 150 + 1);
    return list;
}

// client 10.78.0.1 ── 10.78.0.2 hosts (10.78.1.0/24 and 10.78.2.0/24 are local there).
// The hosts' kernel answers no echo; the test responder tests/servers/delayed_echo.py,
// run inside the hosts' namespace, answers as HostDelayMs says, from the address asked.
class TestNetwork {
public:
    explicit TestNetwork(bool unreachable) {
        const QString tag = QString::number(::getpid());
        client_ = QStringLiteral("vbc") + tag;
        hosts_ = QStringLiteral("vbh") + tag;
        Remove();
        const QList<QStringList> steps = {
            {"netns", "add", client_},
            {"netns", "add", hosts_},
            {"-n", client_, "link", "add", "c0", "type", "veth", "peer", "name", "h0", "netns", hosts_},
            {"-n", client_, "addr", "add", "10.78.0.1/24", "dev", "c0"},
            {"-n", hosts_, "addr", "add", "10.78.0.2/24", "dev", "h0"},
            {"-n", client_, "link", "set", "lo", "up"},
            {"-n", client_, "link", "set", "c0", "up"},
            {"-n", hosts_, "link", "set", "lo", "up"},
            {"-n", hosts_, "link", "set", "h0", "up"},
            {"-n", hosts_, "route", "add", "local", "10.78.1.0/24", "dev", "lo"},
            {"-n", hosts_, "route", "add", "local", "10.78.2.0/24", "dev", "lo"},
            {"-n", client_, "route", "add", "10.78.1.0/24", "via", "10.78.0.2"},
            {"-n", client_, "route", "add", "10.78.2.0/24", "via", "10.78.0.2"},
            {"netns", "exec", hosts_, "sysctl", "-qw", "net.ipv4.icmp_echo_ignore_all=1"},
        };
        for (const QStringList& args : steps)
            if (!vtest::RunCommand(QStringLiteral("ip"), args, &failure_)) return;
        if (unreachable) {
            // The hosts' side routes, so it answers for what it cannot reach.
            if (!vtest::RunCommand(QStringLiteral("ip"), {"netns", "exec", hosts_, "sysctl", "-qw", "net.ipv4.ip_forward=1"},
                                   &failure_))
                return;
            for (const QString& address : TestHostAddresses())
                if (Unreachable(Ip(address)) &&
                    !vtest::RunCommand(QStringLiteral("ip"), {"-n", hosts_, "route", "add", "unreachable", address + "/32",
                                                              "table", "local"},
                                       &failure_))
                    return;
        }
        // The test responder answers every address HostDelayMs gives a delay, after it.
        QStringList answer = {QStringLiteral("netns"), QStringLiteral("exec"), hosts_, QStringLiteral(VANTORO_PYTHON),
                              QStringLiteral(VANTORO_SOURCE_DIR "/tests/servers/delayed_echo.py"), QStringLiteral("none")};
        for (const QString& address : TestHostAddresses())
            if (const int delay = HostDelayMs(Ip(address)); delay >= 0)
                answer << address + QLatin1Char('=') + QString::number(delay);
        responder_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        responder_.start(QStringLiteral("ip"), answer);
        if (!responder_.waitForReadyRead(5000) || !responder_.readLine().startsWith("ready")) {
            failure_ = QStringLiteral("the echo responder did not start");
            return;
        }
        ready_ = true;
    }
    ~TestNetwork() {
        responder_.kill();
        responder_.waitForFinished(3000);
        Remove();
    }
    TestNetwork(const TestNetwork&) = delete;
    TestNetwork& operator=(const TestNetwork&) = delete;

    bool Ready() const { return ready_; }
    QString Failure() const { return failure_; }
    QString Client() const { return client_; }

private:
    void Remove() {
        vtest::RemoveNamespace(client_);
        vtest::RemoveNamespace(hosts_);
    }
    QString client_, hosts_, failure_;
    QProcess responder_;
    bool ready_ = false;
};

QString FpingPath() {
    for (const QString& path : {QStringLiteral("/usr/bin/fping"), QStringLiteral("/usr/sbin/fping")})
        if (QFileInfo(path).isExecutable()) return path;
    return QStandardPaths::findExecutable(QStringLiteral("fping"));
}

int CaseNamespaces(int runs, bool unreachable) {
    const char* name = unreachable ? "u" : "b";
    if (::geteuid() != 0) {
        std::printf("%s       skipped: the network namespaces need root\n", name);
        return 0;
    }
    TestNetwork net(unreachable);
    if (!net.Ready()) {
        std::printf("%s       skipped: the test network cannot be made here (%s)\n", name, qPrintable(net.Failure()));
        return 0;
    }
    // From here on this thread's sockets (the window's echoes and ports, the plain loop)
    // are the client's.
    vtest::TestNetwork::Inside inside(net.Client());
    if (!inside.Entered()) {
        std::printf("%s       skipped: cannot enter the client namespace\n", name);
        return 0;
    }
    const QStringList addresses = TestHostAddresses();
    if (!FillDatabase(addresses, 0)) return 1;
    RoundFigures f;
    // The unreachable are probed again every round (no back-off), and each round starts
    // with the router's budget full again, as rounds minutes apart do.
    if (unreachable) gOptNGRset = 1;
    if (!MeasureRounds(runs, f, unreachable ? 12000 : 0)) return 1;
    const int failing = NotNormal();
    int stopped = 0, expected = 0;
    for (qint32 i = 1; i <= gPingDatas.ListCount(); ++i) {
        expected += unreachable && Unreachable(Ip(gPingDatas.Item(i)->IPAddress));
        stopped += gPingDatas.Item(i)->NotIPAddress;
    }

    // The waits one after another: the plain loop, once, with each computer's time-out.
    EchoLoop loop;
    std::map<int, bench::Runs> byDelay;
    double configuredMs = 0;
    const Clock::time_point start = Clock::now();
    for (const QString& a : addresses) {
        const int delay = HostDelayMs(Ip(a));
        configuredMs += delay < 0 || (unreachable && Unreachable(Ip(a))) ? (delay < 0 ? 1000 : 0) : delay;
        byDelay[delay].Add(loop.Echo(Ip(a), 1000));
    }
    const double sequentialMs = MsSince(start);

    bench::Runs fpingS;
    const QString fping = FpingPath();
    if (!fping.isEmpty()) {
        QTemporaryFile list;
        list.open();
        list.write(addresses.join(QLatin1Char('\n')).toLatin1() + '\n');
        list.flush();
        for (int r = 0; r < runs; ++r) {
            QProcess p;  // started from this thread, so inside the client namespace
            const Clock::time_point t = Clock::now();
            p.start(fping, {QStringLiteral("-i1"), QStringLiteral("-t1000"), QStringLiteral("-r0"), QStringLiteral("-q"),
                            QStringLiteral("-f"), list.fileName()});
            if (!p.waitForFinished(30000)) {
                p.kill();
                p.waitForFinished(2000);
                break;
            }
            fpingS.Add(MsSince(t) / 1000);
        }
    }

    std::printf("  round, main window shown          %s s\n", qPrintable(f.wallMs.Scaled(0.001).Text(2)));
    std::printf("  longest stall during the round    %s ms\n", qPrintable(f.stallMs.Text(1)));
    std::printf("  waits one after another           %.2f s measured (plain loop, one run); %.2f s configured\n",
                sequentialMs / 1000, configuredMs / 1000);
    if (fping.isEmpty())
        std::printf("  fping -i1 -t1000 -r0              not installed here\n");
    else
        std::printf("  fping -i1 -t1000 -r0              %s s\n", qPrintable(fpingS.Text(2)));
    std::printf("  plain loop's round trips: at once %.2f ms, slow %.2f ms, slower %.2f ms; silent: %d of %d no reply\n",
                byDelay[0].Median(), byDelay[5].Median(), byDelay[50].Median(),
                int(std::count(byDelay[-1].values.begin(), byDelay[-1].values.end(), -1.0)),
                int(byDelay[-1].values.size()));
    std::printf("  computers not normal after the rounds: %d (the silent ones: %d)\n", failing,
                int(byDelay[-1].values.size()));
    if (unreachable)
        std::printf("  found unreachable (接続NG!) in the last round: %d of %d\n", stopped, expected);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bench::PrepareEnvironment();
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int runs = 5;
    if (const int at = args.indexOf(QStringLiteral("--runs")); at >= 0 && at + 1 < args.size()) {
        runs = std::max(1, args[at + 1].toInt());
        args.remove(at, 2);
    }
    if (args.size() == 2 && args[0] == QLatin1String("--case")) {
        const QString c = args[1];
        if (c == QLatin1String("b") || c == QLatin1String("u")) return CaseNamespaces(runs, c == QLatin1String("u"));
        const bool withPort = c.startsWith(QLatin1Char('p'));
        const int n = c.mid(1).toInt();
        if ((c.startsWith(QLatin1Char('a')) || withPort) && n > 0 && n <= 62500) return CaseLoopback(n, runs, withPort);
        std::fprintf(stderr, "unknown case %s\n", qPrintable(c));
        return 1;
    }
    if (!EchoLoop().IsOpen()) {
        std::printf("no ICMP socket can be opened here (needs root or net.ipv4.ping_group_range)\n");
        return 0;
    }
    if (args.isEmpty())
        args = {QStringLiteral("a1000"), QStringLiteral("a20000"), QStringLiteral("p1000"), QStringLiteral("b"),
                QStringLiteral("u")};
    std::printf("bench_round: %d runs per case, median (min-max); platform %s; plain loop on a %s ICMP socket\n", runs,
                qPrintable(QGuiApplication::platformName()), EchoLoop().Kind());
    bool headed = false;
    for (const QString& c : args) {
        if (c == QLatin1String("b")) {
            std::printf("\nb: 300 computers in network namespaces: 100 silent (1000 ms time-out), 50 answering after "
                        "5 ms, 50 after 50 ms, 100 at once\n");
        } else if (c == QLatin1String("u")) {
            std::printf("\nu: the same 300, 16 of them spread over the list unreachable (\"host unreachable\" at the "
                        "kernel's default ICMP limits)\n");
        } else if (!headed) {
            std::printf("\n%-7s %6s  %-24s %-24s %-22s %-20s\n", "case", "N", "wall us/computer", "CPU us/computer",
                        "longest stall ms", "plain echo us/computer");
            headed = true;
        }
        const QByteArray out = bench::RunSelf({QStringLiteral("--runs"), QString::number(runs), QStringLiteral("--case"), c},
                                              4 * 3600 * 1000);
        if (out.isEmpty())
            std::printf("%-7s failed\n", qPrintable(c));
        else
            std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    }
    return 0;
}
