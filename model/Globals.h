#pragma once
// The program's shared values: the twenty options, the selection values that hand a
// modal dialog its target, the continue-checking flag and the target list.

#include "model/ClsPingDatas.h"

#include <QString>

// Options (read from the settings store at start-up, written by the options dialog).
extern QString gOptDatabasePath;
extern QString gOptSoundFilePath;
extern bool gOptPatLamp;
extern bool gOptSound;
extern qint32 gOptSoundVolume;
extern bool gOptFormTop;
extern bool gOptPopUp;
extern bool gOptPingCheck;
extern bool gOptWebInfo;
extern bool gOptNoCheck;
extern qint32 gOptTimerInterval;  // milliseconds
extern qint32 gOptNGRset;
extern bool gOptSendMsg;
extern qint32 gOptPort;
extern QString gOptUserName;
extern qint16 gOptPortTimeOut;    // seconds
extern qint32 gOptLogDelete;      // days
extern QString gOptMailServer;
extern QString gOptPOPServer;
extern QString gOptMailUserID;

// Selection values: empty or 0 means a new row.
extern QString gSelGroup;
extern QString gSelAddress;
extern qint32 gSelPort;
extern QString gSelUserID;
extern qint16 gSelSubNo;
extern QString gSelCalendar;
extern qint16 gSelYear;
extern bool gSelForComputer;

// Cleared by a user command while it runs; a check round stops at its next computer.
extern bool gCheckContinue;

// Every watched computer.
extern ClsPingDatas gPingDatas;
