#include "plugins/common/CurlSession.h"

#include "alarms/Cp932.h"
#include "plugins/common/BackgroundCall.h"
#include "alarms/EventWait.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <utility>
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

bool ReplyPasses(const CurlReply& reply, bool http, QString* text) {
    if (!reply.completed) return false;
    // An error page is no healthy answer, however much text it carries.
    if (http && reply.status >= 400) return false;
    QString decoded = DecodeReply(reply);
    const bool passes = TextPasses(decoded);
    if (text) *text = std::move(decoded);
    return passes;
}

namespace {

// One transfer, shared by the session that waits for it and the thread that runs it. The
// handle's options point into its buffers and the reply, so whichever lets go last frees
// them all together: a transfer the session stopped waiting for writes only into its own
// state when it ends, and its handle is never cleaned up while curl works on it.
class Transfer {
public:
    // Sets every option on the calling thread; the transfer's thread only performs.
    Transfer(CURL* handle, const CurlRequest& r);
    ~Transfer() {
        if (handle_) curl_easy_cleanup(handle_);
        curl_slist_free_all(headers_);
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    // On the transfer's own thread.
    void Run();
    bool Finished() const { return finished_.load(std::memory_order_acquire); }
    // Nobody waits any more: curl is asked to stop at its next progress report.
    void Abandon() { abandoned_.store(true, std::memory_order_relaxed); }
    // Once Finished: the handle, with no option left pointing into this transfer.
    CURL* TakeHandle() {
        curl_easy_reset(handle_);
        return std::exchange(handle_, nullptr);
    }
    // Written by Run before Finished.
    CurlReply reply;

private:
    static int progress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        return static_cast<Transfer*>(self)->abandoned_.load(std::memory_order_relaxed) ? 1 : 0;
    }

    CURL* handle_;
    const QByteArray url_, protocols_, user_, password_, agent_, caFile_;
    std::vector<QByteArray> headerBytes_;
    curl_slist* headers_ = nullptr;
    char errorText_[CURL_ERROR_SIZE] = {};
    std::atomic<bool> finished_{false};
    std::atomic<bool> abandoned_{false};
};

Transfer::Transfer(CURL* h, const CurlRequest& r)
    : handle_(h),
      url_(r.url.toUtf8()),
      protocols_(r.protocols.toLatin1()),
      user_(r.userName.toUtf8()),
      password_(r.password.toUtf8()),
      agent_(r.userAgent.toUtf8()),
      caFile_(CaFileOverride().toLocal8Bit()) {
    headerBytes_.reserve(static_cast<size_t>(r.headers.size()));
    for (const QString& header : r.headers) {
        headerBytes_.push_back(header.toUtf8());
        headers_ = curl_slist_append(headers_, headerBytes_.back().constData());
    }

    curl_easy_reset(h);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText_);
    // Off the window thread: no signals for name look-up time-outs.
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    // A name look-up still running at the time-out is left to end on the resolver's own
    // thread instead of being waited for, so the transfer ends at its time-out.
    curl_easy_setopt(h, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(h, CURLOPT_URL, url_.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, protocols_.constData());
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, protocols_.constData());
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
    if (!agent_.isEmpty()) curl_easy_setopt(h, CURLOPT_USERAGENT, agent_.constData());
    if (headers_) curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers_);
    if (r.sendCredentials) {
        curl_easy_setopt(h, CURLOPT_USERNAME, user_.constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, password_.constData());
        // Credentials go out only when the server asks for them, in the scheme it names.
        curl_easy_setopt(h, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
    }
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile_.isEmpty()) curl_easy_setopt(h, CURLOPT_CAINFO, caFile_.constData());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &appendBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply.body);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &progress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
}

void Transfer::Run() {
    const CURLcode rc = curl_easy_perform(handle_);
    curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &reply.status);
    const char* contentType = nullptr;
    if (curl_easy_getinfo(handle_, CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK && contentType)
        reply.contentType = QString::fromLatin1(contentType);
    reply.completed = rc == CURLE_OK;
    reply.fileNotFound = rc == CURLE_REMOTE_FILE_NOT_FOUND;
    if (!reply.completed)
        reply.error = QString::fromUtf8(errorText_[0] ? errorText_ : curl_easy_strerror(rc));
    finished_.store(true, std::memory_order_release);
}

CurlReply failedReply(const QString& why) {
    CurlReply reply;
    reply.error = why;
    return reply;
}

}  // namespace

CurlSession::CurlSession() {
    initialiseOnce();
    handle_ = curl_easy_init();
}

CurlSession::~CurlSession() {
    if (handle_) curl_easy_cleanup(static_cast<CURL*>(handle_));
}

CurlReply CurlSession::Perform(const CurlRequest& r) {
    return Perform(r, atLeastOneSecondMs(r.totalTimeoutMs) + kTransferGraceMs);
}

CurlReply CurlSession::Perform(const CurlRequest& r, qint64 waitMs) {
    // The handle of a transfer left behind went with it.
    if (!handle_) handle_ = curl_easy_init();
    if (!handle_) return failedReply(QStringLiteral("no transfer handle"));
    bool unsafe = HasControlCharacters(r.url) || HasControlCharacters(r.userName) ||
                  HasControlCharacters(r.password) || HasControlCharacters(r.userAgent);
    for (const QString& header : r.headers) unsafe = unsafe || HasControlCharacters(header);
    if (unsafe) return failedReply(QStringLiteral("control character in the request"));

    auto transfer = std::make_shared<Transfer>(static_cast<CURL*>(std::exchange(handle_, nullptr)), r);
    try {
        StartBackgroundCall([transfer] { transfer->Run(); });
    } catch (const std::exception&) {
        handle_ = transfer->TakeHandle();
        return failedReply(QStringLiteral("no thread for the transfer"));
    }
    if (!events::ProcessEventsUntil([&transfer] { return transfer->Finished(); }, waitMs)) {
        transfer->Abandon();
        return failedReply(QStringLiteral("the transfer did not end within %1 ms").arg(waitMs));
    }
    handle_ = transfer->TakeHandle();
    return std::move(transfer->reply);
}

}  // namespace plugin
