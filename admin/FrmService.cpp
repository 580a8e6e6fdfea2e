#include "admin/FrmService.h"

#include "model/Globals.h"
#include "model/Seams.h"
#include "model/TreeNodes.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSqlQuery>
#include <QVBoxLayout>

namespace {
QString PortNodeText(const QString& service, qint32 port) {
    return service + QStringLiteral("  【") + QString::number(port) + QStringLiteral("】");
}
}  // namespace

FrmService::FrmService(TreeNodes& tree, QWidget* owner)
    : RecordDialog(&tree, owner, QStringLiteral("サービスの管理")) {
    setObjectName(QStringLiteral("FrmService"));
    Lbl_Computer = new QLabel(this);
    Lbl_Computer->setObjectName(QStringLiteral("Lbl_Computer"));
    txt_Port = new QLineEdit(this);
    txt_Port->setObjectName(QStringLiteral("txt_Port"));
    txt_Port->setAttribute(Qt::WA_InputMethodEnabled, false);
    // Digits only, as typed; a pasted text that is not a number is still refused at save.
    txt_Port->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), txt_Port));
    txt_Display = new QLineEdit(this);
    txt_Display->setObjectName(QStringLiteral("txt_Display"));
    LstDB = new QListWidget(this);
    LstDB->setObjectName(QStringLiteral("LstDB"));
    // Only to be read: last in the Tab order, so it can be scrolled from the keyboard.
    LstDB->setSelectionMode(QAbstractItemView::NoSelection);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ｺﾝﾋﾟｭｰﾀ名"), Lbl_Computer);
    form->addRow(QStringLiteral("ﾎﾟｰﾄ番号"), txt_Port);
    form->addRow(QStringLiteral("表 示 名"), txt_Display);
    auto* left = new QVBoxLayout;
    left->addLayout(form);
    left->addStretch(1);
    left->addLayout(MakeButtonRow());
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("参　　考"), this));
    right->addWidget(LstDB);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 3);
    layout->addLayout(right, 2);
    resize(560, 260);

    SetUpField(txt_Port, 5);
    SetUpField(txt_Display, 50);
    QWidget* order[] = {txt_Port, txt_Display, cmdUpdate, cmdClose, LstDB};
    for (std::size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

    auto db = Database::Open(gOptDatabasePath);
    if (gSelPort != 0) {
        SetUpdateMode(true);
        LockKeyField(txt_Port);
        if (!db) return;
        auto q = db->Query(QStringLiteral("SELECT ポート番号, サービス名 FROM TBL_PortCheck WHERE アドレス = ? AND ポート番号 = ?"),
                           {gSelAddress, gSelPort});
        if (!q) return;
        if (q->next()) {
            txt_Port->setText(q->value(0).toString());
            txt_Display->setText(q->value(1).toString());
        }
    } else {
        SetUpdateMode(false);
    }
    if (!db) return;
    auto services = db->Query(QStringLiteral("SELECT サービス名, ポート番号 FROM TBL_Service ORDER BY ポート番号"));
    if (!services) return;
    LstDB->addItem(QStringLiteral("ポート№\t|サービス名"));
    while (services->next())
        LstDB->addItem(services->value(1).toString() + QStringLiteral("\t|") + services->value(0).toString());
}

bool FrmService::Save() {
    const QString portText = txt_Port->text().trimmed();
    bool isNumber = false;
    const qint64 port = portText.toLongLong(&isNumber);
    // TCP ports end at 65535: a check on 65536 could never connect.
    if (portText.isEmpty() || !isNumber || port < 1 || port > 65535) return Refuse(txt_Port, servicemsg::kPort);
    if (txt_Display->text().trimmed().isEmpty()) return Refuse(txt_Display, recordmsg::kNoDisplay);
    const QString service = txt_Display->text().trimmed();
    const QString address = gSelAddress;
    const bool selectionSet = gSelPort != 0;

    auto db = OpenForWriting();
    if (!db) return false;
    bool found = false;
    if (auto exists = RowExists(*db, QStringLiteral("SELECT 1 FROM TBL_PortCheck WHERE アドレス = ? AND ポート番号 = ?"),
                                {address, port}))
        found = *exists;
    else
        return false;
    // An existing check is renamed under its own port only.
    if (selectionSet && port != gSelPort) found = false;
    const SaveMode mode = DecideSaveMode(found, selectionSet, servicemsg::kDuplicate);
    if (mode == SaveMode::None) return false;

    QString error;
    const bool written =
        mode == SaveMode::Insert
            ? db->Execute(QStringLiteral("INSERT INTO TBL_PortCheck (アドレス, ポート番号, サービス名, 状況) VALUES (?, ?, ?, 'SStart')"),
                          {address, port, service}, &error)
            : db->Execute(QStringLiteral("UPDATE TBL_PortCheck SET サービス名 = ?, 状況 = 'SStart' "
                                         "WHERE アドレス = ? AND ポート番号 = ?"),
                          {service, address, port}, &error);
    if (!written) {
        ReportWriteFailure(error);
        return false;
    }
    gSelPort = static_cast<qint32>(port);
    const qint32 no = gPingDatas.GetItemNo(address);
    const ClsPingDatas::Ptr computer = no ? gPingDatas.Item(no) : nullptr;
    if (mode == SaveMode::Insert) {
        SetUpdateMode(true);
        const QString key = QLatin1Char('$') + address + QLatin1Char('@') + QString::number(port);
        const auto entry = ClsPortDatas::Make(gSelPort, service);
        if (TreeNode* node = Tree()->Add(QLatin1Char('#') + address, tvwChild, key, PortNodeText(service, gSelPort),
                                         QStringLiteral("SStart"), entry))
            Tree()->SetSelectedItem(node);
        // From now on the dialog rewrites the port's node, also one left under that key from
        // a row another program removed; never the computer node it was opened on.
        Remember(key);
        if (computer) computer->PortData().AddElement(entry);
    } else if (TreeNode* node = RememberedNode()) {
        Tree()->SetText(node, PortNodeText(service, gSelPort));
        if (computer)
            if (const int at = computer->PortData().GetItemNo(gSelPort))
                if (auto entry = computer->PortData().Item(at)) entry->PortService = service;
    } else {
        MsgBox(recordmsg::kOdd, vb::vbOKOnly);
    }
    LockKeyField(txt_Port);
    return true;
}
