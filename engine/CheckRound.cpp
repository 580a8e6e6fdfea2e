#include "engine/CheckRound.h"

#include "engine/CheckSteps.h"
#include "engine/ClsPing.h"
#include "engine/EarlyEchoes.h"
#include "engine/Monitor.h"
#include "engine/NodeState.h"
#include "engine/PortCheck.h"
#include "plugins/host/LateBound.h"
#include "alarms/PatLamp.h"
#include "alarms/Sound.h"
#include "model/CheckStatus.h"
#include "model/DllObjects.h"
#include "model/EventLog.h"
#include "model/Globals.h"
#include "model/Loader.h"
#include "model/Seams.h"
#include "model/TreeNodes.h"

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>
#include <exception>
#include <memory>
#include <functional>
#include <vector>

namespace checkround {

void Yield() { QCoreApplication::processEvents(); }

QString FullWidthNumber(qint64 n) {
    QString s = QString::number(n);
    for (QChar& c : s)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) c = QChar(0xFF10 + (c.unicode() - '0'));
    return s;
}

QString NgServiceLine(const ClsPingData& item, const QString& what, bool blankBeforeDetail) {
    return QStringLiteral("ｻｰﾋﾞｽNG!\t(") + item.Computer + QLatin1Char(':') + item.IPAddress +
           (blankBeforeDetail ? QStringLiteral(") (") : QStringLiteral(")(")) + what + QStringLiteral(")ｻｰﾋﾞｽ確認");
}

void AlarmBlock(const ClsPingData& item, bool withLamp) {
    if (gOptPopUp) {
        seams::Window().RaiseMainWindow();
        seams::Window().SetTopMost(true);
        seams::Window().SetTopMost(gOptFormTop);
    }
    Yield();
    if (withLamp) ShowPatLamp();
    if (gOptSound && item.Sound != 0) PlayAlarmSound(gOptSoundFilePath);
}

int RunPlugin(Monitor& monitor, const QString& dllName, const QString& parameter) {
    int k = 0;
    for (int i = 1; i <= gDllCount(); ++i)
        if (gDllObjects[static_cast<size_t>(i - 1)].DllName == dllName) {
            k = i;
            break;
        }
    Yield();
    if (k == 0 || k > gDllCount()) return -1;
    // Hold the object: a handler run inside a yield cannot take it away mid-call.
    std::shared_ptr<QObject> object = gDllObjects[static_cast<size_t>(k - 1)].Object;
    if (!object) return -1;
    CheckSession::PluginUse busy(monitor.Session(), object.get());
    if (!busy.acquired()) return -1;  // in the middle of a check further out
    const int error = plugin::Put(object, "Parameter", parameter);
    if (error != 0) {
        MsgBox(QString::number(error), vb::vbOKOnly | vb::vbExclamation, monitor.Caption());
        return -1;
    }
    // No answer, a failed call or an exception inside the plug-in all count as failed.
    return plugin::CallBool(object, "Check") ? 1 : 0;
}

}  // namespace checkround

using namespace checkround;

void AddLogLine(LogLines& list, const QString& text) {
    list.Add(QDateTime::currentDateTime().toString(QStringLiteral("MM/dd hh:mm")) + QChar(0x3000) + text);
}

void LampTest(Monitor& monitor) {
    Yield();
    bool allClear = true;
    TreeNodes& tree = monitor.TreeComputer();
    for (int i = 1; i <= tree.Count(); ++i) {
        const TreeNode* node = tree.Item(i);
        if (!node->Key().startsWith(QLatin1Char('#'))) continue;
        if (node->Image() != QLatin1String("Stop") && node->Image() != QLatin1String("Question")) continue;
        const QString key = node->Key();
        Yield();
        // The yield may have removed the node; look it up again by key.
        node = tree.Item(key);
        if (node && node->Parent() && node->Parent()->Image() == QLatin1String("Group")) {
            allClear = false;
            break;
        }
        // Indexes may have moved under the yield: start the scan from the node again.
        const int now = tree.Index(key);
        if (now > 0) i = now;
    }
    if (allClear && gPatLampShowing) UnloadPatLamp();
    Yield();
}

namespace checkround {

ComputerCheck::ComputerCheck(Monitor& monitor, CheckSession::Check& check, std::shared_ptr<ClsPingData> item)
    : monitor_(monitor), check_(check), item_(std::move(item)) {}

bool ComputerCheck::goOn() const { return check_.ListUnchanged() && !check_.Ending(); }

bool ComputerCheck::switchedOff() const { return followSwitch_ && !(item_->NoCheckGrp && item_->NoCheckSrv); }

bool ComputerCheck::yieldOk(int times) {
    for (int i = 0; i < times; ++i) Yield();
    return goOn();
}

QString ComputerCheck::who() const {
    return QLatin1Char('(') + item_->Computer + QLatin1Char(':') + item_->IPAddress + QLatin1Char(')');
}

QString ComputerCheck::echoLine(const QString& pingMsg) const {
    return (item_->NoCheckPing ? pingMsg : QStringLiteral("Ping確認Skip")) + QLatin1Char('\t') + who();
}

void ComputerCheck::bothLists(const QString& line) {
    AddLogLine(monitor_.ListPing(0), line);
    AddLogLine(monitor_.ListPing(1), line);
}

void ComputerCheck::state(const QString& image) { SetNodeStateAndAlarm(monitor_, *item_, NodeOutcome{image}); }

std::shared_ptr<ClsPortData> ComputerCheck::portAt(int position) const {
    if (position < 1 || position > item_->PortData().Count()) return nullptr;
    return item_->PortData().Item(position);
}

void ComputerCheck::portAnswered(ClsPortData& port) {
    if (port.Image() == QLatin1String("SStart")) return;
    port.SetImage(QStringLiteral("SStart"));
    UpdateCheckStatus(item_->IPAddress, QStringLiteral("Nomal"), port.PortNo, QStringLiteral("SStart"));
}

bool ComputerCheck::plugins() {
    ClsPingData& d = *item_;
    // The list is read afresh at every step: a dialog may add or remove entries during a
    // yield.
    for (int g = 1; g <= d.DllData().Count(); ++g) {
        std::shared_ptr<ClsDllData> entry;
        try {
            entry = d.DllData().Item(g);
        } catch (const std::exception&) {
            break;
        }
        if (!yieldOk()) return false;
        if (switchedOff()) return true;
        const int outcome = RunPlugin(monitor_, entry->DllName, entry->Parameter);
        if (!goOn()) return false;
        if (switchedOff()) return true;
        if (outcome == 1) {
            if (entry->Image() != QLatin1String("SStart")) {
                entry->SetImage(QStringLiteral("SStart"));
                // The computer's row carries the plug-in's recovery; it keeps whatever state
                // another check of this pass gave the computer.
                UpdateCheckStatus(d.IPAddress, d.Image(), 0, QStringLiteral("SStart"));
            }
        } else if (outcome == 0) {
            const QString text = entry->Text();
            if (!yieldOk()) return false;
            if (switchedOff()) return true;
            bothLists(NgServiceLine(d, QStringLiteral("ﾁｪｯｸ=") + text, false));
            d.NotIPAddress = true;
            SetNodeStateAndAlarm(monitor_, d,
                                 NodeOutcome{QStringLiteral("Question"), QLatin1Char('%'), QStringLiteral("SStop"), text,
                                             entry->SubNo},
                                 entry.get());
            AlarmBlock(d, true);
        }
        if (!yieldOk(2)) return false;
    }
    return true;
}

bool OnSchedule(ClsPingData& d, const QDateTime& now) {
    if (!(d.NoCheckGrp && d.NoCheckSrv)) return false;
    const bool weekly = d.WaitTime().TimeCheck(now);
    const bool dated = d.WaitDayTime().TimeCheck(now);
    return weekly && dated;
}

bool BackOffOver(const ClsPingData& d) { return d.NotIPAddress && d.NotConnectCount >= gOptNGRset - 1; }

}  // namespace checkround

namespace {

// One computer's turn in a round. Returns false when the round must end (the target list
// was rebuilt or re-sorted under a yield, so positions name other computers now, or the
// program is closing).
class Turn : ComputerCheck {
public:
    Turn(Monitor& monitor, CheckSession::Check& check, EarlyEchoes& early, std::shared_ptr<ClsPingData> item)
        : ComputerCheck(monitor, check, std::move(item)), ping_(check.Probe()), early_(early) {
        followSwitch_ = true;
    }

    bool run(const QDateTime& now) {
        ClsPingData& d = *item_;
        if (!yieldOk(2)) return false;
        if (!OnSchedule(d, now)) return true;
        if (!yieldOk(2)) return false;
        ping_.setTimeout(d.Timeout);
        if (!yieldOk()) return false;
        if (BackOffOver(d)) {
            d.NotIPAddress = false;
            d.NotConnectCount = 0;
        }
        if (d.NotIPAddress) {
            ++d.NotConnectCount;
            return true;
        }
        if (!yieldOk(2)) return false;
        int result = 0;
        if (d.NoCheckPing) {
            const EarlyEchoes::Taken early = early_.Take(d, check_.StopCondition());
            if (!goOn()) return false;
            bool answered = false;
            if (early.ticket) {
                result = ping_.Ping(d.IPAddress, d.Computer, early_.Flight(), early.ticket);
                if (!goOn()) return false;
                // A time-out behind a router that was spending its error budget may be the
                // budget speaking, not the computer: it is probed again, now.
                answered = !(result == 1 && early_.Doubtful(d, early));
            }
            if (!answered) {
                if (!early_.AwaitWay(d, check_.StopCondition()) || !goOn()) return false;
                if (switchedOff()) return true;
                check_.Session().NoteProbe(d.IPAddress);
                result = ping_.Ping(d.IPAddress, d.Computer);
                if (!goOn()) return false;
                early_.Probed(d, ping_);
            }
        }
        const QString pingMsg = ping_.PingMsg();
        if (!yieldOk(2)) return false;
        if (switchedOff()) return true;  // switched off during the echo: its answer is dropped
        switch (result) {
        case 0: return echoGood(pingMsg);
        case 1: return noReply(pingMsg);
        case 2: return echoError(pingMsg);
        default: return true;
        }
    }

private:
    bool echoGood(const QString& pingMsg) {
        ClsPingData& d = *item_;
        AddLogLine(monitor_.ListPing(0), echoLine(pingMsg));
        d.NotConnectCount = 0;
        d.NotIPAddress = false;
        state(QStringLiteral("Nomal"));
        if (d.PortData().Count() > 0) {
            if (!yieldOk()) return false;
            if (!ports()) return false;
        }
        if (gDllCount() > 0 && d.DllData().Count() > 0) {
            if (!yieldOk()) return false;
            if (!plugins()) return false;
        }
        return true;
    }

    bool ports() {
        ClsPingData& d = *item_;
        // Every listed port is probed at once; the results are taken in list order where
        // they stand for a probe in the port's turn (below), else the port is probed then,
        // as is a port added meanwhile. (The entries are held, so a removed one's address
        // never stands for a new one.)
        const Monitor::PortFunction& seam = monitor_.PortFunctionSeam();
        const std::function<bool()> stop = check_.StopCondition();
        std::vector<std::pair<std::shared_ptr<ClsPortData>, std::unique_ptr<PortProbe>>> probes;
        if (!seam)
            for (const auto& port : d.PortData())
                probes.emplace_back(port, std::make_unique<PortProbe>(d.IPAddress, port->PortNo));
        const quint64 probesAtStart = check_.Session().ProbeCount(d.IPAddress);
        // A port's result stands for a probe in its turn only while it is younger than one
        // attempt's wait, and while nothing else has probed the computer since.
        const auto probed = [&](const ClsPortData& port) {
            if (seam) return seam(d.IPAddress, port.PortNo);
            for (auto& [entry, probe] : probes)
                if (entry.get() == &port && check_.Session().ProbeCount(d.IPAddress) == probesAtStart &&
                    (!probe->Done() || probe->DoneSinceMs() < PortProbe::AttemptWaitMs()))
                    return probe->Wait(stop);
            return PortCheck(d.IPAddress, port.PortNo, 1, stop);
        };
        for (int p = 1; std::shared_ptr<ClsPortData> port = portAt(p); ++p) {
            if (!yieldOk()) return false;
            if (switchedOff()) return true;
            const bool ok = probed(*port);
            if (!goOn()) return false;
            if (switchedOff()) return true;
            if (ok) {
                portAnswered(*port);
            } else {
                if (!yieldOk()) return false;
                if (switchedOff()) return true;
                bothLists(NgServiceLine(d, QStringLiteral("ﾎﾟｰﾄ=") + QString::number(port->PortNo) + QLatin1Char(':') +
                                               port->PortService, false));
                d.NotIPAddress = true;
                SetNodeStateAndAlarm(monitor_, d,
                                     NodeOutcome{QStringLiteral("Question"), QLatin1Char('$'), QStringLiteral("SStop"),
                                                 port->PortService, port->PortNo},
                                     port.get());
                AlarmBlock(d, true);
            }
            if (!yieldOk(2)) return false;
        }
        return true;
    }

    bool noReply(const QString& pingMsg) {
        ClsPingData& d = *item_;
        if (!yieldOk()) return false;
        if (switchedOff()) return true;
        ++d.NotConnectCount;
        d.NotIPAddress = false;
        const qint32 w = std::max<qint32>(d.WrongCount, 1);
        auto line = [&] { return pingMsg + QLatin1Char('\t') + FullWidthNumber(d.NotConnectCount) + QStringLiteral("回目") + who(); };
        const qint32 c = d.NotConnectCount;
        if (c < w) {
            state(QStringLiteral("Critical"));
            AddLogLine(monitor_.ListPing(0), line());
        } else if (c == w) {
            state(QStringLiteral("Question"));
            bothLists(line());
            AlarmBlock(d, false);
        } else if (c % w == 0) {
            if (c > 30000) d.NotConnectCount = w;
            bothLists(line());
            state(QStringLiteral("Stop"));
            AlarmBlock(d, true);
        }
        Yield();
        return true;
    }

    bool echoError(const QString& pingMsg) {
        ClsPingData& d = *item_;
        if (!yieldOk()) return false;
        if (switchedOff()) return true;
        bothLists(QStringLiteral("接続NG!\t") + who() + QStringLiteral(" IPｱﾄﾞﾚｽ or ｻｰﾊﾞ確認(") + pingMsg + QLatin1Char(')'));
        d.NotIPAddress = true;
        state(QStringLiteral("Stop"));
        AlarmBlock(d, true);
        Yield();
        return true;
    }

    ClsPing& ping_;
    EarlyEchoes& early_;
};

}  // namespace

void CheckAllTargets(Monitor& monitor, ClsPing& ping) {
    if (monitor.Session().Running()) return;
    CheckSession::Check check(monitor.Session(), ping);
    Yield();
    DeleteOldLog();
    Yield();
    if (gPingDatas.ListCount() == 0) return;
    const QDateTime now = QDateTime::currentDateTime();
    Yield();
    const qint32 n = gPingDatas.ListCount();
    check.TakeList();  // the computers the round walks are those of the list as it is now
    EarlyEchoes early(check.Probe(), monitor.Session(), now, n);
    for (qint32 i = 1; i <= n; ++i) {
        Yield();
        Yield();
        if (!gCheckContinue) break;
        if (!check.ListUnchanged()) return;  // rebuilt: positions mean other computers
        std::shared_ptr<ClsPingData> item = gPingDatas.Item(i);
        if (!item) break;
        bool goOn = true;
        try {
            goOn = Turn(monitor, check, early, item).run(now);
        } catch (const std::exception& e) {
            // Contained to this computer: the others are still checked.
            qWarning("check of %s failed: %s", qPrintable(item->IPAddress), e.what());
        }
        if (!goOn) return;
    }
    LampTest(monitor);
}
