#include "schedules/FrmCalenderWait.h"

#include "schedules/TimeWindowRule.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FrmCalenderWait::FrmCalenderWait(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("非監視スケジュール"));
    auto* top = new QVBoxLayout(this);

    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(new QLabel(QStringLiteral("非監視日付"), this));
    lblDate = new QLabel(this);
    lblDate->setObjectName(QStringLiteral("lblDate"));
    dateRow->addWidget(lblDate, 1);
    top->addLayout(dateRow);

    top->addLayout(MakeTimeWindowRow(this, txt_TimeWait));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    OKButton = new QPushButton(QStringLiteral("登録(&I)"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setAutoDefault(false);
    CancelButton = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoDefault(false);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    top->addLayout(buttons);

    connect(OKButton, &QPushButton::clicked, this, &FrmCalenderWait::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &FrmCalenderWait::CancelButton_Click);
}

void FrmCalenderWait::Reset(const QString& dateText) {
    for (QLineEdit* box : txt_TimeWait) box->setText(QStringLiteral("00"));
    Result.clear();
    lblDate->setText(dateText);
}

void FrmCalenderWait::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    txt_TimeWait[0]->setFocus(Qt::OtherFocusReason);
    txt_TimeWait[0]->selectAll();
}

void FrmCalenderWait::OKButton_Click() {
    Result.clear();
    if (RunTimeWindowRule(txt_TimeWait).ok) Result = QStringLiteral("OK");
}

void FrmCalenderWait::CancelButton_Click() {
    // Closes without touching Result: an accepted span stays accepted.
    done(QDialog::Accepted);
}

void FrmCalenderWait::reject() {
    // Esc and the close box: nothing was confirmed.
    Result.clear();
    QDialog::reject();
}
