// Loading large monitoring databases: 1000, 5000 and 20,000 computers in 50 groups, each
// with two port checks, one plug-in assignment and one weekly no-check window.
//
//   build/bench/bench_loader [--runs N] [size...]
//
// Each measurement runs in a fresh process of its own, so a size carries nothing of the
// one before it, and its peak RSS is that process's alone:
//   model   the load into the model, no window
//   window  the load into the shown main window, as the console's load service does it,
//           until the tree widget has shown every node (expandAll included), then a
//           reload over the full tree (the reload command)
// Figures are the median of the runs (default 3) with min and max.
#include "BenchSupport.h"

#include "model/ClsPingDatas.h"
#include "model/DllObjects.h"
#include "model/Encipherment.h"
#include "model/Globals.h"
#include "model/Loader.h"
#include "model/TreeNodes.h"
#include "model/UserList.h"

#include <QApplication>
#include <QTreeWidget>

#include <cstdio>
#include <memory>

namespace {

bool Generate(const QString& db, int computers) {
    vtest::FreshDatabase(db);
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

// The plug-in the generated checks name, without loading any library.
void FakePlugins() {
    auto plugin = std::make_shared<QObject>();
    plugin->setProperty("Title", QStringLiteral("ポート監視"));
    gDllObjects = {{QStringLiteral("VantorPort.so"), plugin}};
}

// Prints "ms peakKiB computers nodes" for the load into a model without a window.
int MeasureModel(const QString& db) {
    gOptDatabasePath = db;
    FakePlugins();
    TreeNodes nodes;
    UserList list;
    QElapsedTimer timer;
    timer.start();
    const bool ok = LoadComputerTree(nodes, list);
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("%.1f %ld %d %d\n", ms, bench::PeakRssKiB(), gPingDatas.ListCount(), nodes.Count());
    gDllObjects.clear();
    return ok ? 0 : 1;
}

// Loads through the window's load service and waits until the tree has been painted;
// milliseconds.
double LoadIntoWindow(bench::MainWindow& window, bool& ok) {
    FrmPing& form = window.Form();
    QElapsedTimer timer;
    timer.start();
    QString error;
    ok = form.services().loadComputerTree(form, error);
    bench::Settle();
    form.treeComputer()->viewport()->repaint();
    return timer.nsecsElapsed() / 1e6;
}

// Prints "ms peakKiB reloadMs peakAfterReloadKiB items" for the load into the shown window.
int MeasureWindow(const QString& db) {
    gOptDatabasePath = db;
    bench::MainWindow window(false, FakePlugins);
    if (!window.Started()) return 1;
    bool ok = false;
    const double ms = LoadIntoWindow(window, ok);
    const long peak = bench::PeakRssKiB();
    int items = 0;
    for (QTreeWidgetItemIterator it(window.Form().treeComputer()); *it; ++it) ++items;
    bool reloaded = false;
    const double reloadMs = LoadIntoWindow(window, reloaded);
    std::printf("%.1f %ld %.1f %ld %d\n", ms, peak, reloadMs, bench::PeakRssKiB(), items);
    return ok && reloaded && items == window.Form().TreeComputer().Count() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    bench::PrepareEnvironment();
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("--child"))
        return args[1] == QLatin1String("model") ? MeasureModel(args[2]) : MeasureWindow(args[2]);
    int runs = 3;
    if (const int at = args.indexOf(QStringLiteral("--runs")); at >= 0 && at + 1 < args.size()) {
        runs = std::max(1, args[at + 1].toInt());
        args.remove(at, 2);
    }
    QList<int> sizes;
    for (const QString& a : args) sizes << a.toInt();
    if (sizes.isEmpty()) sizes = {1000, 5000, 20000};

    std::printf("bench_loader: %d runs per size, each in a fresh process, median (min-max); platform %s\n", runs,
                qPrintable(QGuiApplication::platformName()));
    std::printf("%6s %7s  %-18s %-18s %-18s %-18s %-18s %-18s\n", "N", "nodes", "model ms", "model peak MB",
                "window shown ms", "window peak MB", "reload ms", "after reload MB");
    for (int n : sizes) {
        const QString db = vtest::HomeDir() + QStringLiteral("/bench-%1.MDB").arg(n);
        if (n <= 0 || !Generate(db, n)) {
            std::fprintf(stderr, "cannot generate the database of %d computers\n", n);
            return 1;
        }
        bench::Runs modelMs, modelMb, windowMs, windowMb, reloadMs, reloadMb;
        QString nodes = QStringLiteral("?");
        for (int r = 0; r < runs; ++r) {
            const QList<QByteArray> m = bench::RunSelf({QStringLiteral("--child"), QStringLiteral("model"), db}, 600000)
                                            .trimmed()
                                            .split(' ');
            const QList<QByteArray> w = bench::RunSelf({QStringLiteral("--child"), QStringLiteral("window"), db}, 600000)
                                            .trimmed()
                                            .split(' ');
            if (m.size() != 4 || w.size() != 5) {
                std::printf("%6d failed\n", n);
                break;
            }
            modelMs.Add(m[0].toDouble());
            modelMb.Add(m[1].toDouble() / 1024);
            nodes = QString::fromLatin1(m[3]);
            windowMs.Add(w[0].toDouble());
            windowMb.Add(w[1].toDouble() / 1024);
            reloadMs.Add(w[2].toDouble());
            reloadMb.Add(w[3].toDouble() / 1024);
        }
        if (modelMs.Empty()) continue;
        std::printf("%6d %7s  %-18s %-18s %-18s %-18s %-18s %-18s\n", n, qPrintable(nodes), qPrintable(modelMs.Text(0)),
                    qPrintable(modelMb.Text(1)), qPrintable(windowMs.Text(0)), qPrintable(windowMb.Text(1)),
                    qPrintable(reloadMs.Text(0)), qPrintable(reloadMb.Text(1)));
    }
    return 0;
}
