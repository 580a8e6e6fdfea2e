#pragma once
// The settings window every plug-in shows from FromShow: a frame "接続情報" with the
// target and connection boxes, for the plug-ins that retry a frame "再チェック情報" with
// the wait and retry boxes, and the buttons 確認 / OK / 閉じる. A plug-in's window adds its
// boxes in Tab order, binds each to a member by name and lists its required boxes in
// validation order; the loading, filling, validation, test check and copy-back are here.
//
// Every text box selects its whole text on focus, and Enter moves to the next control
// without ever pressing a button. Numeric boxes accept digits only.

#include <QDialog>
#include <QHash>
#include <QString>
#include <QVariant>

#include <functional>
#include <vector>

class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace plugin {

class ClsVantoroBase;

// ValidateInput's messages, shared by the six windows.
namespace msg {
inline const QString Address = QStringLiteral("アドレスを入力して下さい。");                     // a
inline const QString PortNo = QStringLiteral("ポート番号(秒:0～65536)を入力して下さい。");        // b
inline const QString TimeOut = QStringLiteral("接続タイムアウト(秒:0～99)を入力して下さい。");    // c
inline const QString TimeOut1 = QStringLiteral("接続タイムアウト(秒:1～99)を入力して下さい。");   // c1
inline const QString WaitTime = QStringLiteral("ウエイトタイム(秒:0～99)を入力して下さい。");     // d
inline const QString Retry = QStringLiteral("リトライ回数(1～9)を入力して下さい。");              // e
inline const QString DBName = QStringLiteral("データベース名を入力して下さい。");                 // f
inline const QString LogonID = QStringLiteral("ログオンＩＤを入力して下さい。");                  // g
inline const QString SQL = QStringLiteral("ＳＱＬ文を入力して下さい。");                          // h
inline const QString DSN = QStringLiteral("ＤＳＮ名を入力して下さい。");                          // i
}  // namespace msg

enum class BoxKind { Text, Digits, Password, Number = Digits };

class SettingsWindow : public QDialog {
    Q_OBJECT

public:
    // owner: the object whose FromShow opened the window (its Title captions the message
    // boxes; the test button makes a sibling of it).
    SettingsWindow(const ClsVantoroBase& owner, const QString& caption);
    ~SettingsWindow() override;

    // Building the window, in Tab order.
    // A box in the connection frame with its label (and an optional text after it, such as
    // "(秒)"), bound to the member property (empty: not bound; the window handles it).
    // maxLength 0 means no limit.
    QLineEdit* AddBox(const QString& objectName, const QString& caption, const QString& property, int maxLength,
                      BoxKind kind, const QString& suffix = QString());
    // Any other control in the connection frame (check box, option buttons, note label).
    void AddRow(const QString& caption, QWidget* control);
    // The time-out box (label, two digits, "(秒)") bound to TimeOut.
    QLineEdit* AddTimeOutBox(const QString& caption);
    // The frame "再チェック情報" with TxtWaitTime (WaitTime) and TxtRetry (Retry).
    void AddRetryFrame();

    // ValidateInput's checks, in the order they are added: the box's trimmed text must not
    // be empty and, when given, must pass accept; otherwise message, focus on the box, and
    // the validation fails.
    void AddRequired(QLineEdit* box, const QString& message,
                     std::function<bool(const QString&)> accept = nullptr);
    // After all checks passed, a box reading "0" is set to "1".
    void SetZeroToOne(QLineEdit* box);

    QLineEdit* Box(const QString& objectName) const;
    QPushButton* CmdOK() const { return ok_; }
    QPushButton* CmdClose() const { return close_; }
    QPushButton* CmdCheck() const { return check_; }

    // FromShow's steps.
    void Load(const ClsVantoroBase& from);  // fill the boxes, OK caption from Proc, Tab order
    void Run();                              // modal until hidden
    bool Confirmed() const { return tag_ == QLatin1String("OK"); }
    void CopyConfirmed(ClsVantoroBase& to) const;

    bool ValidateInput();

    // Predicates for AddRequired.
    static bool NoSeparator(const QString& text);  // a "|" would break the stored string
    static bool PortNumber(const QString& text);   // 1..65535

protected:
    // The boxes into members. The base fills every bound box (numbers in decimal) and reads
    // them back (texts trimmed, numbers from the box text); a window with other controls
    // overrides these and calls the base.
    virtual void Fill(const ClsVantoroBase& from);
    virtual void Collect(QVariantHash& values) const;

    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void onOk();
    void onCheck();
    void addToTabOrder(QWidget* w);

    struct Binding {
        QLineEdit* box;
        QString property;
        bool number;
        int limit;  // characters a person may type; 0 = no limit
    };
    struct Requirement {
        QLineEdit* box;
        QString message;
        std::function<bool(const QString&)> accept;
    };

    const ClsVantoroBase& owner_;
    QString tag_;
    QVariantHash confirmed_;
    std::vector<Binding> bindings_;
    std::vector<Requirement> required_;
    std::vector<QLineEdit*> zeroToOne_;
    std::vector<QWidget*> tabOrder_;
    QHash<QLineEdit*, QString> captions_;
    QGroupBox* connection_ = nullptr;
    QGridLayout* connectionGrid_ = nullptr;
    QGroupBox* retry_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* close_ = nullptr;
    QPushButton* check_ = nullptr;
    bool checking_ = false;
};

}  // namespace plugin
