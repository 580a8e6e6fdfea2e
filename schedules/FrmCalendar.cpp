#include "schedules/FrmCalendar.h"

#include "model/Database.h"
#include "model/Globals.h"
#include "model/Seams.h"
#include "model/TreeNodes.h"
#include "schedules/ClsCalendar.h"
#include "schedules/FrmCalenderWait.h"
#include "schedules/FrmWait.h"
#include "schedules/TimeWindowRule.h"

#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QString MonthColumn(int m) { return QStringLiteral("\"%1\"").arg(m, 2, 10, QLatin1Char('0')); }

QString MonthColumns() {
    QStringList cols;
    for (int m = 1; m <= 12; ++m) cols << MonthColumn(m);
    return cols.join(QStringLiteral(", "));
}

// HHMM as "09:00" (hours past 23 stay as they are: "27:00").
QString ClockText(int hhmm) {
    return QStringLiteral("%1:%2").arg(hhmm / 100, 2, 10, QLatin1Char('0')).arg(hhmm % 100, 2, 10, QLatin1Char('0'));
}

QString WindowText(const ClsDay& day) {
    return ClockText(day.SkipTimeStart) + QStringLiteral("～") + ClockText(day.SkipTimeLast) + QStringLiteral("まで");
}

// One write of several statements: all of them or none.
class Transaction {
public:
    explicit Transaction(Database& db) : db_(db), open_(db.db().transaction()) {}
    ~Transaction() {
        if (open_) db_.db().rollback();
    }
    bool ok() const { return open_; }
    bool Commit() {
        if (!open_) return false;
        open_ = false;
        return db_.db().commit();
    }

private:
    Database& db_;
    bool open_;
};

}  // namespace

FrmCalendar::FrmCalendar(TreeNodes& tree, QWidget* owner)
    : QDialog(owner), tree_(tree), runner_([](QDialog& d) { d.exec(); }) {
    BuildLayout();
    Load();
}

FrmCalendar::~FrmCalendar() = default;

QString FrmCalendar::CalendarNodeKey(const QString& address) {
    return QLatin1Char('=') + address + QStringLiteral("@非稼動カレンダー");
}

void FrmCalendar::BuildLayout() {
    auto* top = new QVBoxLayout(this);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(QStringLiteral("カレンダー名"), this));
    CmbName = new QComboBox(this);
    CmbName->setObjectName(QStringLiteral("CmbName"));
    CmbName->setEditable(true);
    CmbName->setInsertPolicy(QComboBox::NoInsert);
    CmbName->lineEdit()->setMaxLength(40);
    CmbName->setMinimumWidth(220);
    nameRow->addWidget(CmbName);
    nameRow->addSpacing(16);
    nameRow->addWidget(new QLabel(QStringLiteral("西　　暦"), this));
    txtYear = new QLineEdit(this);
    txtYear->setObjectName(QStringLiteral("txtYear"));
    txtYear->setMaxLength(4);
    txtYear->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), txtYear));
    txtYear->setFixedWidth(48);
    nameRow->addWidget(txtYear);
    VScroll = new QScrollBar(Qt::Vertical, this);
    VScroll->setObjectName(QStringLiteral("VScroll"));
    VScroll->setFixedHeight(txtYear->sizeHint().height());
    nameRow->addWidget(VScroll);
    nameRow->addWidget(new QLabel(QStringLiteral("年"), this));
    nameRow->addStretch();
    top->addLayout(nameRow);

    auto* computerRow = new QHBoxLayout;
    lblComputerCaption = new QLabel(QStringLiteral("コンピュータ名"), this);
    computerRow->addWidget(lblComputerCaption);
    Lbl_Computer = new QLabel(this);
    Lbl_Computer->setObjectName(QStringLiteral("Lbl_Computer"));
    Lbl_Computer->setFrameShape(QFrame::Panel);
    Lbl_Computer->setFrameShadow(QFrame::Sunken);
    computerRow->addWidget(Lbl_Computer, 1);
    LblTime = new QLabel(this);
    LblTime->setObjectName(QStringLiteral("LblTime"));
    LblTime->setMinimumWidth(160);
    computerRow->addWidget(LblTime);
    top->addLayout(computerRow);

    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("FrameCal"));
    auto* grid = new QGridLayout(frame);
    for (int m = 1; m <= 12; ++m) {
        picCalendar[m] = new ClsCalendar(frame);
        picCalendar[m]->setObjectName(QStringLiteral("picCalendar%1").arg(m));
        grid->addWidget(picCalendar[m], (m - 1) / 4, (m - 1) % 4);
        connect(picCalendar[m], &ClsCalendar::MouseUpAt, this,
                [this, m](int button, double x, double y) { picCalendar_MouseUp(m, button, x, y); });
    }
    top->addWidget(frame);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    cmdUpdate = new QPushButton(QStringLiteral("登録(&I)"), this);
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    cmdDelete = new QPushButton(QStringLiteral("削除(&D)"), this);
    cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    cmdClose = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    for (QPushButton* b : {cmdUpdate, cmdDelete, cmdClose}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    top->addLayout(buttons);

    connect(cmdUpdate, &QPushButton::clicked, this, [this] { cmdUpdate_Click(); });
    connect(cmdDelete, &QPushButton::clicked, this, &FrmCalendar::cmdDelete_Click);
    connect(cmdClose, &QPushButton::clicked, this, &FrmCalendar::cmdClose_Click);
    connect(CmbName, &QComboBox::currentTextChanged, this, [this] {
        if (loaded_) LoadCalendarMonth();
    });
    connect(VScroll, &QScrollBar::valueChanged, this, &FrmCalendar::VScroll_Change);
    // Typing a year reloads nothing: the next reload, save or scroll takes it. So the
    // months on screen can be saved under another year, which is how a year's working days
    // and holidays are copied to the next.
}

void FrmCalendar::Load() {
    forComputer_ = gSelForComputer;
    wait_ = new FrmCalenderWait(this);
    const int thisYear = QDate::currentDate().year();
    {
        const QSignalBlocker b1(CmbName), b2(VScroll);
        txtYear->setText(QString::number(thisYear));
        for (int m = 1; m <= 12; ++m) picCalendar[m]->SetShori(forComputer_);
        VScroll->setRange(thisYear - 1, thisYear - 1 + 20);

        if (forComputer_) {
            cmdUpdate->hide();
            cmdDelete->hide();
            CmbName->setEnabled(false);
            CmbName->setEditText(gSelCalendar);
            txtYear->setText(QString::number(gSelYear == 0 ? thisYear : gSelYear));
        } else {
            LblTime->hide();
            Lbl_Computer->hide();
            lblComputerCaption->hide();
            if (auto db = Database::Open(gOptDatabasePath)) {
                if (auto q = db->Query(QStringLiteral("SELECT 名称 FROM TBL_Calender GROUP BY 名称 ORDER BY 名称;")))
                    while (q->next()) CmbName->addItem(q->value(0).toString());
            }
            setWindowTitle(QStringLiteral("カレンダーの管理"));
            if (CmbName->count() == 0) {
                cmdUpdate->setText(QStringLiteral("登録(&I)"));
                cmdDelete->setEnabled(false);
            } else {
                cmdUpdate->setText(QStringLiteral("更新(&U)"));
                CmbName->setEditText(CmbName->itemText(0));
                cmdDelete->setEnabled(true);
            }
            if (gSelYear == 0) {
                CmbName->setEditText(calendarmsg::kDefaultName);
                txtYear->setText(QString::number(thisYear));
            } else {
                CmbName->setEditText(gSelCalendar);
                txtYear->setText(QString::number(gSelYear));
            }
        }
    }
    loaded_ = true;
    LoadCalendarMonth();
}

int FrmCalendar::BoxYear() const {
    bool ok = false;
    const int year = txtYear->text().trimmed().toInt(&ok);
    return ok && year >= 1 ? year : 0;
}

void FrmCalendar::VScroll_Change(int value) {
    txtYear->setText(QString::number(value));
    LoadCalendarMonth();
}

bool FrmCalendar::YearUsable() {
    if (BoxYear() != 0) return true;
    MsgBox(calendarmsg::kNoYear, vb::vbOKOnly | vb::vbInformation);
    txtYear->setFocus();
    return false;
}

void FrmCalendar::LoadCalendarMonth() {
    const int year = BoxYear();
    if (year == 0) return;  // no year to show: the months stay as they are
    std::array<QString, 13> kinds;
    auto db = Database::Open(gOptDatabasePath);
    if (db) {
        if (auto q = db->Query(QStringLiteral("SELECT ") + MonthColumns() +
                                   QStringLiteral(" FROM TBL_Calender WHERE 名称 = ? AND 年度 = ?;"),
                               {CmbName->currentText(), year});
            q && q->next())
            for (int m = 1; m <= 12; ++m) kinds[m] = q->value(m - 1).toString();  // Null reads as ""
    }
    for (int m = 1; m <= 12; ++m) picCalendar[m]->ShowCalendar(year, m, kinds[m]);
    if (!db || gSelAddress.isEmpty()) return;
    auto q = db->Query(QStringLiteral("SELECT 日付, 開始時刻, 終了時刻 FROM TBL_CalenderNoCheck "
                                      "WHERE アドレス = ? AND 日付 >= ? AND 日付 < ?;"),
                       {gSelAddress, QDate(year, 1, 1).toString(Qt::ISODate),
                        QDate(year + 1, 1, 1).toString(Qt::ISODate)});
    if (!q) return;
    while (q->next()) {
        const QDate date = QDate::fromString(q->value(0).toString().left(10), Qt::ISODate);
        if (!date.isValid() || date.year() != year) continue;
        ClsCalendar& g = *picCalendar[date.month()];
        ClsDay* day = g.Item(date.day());
        if (!day) continue;
        day->DaySkip = true;
        day->SkipTimeStart = static_cast<qint16>(q->value(1).toInt());
        day->SkipTimeLast = static_cast<qint16>(q->value(2).toInt());
        g.GreenPit(date.day());
    }
}

bool FrmCalendar::cmdUpdate_Click() {
    if (forComputer_) return false;
    const QString name = CmbName->currentText();
    if (name.isEmpty()) {
        MsgBox(calendarmsg::kNoName, vb::vbOKOnly | vb::vbInformation);
        CmbName->setFocus();
        return false;
    }
    // No year to store the months under: nothing is written and the grids keep their kinds.
    if (!YearUsable()) return false;
    // The months as shown go under the year in the box, also when it was typed since they
    // were loaded.
    const int year = BoxYear();
    std::array<QString, 13> kinds;
    for (int m = 1; m <= 12; ++m) kinds[m] = picCalendar[m]->DayKinds();

    bool inserted = false;
    bool written = false;
    if (auto db = Database::Open(gOptDatabasePath)) {
        Transaction t(*db);
        auto found = db->Query(QStringLiteral("SELECT 年度 FROM TBL_Calender WHERE 名称 = ? AND 年度 = ?;"), {name, year});
        if (t.ok() && found) {
            inserted = !found->next();
            found->finish();
            if (inserted)
                written = db->Execute(QStringLiteral("INSERT INTO TBL_Calender (名称, 年度, ") + MonthColumns() +
                                          QStringLiteral(") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?);"),
                                      {name, year, kinds[1], kinds[2], kinds[3], kinds[4], kinds[5], kinds[6],
                                       kinds[7], kinds[8], kinds[9], kinds[10], kinds[11], kinds[12]});
            else
                written = db->Execute(QStringLiteral("UPDATE TBL_Calender SET \"01\" = ?, \"02\" = ?, \"03\" = ?, "
                                                     "\"04\" = ?, \"05\" = ?, \"06\" = ?, \"07\" = ?, \"08\" = ?, "
                                                     "\"09\" = ?, \"10\" = ?, \"11\" = ?, \"12\" = ? "
                                                     "WHERE 名称 = ? AND 年度 = ?;"),
                                      {kinds[1], kinds[2], kinds[3], kinds[4], kinds[5], kinds[6], kinds[7],
                                       kinds[8], kinds[9], kinds[10], kinds[11], kinds[12], name, year});
            written = written && t.Commit();
        }
    }
    if (!written) {
        MsgBox(waitmsg::kWriteFailed, vb::vbOKOnly | vb::vbExclamation);
        return false;
    }
    const QSignalBlocker block(CmbName);
    cmdUpdate->setText(QStringLiteral("更新(&U)"));
    cmdDelete->setEnabled(true);
    if (inserted && CmbName->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) {
        CmbName->addItem(name);
        CmbName->setEditText(name);
    }
    return true;
}

void FrmCalendar::cmdDelete_Click() {
    if (forComputer_) return;
    const QString name = CmbName->currentText();
    if (MsgBox(QStringLiteral("「") + name + QStringLiteral("」を全て削除します。よろしいですか？"),
               vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton2) != vb::vbYes)
        return;
    bool done = false;
    if (auto db = Database::Open(gOptDatabasePath)) {
        Transaction t(*db);
        done = t.ok() && db->Execute(QStringLiteral("DELETE FROM TBL_Calender WHERE 名称 = ?;"), {name}) &&
               db->Execute(QStringLiteral("UPDATE TBL_Computer SET カレンダー名称 = NULL WHERE カレンダー名称 = ?;"),
                           {name}) &&
               t.Commit();
    }
    if (!done) {
        MsgBox(waitmsg::kWriteFailed, vb::vbOKOnly | vb::vbExclamation);
        return;
    }
    // The computers in memory no longer name it either (the database compares without case).
    for (qint32 i = 1; i <= gPingDatas.ListCount(); ++i)
        if (auto d = gPingDatas.Item(i); d && d->Calendar.compare(name, Qt::CaseInsensitive) == 0) d->Calendar.clear();
    {
        const QSignalBlocker block(CmbName);
        const int at = CmbName->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (at >= 0) CmbName->removeItem(at);
        if (CmbName->count() > 0) {
            CmbName->setEditText(CmbName->itemText(0));
        } else {
            CmbName->setEditText(QString());
            cmdUpdate->setText(QStringLiteral("登録(&I)"));
            cmdDelete->setEnabled(false);
        }
    }
    LoadCalendarMonth();
}

void FrmCalendar::picCalendar_MouseUp(int index, int button, double x, double y) {
    if (index < 1 || index > 12) return;
    ClsCalendar& g = *picCalendar[index];
    // A computer's day is stored as it is clicked: not while the year box names no year
    // (the months still show the last one). A right click only reads.
    if (forComputer_ && button != ClsCalendar::kRightButton && !YearUsable()) {
        g.MouseUp(x, y);
        return;
    }
    g.MouseUp(x, y);
    g.Click(x, y, button);
    if (!forComputer_ || g.GetDate() == QLatin1String("0")) return;
    ClsDay* day = g.Item(g.CurrentDate().day());
    if (!day) return;
    if (button == ClsCalendar::kRightButton) {
        LblTime->setText(day->DaySkip ? WindowText(*day) : QString());
        return;
    }
    if (day->DaySkip)
        MarkDay(g, x, y, button);
    else
        UnmarkDay(g, x, y, button);
}

void FrmCalendar::MarkDay(ClsCalendar& g, double x, double y, int button) {
    const QDate date = g.CurrentDate();
    wait_->Reset(g.GetDate());
    if (runner_) runner_(*wait_);
    // The day is looked up after the modal wait: the grid may have been redrawn meanwhile,
    // and then nothing is stored for a day that is no longer shown.
    if (g.Year() != date.year() || g.Month() != date.month() || !g.Item(date.day())) return;
    ClsDay& day = *g.Item(date.day());
    auto takeBack = [&] {
        if (day.DaySkip) g.Click(x, y, button);  // switches the mark off again
        day.SkipTimeStart = 0;
        day.SkipTimeLast = 0;
        LblTime->clear();
    };
    if (wait_->Result.isEmpty()) {
        takeBack();
        return;
    }
    // The boxes may have been edited after the accepted press: what is stored must still
    // pass the rule.
    std::array<QString, 4> texts;
    for (size_t i = 0; i < 4; ++i) texts[i] = wait_->txt_TimeWait[i]->text();
    const TimeWindowVerdict rule = ApplyTimeWindowRule(texts);
    if (!rule.ok) {
        MsgBox(rule.message, vb::vbOKOnly | vb::vbInformation);
        takeBack();
        return;
    }

    const QString dateText = date.toString(Qt::ISODate);
    bool written = false;
    if (auto db = Database::Open(gOptDatabasePath)) {
        Transaction t(*db);
        auto found = db->Query(QStringLiteral("SELECT 日付 FROM TBL_CalenderNoCheck WHERE アドレス = ? AND substr(日付, 1, 10) = ?;"),
                               {gSelAddress, dateText});
        if (t.ok() && found) {
            const bool exists = found->next();
            found->finish();
            written = exists ? db->Execute(QStringLiteral("UPDATE TBL_CalenderNoCheck SET 開始時刻 = ?, 終了時刻 = ? "
                                                          "WHERE アドレス = ? AND substr(日付, 1, 10) = ?;"),
                                           {rule.start, rule.end, gSelAddress, dateText})
                             : db->Execute(QStringLiteral("INSERT INTO TBL_CalenderNoCheck (アドレス, 日付, 開始時刻, 終了時刻) "
                                                          "VALUES (?, ?, ?, ?);"),
                                           {gSelAddress, dateText, rule.start, rule.end});
            written = written && t.Commit();
        }
    }
    if (!written) {
        MsgBox(waitmsg::kWriteFailed, vb::vbOKOnly | vb::vbExclamation);
        takeBack();
        return;
    }
    day.SkipTimeStart = rule.start;
    day.SkipTimeLast = rule.end;
    LblTime->setText(WindowText(day));

    const qint32 n = gPingDatas.GetItemNo(gSelAddress);
    if (const auto computer = n > 0 ? gPingDatas.Item(n) : nullptr) {
        ClsWaitDayTimes& list = computer->WaitDayTime();
        const int at = list.GetItemNo(date);
        if (at == 0) {
            list.Add(date, rule.start, rule.end);
        } else {
            list.Item(at)->TimeStart = rule.start;
            list.Item(at)->TimeEnd = rule.end;
        }
    }
    // One calendar node per computer, there while it has dated days.
    const QString key = CalendarNodeKey(gSelAddress);
    if (!tree_.Item(key))
        if (TreeNode* node = tree_.Add(QLatin1Char('#') + gSelAddress, tvwChild, key, calendarmsg::kNodeText,
                                       QStringLiteral("Calendar")))
            tree_.SetSelectedItem(node);
}

void FrmCalendar::UnmarkDay(ClsCalendar& g, double x, double y, int button) {
    const QDate date = g.CurrentDate();
    ClsDay& day = *g.Item(date.day());
    bool done = false;
    if (auto db = Database::Open(gOptDatabasePath))
        done = db->Execute(QStringLiteral("DELETE FROM TBL_CalenderNoCheck WHERE アドレス = ? AND substr(日付, 1, 10) = ?;"),
                           {gSelAddress, date.toString(Qt::ISODate)});
    if (!done) {
        MsgBox(waitmsg::kWriteFailed, vb::vbOKOnly | vb::vbExclamation);
        g.Click(x, y, button);  // the day keeps its mark and its window
        return;
    }
    day.SkipTimeStart = 0;
    day.SkipTimeLast = 0;
    LblTime->clear();
    const qint32 n = gPingDatas.GetItemNo(gSelAddress);
    const auto computer = n > 0 ? gPingDatas.Item(n) : nullptr;
    if (!computer) return;
    ClsWaitDayTimes& list = computer->WaitDayTime();
    if (const int at = list.GetItemNo(date); at > 0) list.Remove(at);
    if (list.Count() < 1) tree_.Remove(CalendarNodeKey(gSelAddress));
}
