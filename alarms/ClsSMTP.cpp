#include "alarms/ClsSMTP.h"

#include "alarms/Cp932.h"
#include "alarms/MailEncoding.h"
#include "model/text/TrimSpaces.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QTimer>

namespace {

constexpr char kCrLf[] = "\r\n";
const QString kSocketSource = QStringLiteral("QTcpSocket");

QString DefinedDescription(qint32 number) {
    switch (number) {
    case ClsSMTP::ErrGreeting: return QStringLiteral("SMTP CODE 220 to Connection");
    case ClsSMTP::ErrHelo: return QStringLiteral("SMTP CODE 250 to HELO");
    case ClsSMTP::ErrMailFrom: return QStringLiteral("SMTP CODE 250 to MAIL FROM:");
    case ClsSMTP::ErrRcptTo: return QStringLiteral("SMTP CODE NOT 25x to RCPT TO:");
    case ClsSMTP::ErrData: return QStringLiteral("SMTP CODE NOT 250 to DATA");
    case ClsSMTP::ErrQuit: return QStringLiteral("SMTP CODE NOT 221 to QUIT");
    default: return QStringLiteral("Application-defined or object-defined error");
    }
}

// The socket numbers callers have always seen for these conditions.
qint32 SocketErrorNumber(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return 10061;
    case QAbstractSocket::RemoteHostClosedError: return 10054;
    case QAbstractSocket::HostNotFoundError: return 11001;
    case QAbstractSocket::SocketTimeoutError: return 10060;
    case QAbstractSocket::NetworkError: return 10051;
    case QAbstractSocket::SocketAccessError: return 10013;
    case QAbstractSocket::SocketResourceError: return 10055;
    default: return 10000;
    }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A final reply line: three digits, then a space and any text. A bare code of three
// digits (no text) is final too; "250-" continuation lines are not.
bool IsFinalReply(const QByteArray& line) {
    if (line.size() < 3 || !IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2])) return false;
    return line.size() == 3 || line[3] == ' ';
}

bool HasControl(const QString& text) {
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return true;
    return false;
}

bool IsPlainAddress(const QString& address) {
    if (address.isEmpty()) return false;
    for (QChar c : address) {
        const char16_t u = c.unicode();
        if (u <= 0x20 || u >= 0x7F || u == '<' || u == '>') return false;
    }
    return true;
}

// Unifies CR, LF and CR LF to CR LF, so no bare line break reaches the DATA stream.
QString CanonicalLineBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

}  // namespace

ClsSMTP::ClsSMTP(QObject* parent) : QObject(parent), mOwnSocket(new QTcpSocket(this)) {
    Bind(mOwnSocket);
}

ClsSMTP::~ClsSMTP() {
    if (mBound) disconnect(mBound, nullptr, this, nullptr);
}

void ClsSMTP::Clear() {
    mTo.clear();
    mCc.clear();
    mBcc.clear();
    mEnvelope.clear();
    mRefused.clear();
    mBody.clear();
    mMessage.clear();
    mRemoteHost.clear();
    mRemotePort = kDefaultPort;
    mLocalPort = 0;
    mErrStatus = 0;
    mErrNumber = 0;
    mErrDescription.clear();
    mErrSource.clear();
    mReceive.clear();
    mSendComplete = false;
}

void ClsSMTP::SetWinsock(QTcpSocket* socket) {
    if (mSending) return;  // never swap the socket under a running dialogue
    Bind(socket ? socket : mOwnSocket);
}

void ClsSMTP::Bind(QTcpSocket* socket) {
    if (mBound) disconnect(mBound, nullptr, this, nullptr);
    mBound = socket;
    connect(socket, &QTcpSocket::readyRead, this, &ClsSMTP::OnReadyRead);
    connect(socket, &QTcpSocket::errorOccurred, this, &ClsSMTP::OnError);
    connect(socket, &QTcpSocket::bytesWritten, this, &ClsSMTP::OnBytesWritten);
    connect(socket, &QTcpSocket::stateChanged, this, &ClsSMTP::WakeWait);
}

QTcpSocket* ClsSMTP::Socket() const { return mBound ? mBound.data() : mOwnSocket; }

void ClsSMTP::setRemoteHostName(const QString& host) {
    if (!host.isEmpty()) mRemoteHost = host;
}

QString ClsSMTP::RemoteHostIP() const { return Socket()->peerAddress().toString(); }

QString ClsSMTP::LocalHostName() const { return QHostInfo::localHostName(); }

QString ClsSMTP::LocalIP() const {
    const QHostAddress bound = Socket()->localAddress();
    if (!bound.isNull()) return bound.toString();
    for (const QHostAddress& a : QNetworkInterface::allAddresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) return a.toString();
    return QStringLiteral("127.0.0.1");
}

bool ClsSMTP::AddressFrom(const QString& address, const QString& name) {
    const QString trimmed = TrimSpaces(address);
    if (!IsPlainAddress(trimmed) || HasControl(name)) {
        mFrom = {};
        mRefused << QStringLiteral("sender");
        return false;
    }
    mFrom = {trimmed, name};
    if (mRemoteHost.isEmpty()) {
        const qsizetype at = trimmed.indexOf(QLatin1Char('@'));
        mRemoteHost = at < 0 ? trimmed : trimmed.mid(at + 1);
    }
    return true;
}

bool ClsSMTP::AddParty(QList<Party>& list, const QString& address, const QString& name, const char* role) {
    const QString trimmed = TrimSpaces(address);
    if (!IsPlainAddress(trimmed) || HasControl(name)) {
        mRefused << QString::fromLatin1(role);
        return false;
    }
    list.append({trimmed, name});
    return true;
}

bool ClsSMTP::AddressTo(const QString& address, const QString& name) { return AddParty(mTo, address, name, "To"); }
bool ClsSMTP::AddressCC(const QString& address, const QString& name) { return AddParty(mCc, address, name, "cc"); }
bool ClsSMTP::AddressBCC(const QString& address, const QString& name) {
    return AddParty(mBcc, address, name, "Bcc");
}

void ClsSMTP::setSubject(const QString& subject) {
    QString s = subject;
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    mSubject = s;
}

void ClsSMTP::Msg(const QString& text) {
    mBody += text;
    if (!text.endsWith(QLatin1String(kCrLf))) mBody += QLatin1String(kCrLf);
}

// ---- error record -------------------------------------------------------------------

void ClsSMTP::SetError(qint32 status, qint32 number, const QString& description) {
    mErrStatus = status;
    mErrNumber = number;
    mErrDescription = description;
}

void ClsSMTP::ResetErrorRecord() {
    SetError(0, 0, QString());
    mErrSource.clear();
    mErrMessage.clear();
}

void ClsSMTP::Raise(qint32 number, const QString& description) {
    throw Failure{number, description.isEmpty() ? DefinedDescription(number) : description};
}

// A step's answer must be right and nothing may have gone wrong on the way; a failure
// already recorded takes precedence over the code check (its record tells the cause).
void ClsSMTP::Require(bool ok, qint32 number) {
    if (mErrStatus != 0 || !ok) Raise(number);
}

// ---- waiting ------------------------------------------------------------------------

template <typename Done>
bool ClsSMTP::WaitUntil(Done done, const QDeadlineTimer& deadline) {
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QEventLoop loop;
        QTimer wake;
        wake.setSingleShot(true);
        connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
        // The socket's signals end the loop early; the timer only guarantees the bound.
        wake.start(static_cast<int>(std::clamp<qint64>(deadline.remainingTime(), 1, 100)));
        mWaitLoop = &loop;
        loop.exec();
        mWaitLoop = nullptr;
    }
    return true;
}

void ClsSMTP::WakeWait() {
    if (mWaitLoop) mWaitLoop->quit();
}

void ClsSMTP::OnReadyRead() {
    if (QTcpSocket* s = Socket()) mReceive += s->readAll();
    WakeWait();
}

void ClsSMTP::OnError(QAbstractSocket::SocketError error) {
    // The server closing after our QUIT, or while we close, is the normal end.
    if (mClosing && error == QAbstractSocket::RemoteHostClosedError) return WakeWait();
    mErrSource = kSocketSource;
    // The first failure is the cause; later ones (the close after a time-out) follow it.
    if (mErrStatus == 0) SetError(1, SocketErrorNumber(error), Socket()->errorString());
    WakeWait();
}

void ClsSMTP::OnBytesWritten() {
    if (Socket()->bytesToWrite() == 0) mSendComplete = true;
    WakeWait();
}

// ---- dialogue steps -----------------------------------------------------------------

QByteArray ClsSMTP::ReadReplyLine(const QDeadlineTimer& deadline) {
    QTcpSocket* s = Socket();
    qsizetype lf = -1;
    const bool found = WaitUntil(
        [&] {
            // Data the server sent just before it closed may still sit in the socket.
            if (s->bytesAvailable() > 0) mReceive += s->readAll();
            lf = mReceive.indexOf('\n');
            return lf >= 0 || mErrStatus != 0 || s->state() != QAbstractSocket::ConnectedState;
        },
        deadline);
    if (lf >= 0) {
        QByteArray line = mReceive.left(lf);
        mReceive.remove(0, lf + 1);
        if (line.endsWith('\r')) line.chop(1);
        return line;
    }
    if (mErrStatus == 0) {
        mErrSource = kSocketSource;
        if (!found)
            SetError(1, ErrTimedOut, tr("No answer from the SMTP server within %1 ms").arg(EffectiveTimeout()));
        else
            SetError(1, SocketErrorNumber(QAbstractSocket::RemoteHostClosedError),
                     tr("The SMTP server closed the connection"));
    }
    return {};
}

void ClsSMTP::ReadReply(const QDeadlineTimer& deadline, QString& code) {
    for (;;) {
        const QByteArray line = ReadReplyLine(deadline);
        if (mErrStatus != 0)
            Raise(ErrTransport, tr("SMTP dialogue ended: %1").arg(mErrDescription));
        if (IsFinalReply(line)) {
            code = QString::fromLatin1(line.left(3));
            return;
        }
    }
}

void ClsSMTP::SendRawLine(const QByteArray& bytes) {
    QTcpSocket* s = Socket();
    mSendComplete = false;
    if (s->state() != QAbstractSocket::ConnectedState || s->write(bytes) != bytes.size()) {
        if (mErrStatus == 0) {
            mErrSource = kSocketSource;
            SetError(1, SocketErrorNumber(QAbstractSocket::RemoteHostClosedError),
                     tr("The connection to the SMTP server is gone"));
        }
        return;
    }
    const bool done = WaitUntil(
        [&] { return mSendComplete || mErrStatus != 0 || s->state() != QAbstractSocket::ConnectedState; },
        QDeadlineTimer(EffectiveTimeout()));
    if (!done && mErrStatus == 0) {
        mErrSource = kSocketSource;
        SetError(1, ErrTimedOut, tr("The SMTP server took no data within %1 ms").arg(EffectiveTimeout()));
    }
}

void ClsSMTP::SendCommand(const QByteArray& line, QString& code) {
    try {
        SendRawLine(line);
        QString answer;
        ReadReply(QDeadlineTimer(EffectiveTimeout()), answer);
        code = answer;
    } catch (const Failure& f) {
        SetError(2, f.number, f.description);
    }
}

void ClsSMTP::OpenSession(QString& code) {
    try {
        QTcpSocket* s = Socket();
        // Always a fresh connection: what an earlier mail left behind is not reused.
        if (s->state() != QAbstractSocket::UnconnectedState) s->abort();
        mReceive.clear();
        s->connectToHost(mRemoteHost, static_cast<quint16>(mRemotePort));
        const bool connected = WaitUntil(
            [&] { return s->state() == QAbstractSocket::ConnectedState || mErrStatus != 0; },
            QDeadlineTimer(EffectiveTimeout()));
        if (!connected && mErrStatus == 0) {
            mErrSource = kSocketSource;
            SetError(1, ErrTimedOut,
                     tr("No connection to %1:%2 within %3 ms").arg(mRemoteHost).arg(mRemotePort).arg(EffectiveTimeout()));
        }
        if (mErrStatus != 0) Raise(ErrTransport, tr("SMTP dialogue ended: %1").arg(mErrDescription));
        QString greeting;
        ReadReply(QDeadlineTimer(EffectiveTimeout()), greeting);
        code = greeting;
    } catch (const Failure& f) {
        SetError(2, f.number, f.description);
    }
}

void ClsSMTP::CloseSession() {
    QTcpSocket* s = Socket();
    if (s->state() == QAbstractSocket::UnconnectedState) return;
    mClosing = true;
    s->disconnectFromHost();
    WaitUntil([&] { return s->state() == QAbstractSocket::UnconnectedState; },
              QDeadlineTimer(std::min(EffectiveTimeout(), 5000)));
    if (s->state() != QAbstractSocket::UnconnectedState) s->abort();
    mClosing = false;
}

void ClsSMTP::SendMessageData(QString& code) {
    try {
        SendCommand(QByteArray("DATA") + kCrLf, code);
        if (mErrStatus != 0 || code != QLatin1String("354")) return;
        // Dot-stuffing: a line that begins with "." gets a second one, so a line of one
        // "." in the text never ends the data early.
        QByteArray data;
        data.reserve(mMessage.size() + 64);
        qsizetype pos = 0;
        do {
            const qsizetype crlf = mMessage.indexOf(kCrLf, pos);
            const qsizetype end = crlf < 0 ? mMessage.size() : crlf;
            if (end > pos && mMessage[pos] == '.') data.append('.');
            data.append(mMessage.mid(pos, end - pos));
            data.append(kCrLf);
            pos = crlf < 0 ? mMessage.size() : crlf + 2;
        } while (pos < mMessage.size());
        SendRawLine(data);
        if (mErrStatus != 0) Raise(ErrTransport, tr("SMTP dialogue ended: %1").arg(mErrDescription));
        SendCommand(QByteArray(".") + kCrLf, code);
    } catch (const Failure& f) {
        SetError(f.number, f.number, f.description);
    }
}

// ---- the message ----------------------------------------------------------------------

QByteArray ClsSMTP::FormatName(const QString& name) const {
    QByteArray bytes = cp932::FromUnicode(name);
    mailenc::NormalizeText(bytes);
    // Encoded words may not stand inside a quoted string: a name with Japanese text is
    // written as encoded words only (spaces and ASCII punctuation inside them).
    if (mailenc::HasNonAscii(bytes)) return mailenc::EncodeMimePhrase(bytes);
    QByteArray quoted = "\"";
    for (char c : bytes) {
        if (c == '"' || c == '\\') quoted.append('\\');
        quoted.append(c);
    }
    quoted.append('"');
    return quoted;
}

QByteArray ClsSMTP::FormatAddressList(const QList<Party>& list) {
    QByteArray out;
    for (const Party& p : list) {
        if (!out.isEmpty()) out.append(", ");
        out.append(FormatName(p.name) + " <" + p.address.toLatin1() + ">");
        mEnvelope << p.address;
    }
    return out;
}

QByteArray ClsSMTP::BuildMessage() {
    mEnvelope.clear();
    QByteArray h = "Subject: " + cp932::FromUnicode(mSubject) + kCrLf;
    h += "From: " + FormatName(mFrom.name) + " <" + mFrom.address.toLatin1() + ">" + kCrLf;
    if (!mTo.isEmpty()) h += "To: " + FormatAddressList(mTo) + kCrLf;
    if (!mCc.isEmpty()) h += "cc: " + FormatAddressList(mCc) + kCrLf;
    if (!mBcc.isEmpty()) FormatAddressList(mBcc);  // envelope only: no header shows them

    QString bodyText = CanonicalLineBreaks(mBody);
    if (!bodyText.endsWith(QLatin1String(kCrLf))) bodyText += QLatin1String(kCrLf);
    QByteArray body = cp932::FromUnicode(bodyText);
    mailenc::NormalizeText(h);
    const bool needsJis = mailenc::NormalizeText(body);
    h += "Content-Type: text/plain; charset=" + mailenc::CharsetFor(needsJis) + kCrLf;
    h = mailenc::FoldHeaderLines(mailenc::EncodeHeaderWords(h)) + kCrLf;

    mMessage = h + mailenc::ConvertToJis(body);
    if (!mMessage.endsWith(kCrLf)) mMessage += kCrLf;
    return mMessage;
}

// ---- Send -------------------------------------------------------------------------------

// One failure of Send, handled once. Returns true when the dialogue goes on at the quit
// step (a server refusal: QUIT is still said, once).
bool ClsSMTP::Handle(const Failure& failure, const QString& code, bool& quitting, bool inQuitStep) {
    if (quitting) {
        mErrMessage = QStringLiteral("QUIT & Disconnect Failure / ") + mErrMessage;
        return false;
    }
    if (mErrStatus == 0 && failure.number > ErrTransport) {
        quitting = true;
        mErrMessage = code + QStringLiteral(" SMTP Defined Error: ") + QString::number(failure.number);
        return !inQuitStep;
    }
    switch (mErrStatus) {
    case 1:
        mErrMessage = QStringLiteral("??? %1 %2").arg(mErrNumber).arg(mErrDescription);
        break;
    case 2:
        mErrMessage = QStringLiteral("$$$ %1 %2").arg(mErrNumber).arg(mErrDescription);
        break;
    case 0:
        mErrMessage += QStringLiteral("+++ %1 %2").arg(failure.number).arg(failure.description);
        // Recorded as well: a mail that was not sent must never read as sent.
        SetError(2, failure.number, failure.description);
        break;
    default:
        mErrMessage = QStringLiteral("+++ %1 %2").arg(mErrNumber).arg(mErrDescription);
        break;
    }
    return false;
}

bool ClsSMTP::Send() {
    if (mSending) return false;
    mSending = true;
    ResetErrorRecord();
    mReceive.clear();

    QString code;
    bool quitting = false;
    std::optional<Failure> refusal;
    bool toQuitStep = false;
    bool delivered = false;
    try {
        BuildMessage();
        // Checked before connecting: HELO is made of the part before the "@".
        const qsizetype at = mFrom.address.indexOf(QLatin1Char('@'));
        if (at < 0)
            Raise(ErrBadArgument, mRefused.contains(QStringLiteral("sender"))
                                      ? tr("Invalid procedure call or argument: the sender was refused")
                                      : tr("Invalid procedure call or argument: the sender address has no \"@\""));
        OpenSession(code);
        Require(code == QLatin1String("220"), ErrGreeting);
        SendCommand("HELO " + mFrom.address.left(at).toLatin1() + kCrLf, code);
        Require(code == QLatin1String("250"), ErrHelo);
        SendCommand("MAIL FROM:<" + mFrom.address.toLatin1() + ">" + kCrLf, code);
        Require(code == QLatin1String("250"), ErrMailFrom);
        for (const QString& rcpt : std::as_const(mEnvelope)) {
            SendCommand("RCPT TO:<" + rcpt.toLatin1() + ">" + kCrLf, code);
            Require(code.size() == 3 && code.startsWith(QLatin1String("25")) && code[2].isDigit(), ErrRcptTo);
        }
        SendMessageData(code);
        Require(code == QLatin1String("250"), ErrData);
        delivered = true;
    } catch (const Failure& f) {
        toQuitStep = Handle(f, code, quitting, false);
        if (quitting) refusal = f;
    }
    if (delivered) {
        // The server has taken the message: nothing at QUIT can unsend it. A QUIT that is
        // refused, or meets a closed connection, is said once more; when that fails too,
        // ErrMessage tells, and the mail does not count as failed.
        mClosing = true;
        for (int attempt = 1; attempt <= 2; ++attempt) {
            SendCommand(QByteArray("QUIT") + kCrLf, code);
            const bool said = mErrStatus == 0 && code == QLatin1String("221");
            SetError(0, 0, QString());
            if (said) break;
            mErrMessage = attempt == 1
                              ? code + QStringLiteral(" SMTP Defined Error: ") + QString::number(ErrQuit)
                              : QStringLiteral("QUIT & Disconnect Failure / ") + mErrMessage;
        }
        mClosing = false;
    } else if (toQuitStep) {
        try {
            mClosing = true;
            SendCommand(QByteArray("QUIT") + kCrLf, code);
            Require(code == QLatin1String("221"), ErrQuit);
        } catch (const Failure& f) {
            const bool wasQuitting = quitting;
            Handle(f, code, quitting, true);
            if (!wasQuitting && quitting) refusal = f;
        }
        mClosing = false;
    }
    // Every send ends with the connection closed, whatever happened.
    CloseSession();

    if (refusal) {
        SetError(2, refusal->number, refusal->description);
    } else if (mErrNumber == 0 && !mRefused.isEmpty()) {
        SetError(2, ErrBadArgument,
                 tr("Invalid procedure call or argument: refused recipient (%1)").arg(mRefused.join(QStringLiteral(", "))));
        mErrMessage = QStringLiteral("$$$ %1 %2").arg(mErrNumber).arg(mErrDescription);
    }
    mSending = false;
    return mErrNumber == 0;
}
