#pragma once
// The alarm notification and the messenger's send entry point. An alarm of a computer
// goes, through the assignments of TBL_MsgSend (people of the computer itself or of its
// whole group) and the people of TBL_User, out as one mail to everyone who wants mail
// and as one popup per PC address and popup kind: a messenger-service popup (kind "0")
// or a LAN messenger text datagram (any other kind).

#include <QString>
#include <QTcpSocket>

class LanMessenger;
class MailslotSender;

// What the notification uses of the main window: its messenger socket, its popup
// adapter and its mail socket.
struct NotifyForm {
    LanMessenger& ctlWinsock;
    MailslotSender& mailslot;
    QTcpSocket* EMail = nullptr;  // null: the mail client uses a socket of its own
    qint32 mailPort = 25;         // SMTP port of the mail server
};

// Error numbers of failures that end the notification early.
namespace notifyerr {
inline constexpr qint32 kDatabaseOpen = 3024;  // the monitoring database cannot be opened
inline constexpr qint32 kStatement = 3146;     // a recipient query failed
}  // namespace notifyerr

// Sends one messenger message by code, and nothing at all (result 0) while option SendMsg
// is off:
//  "01" the start-up announcement (see SendLanAnnounce): non-zero only when the
//       messenger port cannot be taken;
//  "02" the answer to the last announcement received;
//  "12" the alarm notification of the computer at address in group, with text: returns
//       0, or the error number of a database failure that ended it before any popup;
//  any other code: nothing, 0.
// group, address and text are used by "12" only. Failures along the way are shown on the
// status line; a PC that cannot be reached does not keep the others from their popups.
qint32 SendLanMessage(NotifyForm& form, const QString& code, const QString& group,
                      const QString& address, const QString& text);
