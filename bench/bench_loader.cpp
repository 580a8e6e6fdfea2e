// Times LoadComputerTree over generated databases of 1000 and 5000 computers in 50 groups,
// each with two port checks, one plug-in assignment and one weekly no-check window.
// Run offscreen: QT_QPA_PLATFORM=offscreen ./bench_loader
#include "TestSupport.h"

#include "model/DllObjects.h"
#include "model/Encipherment.h"
#include "model/Globals.h"
#include "model/Loader.h"
#include "model/TreeNodes.h"

#include <QApplication>
#include <QElapsedTimer>
#include "model/UserList.h"

#include <sys/resource.h>

#include <cstdio>
#include <memory>

namespace {

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;  // KiB on Linux
}

bool Generate(int computers) {
    const QString db = vtest::FreshDatabase(vtest::HomeDir() + QStringLiteral("/bench-%1.MDB").arg(computers));
    const QString param = Encipherment(QString::fromLatin1(kParameterKey), QStringLiteral("127.0.0.1|8080"));
    const QString seq = QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM n WHERE i<%1) ")
                            .arg(computers - 1);
    const QString address = QStringLiteral("'10.' || (i / 65536) || '.' || ((i / 256) % 256) || '.' || (i % 256)");
    return vtest::Exec(db, QStringLiteral("WITH RECURSIVE g(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM g WHERE i<49) "
                                          "INSERT INTO TBL_Group (グループ,表示名,診断有無) "
                                          "SELECT printf('G%02d', i), 'グループ' || i, -1 FROM g")) &&
           vtest::Exec(db, seq + QStringLiteral("INSERT INTO TBL_Computer (アドレス,グループ,コンピュータ名,種類,表示名) "
                                                "SELECT ") + address +
                               QStringLiteral(", printf('G%02d', i % 50), printf('PC%05d', i), 'ｻｰﾊﾞｰ', '端末' || i FROM n")) &&
           vtest::Exec(db, seq + QStringLiteral("INSERT INTO TBL_PortCheck (アドレス,ポート番号,サービス名) SELECT ") +
                               address + QStringLiteral(", 80, 'HTTP' FROM n UNION ALL SELECT ") + address +
                               QStringLiteral(", 443, 'HTTPS' FROM n")) &&
           vtest::Exec(db, seq + QStringLiteral("INSERT INTO TBL_DLL (アドレス,連番,DLL名,引数) SELECT ") + address +
                               QStringLiteral(", 1, 'VantorPort.so', ? FROM n"),
                       {param}) &&
           vtest::Exec(db, seq + QStringLiteral("INSERT INTO TBL_NoCheck (アドレス,連番,開始時刻,終了時刻,曜日) SELECT ") +
                               address + QStringLiteral(", 1, 2200, 2630, '0111110' FROM n"));
}

}  // namespace

int main(int argc, char** argv) {
    vtest::PrepareEnvironment();
    QApplication app(argc, argv);
    auto plugin = std::make_shared<QObject>();
    plugin->setProperty("Title", QStringLiteral("ポート監視"));
    gDllObjects = {{QStringLiteral("VantorPort.so"), plugin}};

    for (int n : {1000, 5000}) {
        if (!Generate(n)) {
            std::fprintf(stderr, "cannot generate the database of %d computers\n", n);
            return 1;
        }
        TreeNodes nodes;
        UserList list;
        QElapsedTimer timer;
        timer.start();
        const bool ok = LoadComputerTree(nodes, list);
        const qint64 ms = timer.elapsed();
        std::printf("N=%d: %s, %d computers, %d nodes, %lld ms, peak RSS %.1f MB\n", n, ok ? "loaded" : "FAILED",
                    gPingDatas.ListCount(), nodes.Count(), static_cast<long long>(ms), PeakKiB() / 1024.0);
        // A reload over a full tree, as the reload command does.
        timer.start();
        LoadComputerTree(nodes, list);
        std::printf("N=%d: reload %lld ms, peak RSS %.1f MB\n", n, static_cast<long long>(timer.elapsed()),
                    PeakKiB() / 1024.0);
    }
    gDllObjects.clear();
    return 0;
}
