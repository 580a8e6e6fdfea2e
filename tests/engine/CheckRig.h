#pragma once
// A monitor for the check engine with the real loader over a real database, whose echo
// prober's answers a test can script per address (an unanswered echo and an ICMP error
// cannot be had from the loopback addresses the tests may use). No window: the engine
// reads and writes the model, and the tests read the model.

#include "TestSupport.h"

#include "engine/ClsPing.h"
#include "engine/IcmpEcho.h"
#include "engine/Monitor.h"
#include "engine/Pacing.h"
#include "model/Encipherment.h"
#include "model/EventLog.h"
#include "model/Globals.h"
#include "model/Loader.h"
#include "model/Mixer.h"
#include "model/TreeNodes.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QHostAddress>

#include <deque>
#include <functional>
#include <map>

// Rows of the monitoring database, as the dialogs would store them.
inline void addGroup(const QString& db, const QString& code, bool on = true) {
    QVERIFY(vtest::Exec(db, "INSERT INTO TBL_Group (グループ,表示名,診断有無) VALUES (?,?,?)",
                        {code, code + QStringLiteral("表示"), on ? -1 : 0}));
}
inline void addComputer(const QString& db, const QString& address, int wrongCount, bool on = true, bool ping = true,
                        const QString& group = QStringLiteral("G1")) {
    QVERIFY(vtest::Exec(db,
                        "INSERT INTO TBL_Computer (アドレス,グループ,コンピュータ名,種類,表示名,診断有無,異常判断回数,"
                        "異常音再生,タイムアウト,状況,Ping有無) VALUES (?,?,?,?,?,?,?,?,?,?,?)",
                        {address, group, QStringLiteral("pc") + address.section('.', 3), QStringLiteral("ｻｰﾊﾞｰ"),
                         QStringLiteral("ＰＣ") + address.section('.', 3), on ? -1 : 0, wrongCount, -1, 1500,
                         QStringLiteral("Nomal"), ping ? -1 : 0}));
}
inline void addPort(const QString& db, const QString& address, int port, const QString& name = QStringLiteral("svc")) {
    QVERIFY(vtest::Exec(db, "INSERT INTO TBL_PortCheck (アドレス,ポート番号,サービス名,状況) VALUES (?,?,?,'SStart')",
                        {address, port, name}));
}
inline void addPlugin(const QString& db, const QString& address, int subNo, const QString& parameter,
                      const QString& dllName = QStringLiteral("VantorPort.so")) {
    QVERIFY(vtest::Exec(db, "INSERT INTO TBL_DLL (アドレス,連番,DLL名,引数) VALUES (?,?,?,?)",
                        {address, subNo, dllName, Encipherment(QString::fromLatin1(kParameterKey), parameter)}));
}

// A fresh database with one group G1 whose check is on, an empty daily log and the
// options the round tests start from: alarms with popup, sound and lamp, no messages, no
// status writes, NGRset 10, port time-out 1 s. Returns the database's path.
inline QString FreshRoundDatabase() {
    const QString db = vtest::FreshDatabase();
    QDir(LogFolder()).removeRecursively();
    gOptNoCheck = false;
    gOptWebInfo = false;
    gOptPopUp = true;
    gOptSound = true;
    gOptPatLamp = true;
    gOptFormTop = false;
    gOptNGRset = 10;
    gOptPortTimeOut = 1;
    gOptLogDelete = 10;
    gOptSendMsg = false;
    gOptSoundFilePath = QString();  // the volume sequence runs, nothing is heard
    gCheckContinue = true;
    gOptTimerInterval = 60000;
    gTimerElapsed = 0;
    addGroup(db, QStringLiteral("G1"));
    return db;
}

// Today's daily log lines.
inline QStringList eventLines() {
    QFile f(LogFolder() + QLatin1Char('/') + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) +
            QStringLiteral(".LOG"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList out;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (!l.trimmed().isEmpty()) out << QString::fromUtf8(l).trimmed();
    return out;
}

class CheckRig final : public Monitor {
public:
    CheckRig() {
        SetMenuConnectChecked(true);
        ping.SetEchoFunction([this](quint32 destination, const QByteArray&, int, int timeoutMs, icmp::EchoReply& r) {
            const QString address = QHostAddress(destination).toString();
            ++echoes[address];
            lastTimeout = timeoutMs;
            if (onEcho) onEcho(address);
            char outcome = 'o';
            auto& queue = script[address];
            if (!queue.empty()) {
                outcome = queue.front();
                queue.pop_front();
            }
            r = icmp::EchoReply{};
            if (outcome == 't') {
                r.replies = 0;
                r.status = icmp::RequestTimedOut;
                return 0;
            }
            r.replies = 1;
            r.status = outcome == 'e' ? icmp::DestHostUnreachable : icmp::Success;
            r.address = destination;
            r.addressText = address;
            return 1;
        });
    }

    void Load() { LoadComputerTree(nodes, ListViewUser()); }
    QString Image(const QString& key) const { return TreeNodes::Image(nodes.Item(key)); }
    QString Top(int list) { return ListPing(list).Line(0).mid(12); }

    TreeNodes& nodes = TreeComputer();
    LogLines& list0 = ListPing(0);
    LogLines& list1 = ListPing(1);
    QTimer& timer = TimerPing();
    ClsPing& ping = mPing();

    std::map<QString, std::deque<char>> script;  // 'o' answered, 't' no answer, 'e' ICMP error
    std::map<QString, int> echoes;
    int lastTimeout = 0;
    std::function<void(const QString&)> onEcho;
};

// Counts raises of the main window.
class RecordingWindow final : public WindowSeam {
public:
    RecordingWindow() { seams::SetWindow(this); }
    ~RecordingWindow() override { seams::SetWindow(nullptr); }
    void RaiseMainWindow() override { ++raises; }
    void SetTopMost(bool) override {}
    int raises = 0;
};

// A mixer whose speaker control always answers; every alarm sound sets the volume twice
// (alarm volume, then back), so sounds = sets / 2.
class CountingMixer final : public MixerSystem {
public:
    CountingMixer() { seams::SetMixer(this); }
    ~CountingMixer() override { seams::SetMixer(nullptr); }
    class Device final : public MixerDevice {
    public:
        explicit Device(CountingMixer& m) : m_(m) {}
        bool GetVolumeControl(MixerControl& c, qint32) override {
            c.ControlID = 1;
            c.Maximum = 100;
            return true;
        }
        bool SetVolumeValue(const MixerControl&, qint32) override {
            ++m_.sets;
            return true;
        }
        bool GetVolumeValue(const MixerControl&, qint32& v) override {
            v = 40;
            return true;
        }

    private:
        CountingMixer& m_;
    };
    std::unique_ptr<MixerDevice> Open(int) override { return std::make_unique<Device>(*this); }
    int sounds() const { return sets / 2; }
    int sets = 0;
};
