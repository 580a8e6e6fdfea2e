#include "console/FrmDisplayLog.h"

#include "model/EventLog.h"
#include "model/Seams.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTreeWidget>

namespace {

constexpr int kPathRole = Qt::UserRole;

// A day file: eight digits and the extension LOG in any letter case.
bool IsDayFile(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^\\d{8}\\.log$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern.match(name).hasMatch();
}

QString DateText(const QString& fileName) {
    return fileName.left(4) + QLatin1Char('/') + fileName.mid(4, 2) + QLatin1Char('/') + fileName.mid(6, 2);
}

QTreeWidget* MakeList(QWidget* parent, const char* name, const QStringList& columns) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setHeaderLabels(columns);
    list->setSortingEnabled(false);  // the window keeps the sort state itself
    list->header()->setSectionsClickable(true);
    list->header()->setSortIndicatorShown(false);
    return list;
}

}  // namespace

QStringList SplitLogLine(QString line) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    QStringList fields;
    int from = 0;
    for (int i = 0; i < 4; ++i) {
        const int comma = line.indexOf(QLatin1Char(','), from);
        if (comma < 0) break;
        fields << line.mid(from, comma - from);
        from = comma + 1;
    }
    fields << line.mid(from);
    while (fields.size() < 5) fields << QString();
    return fields;
}

FrmDisplayLog::FrmDisplayLog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FrmDisplayLog"));
    setWindowTitle(QStringLiteral("ログ確認"));
    setSizeGripEnabled(true);

    lstFileName_ = MakeList(this, "LstFileName", {QStringLiteral("日付")});
    lstFileName_->setFixedWidth(120);
    lstViewLog_ = MakeList(this, "LstViewLog",
                           {QStringLiteral("時間"), QStringLiteral("グループ"), QStringLiteral("ＩＰアドレス"),
                            QStringLiteral("名称"), QStringLiteral("内容")});
    lstViewLog_->setColumnWidth(0, 70);
    lstViewLog_->setColumnWidth(1, 70);
    lstViewLog_->setColumnWidth(2, 110);
    lstViewLog_->setColumnWidth(3, 160);

    // The day list keeps its width and both lists fill the height; the event list takes
    // the rest of the width, so a resize never needs sizes worked out by hand.
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(lstFileName_);
    layout->addWidget(lstViewLog_, 1);
    resize(760, 420);

    connect(lstFileName_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (item && item->isSelected()) ReadFile(item->data(0, kPathRole).toString());
    });
    connect(lstFileName_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item) ReadFile(item->data(0, kPathRole).toString());
    });
    connect(lstFileName_->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { SortByColumn(lstFileName_, column); });
    connect(lstViewLog_->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { SortByColumn(lstViewLog_, column); });
    connect(lstViewLog_, &QTreeWidget::itemDoubleClicked, this, [this] { ShowSelectedEvent(); });
}

bool FrmDisplayLog::Load() {
    const QString folder = LogFolder();
    QDir dir(folder);
    if (dir.exists()) {
        // File-system order, as the folder hands the names out; a click on a header sorts.
        const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Unsorted);
        const QSignalBlocker block(lstFileName_);
        for (const QFileInfo& file : files) {
            if (!IsDayFile(file.fileName())) continue;
            auto* item = new QTreeWidgetItem(lstFileName_, {DateText(file.fileName())});
            item->setData(0, kPathRole, file.absoluteFilePath());
        }
    } else {
        QDir().mkpath(folder);
    }
    if (lstFileName_->topLevelItemCount() == 0) {
        MsgBox(QStringLiteral("ログ情報が存在しません"), vb::vbOKOnly | vb::vbQuestion);
        return false;
    }
    QTreeWidgetItem* first = lstFileName_->topLevelItem(0);
    {
        const QSignalBlocker block(lstFileName_);
        lstFileName_->setCurrentItem(first);
    }
    ReadFile(first->data(0, kPathRole).toString());
    return true;
}

void FrmDisplayLog::ReadErrLog(const QString& dateText) {
    // The day list knows each day's real file name (its extension may be in any case).
    for (int i = 0; i < lstFileName_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = lstFileName_->topLevelItem(i);
        if (item->text(0) == dateText) {
            ReadFile(item->data(0, kPathRole).toString());
            return;
        }
    }
    // Not listed: look for the day's file in the folder, extension in any case.
    const QDate date = QDate::fromString(dateText, QStringLiteral("yyyy/MM/dd"));
    if (!date.isValid()) return;
    const QString name = date.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".log");
    const QFileInfoList files = QDir(LogFolder()).entryInfoList(QDir::Files, QDir::Unsorted);
    for (const QFileInfo& file : files) {
        if (file.fileName().compare(name, Qt::CaseInsensitive) == 0) {
            ReadFile(file.absoluteFilePath());
            return;
        }
    }
}

void FrmDisplayLog::ReadFile(const QString& path) {
    QFile file(path);
    if (!file.exists()) return;
    lstViewLog_->clear();
    // Read-only opening leaves the log writer free to append meanwhile.
    if (!file.open(QIODevice::ReadOnly)) return;
    QStringDecoder decode(QStringDecoder::Utf8);
    QList<QTreeWidgetItem*> rows;
    while (!file.atEnd()) {
        const QByteArray raw = file.readLine();
        if (raw.isEmpty() && file.error() != QFileDevice::NoError) break;
        QString line = decode(raw);
        if (line.endsWith(QLatin1Char('\n'))) line.chop(1);
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (line.isEmpty()) continue;
        rows << new QTreeWidgetItem(SplitLogLine(line));
    }
    file.close();
    lstViewLog_->addTopLevelItems(rows);
    ApplySort(lstViewLog_, logSort_);
    if (lstViewLog_->topLevelItemCount() > 0) {
        QTreeWidgetItem* first = lstViewLog_->topLevelItem(0);
        lstViewLog_->setCurrentItem(first);
        first->setSelected(true);
    }
}

FrmDisplayLog::SortState& FrmDisplayLog::StateOf(QTreeWidget* list) {
    return list == lstFileName_ ? fileSort_ : logSort_;
}

void FrmDisplayLog::SortByColumn(QTreeWidget* list, int column) {
    SortState& state = StateOf(list);
    // The order belongs to the list, not to the column: every click reverses it.
    state.sorted = false;
    state.order = state.order == Qt::DescendingOrder ? Qt::AscendingOrder : Qt::DescendingOrder;
    state.column = column;
    state.sorted = true;
    ApplySort(list, state);
}

void FrmDisplayLog::ApplySort(QTreeWidget* list, const SortState& state) {
    if (!state.sorted) return;
    list->sortItems(state.column, state.order);
    list->header()->setSortIndicatorShown(true);
    list->header()->setSortIndicator(state.column, state.order);
}

void FrmDisplayLog::ShowSelectedEvent() {
    const QList<QTreeWidgetItem*> selected = lstViewLog_->selectedItems();
    if (selected.isEmpty()) return;
    const QTreeWidgetItem* row = selected.first();
    const QString text = QStringLiteral("時刻\t") + row->text(0) + QStringLiteral("\r\nｸﾞﾙｰﾌﾟ\t") + row->text(1) +
                         QStringLiteral("\r\nIPｱﾄﾞﾚｽ\t") + row->text(2) + QStringLiteral("\r\n名称\t") +
                         row->text(3) + QStringLiteral("\r\n内容\t") + row->text(4);
    MsgBox(text, vb::vbOKOnly | vb::vbInformation);
}
