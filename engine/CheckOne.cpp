#include "engine/CheckOne.h"

#include "engine/CheckForm.h"
#include "engine/CheckRound.h"
#include "engine/CheckSteps.h"
#include "engine/ClsPing.h"
#include "engine/NodeState.h"
#include "engine/PortCheck.h"
#include "model/CheckStatus.h"
#include "model/DllObjects.h"
#include "model/Globals.h"
#include "model/TreeNodes.h"

#include <QListWidget>
#include <QTreeWidgetItem>

#include <exception>
#include <memory>

using namespace checkround;

namespace {

class OneCheck : ComputerCheck {
public:
    OneCheck(CheckForm& form, ClsPing& ping, std::shared_ptr<ClsPingData> item)
        : ComputerCheck(form, std::move(item)), ping_(ping) {}

    void run() {
        ClsPingData& d = *item_;
        ping_.setTimeout(10000);
        if (!yieldOk()) return;
        d.NotIPAddress = false;
        d.NotConnectCount = 0;
        if (!yieldOk()) return;
        computerKey_ = FindNodeKey(form_.TreeComputer(), QStringLiteral("#"), d.IPAddress, 0);
        int result = 0;
        if (d.NoCheckPing) result = ping_.Ping(d.IPAddress, d.Computer);
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
        AddLogLine(form_.ListPing(0), echoLine(pingMsg));
        d.NotConnectCount = 0;
        d.NotIPAddress = false;
        SetNodeStateAndAlarm(form_, d, computerKey_, QStringLiteral("Nomal"), QString(), 0, QString(), QString());
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
            const QString serviceKey = serviceKeyOf(QStringLiteral("$"), port->PortNo);
            const bool ok = PortCheck(d.IPAddress, port->PortNo, 1);
            if (!listUnchanged()) return false;
            if (ok) {
                portAnswered(serviceKey, port->PortNo);
                continue;
            }
            if (!yieldOk()) return false;
            bothLists(NgServiceLine(d, QStringLiteral("ﾎﾟｰﾄ=") + QString::number(port->PortNo) + QLatin1Char(':') +
                                           port->PortService, true));
            d.NotIPAddress = true;
            setImage(computerKey_, QStringLiteral("Question"));
            setImage(serviceKey, QStringLiteral("SStop"));
            UpdateCheckStatus(d.IPAddress, QStringLiteral("Question"), 0, QStringLiteral("SStart"));
            UpdateCheckStatus(d.IPAddress, QStringLiteral("Question"), port->PortNo, QStringLiteral("SStop"));
            AlarmBlock(form_, d, true);
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
            SetNodeStateAndAlarm(form_, d, computerKey_, QStringLiteral("Critical"), QString(), 0, QString(),
                                 QString());
            AddLogLine(form_.ListPing(0), line);
            Yield();
        } else {
            setImage(computerKey_, QStringLiteral("Question"));
            UpdateCheckStatus(d.IPAddress, QStringLiteral("Question"), 0, QStringLiteral("SStart"));
            bothLists(line);
            AlarmBlock(form_, d, false);
            Yield();  // the alarm block's closing yield
        }
        Yield();
    }

    void echoError() {
        ClsPingData& d = *item_;
        if (!yieldOk()) return;
        bothLists(QStringLiteral("接続NG!\t") + who() + QStringLiteral(" IPｱﾄﾞﾚｽ or ｻｰﾊﾞ確認"));
        d.NotIPAddress = true;
        setImage(computerKey_, QStringLiteral("Stop"));
        UpdateCheckStatus(d.IPAddress, QStringLiteral("Stop"), 0, QStringLiteral("SStart"));
        AlarmBlock(form_, d, true);
        Yield();  // the alarm block's closing yield, then one more
        Yield();
        ++d.NotConnectCount;
    }

    ClsPing& ping_;
};

}  // namespace

void CheckOneTarget(CheckForm& form, ClsPing& ping, const QString& address) {
    if (gPingDatas.ListCount() == 0) return;
    // The round's echo probe may be in the middle of a call further out; never share it.
    std::unique_ptr<ClsPing> own;
    ClsPing* probe = &ping;
    if (IsCheckRunning()) {
        own = std::make_unique<ClsPing>();
        probe = own.get();
    }
    CheckScope scope;
    const qint32 n = gPingDatas.GetItemNo(address);
    if (n != 0) {
        if (std::shared_ptr<ClsPingData> item = gPingDatas.Item(n)) {
            try {
                OneCheck(form, *probe, std::move(item)).run();
            } catch (const std::exception& e) {
                qWarning("immediate check of %s failed: %s", qPrintable(address), e.what());
            }
        }
    }
    LampTest(form);
}
