#include "plugins/Vantorwww2/ClsVantoro.h"

#include "plugins/Vantorwww2/BasIniAcsess.h"
#include "plugins/common/CurlSession.h"
#include "plugins/common/FrmWWW.h"
#include "plugins/common/PluginExports.h"

#include <QFileInfo>
#include <QStringList>

VANTORO_PLUGIN_EXPORTS(ClsVantoro)

namespace {
const QString kAgent = QStringLiteral("vb wininet");
const QString kSection = QStringLiteral("ErrMsg");
}  // namespace

ClsVantoro::ClsVantoro() : ClsVantoroBase(kKind) {
    const QFileInfo library(plugin::LibraryPathOf(reinterpret_cast<const void*>(&DllGetClassObject)));
    iniPath_ = library.absolutePath() + u'/' + library.baseName() + QStringLiteral(".ini");
}

std::unique_ptr<plugin::ClsVantoroBase> ClsVantoro::CreateSibling() const { return std::make_unique<ClsVantoro>(); }

std::unique_ptr<plugin::SettingsWindow> ClsVantoro::CreateWindow() {
    return std::make_unique<plugin::FrmWWW>(*this);
}

QStringList ClsVantoro::ErrorTexts() const {
    QStringList texts;
    for (int n = 1; n <= 99; ++n) {
        const QString text = ReadIniString(iniPath_, kSection, QStringLiteral("%1_Msg").arg(n, 2, 10, QChar(u'0')));
        if (text.isEmpty()) break;
        texts << text;
    }
    return texts;
}

ClsVantoro::Attempt ClsVantoro::AttemptOnce() {
    using namespace plugin;
    if (HasControlCharacters(URL())) return Attempt::Abort;
    CurlSession session;
    if (!session.IsOpen()) return Attempt::Abort;
    CurlRequest request;
    request.url = QStringLiteral("http://") + URL();
    request.protocols = QStringLiteral("http,https");
    const int limit = TimeOutSeconds() * 1000;
    request.connectTimeoutMs = limit;
    request.receiveTimeoutMs = limit;
    // Connecting, sending and every read are bounded by the time-out; so that a server
    // trickling a byte now and then cannot hold the check for ever, the whole attempt
    // is bounded by three of them.
    request.totalTimeoutMs = 3 * limit;
    request.userAgent = kAgent;
    // Reload from the server and ask every cache on the way not to answer from a copy.
    request.headers << QStringLiteral("Pragma: no-cache") << QStringLiteral("Cache-Control: no-cache");
    request.followRedirects = true;
    const CurlReply reply = session.Perform(request);
    QString page;
    if (!ReplyPasses(reply, true, &page)) return Attempt::Failed;
    page = page.toUpper();
    for (const QString& text : ErrorTexts())
        if (page.contains(text.toUpper())) return Attempt::Failed;
    return Attempt::Passed;
}
