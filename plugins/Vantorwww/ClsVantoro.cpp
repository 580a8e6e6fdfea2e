#include "plugins/Vantorwww/ClsVantoro.h"

#include "plugins/common/CurlSession.h"
#include "plugins/common/FrmWWW.h"
#include "plugins/common/PluginExports.h"

VANTORO_PLUGIN_EXPORTS(ClsVantoro)

std::unique_ptr<plugin::ClsVantoroBase> ClsVantoro::CreateSibling() const { return std::make_unique<ClsVantoro>(); }

std::unique_ptr<plugin::SettingsWindow> ClsVantoro::CreateWindow() {
    return std::make_unique<plugin::FrmWWW>(*this);
}

ClsVantoro::Attempt ClsVantoro::AttemptOnce() {
    using namespace plugin;
    // Only 4 and 5 name a protocol. Any other value (a parameter string may carry one) is
    // refused by the transfer layer like any other error of the attempt.
    const int protocol = Protocol();
    if (protocol != 4 && protocol != 5) return Attempt::Failed;
    // A CR or LF would end the request line or the authorisation header early.
    if (HasControlCharacters(URL()) || HasControlCharacters(UserName()) || HasControlCharacters(Password()))
        return Attempt::Abort;
    CurlSession session;
    CurlRequest request;
    request.url = CompleteUrl(URL(), protocol == 4 ? QStringLiteral("http") : QStringLiteral("https"));
    request.protocols = QStringLiteral("http,https");
    request.sendCredentials = !UserName().isEmpty() || !Password().isEmpty();
    request.userName = UserName();
    request.password = Password();
    const int limit = TimeOutSeconds() * 1000;
    request.connectTimeoutMs = limit;
    request.totalTimeoutMs = limit;
    request.userAgent = Format().fileBase + u'/' + Version();
    request.followRedirects = true;
    const CurlReply reply = session.Perform(request);
    return ReplyPasses(reply, true) ? Attempt::Passed : Attempt::Failed;
}
