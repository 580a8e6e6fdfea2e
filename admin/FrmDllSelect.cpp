#include "admin/FrmDllSelect.h"

#include "admin/RecordDialog.h"
#include "alarms/PatLamp.h"
#include "model/Database.h"
#include "model/DllObjects.h"
#include "model/Encipherment.h"
#include "model/Globals.h"
#include "model/Loader.h"
#include "model/RowNumbers.h"
#include "model/Seams.h"
#include "model/TreeNodes.h"
#include "plugins/host/LateBound.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWindow>

FrmDllSelect::FrmDllSelect(TreeNodes& tree, QWidget* owner) : QDialog(owner), tree_(tree) {
    setObjectName(QStringLiteral("FrmDllSelect"));
    setWindowTitle(QStringLiteral("監視サービス選択"));
    Lbl_Computer = new QLabel(this);
    Lbl_Computer->setObjectName(QStringLiteral("Lbl_Computer"));
    ListViewDll = new QTreeWidget(this);
    ListViewDll->setObjectName(QStringLiteral("ListViewDll"));
    ListViewDll->setRootIsDecorated(false);
    ListViewDll->setHeaderLabels({QStringLiteral("機能名"), QStringLiteral("ﾌｧｲﾙ名"), QStringLiteral("ﾊﾞｰｼﾞｮﾝ")});
    ListViewDll->setSortingEnabled(false);
    ListViewDll->header()->setSectionsClickable(true);
    ListViewDll->setColumnWidth(0, 200);
    ListViewDll->setColumnWidth(1, 140);
    connect(ListViewDll->header(), &QHeaderView::sectionClicked, this, &FrmDllSelect::ListViewDll_ColumnClick);
    CmdSelect = new QPushButton(QStringLiteral("選  択(&S)"), this);
    CmdSelect->setObjectName(QStringLiteral("CmdSelect"));
    CmdClose = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    CmdClose->setObjectName(QStringLiteral("CmdClose"));
    CmdSelect->setAutoDefault(false);
    CmdClose->setAutoDefault(false);
    connect(CmdSelect, &QPushButton::clicked, this, [this] { CmdSelect_Click(); });
    connect(CmdClose, &QPushButton::clicked, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("ｺﾝﾋﾟｭｰﾀ名"), this));
    top->addWidget(Lbl_Computer, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CmdSelect);
    buttons->addWidget(CmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(new QLabel(QStringLiteral("拡張機能の選択"), this));
    layout->addWidget(ListViewDll);
    layout->addLayout(buttons);
    resize(520, 300);

    ListViewDll->hide();
    ListViewDll->clear();
    for (const DllObject& entry : gDllObjects) {
        auto* item = new QTreeWidgetItem(ListViewDll);
        // A plug-in that cannot tell its title or version is listed with an empty text.
        item->setText(0, plugin::GetText(entry.Object, "Title"));
        item->setText(1, entry.DllName);
        item->setText(2, plugin::GetText(entry.Object, "Version"));
    }
    if (ListViewDll->topLevelItemCount() > 0) ListViewDll->setCurrentItem(ListViewDll->topLevelItem(0));
    ListViewDll->show();
}

void FrmDllSelect::ListViewDll_ColumnClick(int column) {
    ascending_ = !ascending_;
    ListViewDll->sortItems(column, ascending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
    ListViewDll->header()->setSortIndicatorShown(true);
    ListViewDll->header()->setSortIndicator(column, ascending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
}

bool FrmDllSelect::TopMost() const { return topMost_; }

void FrmDllSelect::SetTopMost(bool onTop) {
    // The warning lamp keeps the top place while it is up.
    if (gPatLampShowing || topMost_ == onTop) return;
    topMost_ = onTop;
    // A shown picker is changed on its window only: changing the widget's flags would hide
    // it, and hiding a modal dialog ends it.
    if (QWindow* window = windowHandle(); window && isVisible())
        window->setFlag(Qt::WindowStaysOnTopHint, onTop);
    else
        setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
}

bool FrmDllSelect::CmdSelect_Click() {
    QTreeWidgetItem* selected = ListViewDll->currentItem();
    if (gDllCount() == 0 || !selected || !selected->isSelected()) return false;
    const QString dllName = selected->text(1);
    const plugin::ObjectPtr object = FindDllObject(dllName);
    if (!object) return false;

    const QString address = gSelAddress;
    int error = plugin::Put(object, "Proc", QStringLiteral("I"));
    if (error == plugin::ErrNone) error = plugin::Put(object, "Parameter", address + QLatin1Char('|'));
    if (error != plugin::ErrNone) {
        MsgBox(QStringLiteral("プラグインが値を受け付けませんでした（エラー番号 %1）").arg(error),
               vb::vbOKOnly | vb::vbExclamation, windowTitle());
        return false;
    }

    SetTopMost(false);
    const bool confirmed = plugin::CallBool(object, "FromShow");
    bool stored = false;
    if (confirmed) {
        // What the operator confirmed, read before anything can run another plug-in call.
        const QString title = plugin::GetText(object, "Title");
        const std::optional<QVariant> edited = plugin::Get(object, "Parameter");
        QString failure;
        if (!edited) {
            MsgBox(QStringLiteral("プラグインの設定を読み取れませんでした。"), vb::vbOKOnly | vb::vbExclamation, windowTitle());
        } else if (auto db = Database::Open(gOptDatabasePath, &failure)) {
            const QString plain = edited->toString();
            // A number that cannot be given (statement failed, numbers used up) writes nothing.
            if (const std::optional<qint16> subNo = NextRowNumber(*db, QStringLiteral("TBL_DLL"), address)) {
                gSelSubNo = *subNo;
                auto taken = db->Query(QStringLiteral("SELECT 1 FROM TBL_DLL WHERE アドレス = ? AND 連番 = ?"),
                                       {address, *subNo}, &failure);
                if (!taken) {
                    RecordDialog::ReportWriteFailure(failure);
                } else if (!taken->next()) {
                    taken->finish();
                    if (!db->Execute(QStringLiteral("INSERT INTO TBL_DLL (アドレス, 連番, DLL名, 引数) VALUES (?, ?, ?, ?)"),
                                     {address, *subNo, dllName, Encipherment(QString::fromLatin1(kParameterKey), plain)},
                                     &failure)) {
                        RecordDialog::ReportWriteFailure(failure);
                    } else {
                        stored = true;
                        const QString number = FormatRowNumber(*subNo);
                        const auto entry = ClsDllDatas::Make(*subNo, dllName, plain);
                        if (TreeNode* node = tree_.Add(QLatin1Char('#') + address, tvwChild,
                                                       QLatin1Char('%') + address + QLatin1Char('@') + number,
                                                       title + number, QStringLiteral("SStart"), entry))
                            tree_.SetSelectedItem(node);
                        if (const qint32 no = gPingDatas.GetItemNo(address))
                            if (const ClsPingDatas::Ptr computer = gPingDatas.Item(no))
                                computer->DllData().AddElement(entry);
                    }
                }
            }
        } else {
            RecordDialog::ReportWriteFailure(failure);
        }
    }
    SetTopMost(true);
    return stored;
}
