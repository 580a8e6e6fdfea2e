// The computer panel: the database fields of one computer and where it stands in the
// check cycle.
#include "console/FrmPing.h"

#include "model/Database.h"
#include "model/Globals.h"

#include <QLabel>
#include <QSqlQuery>
#include <QSqlRecord>

QString ConnectStateText(bool notIPAddress, qint32 ncc, qint32 wrongCount, qint32 ngrSet) {
    const QString crlf = QStringLiteral("\r\n");
    if (!notIPAddress && ncc == 0) return QStringLiteral("良好");
    if (notIPAddress)
        return QStringLiteral("非接続状態") + crlf + QString::number(qint64(ngrSet) - ncc) +
               QStringLiteral("回後、再接続チェックを行います");
    // A threshold below 1 never reaches the engine; counting as 1 keeps the text sound.
    const qint64 wc = wrongCount < 1 ? 1 : wrongCount;
    const qint64 rest = (ncc / wc + 1) * wc - ncc;  // time-outs until the next notice
    if (ncc < 2 * wc)
        return QString::number(ncc) + QStringLiteral("回連続ﾀｲﾑｱｳﾄ発生中") + crlf + QString::number(rest) +
               QStringLiteral("回連続すれば警告通知を行います");
    return QStringLiteral("非接続状態") + crlf + QString::number(ncc) + QStringLiteral("回連続ﾀｲﾑｱｳﾄ発生中") + crlf +
           QStringLiteral("後") + QString::number(rest) + QStringLiteral("回連続すれば警告通知を行います");
}

void FrmPing::ShowComputerInfo(const QString& address) {
    // The address label is the panel's memory: the computer shown is not read again.
    if (lblIPAddress_->text() == address) return;
    std::optional<QSqlRecord> row;
    if (auto db = Database::Open(gOptDatabasePath)) {
        if (auto q = db->Query(QStringLiteral("SELECT * FROM TBL_Computer WHERE アドレス = ?"), {address}))
            if (q->next()) row = q->record();
    }
    // A column without a value shows as an empty label.
    auto text = [&](const char* column) { return ColumnText(row->value(QString::fromUtf8(column))); };
    if (!row) {
        lblComputer_->setText(address);
        lblShurui_->clear();
        lblIPAddress_->clear();
        lblDescription_->clear();
        lblConnect_->clear();
        return;
    }
    lblComputer_->setText(text("コンピュータ名"));
    lblShurui_->setText(text("種類"));
    lblIPAddress_->setText(text("アドレス"));
    lblDescription_->setText(text("説明"));
    lblConnect_->clear();
    // A computer with checks off is in the database but not in the target list; looking
    // it up quietly keeps the target list's own "not found" box off a mere click.
    const QString wanted = lblIPAddress_->text().trimmed();
    for (qint32 i = 1; i <= gPingDatas.ListCount(); ++i) {
        const auto item = gPingDatas.Item(i);
        if (!item || item->IPAddress != wanted) continue;
        lblConnect_->setText(ConnectStateText(item->NotIPAddress, item->NotConnectCount, item->WrongCount, gOptNGRset));
        return;
    }
}

void FrmPing::TreeComputer_NodeClick(const TreeNode* node) {
    if (!node || !node->Parent()) return;  // nothing, or a group
    const QString& key = node->Key();
    if (key.isEmpty()) return;
    switch (key.at(0).unicode()) {
        case u'#':
            ShowComputerInfo(key.mid(1));
            break;
        case u'$':
        case u'%':
        case u'\\':
        case u'?':
            ShowComputerInfo(node->Parent()->Key().mid(1));
            break;
        default:
            break;  // "*" a group's person, "=" a calendar
    }
}
