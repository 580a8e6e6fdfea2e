#include "plugins/Vantorftp/ClsVantoro.h"

#include "plugins/Vantorftp/FrmFTP.h"
#include "plugins/common/CurlSession.h"
#include "plugins/common/PluginExports.h"

#include <QDeadlineTimer>

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
    const QDeadlineTimer deadline(limit);
    request.connectTimeoutMs = limit;
    request.totalTimeoutMs = limit;
    CurlReply reply = session.Perform(request);
    // A folder typed the usual way, without its closing "/", is asked for as a file first;
    // when the server refuses that name as a file, the folder's listing is what is judged.
    // The listing gets what is left of the attempt's time-out and reuses its connection.
    if (reply.fileNotFound && !request.url.endsWith(u'/')) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0) return Attempt::Failed;
        request.url += u'/';
        request.connectTimeoutMs = static_cast<int>(left);
        request.totalTimeoutMs = static_cast<int>(left);
        reply = session.Perform(request);
    }
    return ReplyPasses(reply, false) ? Attempt::Passed : Attempt::Failed;
}
