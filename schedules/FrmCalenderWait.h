#pragma once
// "非監視スケジュール": asks for the time span of one dated no-check day. The calendar
// editor resets it, shows it modally and afterwards reads Result and the four boxes.
// "登録(&I)" runs the time-window rule and sets Result to "OK" when it passes (the dialog
// stays open); "閉じる(&C)" closes and keeps Result; Esc and the window's close box close
// with Result "". The dialog itself stores nothing.

#include <QDialog>
#include <QString>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

class FrmCalenderWait : public QDialog {
    Q_OBJECT
public:
    explicit FrmCalenderWait(QWidget* owner = nullptr);

    // Each use starts here: boxes "00", Result "", the day's date text shown.
    void Reset(const QString& dateText);

    void OKButton_Click();
    void CancelButton_Click();
    void reject() override;

    QString Result;
    std::array<QLineEdit*, 4> txt_TimeWait{};
    QLabel* lblDate = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

protected:
    // Every opening puts the keyboard in the first box with its text selected: the dialog
    // is kept between uses and would otherwise come back with the button last pressed.
    void showEvent(QShowEvent* event) override;
};
