#include "schedules/FrmWait.h"

#include "model/Database.h"
#include "model/Globals.h"
#include "model/Loader.h"
#include "model/RowNumbers.h"
#include "model/Seams.h"
#include "model/TimeFormat.h"
#include "model/TreeNodes.h"
#include "schedules/TimeWindowRule.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kSelect = QStringLiteral("SELECT 開始時刻, 終了時刻, 曜日 FROM TBL_NoCheck WHERE アドレス = ? AND 連番 = ?;");

QString TwoDigits(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

QString NodeKey(const QString& address, qint16 subNo) {
    return QLatin1Char('?') + address + QLatin1Char('@') + FormatRowNumber(subNo);
}

}  // namespace

FrmWait::FrmWait(TreeNodes& tree, QWidget* owner) : QDialog(owner), tree_(tree) {
    BuildLayout();
    Load();
}

void FrmWait::BuildLayout() {
    setWindowTitle(QStringLiteral("非監視スケジュールの管理"));
    auto* top = new QVBoxLayout(this);

    auto* computerRow = new QHBoxLayout;
    computerRow->addWidget(new QLabel(QStringLiteral("ｺﾝﾋﾟｭｰﾀ名"), this));
    Lbl_Computer = new QLabel(this);
    Lbl_Computer->setObjectName(QStringLiteral("Lbl_Computer"));
    Lbl_Computer->setFrameShape(QFrame::Panel);
    Lbl_Computer->setFrameShadow(QFrame::Sunken);
    Lbl_Computer->setMinimumWidth(300);
    computerRow->addWidget(Lbl_Computer, 1);
    top->addLayout(computerRow);

    top->addLayout(MakeTimeWindowRow(this, txt_TimeWait));

    auto* dayRow = new QHBoxLayout;
    dayRow->addWidget(new QLabel(QStringLiteral("稼　　働"), this));
    const QString days[7] = {QStringLiteral("日曜"), QStringLiteral("月曜"), QStringLiteral("火曜"),
                             QStringLiteral("水曜"), QStringLiteral("木曜"), QStringLiteral("金曜"),
                             QStringLiteral("土曜")};
    for (int i = 1; i <= 7; ++i) {
        ChkDay[i] = new QCheckBox(days[i - 1], this);
        ChkDay[i]->setObjectName(QStringLiteral("ChkDay%1").arg(i));
        ChkDay[i]->setChecked(true);
        dayRow->addWidget(ChkDay[i]);
    }
    // Sunday's caption in red, Saturday's in blue (the boxes themselves keep their colours).
    for (auto [i, colour] : {std::pair{1, QColor(255, 0, 0)}, std::pair{7, QColor(0, 0, 255)}}) {
        QPalette p = ChkDay[i]->palette();
        p.setColor(QPalette::WindowText, colour);
        ChkDay[i]->setPalette(p);
    }
    dayRow->addStretch();
    top->addLayout(dayRow);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    cmdUpdate = new QPushButton(this);
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    cmdUpdate->setAutoDefault(false);
    cmdClose = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setAutoDefault(false);
    buttons->addWidget(cmdUpdate);
    buttons->addWidget(cmdClose);
    top->addLayout(buttons);

    connect(cmdUpdate, &QPushButton::clicked, this, [this] { cmdUpdate_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, &FrmWait::cmdClose_Click);
}

void FrmWait::Load() {
    if (gSelSubNo == 0) {
        cmdUpdate->setText(QStringLiteral("登録(&I)"));
        return;
    }
    cmdUpdate->setText(QStringLiteral("更新(&U)"));
    auto db = Database::Open(gOptDatabasePath);
    if (!db) return;
    auto q = db->Query(kSelect, {gSelAddress, gSelSubNo});
    if (!q || !q->next()) return;  // gone meanwhile: the design values stay
    const int start = q->value(0).toInt();
    const int end = q->value(1).toInt();
    txt_TimeWait[0]->setText(TwoDigits(start / 100));
    txt_TimeWait[1]->setText(TwoDigits(start % 100));
    txt_TimeWait[2]->setText(TwoDigits(end / 100));
    txt_TimeWait[3]->setText(TwoDigits(end % 100));
    const QString mask = q->value(2).toString();
    for (int i = 1; i <= 7; ++i) ChkDay[i]->setChecked(mask.size() >= i && mask.at(i - 1) == QLatin1Char('1'));
}

QString FrmWait::DayMask() const {
    QString mask;
    for (int i = 1; i <= 7; ++i)
        mask += ChkDay[i]->checkState() == Qt::Checked ? QLatin1Char('1') : QLatin1Char('0');
    return mask;
}

bool FrmWait::cmdUpdate_Click() {
    const TimeWindowVerdict rule = RunTimeWindowRule(txt_TimeWait);
    if (!rule.ok) return false;
    const QString mask = DayMask();

    auto db = Database::Open(gOptDatabasePath);
    if (!db) {
        MsgBox(waitmsg::kWriteFailed, vb::vbOKOnly | vb::vbExclamation);
        return false;
    }
    auto found = db->Query(kSelect, {gSelAddress, gSelSubNo});
    if (!found) {
        MsgBox(waitmsg::kWriteFailed, vb::vbOKOnly | vb::vbExclamation);
        return false;
    }
    const bool exists = found->next();
    found->finish();
    if (exists && gSelSubNo == 0) {
        MsgBox(waitmsg::kDuplicate, vb::vbOKOnly | vb::vbCritical);
        return false;
    }
    if (!exists && gSelSubNo != 0) {
        MsgBox(waitmsg::kDeleted, vb::vbOKOnly | vb::vbQuestion);
        return false;
    }

    const bool insert = !exists;
    qint16 subNo = gSelSubNo;
    bool written = false;
    if (insert) {
        QString why;
        const auto next = NextRowNumber(*db, QStringLiteral("TBL_NoCheck"), gSelAddress, &why);
        // Numbers used up: that has been said already, and nothing is written.
        if (!next && why.isEmpty()) return false;
        if (next) {
            subNo = *next;
            written = db->Execute(QStringLiteral("INSERT INTO TBL_NoCheck (アドレス, 連番, 開始時刻, 終了時刻, 曜日) "
                                                 "VALUES (?, ?, ?, ?, ?);"),
                                  {gSelAddress, subNo, rule.start, rule.end, mask});
        }
    } else {
        written = db->Execute(QStringLiteral("UPDATE TBL_NoCheck SET 開始時刻 = ?, 終了時刻 = ?, 曜日 = ? "
                                             "WHERE アドレス = ? AND 連番 = ?;"),
                              {rule.start, rule.end, mask, gSelAddress, subNo});
    }
    if (!written) {
        // Nothing is patched: the tree and the model show what the database holds.
        MsgBox(waitmsg::kWriteFailed, vb::vbOKOnly | vb::vbExclamation);
        return false;
    }

    const QString text = FormatWaitTimeText(rule.start, rule.end, mask);
    const qint32 n = gPingDatas.GetItemNo(gSelAddress);
    const auto computer = n > 0 ? gPingDatas.Item(n) : nullptr;
    if (insert) {
        gSelSubNo = subNo;
        cmdUpdate->setText(QStringLiteral("更新(&U)"));
        const auto entry = ClsWaitTimes::Make(subNo, rule.start, rule.end, mask);
        if (TreeNode* node = tree_.Add(QLatin1Char('#') + gSelAddress, tvwChild, NodeKey(gSelAddress, subNo), text,
                                       QStringLiteral("Wait"), entry))
            tree_.SetSelectedItem(node);
        if (computer) computer->WaitTime().AddElement(entry);
    } else {
        TreeNodes::SetText(tree_.Item(NodeKey(gSelAddress, subNo)), text);
        if (computer) {
            const int at = computer->WaitTime().GetItemNo(subNo);
            if (at > 0) {
                auto w = computer->WaitTime().Item(at);
                w->TimeStart = rule.start;
                w->TimeEnd = rule.end;
                w->TimeDay = mask;
            }
        }
    }
    return true;
}
