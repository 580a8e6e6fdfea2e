#include "plugins/Vantorftp/ClsVantoro.h"

#include "plugins/Vantorftp/FrmFTP.h"
#include "plugins/common/CurlSession.h"
#include "plugins/common/PluginExports.h"

VANTORO_PLUGIN_EXPORTS(ClsVantoro)

std::unique_ptr<plugin::ClsVantoroBase> ClsVantoro::CreateSibling() const { return std::make_unique<ClsVantoro>(); }

std::unique_ptr<plugin::SettingsWindow> ClsVantoro::CreateWindow() { return std::make_unique<FrmFTP>(*this); }

ClsVantoro::Attempt ClsVantoro::AttemptOnce() {
    using namespace plugin;
    // A CR or LF in the login would end the USER or PASS command early and send a command
    // of its own; such settings are refused, and trying them again would change nothing.
    if (HasControlCharacters(URL()) || HasControlCharacters(UserName()) || HasControlCharacters(Password()))
        return Attempt::Abort;
    CurlSession session;
    CurlRequest request;
    request.url = CompleteUrl(URL(), QStringLiteral("ftp"), true);
    request.protocols = QStringLiteral("ftp");
    // No user name: the transfer layer's own anonymous login.
    request.sendCredentials = !UserName().isEmpty();
    request.userName = UserName();
    request.password = Password();
    const int limit = TimeOutSeconds() * 1000;
    request.connectTimeoutMs = limit;
    request.totalTimeoutMs = limit;
    const CurlReply reply = session.Perform(request);
    return ReplyPasses(reply, false) ? Attempt::Passed : Attempt::Failed;
}
