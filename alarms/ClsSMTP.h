#pragma once
// One plain-text alarm mail through an SMTP server: builds the message (headers, the
// Japanese text in ISO-2022-JP, see MailEncoding.h), speaks HELO, MAIL FROM, RCPT TO,
// DATA, QUIT over a QTcpSocket and records failures in a small error record instead of
// raising them. The caller reads ErrNumber afterwards: 0 means the server took the mail.
//
// Every wait of the dialogue keeps the Qt event loop running (other handlers of the
// program run meanwhile) and is bounded by Timeout; a server that stays silent, refuses
// a step or goes away ends the send with ErrNumber set, and the connection is closed at
// the end of every send, so the next mail starts on a fresh connection. Once the server
// has taken the message (250), trouble at QUIT is no failure: QUIT is said once more and,
// when that fails too, ErrMessage reads "QUIT & Disconnect Failure / " + the reply while
// ErrNumber stays 0.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTcpSocket>

#include <optional>

class QEventLoop;

class ClsSMTP : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString RemoteHostName READ RemoteHostName WRITE setRemoteHostName)
    Q_PROPERTY(qint32 RemotePort READ RemotePort WRITE setRemotePort)
    Q_PROPERTY(qint32 LocalPort READ LocalPort WRITE setLocalPort)
    Q_PROPERTY(qint32 Timeout READ Timeout WRITE setTimeout)
    Q_PROPERTY(QString Subject READ Subject WRITE setSubject)
    Q_PROPERTY(qint32 ErrStatus READ ErrStatus)
    Q_PROPERTY(qint32 ErrNumber READ ErrNumber)
    Q_PROPERTY(QString ErrDescription READ ErrDescription)
    Q_PROPERTY(QString ErrSource READ ErrSource)
    Q_PROPERTY(QString ErrMessage READ ErrMessage)

public:
    // Error numbers of the dialogue.
    enum : qint32 {
        ErrTransport = 9000,  // a wait ended because an error was recorded
        ErrGreeting = 9001,
        ErrHelo = 9002,
        ErrMailFrom = 9003,
        ErrRcptTo = 9004,
        ErrData = 9005,
        ErrQuit = 9006,
        ErrBadArgument = 5,   // sender without "@", refused name or address
        ErrTimedOut = 10060,  // a wait reached Timeout
    };
    static constexpr qint32 kDefaultPort = 25;
    static constexpr qint32 kDefaultTimeoutMs = 30000;

    explicit ClsSMTP(QObject* parent = nullptr);
    ~ClsSMTP() override;

    // Back to the state after construction; the sender, the subject, ErrMessage and
    // Timeout keep their values.
    Q_INVOKABLE void Clear();
    // Binds the caller's socket (not owned; it must outlive this object or be unbound with
    // nullptr). Without one, the object uses a socket of its own.
    void SetWinsock(QTcpSocket* socket);

    // 0 nothing recorded; 1 the socket reported an error, the server went away or a wait
    // timed out; 2 a failure inside a dialogue step (also a server refusal, see ErrNumber);
    // any other value: a failure while the message data was sent, its number as status.
    qint32 ErrStatus() const { return mErrStatus; }
    qint32 ErrNumber() const { return mErrNumber; }
    QString ErrDescription() const { return mErrDescription; }
    QString ErrSource() const { return mErrSource; }
    // The composite failure text of the last Send ("$$$ 9000 …", "550 SMTP Defined
    // Error: 9004", …), empty after a clean send.
    QString ErrMessage() const { return mErrMessage; }

    // SMTP server; an empty value is ignored (the server then stays the sender's domain).
    QString RemoteHostName() const { return mRemoteHost; }
    void setRemoteHostName(const QString& host);
    QString RemoteHostIP() const;
    qint32 RemotePort() const { return mRemotePort; }
    void setRemotePort(qint32 port) { mRemotePort = port; }
    QString LocalHostName() const;
    QString LocalIP() const;
    // Recorded only; the connection does not bind it.
    qint32 LocalPort() const { return mLocalPort; }
    void setLocalPort(qint32 port) { mLocalPort = port; }
    // Bound of every single wait (connect, greeting, each reply, each send), milliseconds;
    // 0 or less waits 1 s.
    qint32 Timeout() const { return mTimeoutMs; }
    void setTimeout(qint32 ms) { mTimeoutMs = ms; }

    // The sender. While RemoteHostName is empty it becomes the part of address after the
    // first "@" (the whole address when there is none). A name or address with CR, LF or
    // another control character, or an address with spaces, "<", ">" or non-ASCII text,
    // is refused (false): the sender is then cleared and Send fails with ErrBadArgument.
    Q_INVOKABLE bool AddressFrom(const QString& address, const QString& name);
    // Recipients, appended in order. A refused entry (as above) is not added: the mail
    // still goes to the others, and Send then ends with ErrBadArgument.
    Q_INVOKABLE bool AddressTo(const QString& address, const QString& name);
    Q_INVOKABLE bool AddressCC(const QString& address, const QString& name);
    Q_INVOKABLE bool AddressBCC(const QString& address, const QString& name);

    QString Subject() const { return mSubject; }
    // CR and LF in a subject become spaces: a subject never opens a second header line.
    void setSubject(const QString& subject);
    // Appends the text to the body, then CR LF unless the text already ends with it.
    Q_INVOKABLE void Msg(const QString& text);

    // Builds the message and runs the dialogue; true when ErrNumber is 0 afterwards.
    // Nothing is raised. A Send called from inside this object's own waits returns false
    // at once and leaves the running one alone.
    Q_INVOKABLE bool Send();

    // The message as Send hands it to the server (headers, empty line, ISO-2022-JP body;
    // before dot-stuffing), and the envelope recipients (To, then cc, then Bcc). Builds
    // them afresh; Send calls it too.
    QByteArray BuildMessage();
    QStringList Recipients() const { return mEnvelope; }
    bool InProgress() const { return mSending; }

private:
    struct Failure {
        qint32 number;
        QString description;
    };
    struct Party {
        QString address;
        QString name;
    };

    void SetError(qint32 status, qint32 number, const QString& description);
    void ResetErrorRecord();
    void Raise(qint32 number, const QString& description = QString());
    void Require(bool ok, qint32 number);
    bool Handle(const Failure& failure, const QString& code, bool& quitting, bool inQuitStep);

    void OpenSession(QString& code);
    void CloseSession();
    void SendCommand(const QByteArray& line, QString& code);
    void SendRawLine(const QByteArray& bytes);
    QByteArray ReadReplyLine(const QDeadlineTimer& deadline);
    void ReadReply(const QDeadlineTimer& deadline, QString& code);
    void SendMessageData(QString& code);
    QByteArray FormatAddressList(const QList<Party>& list);
    QByteArray FormatName(const QString& name) const;
    bool AddParty(QList<Party>& list, const QString& address, const QString& name, const char* role);

    template <typename Done>
    bool WaitUntil(Done done, const QDeadlineTimer& deadline);
    qint32 EffectiveTimeout() const { return mTimeoutMs > 0 ? mTimeoutMs : 1000; }
    QTcpSocket* Socket() const;
    void Bind(QTcpSocket* socket);

    void OnReadyRead();
    void OnError(QAbstractSocket::SocketError error);
    void OnBytesWritten();
    void WakeWait();

    QPointer<QTcpSocket> mBound;
    QTcpSocket* mOwnSocket;  // child of this object
    QPointer<QEventLoop> mWaitLoop;

    Party mFrom;
    QList<Party> mTo, mCc, mBcc;
    QStringList mEnvelope;
    QStringList mRefused;
    QString mSubject;
    QString mBody;
    QByteArray mMessage;
    QString mRemoteHost;
    qint32 mRemotePort = kDefaultPort;
    qint32 mLocalPort = 0;
    qint32 mTimeoutMs = kDefaultTimeoutMs;

    qint32 mErrStatus = 0;
    qint32 mErrNumber = 0;
    QString mErrDescription;
    QString mErrSource;
    QString mErrMessage;

    QByteArray mReceive;
    bool mSendComplete = false;
    bool mClosing = false;
    bool mSending = false;
};
