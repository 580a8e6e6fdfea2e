#pragma once
// One bounded transfer through libcurl, for the FTP and web checks. Every transfer gets a
// handle of its own, so nothing of one attempt (connection, credentials, cookies) can carry
// into the next, and every wait in it has a limit.
//
// The transfer runs on a thread of its own while the caller's event loop goes on, so a
// silent server or a slow name look-up never holds the host's windows and timers. The
// caller waits for it at most its total time-out plus kTransferGraceMs; a transfer still
// running then is stopped and ends on its thread, owning everything it touches.
//
// Certificates of HTTPS servers are verified against the system's store. When the
// environment variable VANTORO_CA_FILE names a file, that PEM bundle is used instead (an
// installation with its own CA, or a test with a CA it made itself).

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace plugin {

inline constexpr char kCaFileVariable[] = "VANTORO_CA_FILE";

struct CurlRequest {
    QString url;               // complete, scheme included
    QString protocols;         // the only schemes the transfer may use, redirects included ("http,https")
    bool sendCredentials = false;
    QString userName;
    QString password;
    int connectTimeoutMs = 0;  // 0 or less counts as 1000
    int totalTimeoutMs = 0;    // the whole transfer; 0 or less counts as 1000
    // Longest stretch without a byte arriving once connected; 0 = only the total limit.
    int receiveTimeoutMs = 0;
    QString userAgent;
    QStringList headers;       // "Name: value", sent as they stand
    bool followRedirects = false;
};

struct CurlReply {
    bool completed = false;  // the transfer ran to its end without a transport error
    long status = 0;         // HTTP status or the FTP server's last reply code
    QByteArray body;
    QString contentType;     // the last response's Content-Type header ("" when none)
    QString error;           // why the transfer did not complete
    // The server refused the file the URL names (FTP: 550 to SIZE or RETR). Only a name
    // without a closing "/" is asked for as a file.
    bool fileNotFound = false;
};

// True when text holds a character no header, URL or login may carry: CR, LF, NUL or any
// other control character. Such text could end a header line or an FTP command early and
// smuggle in one of its own.
bool HasControlCharacters(const QString& text);

// How long past its total time-out a transfer is waited for. curl keeps its own limits, so
// this is a margin, never the limit a check meets.
inline constexpr int kTransferGraceMs = 1000;

class CurlSession {
public:
    CurlSession();
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    // Runs the request to its end or to a limit, processing the caller's events meanwhile.
    // A request whose URL, credentials or headers carry control characters is refused
    // without any traffic.
    CurlReply Perform(const CurlRequest& request);
    // The same, waiting at most waitMs: a transfer that has not ended by then fails.
    CurlReply Perform(const CurlRequest& request, qint64 waitMs);
    // False when the transfer layer could not give a handle at all.
    bool IsOpen() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;  // CURL*, while no transfer of this session holds it
};

// The CA bundle the transfers verify against instead of the system's store ("" = the store).
QString CaFileOverride();

// url as given when it names its scheme ("https://host/x"), else scheme + "://" + url.
// withRoot adds "/" when nothing follows the host, so an FTP server is asked for the
// listing of its top folder rather than for a file.
QString CompleteUrl(const QString& url, const QString& scheme, bool withRoot = false);

// A fetched reply as text, in the charset the reply declares: a byte order mark, else the
// Content-Type header's charset, else the charset a meta tag near the start of the page
// declares. Undeclared (or declared as something not known here), it is UTF-8 when the bytes
// are valid UTF-8, else CP932, as many intranet pages in Japanese offices are.
QString DecodeReply(const QByteArray& body, const QString& contentType);
QString DecodeReply(const CurlReply& reply);

// The reply rule of the FTP and web checks: the transfer completed, the server did not
// answer with an HTTP error status (400 and above), and the text is neither empty nor
// begins with the error marker "ｴﾗｰ". The decoded text goes to text, when one is given,
// whenever it was looked at.
bool ReplyPasses(const CurlReply& reply, bool http, QString* text = nullptr);
bool TextPasses(const QString& text);

}  // namespace plugin
