#include "engine/NodeState.h"

#include "engine/CheckRound.h"
#include "engine/Monitor.h"
#include "alarms/Notify.h"
#include "model/CheckStatus.h"
#include "model/EventLog.h"
#include "model/Globals.h"
#include "model/TreeNodes.h"

#include <QHash>

namespace {

// Full-width katakana and the kana punctuation, with their half-width spellings (voiced
// and semi-voiced kana become two characters).
const QHash<QChar, QString>& kanaTable() {
    static const QHash<QChar, QString> table = [] {
        QHash<QChar, QString> t;
        const QString wide = QStringLiteral(
            "ァアィイゥウェエォオカキクケコサシスセソタチッツテトナニヌネノハヒフヘホマミムメモャヤュユョヨラリルレロワヲンー。「」、・ヴ");
        const QString narrow = QStringLiteral(
            "ｧｱｨｲｩｳｪｴｫｵｶｷｸｹｺｻｼｽｾｿﾀﾁｯﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓｬﾔｭﾕｮﾖﾗﾘﾙﾚﾛﾜｦﾝｰ｡｢｣､･");
        for (int i = 0; i < narrow.size(); ++i) t.insert(wide.at(i), QString(narrow.at(i)));
        t.insert(QChar(0x30F4), QStringLiteral("ｳﾞ"));  // ヴ
        const QString voiced = QStringLiteral("ガギグゲゴザジズゼゾダヂヅデドバビブベボ");
        const QString voicedBase = QStringLiteral("ｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾊﾋﾌﾍﾎ");
        for (int i = 0; i < voiced.size(); ++i) t.insert(voiced.at(i), QString(voicedBase.at(i)) + QStringLiteral("ﾞ"));
        const QString semi = QStringLiteral("パピプペポ");
        const QString semiBase = QStringLiteral("ﾊﾋﾌﾍﾎ");
        for (int i = 0; i < semi.size(); ++i) t.insert(semi.at(i), QString(semiBase.at(i)) + QStringLiteral("ﾟ"));
        t.insert(QChar(0x309B), QStringLiteral("ﾞ"));
        t.insert(QChar(0x309C), QStringLiteral("ﾟ"));
        t.insert(QChar(0xFFE5), QStringLiteral("\\"));  // full-width yen: the narrow yen of the code page
        t.insert(QChar(0x2019), QStringLiteral("'"));
        t.insert(QChar(0x201D), QStringLiteral("\""));
        t.insert(QChar(0x2018), QStringLiteral("`"));
        return t;
    }();
    return table;
}

}  // namespace

QString NarrowText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E) out += QChar(u - 0xFF01 + 0x21);
        else if (u == 0x3000) out += QLatin1Char(' ');
        else if (auto it = kanaTable().constFind(c); it != kanaTable().constEnd()) out += *it;
        else out += c;
    }
    return out;
}

NodeDecision DecideNodeState(const QString& oldComputer, const QString& oldService, const NodeOutcome& outcome,
                             const QString& group, const QString& address, const QString& nodeText) {
    NodeDecision d;
    if (oldComputer != outcome.computerImage) {
        d.computerChanges = true;
        d.status.push_back({outcome.computerImage, 0, QStringLiteral("SStart")});
    }
    if (outcome.computerImage == QLatin1String("Stop")) {
        d.message = QStringLiteral("ｺﾝﾋﾟｭｰﾀが通信不能の状態。至急確認！");
    } else if (outcome.serviceImage == QLatin1String("SStop")) {
        // The kind tells a port from a plug-in check; a service of neither kind is no alarm.
        const bool port = outcome.serviceKind == QLatin1Char('$');
        const bool plugin = outcome.serviceKind == QLatin1Char('%');
        if ((port || plugin) && oldService != outcome.serviceImage) {
            d.serviceChanges = true;
            // Plug-in checks have no status row of their own: the computer's row carries it.
            d.status.push_back(port ? StatusWrite{outcome.computerImage, outcome.portNo, outcome.serviceImage}
                                    : StatusWrite{outcome.computerImage, 0, QStringLiteral("SStart")});
        }
        if (port)
            d.message = QStringLiteral("ｻｰﾋﾞｽ(") + outcome.serviceName.trimmed() + QStringLiteral(")が停止中。至急確認！");
        else if (plugin)
            d.message = QStringLiteral("ｻｰﾋﾞｽ(") + outcome.serviceName.trimmed() + QStringLiteral(")で異常。至急確認！");
    } else if (outcome.computerImage == QLatin1String("Question")) {
        d.message = QStringLiteral("ｺﾝﾋﾟｭｰﾀの通信ﾚｽﾎﾟﾝｽが遅い状態です。注意！");
    }
    if (!d.message.isEmpty())
        d.notice = QStringLiteral("ｸﾞﾙｰﾌﾟ=") + group + QStringLiteral(",IP=") + address + QStringLiteral(",名称=") +
                   NarrowText(nodeText) + d.message;
    return d;
}

void ShowNodeDecision(const NodeDecision& decision, const NodeOutcome& outcome, ClsPingData& computer,
                      TreeNode* service) {
    if (decision.computerChanges) computer.SetImage(outcome.computerImage);
    if (decision.serviceChanges && service) service->SetImage(outcome.serviceImage);
}

void StoreNodeDecision(const NodeDecision& decision, const QString& address) {
    for (const StatusWrite& w : decision.status) UpdateCheckStatus(address, w.computerState, w.port, w.serviceState);
}

void DeliverNodeDecision(Monitor& monitor, const NodeDecision& decision, const QString& group,
                         const QString& address, const QString& nodeText) {
    if (decision.message.isEmpty()) return;
    if (NotifyForm* notify = monitor.NotifyTarget())
        SendLanMessage(*notify, QStringLiteral("12"), group, address, decision.notice);
    WriteErrLog(group, address, nodeText, decision.message);
}

void SetNodeStateAndAlarm(Monitor& monitor, ClsPingData& computer, const NodeOutcome& outcome, TreeNode* service) {
    const NodeDecision decision = DecideNodeState(computer.Image(), TreeNodes::Image(service), outcome,
                                                  computer.Group, computer.IPAddress, computer.Text());
    ShowNodeDecision(decision, outcome, computer, service);
    StoreNodeDecision(decision, computer.IPAddress);
    DeliverNodeDecision(monitor, decision, computer.Group, computer.IPAddress, computer.Text());
    checkround::Yield();
}
