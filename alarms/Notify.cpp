#include "alarms/Notify.h"

#include "alarms/ClsSMTP.h"
#include "alarms/LanMessenger.h"
#include "alarms/Mailslot.h"
#include "model/AppPaths.h"
#include "model/Database.h"
#include "model/Globals.h"
#include "model/Seams.h"
#include "model/text/TrimSpaces.h"

#include <QList>
#include <QSet>

namespace {

// Who is in charge of a computer: the people assigned to it, and those assigned to its
// whole group (a Null address). Bound as group, address, group.
const QString kAssigned = QStringLiteral(
    " FROM TBL_MsgSend INNER JOIN TBL_User ON TBL_MsgSend.職番 = TBL_User.職番"
    " WHERE ((TBL_MsgSend.グループ = ? AND TBL_MsgSend.アドレス = ?)"
    " OR (TBL_MsgSend.グループ = ? AND TBL_MsgSend.アドレス IS NULL))");

struct MailTo {
    QString address;
    QString name;
};
struct Popup {
    QString host;
    QString kind;
};
struct Recipients {
    QList<MailTo> mail;
    QList<Popup> popups;
};

// Both recipient lists, read in one open of the database. Nothing is sent while the
// database is open: the mail dialogue runs the event loop, and a read left open across
// it would lock out the check round's writes. Returns 0 or the error number.
qint32 ReadRecipients(const QString& group, const QString& address, Recipients& out) {
    std::optional<Database> db = Database::Open(gOptDatabasePath);
    if (!db) return notifyerr::kDatabaseOpen;

    std::optional<QSqlQuery> q = db->Query(
        QStringLiteral("SELECT TBL_User.メール1, TBL_User.メール2, TBL_User.氏名") + kAssigned +
            QStringLiteral(" AND TBL_User.メール送信有無 <> 0;"),
        {group, address, group});
    if (!q) return notifyerr::kStatement;
    // A person assigned both to the computer and to its group is one recipient.
    QSet<QString> listed;
    while (q->next()) {
        const QString name = q->value(2).toString();
        for (int column : {0, 1}) {
            const QString to = TrimSpaces(q->value(column).toString());
            if (to.isEmpty() || listed.contains(to.toLower())) continue;
            listed.insert(to.toLower());
            out.mail.append({to, name});
        }
    }

    // One popup per PC and kind, whoever of the computer or its group sits at it; people
    // who want no mail get theirs too.
    q = db->Query(QStringLiteral("SELECT TBL_User.アドレス, TBL_User.警報種別") + kAssigned +
                      QStringLiteral(" GROUP BY TBL_User.アドレス, TBL_User.警報種別"
                                     " HAVING TBL_User.アドレス IS NOT NULL;"),
                  {group, address, group});
    if (!q) return notifyerr::kStatement;
    while (q->next()) out.popups.append({q->value(0).toString(), q->value(1).toString()});
    return 0;
}

void SendAlarmMail(NotifyForm& form, const QList<MailTo>& recipients, const QString& text) {
    // With nobody to write to there is no mail, rather than a dialogue the server refuses.
    if (recipients.isEmpty()) return;
    ClsSMTP mail;
    mail.SetWinsock(form.EMail);
    mail.AddressFrom(gOptMailUserID + QLatin1Char('@') + gOptPOPServer, ProgramBaseName());
    mail.setRemoteHostName(gOptMailServer);
    mail.setRemotePort(form.mailPort);
    mail.setSubject(QStringLiteral("コンピュータ監視の警報"));
    mail.Msg(text);
    for (const MailTo& to : recipients) mail.AddressTo(to.address, to.name);
    mail.Send();
    if (mail.ErrNumber() != 0)
        seams::Status().SetStatusText(QStringLiteral("E-Mail送信に失敗しました。") + mail.ErrDescription() +
                                      QLatin1Char('(') + mail.ErrDescription() + QLatin1Char(')'));
}

qint32 SendAlarm(NotifyForm& form, const QString& group, const QString& address, const QString& text) {
    Recipients to;
    if (const qint32 e = ReadRecipients(group, address, to)) return e;
    const QString message = TrimSpaces(text);

    SendAlarmMail(form, to.mail, message);

    for (const Popup& p : to.popups) {
        if (p.kind == u"0") {
            SendMailslotMessage(form.mailslot, gOptUserName, p.host, message);
        } else if (SendLanText(form.ctlWinsock, p.host, message) != 0) {
            // One PC out of reach must not cost the others their alarm.
            seams::Status().SetStatusText(QStringLiteral("送信に失敗しました。"));
        }
    }
    return 0;
}

}  // namespace

qint32 SendLanMessage(NotifyForm& form, const QString& code, const QString& group,
                      const QString& address, const QString& text) {
    if (!gOptSendMsg) return 0;
    if (code == u"01") return SendLanAnnounce(form.ctlWinsock);
    if (code == u"02") {
        SendLanAnswer(form.ctlWinsock);
        return 0;
    }
    if (code == u"12") return SendAlarm(form, group, address, text);
    return 0;
}
