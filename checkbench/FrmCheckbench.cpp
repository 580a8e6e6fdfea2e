#include "checkbench/FrmCheckbench.h"

#include "plugins/common/Errors.h"
#include "plugins/host/LateBound.h"

#include <QCoreApplication>
#include <QDebug>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int kExclamation = 48;
constexpr int kInformation = 64;

enum Column { ColTitle = 0, ColFile = 1, ColVersion = 2, ColArgument = 3 };
}  // namespace

FrmCheckbench::FrmCheckbench(const QString& folder, QWidget* parent)
    : QWidget(parent), folder_(folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder) {
    setObjectName(QStringLiteral("FrmCheckbench"));
    setWindowTitle(QStringLiteral("チェックベンチ"));

    ListViewDll = new QTreeWidget(this);
    ListViewDll->setObjectName(QStringLiteral("ListViewDll"));
    ListViewDll->setColumnCount(4);
    ListViewDll->setHeaderLabels(
        {QStringLiteral("機能名"), QStringLiteral("ﾌｧｲﾙ名"), QStringLiteral("ﾊﾞｰｼﾞｮﾝ"), QStringLiteral("引数の説明")});
    ListViewDll->setRootIsDecorated(false);
    ListViewDll->setSelectionMode(QAbstractItemView::SingleSelection);
    ListViewDll->setAllColumnsShowFocus(true);
    ListViewDll->header()->setSectionsClickable(true);
    ListViewDll->header()->setStretchLastSection(true);

    auto* label = new QLabel(QStringLiteral("引数"), this);
    TxtParm = new QLineEdit(this);
    TxtParm->setObjectName(QStringLiteral("TxtParm"));
    label->setBuddy(TxtParm);
    CmdSelect = new QPushButton(QStringLiteral("選択"), this);
    CmdSelect->setObjectName(QStringLiteral("CmdSelect"));

    auto* parameterRow = new QHBoxLayout;
    parameterRow->addWidget(label);
    parameterRow->addWidget(TxtParm, 1);
    parameterRow->addWidget(CmdSelect);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListViewDll, 1);
    layout->addLayout(parameterRow);
    resize(720, 320);

    connect(ListViewDll, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { ListViewDll_Click(item); });
    connect(ListViewDll->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { ListViewDll_ColumnClick(column); });
    connect(CmdSelect, &QPushButton::clicked, this, [this] { CmdSelect_Click(); });
}

FrmCheckbench::~FrmCheckbench() {
    // The rows go before the objects they describe.
    ListViewDll->clear();
    dlls_.clear();
}

void FrmCheckbench::Load() {
    ListViewDll->hide();
    ListViewDll->clear();
    dlls_.clear();

    std::vector<plugin::RefusedPlugin> refused;
    dlls_ = plugin::FindPlugins(folder_, &refused);
    for (const plugin::FoundPlugin& dll : dlls_) {
        // A member that cannot be read shows as "": the plug-in is still listed and can be tried.
        new QTreeWidgetItem(ListViewDll, {plugin::GetText(dll.object, "Title"), dll.fileName,
                                          plugin::GetText(dll.object, "Version"),
                                          plugin::GetText(dll.object, "Argument")});
    }
    if (QTreeWidgetItem* first = ListViewDll->topLevelItem(0)) {
        ListViewDll->setCurrentItem(first);
        first->setSelected(true);
        TxtParm->setText(first->text(ColArgument));
    }
    for (int c = ColTitle; c < ColArgument; ++c) ListViewDll->resizeColumnToContents(c);
    ListViewDll->show();

    // A file beside the bench that holds no plug-in is simply not listed: the folder holds
    // the program's other libraries too. Why it was left out goes to the log only.
    for (const plugin::RefusedPlugin& r : refused)
        qInfo().noquote() << "not a plug-in:" << r.fileName << "-" << r.error;
}

void FrmCheckbench::ListViewDll_Click(QTreeWidgetItem* item) {
    if (item && item->isSelected()) TxtParm->setText(item->text(ColArgument));
}

void FrmCheckbench::ListViewDll_ColumnClick(int column) {
    sortOrder_ = sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    ListViewDll->sortItems(column, sortOrder_);
}

void FrmCheckbench::CmdSelect_Click() {
    const QList<QTreeWidgetItem*> selected = ListViewDll->selectedItems();
    if (selected.isEmpty()) return;
    const QString fileName = selected.first()->text(ColFile);

    plugin::ObjectPtr object;
    for (const plugin::FoundPlugin& dll : dlls_)
        if (dll.fileName == fileName) {
            object = dll.object;
            break;
        }
    if (!object) return;

    // Parameter before Proc: every Parameter put sets Proc back to "I", and the window is
    // meant to open as an update.
    int error = plugin::Put(object, "Parameter", TxtParm->text());
    if (error == plugin::ErrNone) error = plugin::Put(object, "Proc", QStringLiteral("U"));
    if (error != plugin::ErrNone) {
        ShowMessage(QStringLiteral("エラー %1").arg(error), kExclamation);
        return;
    }
    const std::optional<QVariant> confirmed = plugin::Call(object, "FromShow");
    if (!confirmed) {
        ShowMessage(QStringLiteral("エラー %1").arg(plugin::ErrCallFailed), kExclamation);
        return;
    }
    if (!confirmed->toBool()) return;
    ShowMessage(QStringLiteral("引数(OUT)=") + plugin::GetText(object, "Parameter"), kInformation);
}

int FrmCheckbench::ShowMessage(const QString& prompt, int style) {
    if (messageBox_) return messageBox_(prompt, style, windowTitle());
    QMessageBox box(style == kExclamation ? QMessageBox::Warning : QMessageBox::Information, windowTitle(), prompt,
                    QMessageBox::Ok, this);
    box.exec();
    return 1;  // OK
}
