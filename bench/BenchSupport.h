#pragma once
// What the benchmarks share: figures over several runs (median, min, max), a measurement
// run in a fresh copy of the benchmark itself (so one case carries nothing of another,
// peak memory included), the process's peak RSS and CPU time, and the real main window
// started on a database and shown, as an operator has it.

#include "TestSupport.h"

#include "console/FrmPing.h"
#include "model/Globals.h"
#include "model/Options.h"
#include "model/AppPaths.h"
#include "alarms/LanMessenger.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace bench {

// Values of one figure over several runs.
struct Runs {
    std::vector<double> values;
    void Add(double v) { values.push_back(v); }
    bool Empty() const { return values.empty(); }
    double Median() const {
        std::vector<double> v = values;
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
    double Min() const { return values.empty() ? 0 : *std::min_element(values.begin(), values.end()); }
    double Max() const { return values.empty() ? 0 : *std::max_element(values.begin(), values.end()); }
    // The same runs in another unit.
    Runs Scaled(double factor) const {
        Runs r;
        for (double v : values) r.Add(v * factor);
        return r;
    }
    // "median (min-max)" with the given number of decimals.
    QString Text(int decimals) const {
        return QStringLiteral("%1 (%2-%3)")
            .arg(Median(), 0, 'f', decimals)
            .arg(Min(), 0, 'f', decimals)
            .arg(Max(), 0, 'f', decimals);
    }
};

inline long PeakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;  // KiB on Linux
}

// CPU time of the whole process (every thread), seconds.
inline double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Before the application: the offscreen platform, or the X display when one is set, and
// a private data and settings folder.
inline void PrepareEnvironment() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    vtest::PrepareEnvironment();
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = vtest::HomeDir() + QStringLiteral("/runtime");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
}

// Runs this benchmark again with args and returns what it printed on its standard output
// (its standard error goes to ours); empty when it failed or outlived timeoutMs.
inline QByteArray RunSelf(const QStringList& args, int timeoutMs) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), args);
    if (!child.waitForFinished(timeoutMs)) {
        std::fprintf(stderr, "%s %s: no result within %d s\n", qPrintable(QCoreApplication::applicationFilePath()),
                     qPrintable(args.join(QLatin1Char(' '))), timeoutMs / 1000);
        child.kill();
        child.waitForFinished(5000);
        return {};
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) return {};
    return child.readAllStandardOutput();
}

// Runs until the event loop has nothing left to do, the window's repaints included.
inline void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// The real main window on the database at gOptDatabasePath, started as the program starts
// it (with the messenger on a free loopback port and no dialog or box waiting for an
// answer), then shown. Periodic checking is on, with a long interval: a round runs only
// when the benchmark asks for one (Round).
class MainWindow {
public:
    // loadAtStart false: the start-up leaves the tree empty, for a load measured later.
    // loadCheckDlls fills gDllObjects instead of looking for plug-ins.
    explicit MainWindow(bool loadAtStart, std::function<void()> loadCheckDlls = [] {}) {
        QUdpSocket probe;
        probe.bind(QHostAddress::LocalHost, 0);
        gOptPort = probe.localPort();
        probe.close();
        gOptUserName = QStringLiteral("bench");
        gOptPingCheck = true;
        gOptTimerInterval = 3600 * 1000;
        gOptFormTop = false;
        gOptNoCheck = false;
        gOptPopUp = false;
        gOptSound = false;
        gOptPatLamp = false;
        gOptSendMsg = false;
        gOptWebInfo = false;
        gOptPortTimeOut = 1;
        OptionSetting(false, ProgramBaseName());

        form_ = std::make_unique<FrmPing>();
        form_->SetInstanceLockPath(vtest::HomeDir() + QStringLiteral("/bench.lock"));
        FrmPing::Services s;
        s.openMessenger = [](LanMessenger& m, quint16 p) { return m.Open(p, QHostAddress::LocalHost); };
        s.runDialog = [](QDialog&) {};
        s.trayAvailable = [] { return false; };
        s.quit = [](int) {};
        // The benchmark's database is thrown away: no exit backup to wait for.
        s.backupDatabase = [] {};
        s.loadCheckDlls = std::move(loadCheckDlls);
        if (!loadAtStart) s.loadComputerTree = [](FrmPing&, QString&) { return true; };
        form_->SetServices(std::move(s));
        // After the window, which installs its own boxes: none may wait for an answer.
        boxes_ = std::make_unique<vtest::RecordingMessageBox>();
        started_ = form_->Load() == FrmPing::StartResult::Running;
        if (!loadAtStart) form_->services().loadComputerTree = FrmPing::DefaultServices().loadComputerTree;
        form_->show();
        started_ = QTest::qWaitForWindowExposed(form_.get(), 10000) && started_;
        Settle();
    }
    ~MainWindow() {
        form_->Shutdown();
        form_.reset();
    }
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    bool Started() const { return started_; }
    FrmPing& Form() { return *form_; }
    // The message boxes the window showed (a load that failed, a plug-in's refusal).
    QStringList Boxes() const { return boxes_->prompts(); }

    // One check round, started as the check timer starts one when the interval is due.
    void Round() {
        gTimerElapsed = gOptTimerInterval;
        form_->TimerPing_Timer();
        form_->TimerPing().stop();
    }

private:
    std::unique_ptr<FrmPing> form_;
    std::unique_ptr<vtest::RecordingMessageBox> boxes_;
    bool started_ = false;
};

// The longest gap between the ticks of a 10 ms timer beyond its 10 ms while it lives: how
// long a click on the window would have waited longer than on an idle window.
class StallMeter {
public:
    StallMeter() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(kTickMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        clock_.start();
        timer_.start();
    }
    // The longest stall so far, milliseconds (the gap up to now included).
    double StallMs() {
        Tick();
        return std::max(0.0, longestMs_ - kTickMs);
    }

private:
    static constexpr int kTickMs = 10;
    void Tick() {
        const double now = clock_.nsecsElapsed() / 1e6;
        longestMs_ = std::max(longestMs_, now - lastMs_);
        lastMs_ = now;
    }
    QTimer timer_;
    QElapsedTimer clock_;
    double lastMs_ = 0;
    double longestMs_ = 0;
};

}  // namespace bench
