// One check round over N computers on loopback addresses (127.0.x.y, all answering), ping
// only and ping plus one open port, against a bare echo to the same addresses through the
// ICMP adapter alone. Prints the time per computer and the ratio.
//
//   build/bench/bench_round [N...]     (default 100 1000; needs an ICMP socket: root or
//                                        net.ipv4.ping_group_range)
#include "../tests/engine/CheckRig.h"

#include "engine/CheckRound.h"
#include "engine/ClsPing.h"
#include "engine/IcmpEcho.h"
#include "model/Database.h"
#include "model/Globals.h"
#include "model/Loader.h"
#include "model/TreeNodes.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QListWidget>
#include <QTcpServer>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

namespace {

QString address(int i) { return QStringLiteral("127.0.%1.%2").arg(i / 250).arg(i % 250 + 1); }

bool fill(int n, quint16 port) {
    const QString db = vtest::FreshDatabase();
    auto d = Database::Open(db);
    if (!d) return false;
    d->Execute("INSERT INTO TBL_Group (グループ,表示名,診断有無) VALUES ('G','G',-1)");
    d->db().transaction();
    for (int i = 0; i < n; ++i) {
        d->Execute("INSERT INTO TBL_Computer (アドレス,グループ,コンピュータ名,種類,表示名,診断有無,異常判断回数,異常音再生,"
                   "タイムアウト,Ping有無) VALUES (?,'G',?,'x',?,-1,3,0,1000,-1)",
                   {address(i), QStringLiteral("pc%1").arg(i), QStringLiteral("PC %1").arg(i)});
        if (port) d->Execute("INSERT INTO TBL_PortCheck (アドレス,ポート番号,サービス名) VALUES (?,?,'svc')", {address(i), port});
    }
    d->db().commit();
    return true;
}

// Microseconds per computer for one round (best of three).
double roundTime(int n, quint16 port) {
    if (!fill(n, port)) return -1;
    CheckRig form;
    ClsPing ping;  // the real echo prober, not the rig's scripted one
    form.Load();
    double best = 1e18;
    for (int r = 0; r < 3; ++r) {
        QElapsedTimer t;
        t.start();
        CheckAllTargets(form, ping);
        best = std::min(best, double(t.nsecsElapsed()) / 1000.0 / n);
    }
    if (form.list1.Count() != 0) std::printf("  warning: %d failures in the round\n", form.list1.Count());
    return best;
}

double bareEcho(int n) {
    double best = 1e18;
    for (int r = 0; r < 3; ++r) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < n; ++i) {
            icmp::IcmpEcho echo;  // as the prober does: one socket per echo
            icmp::EchoReply reply;
            echo.SendEcho(QHostAddress(address(i)).toIPv4Address(), QByteArray("a"), 255, 1000, reply);
        }
        best = std::min(best, double(t.nsecsElapsed()) / 1000.0 / n);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    vtest::PrepareEnvironment();
    QApplication app(argc, argv);
    gOptPortTimeOut = 1;
    gOptWebInfo = false;
    gOptSendMsg = false;
    if (!icmp::IcmpEcho().IsOpen()) {
        std::printf("no ICMP socket can be opened here (needs root or net.ipv4.ping_group_range)\n");
        return 0;
    }
    QTcpServer server;
    server.listen(QHostAddress::Any, 0);  // every 127.0.x.y reaches it
    // Take each connection at once, so the accept queue never fills up.
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&server] {
        while (QTcpSocket* s = server.nextPendingConnection()) s->deleteLater();
    });
    QList<int> sizes;
    for (int i = 1; i < argc; ++i) sizes << QString::fromLatin1(argv[i]).toInt();
    if (sizes.isEmpty()) sizes = {100, 1000};
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::printf("%6s %14s %14s %14s %10s %10s\n", "N", "echo us/pc", "round us/pc", "+port us/pc", "ratio", "+port/echo");
    for (int n : sizes) {
        const double echo = bareEcho(n);
        const double ping = roundTime(n, 0);
        const double withPort = roundTime(n, server.serverPort());
        std::printf("%6d %14.1f %14.1f %14.1f %10.2f %10.2f\n", n, echo, ping, withPort, ping / echo, withPort / echo);
    }
    return 0;
}
