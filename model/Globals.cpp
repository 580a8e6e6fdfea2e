#include "model/Globals.h"

QString gOptDatabasePath;
QString gOptSoundFilePath;
bool gOptPatLamp = true;
bool gOptSound = true;
qint32 gOptSoundVolume = 0;
bool gOptFormTop = false;
bool gOptPopUp = true;
bool gOptPingCheck = true;
bool gOptWebInfo = false;
bool gOptNoCheck = false;
qint32 gOptTimerInterval = 60000;
qint32 gOptNGRset = 10;
bool gOptSendMsg = true;
qint32 gOptPort = 59640;
QString gOptUserName;
qint16 gOptPortTimeOut = 3;
qint32 gOptLogDelete = 10;
QString gOptMailServer;
QString gOptPOPServer;
QString gOptMailUserID;

QString gSelGroup;
QString gSelAddress;
qint32 gSelPort = 0;
QString gSelUserID;
qint16 gSelSubNo = 0;
QString gSelCalendar;
qint16 gSelYear = 0;
bool gSelForComputer = false;

bool gCheckContinue = true;

ClsPingDatas gPingDatas;
