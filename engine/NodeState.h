#pragma once
// One probe outcome turned into what people see: node images, status rows, and for the
// bad outcomes the alarm notification and the event-log line.

#include <QString>
#include <QtGlobal>

class CheckForm;

// computerKey and serviceKey are the tree keys of the computer's node and of the service's
// node ("" when there is none); portNo is the port, the plug-in row number or 0.
// serviceName, portNo, serviceImage and serviceKey matter only when serviceImage is "SStop".
void SetNodeStateAndAlarm(CheckForm& form, const QString& computerKey, const QString& address,
                          const QString& computerImage, const QString& serviceName, qint32 portNo,
                          const QString& serviceImage, const QString& serviceKey);

// Full-width letters, digits, symbols, spaces and katakana to their half-width forms;
// other characters stay.
QString NarrowText(const QString& text);
