#include "engine/CheckOne.h"

#include "engine/CheckRound.h"
#include "engine/CheckSteps.h"
#include "engine/ClsPing.h"
#include "engine/Monitor.h"
#include "engine/NodeState.h"
#include "engine/PortCheck.h"
#include "model/CheckStatus.h"
#include "model/DllObjects.h"
#include "model/Globals.h"
#include "model/TreeNodes.h"

#include <exception>
#include <memory>

using namespace checkround;

namespace {

class OneCheck : ComputerCheck {
public:
    OneCheck(Monitor& monitor, CheckSession::Check& check, std::shared_ptr<ClsPingData> item)
        : ComputerCheck(monitor, check, std::move(item)), ping_(check.Probe()) {}

    void run() {
        ClsPingData& d = *item_;
        ping_.setTimeout(10000);
        if (!yieldOk()) return;
        d.NotIPAddress = false;
        d.NotConnectCount = 0;
        if (!yieldOk()) return;
        int result = 0;
        // Whatever the round sent this computer before now is out of date from here on.
        check_.Session().NoteProbe(d.IPAddress);
        if (d.NoCheckPing) result = ping_.Ping(d.IPAddress, d.Computer);
        if (check_.Ending()) return;
        const QString pingMsg = ping_.PingMsg();
        if (!yieldOk(2)) return;
        switch (result) {
        case 0: echoGood(pingMsg); break;
        case 1: noReply(pingMsg); break;
        case 2: echoError(); break;
        default: break;
        }
    }

private:
    void echoGood(const QString& pingMsg) {
        ClsPingData& d = *item_;
        AddLogLine(monitor_.ListPing(0), echoLine(pingMsg));
        d.NotConnectCount = 0;
        d.NotIPAddress = false;
        state(QStringLiteral("Nomal"));
        if (d.PortData().Count() > 0 && !ports()) return;
        // Straight into the entries (no yield before the first, unlike the round). A plug-in
        // that raises counts as failed here too (RunPlugin answers 0 for it).
        if (gDllCount() > 0 && d.DllData().Count() > 0) plugins();
    }

    // Unlike the round, a failed port is shown here without an alarm text: the images and
    // rows are set directly.
    bool ports() {
        ClsPingData& d = *item_;
        for (int p = 1; std::shared_ptr<ClsPortData> port = portAt(p); ++p) {
            const bool ok = PortCheck(d.IPAddress, port->PortNo, 1, check_.StopCondition());
            if (!goOn()) return false;
            if (ok) {
                portAnswered(*port);
                continue;
            }
            if (!yieldOk()) return false;
            bothLists(NgServiceLine(d, QStringLiteral("ﾎﾟｰﾄ=") + QString::number(port->PortNo) + QLatin1Char(':') +
                                           port->PortService, true));
            d.NotIPAddress = true;
            d.SetImage(QStringLiteral("Question"));
            port->SetImage(QStringLiteral("SStop"));
            UpdateCheckStatus(d.IPAddress, QStringLiteral("Question"), 0, QStringLiteral("SStart"));
            UpdateCheckStatus(d.IPAddress, QStringLiteral("Question"), port->PortNo, QStringLiteral("SStop"));
            AlarmBlock(d, true);
            if (!yieldOk(2)) return false;  // the alarm block's closing yield, then one more
            ++d.NotConnectCount;
        }
        return true;
    }

    void noReply(const QString& pingMsg) {
        ClsPingData& d = *item_;
        ++d.NotConnectCount;
        d.NotIPAddress = false;
        const QString line = pingMsg + QLatin1Char('\t') + FullWidthNumber(d.NotConnectCount) + QStringLiteral("回目") + who();
        if (d.WrongCount > 1) {
            state(QStringLiteral("Critical"));
            AddLogLine(monitor_.ListPing(0), line);
            Yield();
        } else {
            d.SetImage(QStringLiteral("Question"));
            UpdateCheckStatus(d.IPAddress, QStringLiteral("Question"), 0, QStringLiteral("SStart"));
            bothLists(line);
            AlarmBlock(d, false);
            Yield();  // the alarm block's closing yield
        }
        Yield();
    }

    void echoError() {
        ClsPingData& d = *item_;
        if (!yieldOk()) return;
        bothLists(QStringLiteral("接続NG!\t") + who() + QStringLiteral(" IPｱﾄﾞﾚｽ or ｻｰﾊﾞ確認"));
        d.NotIPAddress = true;
        d.SetImage(QStringLiteral("Stop"));
        UpdateCheckStatus(d.IPAddress, QStringLiteral("Stop"), 0, QStringLiteral("SStart"));
        AlarmBlock(d, true);
        Yield();  // the alarm block's closing yield, then one more
        Yield();
        ++d.NotConnectCount;
    }

    ClsPing& ping_;
};

}  // namespace

void CheckOneTarget(Monitor& monitor, ClsPing& ping, const QString& address) {
    if (gPingDatas.ListCount() == 0) return;
    // Inside a round the window's echo prober is the round's: the session gives this check
    // one of its own.
    CheckSession::Check check(monitor.Session(), ping);
    const qint32 n = gPingDatas.GetItemNo(address);
    if (n != 0) {
        if (std::shared_ptr<ClsPingData> item = gPingDatas.Item(n)) {
            try {
                OneCheck(monitor, check, std::move(item)).run();
            } catch (const std::exception& e) {
                qWarning("immediate check of %s failed: %s", qPrintable(address), e.what());
            }
        }
    }
    LampTest(monitor);
}
