#pragma once
// The traceroute window "Tracert確認": echo requests with a time-to-live rising from 1,
// one output line per request with its round-trip time, the answering address and, on
// request, that address's host name, until the target answers, eleven requests in a row
// stay unanswered, 255 time-to-live values have answered, or the user cancels.
//
// The main window opens it in two ways, each with one call: ShowFreeEntry (the user types
// a host) and ShowForComputer (the computer's address is fixed and its tree text shown in
// place of the entry box). Tests construct the window, call Load and the set-up, give it
// a prober and press its buttons; nothing blocks in exec().

#include "engine/IcmpEcho.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// What a trace needs of the network: name look-ups and one echo request at a time with a
// chosen time-to-live. Addresses are IPv4 in host byte order. The look-ups may run the
// event loop while they wait (the user can cancel meanwhile).
class TraceProber {
public:
    virtual ~TraceProber() = default;
    // The first IPv4 address of a host name or dotted address; 0 when none is found.
    virtual quint32 ResolveHostAddress(const QString& host) = 0;
    // The official name of an address by reverse look-up; "" when there is none.
    virtual QString ResolveHostName(quint32 address) = 0;
    // Opens the echo service for one trace; false when it cannot be opened.
    virtual bool Open() = 0;
    // One request; returns the number of replies (1 when someone answered in time).
    virtual int SendEcho(quint32 target, const QByteArray& data, int ttl, int timeoutMs,
                         icmp::EchoReply& reply) = 0;
    // Ends the use of the echo service opened by Open.
    virtual void Close() = 0;
};

// The real prober: the ICMP echo adapter and the program's resolver.
class IcmpTraceProber : public TraceProber {
public:
    quint32 ResolveHostAddress(const QString& host) override;
    QString ResolveHostName(quint32 address) override;
    bool Open() override;
    int SendEcho(quint32 target, const QByteArray& data, int ttl, int timeoutMs, icmp::EchoReply& reply) override;
    void Close() override;

private:
    std::unique_ptr<icmp::IcmpEcho> echo_;
};

class FrmTraceRt : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWaitMs = 2400;     // per echo request
    static constexpr int kMaxSilent = 10;    // more unanswered requests in a row end the trace
    static constexpr int kMaxTtl = 255;

    explicit FrmTraceRt(QWidget* parent = nullptr);
    ~FrmTraceRt() override;

    // Resets the window for a new opening: free-entry labels, empty boxes, the button
    // captions and the output's three tab stops.
    void Load();
    // Free entry: the host box is editable and shown, the computer's name hidden.
    void SetFreeEntry();
    // Opened for a computer: address fixed and hidden, nodeText shown under "ｺﾝﾋﾟｭｰﾀ名".
    void SetForComputer(const QString& address, const QString& nodeText);

    // Runs one whole trace with the values the fields hold.
    void TraceRT();

    // Replaces the network side (tests); nullptr restores the real prober.
    void SetProber(std::unique_ptr<TraceProber> prober);

    // The two ways the main window opens the window, modally over owner, with the menu
    // item's caption as the window's title (an empty caption keeps the window's own). run
    // shows it modally (by default exec()); each returns when the window is closed.
    using Runner = std::function<void(QDialog&)>;
    static void ShowFreeEntry(QWidget* owner, const QString& caption, const Runner& run = {});
    static void ShowForComputer(QWidget* owner, const QString& caption, const QString& address,
                                const QString& nodeText, const Runner& run = {});

    // The time column of a result line for a round-trip time in milliseconds.
    static QString TimeText(quint32 roundTripMs);

    // The output as the user sees it (lines separated by "\n").
    QString Output() const;

    QLineEdit* TxtURL() const { return txtURL_; }
    QLabel* Lbl_Computer() const { return lblComputer_; }
    QLabel* Lbl_Computer2() const { return lblComputer2_; }
    QLineEdit* TxtIP() const { return txtIP_; }
    QComboBox* CmbSize() const { return cmbSize_; }
    QCheckBox* ChkHost() const { return chkHost_; }
    QPushButton* CmdGO() const { return cmdGO_; }
    QPushButton* CmbSTOP() const { return cmbSTOP_; }
    QPlainTextEdit* TxtOUT() const { return txtOUT_; }

public slots:
    // Esc and the close box: during a trace they cancel it, and the window goes away
    // once the trace has unwound.
    void reject() override;

private:
    void CmdGO_Click();
    void CmbSTOP_Click();
    int DataLength();
    int SendEchoWithTtl(quint32 target, const QByteArray& data, int ttl, QString& replyAddress);
    void FormatHopLine(quint32 roundTripMs, const QString& address, const QString& hostName);
    void Append(const QString& text);
    void SetTabStops();

    QLabel* lblComputer_ = nullptr;
    QLineEdit* txtURL_ = nullptr;
    QLabel* lblComputer2_ = nullptr;
    QLabel* label2_ = nullptr;
    QLineEdit* txtIP_ = nullptr;
    QLabel* label4_ = nullptr;
    QComboBox* cmbSize_ = nullptr;
    QCheckBox* chkHost_ = nullptr;
    QPushButton* cmdGO_ = nullptr;
    QPushButton* cmbSTOP_ = nullptr;
    QPlainTextEdit* txtOUT_ = nullptr;

    std::unique_ptr<TraceProber> prober_;
    bool cancel_ = false;
    bool tracing_ = false;
    bool closeWhenDone_ = false;
    qint32 lineCounter_ = 0;
};
