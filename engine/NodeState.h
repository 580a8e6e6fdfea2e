#pragma once
// One probe outcome turned into what people see: node images, status rows, and for the
// bad outcomes the alarm notification and the event-log line.

#include <QString>
#include <QtGlobal>

class CheckForm;
class ClsPingData;

// computerKey and serviceKey are the tree keys of the computer's node and of the service's
// node; portNo is the port, the plug-in row number or 0. A key whose node is missing
// changes no image; a service key still tells by its "$" or "%" which message is due.
// serviceName, portNo, serviceImage and serviceKey matter only when serviceImage is "SStop".
void SetNodeStateAndAlarm(CheckForm& form, const QString& computerKey, const QString& address,
                          const QString& computerImage, const QString& serviceName, qint32 portNo,
                          const QString& serviceImage, const QString& serviceKey);

// The same for a computer the caller holds and knows to be in the target list now (no
// yield since it last made sure): the check round and the immediate check, which so spare
// the search of the whole list for every computer.
void SetNodeStateAndAlarm(CheckForm& form, const ClsPingData& item, const QString& computerKey,
                          const QString& computerImage, const QString& serviceName, qint32 portNo,
                          const QString& serviceImage, const QString& serviceKey);

// Full-width letters, digits, symbols, spaces and katakana to their half-width forms;
// other characters stay.
QString NarrowText(const QString& text);
