#include "plugins/common/CurlSession.h"

#include "alarms/Cp932.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace plugin {

namespace {

void initialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t appendBody(char* data, size_t size, size_t count, void* userData) {
    auto* body = static_cast<QByteArray*>(userData);
    const size_t n = size * count;
    body->append(data, static_cast<qsizetype>(n));
    return n;
}

struct HeaderList {
    curl_slist* list = nullptr;
    ~HeaderList() { curl_slist_free_all(list); }
};

long atLeastOneSecondMs(int ms) { return ms > 0 ? ms : 1000; }

}  // namespace

bool HasControlCharacters(const QString& text) {
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

QString CaFileOverride() { return qEnvironmentVariable(kCaFileVariable); }

QString CompleteUrl(const QString& url, const QString& scheme, bool withRoot) {
    if (url.contains(QStringLiteral("://"))) return url;
    QString full = scheme + QStringLiteral("://") + url;
    if (withRoot && !url.contains(u'/')) full += u'/';
    return full;
}

namespace {

// The iconv name for a charset label of a header or a meta tag; "" when the label is not
// one we read (the bytes then decide). Shift_JIS pages are CP932 in practice: Windows
// writes its own extensions (such as "～" and the numbered circles) under that label.
QByteArray iconvNameOf(const QString& label) {
    static const QHash<QString, QByteArray> names = [] {
        QHash<QString, QByteArray> n;
        for (const char* l : {"utf-8", "utf8", "unicode-1-1-utf-8"}) n.insert(QString::fromLatin1(l), "UTF-8");
        for (const char* l : {"shift_jis", "shift-jis", "sjis", "x-sjis", "ms_kanji", "csshiftjis", "windows-31j",
                              "cp932", "ms932", "x-ms-cp932"})
            n.insert(QString::fromLatin1(l), "CP932");
        for (const char* l : {"euc-jp", "x-euc-jp", "cseucpkdfmtjapanese"}) n.insert(QString::fromLatin1(l), "EUC-JP");
        for (const char* l : {"iso-2022-jp", "csiso2022jp"}) n.insert(QString::fromLatin1(l), "ISO-2022-JP");
        // As browsers do, these labels mean the Windows Western code page.
        for (const char* l : {"iso-8859-1", "latin1", "l1", "us-ascii", "ascii", "windows-1252", "cp1252"})
            n.insert(QString::fromLatin1(l), "WINDOWS-1252");
        return n;
    }();
    return names.value(label.trimmed().toLower());
}

// The charset parameter of a Content-Type value ("text/html; charset="Shift_JIS"").
QString charsetOfContentType(const QString& contentType) {
    static const QRegularExpression parameter(QStringLiteral(R"(;\s*charset\s*=\s*["']?([^"';\s]+))"),
                                              QRegularExpression::CaseInsensitiveOption);
    return parameter.match(contentType).captured(1);
}

// The charset a meta tag declares, <meta charset="x"> or <meta http-equiv="Content-Type"
// content="text/html; charset=x">. Looked for in the page's head only as far as a page
// normally puts it: the first 4 KiB. The markup is ASCII in every charset read here (no
// Shift_JIS trail byte is "<"), so the bytes are searched as Latin-1.
QString metaCharset(const QByteArray& body) {
    static const QRegularExpression meta(QStringLiteral(R"(<meta\b[^>]*?\bcharset\s*=\s*["']?\s*([A-Za-z0-9_.:\-]+))"),
                                         QRegularExpression::CaseInsensitiveOption);
    return meta.match(QString::fromLatin1(body.left(4096))).captured(1);
}

}  // namespace

QString DecodeReply(const QByteArray& body, const QString& contentType) {
    if (const auto bom = QStringConverter::encodingForData(body)) {
        QStringDecoder decoder(*bom);  // drops the byte order mark
        return decoder.decode(body);
    }
    QByteArray charset = iconvNameOf(charsetOfContentType(contentType));
    if (charset.isEmpty()) charset = iconvNameOf(metaCharset(body));
    if (charset == "UTF-8") return QString::fromUtf8(body);
    if (!charset.isEmpty()) {
        try {
            return cp932::ToUnicodeFrom(charset.constData(), body);
        } catch (const std::exception&) {
            // This system's iconv lacks the converter: the bytes decide below.
        }
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(body);
    if (!utf8.hasError()) return text;
    return cp932::ToUnicode(body);
}

QString DecodeReply(const CurlReply& reply) { return DecodeReply(reply.body, reply.contentType); }

bool TextPasses(const QString& text) {
    return !text.isEmpty() && !text.startsWith(QStringLiteral("ｴﾗｰ"));
}

bool ReplyPasses(const CurlReply& reply, bool http) {
    if (!reply.completed) return false;
    // An error page is no healthy answer, however much text it carries.
    if (http && reply.status >= 400) return false;
    return TextPasses(DecodeReply(reply));
}

CurlSession::CurlSession() {
    initialiseOnce();
    handle_ = curl_easy_init();
}

CurlSession::~CurlSession() {
    if (handle_) curl_easy_cleanup(static_cast<CURL*>(handle_));
}

CurlReply CurlSession::Perform(const CurlRequest& r) {
    CurlReply reply;
    CURL* h = static_cast<CURL*>(handle_);
    if (!h) {
        reply.error = QStringLiteral("no transfer handle");
        return reply;
    }
    bool unsafe = HasControlCharacters(r.url) || HasControlCharacters(r.userName) ||
                  HasControlCharacters(r.password) || HasControlCharacters(r.userAgent);
    for (const QString& header : r.headers) unsafe = unsafe || HasControlCharacters(header);
    if (unsafe) {
        reply.error = QStringLiteral("control character in the request");
        return reply;
    }

    curl_easy_reset(h);
    char errorText[CURL_ERROR_SIZE] = {};
    const QByteArray url = r.url.toUtf8();
    const QByteArray protocols = r.protocols.toLatin1();
    const QByteArray user = r.userName.toUtf8();
    const QByteArray password = r.password.toUtf8();
    const QByteArray agent = r.userAgent.toUtf8();
    const QByteArray caFile = CaFileOverride().toLocal8Bit();
    HeaderList headers;
    std::vector<QByteArray> headerBytes;
    headerBytes.reserve(static_cast<size_t>(r.headers.size()));
    for (const QString& header : r.headers) {
        headerBytes.push_back(header.toUtf8());
        headers.list = curl_slist_append(headers.list, headerBytes.back().constData());
    }

    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
    // One thread with an event loop: no signals for name look-up time-outs.
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_URL, url.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, protocols.constData());
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, protocols.constData());
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, r.followRedirects ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, atLeastOneSecondMs(r.connectTimeoutMs));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, atLeastOneSecondMs(r.totalTimeoutMs));
    if (r.receiveTimeoutMs > 0) {
        // No byte for that long once connected ends the transfer (whole seconds in curl).
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, std::max(1L, (r.receiveTimeoutMs + 999L) / 1000L));
        curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, std::max(1L, (r.receiveTimeoutMs + 999L) / 1000L));
    }
    if (!agent.isEmpty()) curl_easy_setopt(h, CURLOPT_USERAGENT, agent.constData());
    if (headers.list) curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.list);
    if (r.sendCredentials) {
        curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, password.constData());
        // Credentials go out only when the server asks for them, in the scheme it names.
        curl_easy_setopt(h, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
    }
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.isEmpty()) curl_easy_setopt(h, CURLOPT_CAINFO, caFile.constData());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &appendBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply.body);

    const CURLcode rc = curl_easy_perform(h);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &reply.status);
    const char* contentType = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK && contentType)
        reply.contentType = QString::fromLatin1(contentType);
    reply.completed = rc == CURLE_OK;
    if (!reply.completed)
        reply.error = QString::fromUtf8(errorText[0] ? errorText : curl_easy_strerror(rc));
    // The options point into this call's buffers; none may outlive it.
    curl_easy_reset(h);
    return reply;
}

}  // namespace plugin
