#include "schedules/TimeWindowRule.h"

#include "admin/edit/EditHelpers.h"
#include "model/Seams.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace {

// A whole number written in ASCII digits only; -1 for anything else.
int Number(const QString& text) {
    if (text.isEmpty() || text.size() > 4) return -1;
    int value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

QString Explanation(int limit) {
    return QStringLiteral("終了時刻は開始時刻＋24時間-1分の（") + QString::number(limit / 100) + QStringLiteral("時") +
           QString::number(limit % 100) + QStringLiteral("分）までです。");
}

}  // namespace

int TimeWindowLimit(int startHour, int startMinute) {
    return startMinute >= 1 ? (startHour + 24) * 100 + (startMinute - 1) : (startHour + 23) * 100 + 59;
}

TimeWindowVerdict ApplyTimeWindowRule(std::array<QString, 4>& t) {
    // Empty boxes: the trim only decides emptiness; an empty end equals the start.
    if (t[0].trimmed().isEmpty()) t[0] = QStringLiteral("00");
    if (t[1].trimmed().isEmpty()) t[1] = QStringLiteral("00");
    if (t[2].trimmed().isEmpty()) t[2] = t[0];
    if (t[3].trimmed().isEmpty()) t[3] = t[1];

    std::array<int, 4> n{};
    for (size_t i = 0; i < 4; ++i) {
        n[i] = Number(t[i].trimmed());
        if (n[i] >= 0) t[i] = QStringLiteral("%1").arg(n[i], 2, 10, QLatin1Char('0'));
    }

    TimeWindowVerdict v;
    auto fail = [&v](int box, const QString& message) {
        v.focusBox = box;
        v.message = message;
        return v;
    };
    if (n[0] < 0 || n[0] > 23) {
        t[0] = QStringLiteral("23");
        return fail(0, waitmsg::kStartHour);
    }
    if (n[1] < 0 || n[1] > 59) {
        t[1] = QStringLiteral("59");
        return fail(1, waitmsg::kStartMinute);
    }
    if (n[3] < 0 || n[3] > 59) {
        t[3] = QStringLiteral("59");
        return fail(3, waitmsg::kEndMinute);
    }
    const int limit = TimeWindowLimit(n[0], n[1]);
    const int start = n[0] * 100 + n[1];
    // An end hour that is not a number lies beyond any limit.
    const int end = n[2] < 0 ? limit + 1 : n[2] * 100 + n[3];
    if (n[2] >= 0 && start > end) return fail(2, waitmsg::kOrder + QStringLiteral("\r\n") + Explanation(limit));
    if (end > limit) return fail(2, waitmsg::kRange + QStringLiteral("\r\n") + Explanation(limit));
    v.ok = true;
    v.start = static_cast<qint16>(start);
    v.end = static_cast<qint16>(end);
    return v;
}

TimeWindowVerdict RunTimeWindowRule(const std::array<QLineEdit*, 4>& boxes) {
    std::array<QString, 4> texts;
    for (size_t i = 0; i < 4; ++i) texts[i] = boxes[i]->text();
    const TimeWindowVerdict v = ApplyTimeWindowRule(texts);
    for (size_t i = 0; i < 4; ++i) boxes[i]->setText(texts[i]);
    if (!v.ok) {
        MsgBox(v.message, vb::vbOKOnly | vb::vbInformation);
        boxes[static_cast<size_t>(v.focusBox)]->setFocus();
    }
    return v;
}

QHBoxLayout* MakeTimeWindowRow(QWidget* parent, std::array<QLineEdit*, 4>& boxes) {
    auto* row = new QHBoxLayout;
    const QString between[4] = {QStringLiteral("時"), QStringLiteral("分 ～"), QStringLiteral("時"),
                                QStringLiteral("分の間は監視を行わない")};
    row->addWidget(new QLabel(QStringLiteral("非監視時刻"), parent));
    for (size_t i = 0; i < 4; ++i) {
        QLineEdit* box = new QLineEdit(QStringLiteral("00"), parent);
        box->setObjectName(QStringLiteral("txt_TimeWait%1").arg(i));
        box->setMaxLength(2);
        box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,2}")), box));
        box->setAlignment(Qt::AlignRight);
        box->setFixedWidth(32);
        InstallSelAllText(box);
        InstallEnterToTab(box);
        boxes[i] = box;
        row->addWidget(box);
        row->addWidget(new QLabel(between[i], parent));
    }
    row->addStretch();
    return row;
}
