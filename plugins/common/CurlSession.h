#pragma once
// One bounded transfer through libcurl, for the FTP and web checks. Every transfer gets a
// handle of its own, so nothing of one attempt (connection, credentials, cookies) can carry
// into the next, and every wait in it has a limit.
//
// Certificates of HTTPS servers are verified against the system's store. When the
// environment variable VANTORO_CA_FILE names a file, that PEM bundle is used instead (an
// installation with its own CA, or a test with a CA it made itself).

#include <QByteArray>
#include <QString>
#include <QStringList>

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
};

// True when text holds a character no header, URL or login may carry: CR, LF, NUL or any
// other control character. Such text could end a header line or an FTP command early and
// smuggle in one of its own.
bool HasControlCharacters(const QString& text);

class CurlSession {
public:
    CurlSession();
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    // Runs the request to its end or to a limit. A request whose URL, credentials or
    // headers carry control characters is refused without any traffic.
    CurlReply Perform(const CurlRequest& request);
    // False when the transfer layer could not give a handle at all.
    bool IsOpen() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;  // CURL*
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
// are valid UTF-8, else CP932, as intranet pages written on Windows often are.
QString DecodeReply(const QByteArray& body, const QString& contentType);
QString DecodeReply(const CurlReply& reply);

// The reply rule of the FTP and web checks: the transfer completed, the server did not
// answer with an HTTP error status (400 and above), and the text is neither empty nor
// begins with the error marker "ｴﾗｰ".
bool ReplyPasses(const CurlReply& reply, bool http);
bool TextPasses(const QString& text);

}  // namespace plugin
