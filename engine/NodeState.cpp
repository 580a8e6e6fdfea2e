#include "engine/NodeState.h"

#include "engine/CheckForm.h"
#include "alarms/Notify.h"
#include "model/CheckStatus.h"
#include "model/EventLog.h"
#include "model/Globals.h"
#include "model/TreeNodes.h"

#include <QCoreApplication>
#include <QHash>
#include <QTreeWidgetItem>

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

void yield() { QCoreApplication::processEvents(); }

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

namespace {

void setNodeState(CheckForm& form, const ClsPingData& item, const QString& computerKey, const QString& address,
                  const QString& computerImage, const QString& serviceName, qint32 portNo,
                  const QString& serviceImage, const QString& serviceKey) {
    TreeNodes& tree = form.TreeComputer();
    QTreeWidgetItem* computerNode = tree.Item(computerKey);
    if (computerNode && TreeNodes::Key(computerNode).startsWith(QLatin1Char('#')) &&
        TreeNodes::Image(computerNode) != computerImage) {
        tree.SetImage(computerNode, computerImage);
        UpdateCheckStatus(address, computerImage, 0, QStringLiteral("SStart"));
    }
    const QString nodeText = TreeNodes::Text(computerNode);
    const QString prefix = QStringLiteral("ｸﾞﾙｰﾌﾟ=") + item.Group + QStringLiteral(",IP=") + address +
                           QStringLiteral(",名称=") + NarrowText(nodeText);

    QString message;
    if (computerImage == QLatin1String("Stop")) {
        message = QStringLiteral("ｺﾝﾋﾟｭｰﾀが通信不能の状態。至急確認！");
    } else if (serviceImage == QLatin1String("SStop")) {
        QTreeWidgetItem* serviceNode = tree.Item(serviceKey);
        // The key tells a port from a plug-in check even when the node is not (or no
        // longer) in the tree: the failure is announced all the same.
        const QString key = serviceNode ? TreeNodes::Key(serviceNode) : serviceKey;
        const bool changed = serviceNode && TreeNodes::Image(serviceNode) != serviceImage;
        if (key.startsWith(QLatin1Char('$'))) {
            if (changed) {
                tree.SetImage(serviceNode, serviceImage);
                UpdateCheckStatus(address, computerImage, portNo, serviceImage);
            }
            message = QStringLiteral("ｻｰﾋﾞｽ(") + serviceName.trimmed() + QStringLiteral(")が停止中。至急確認！");
        } else if (key.startsWith(QLatin1Char('%'))) {
            if (changed) {
                tree.SetImage(serviceNode, serviceImage);
                UpdateCheckStatus(address, computerImage, 0, QStringLiteral("SStart"));
            }
            message = QStringLiteral("ｻｰﾋﾞｽ(") + serviceName.trimmed() + QStringLiteral(")で異常。至急確認！");
        }
    } else if (computerImage == QLatin1String("Question")) {
        message = QStringLiteral("ｺﾝﾋﾟｭｰﾀの通信ﾚｽﾎﾟﾝｽが遅い状態です。注意！");
    }
    if (!message.isEmpty()) {
        const QString group = item.Group;
        if (NotifyForm* notify = form.NotifyTarget())
            SendLanMessage(*notify, QStringLiteral("12"), group, address, prefix + message);
        WriteErrLog(group, address, nodeText, message);
    }
    yield();
}

}  // namespace

void SetNodeStateAndAlarm(CheckForm& form, const QString& computerKey, const QString& address,
                          const QString& computerImage, const QString& serviceName, qint32 portNo,
                          const QString& serviceImage, const QString& serviceKey) {
    if (gPingDatas.ListCount() == 0) return;
    const qint32 n = gPingDatas.GetItemNo(address.trimmed());
    if (n == 0) {
        yield();
        return;
    }
    const std::shared_ptr<ClsPingData> item = gPingDatas.Item(n);
    if (!item) return;
    setNodeState(form, *item, computerKey, address, computerImage, serviceName, portNo, serviceImage, serviceKey);
}

void SetNodeStateAndAlarm(CheckForm& form, const ClsPingData& item, const QString& computerKey,
                          const QString& computerImage, const QString& serviceName, qint32 portNo,
                          const QString& serviceImage, const QString& serviceKey) {
    setNodeState(form, item, computerKey, item.IPAddress, computerImage, serviceName, portNo, serviceImage,
                 serviceKey);
}
