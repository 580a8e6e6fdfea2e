#include "model/Options.h"

#include "model/AppPaths.h"
#include "model/Globals.h"
#include "model/Mixer.h"

#include <QSettings>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace options {

bool ParseBool(const QString& text, bool* ok) {
    const QString t = text.trimmed();
    *ok = true;
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    const double number = t.toDouble(ok);
    if (!*ok || !std::isfinite(number)) {
        *ok = false;
        return false;
    }
    return number != 0.0;
}

QString BoolText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

bool ParseSecondsAsMs(const QString& text, qint32* ms) {
    bool ok = false;
    const double seconds = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(seconds)) return false;
    const double rounded = std::round(seconds * 1000.0);
    if (rounded < std::numeric_limits<qint32>::min() || rounded > std::numeric_limits<qint32>::max())
        return false;
    *ms = static_cast<qint32>(rounded);
    return true;
}

QString MsAsSecondsText(qint32 ms) { return QString::number(ms / 1000.0, 'g', 15); }

}  // namespace options

std::unique_ptr<QSettings> OptionStore(const QString& appName) {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("Vantoro"), appName);
}

namespace {

// The stored text of key, or nothing when the key is missing.
bool StoredText(QSettings& store, const char* key, QString* text) {
    const QVariant v = store.value(QLatin1String(key));
    if (!v.isValid()) return false;
    // A hand-edited value with an unquoted comma reads back as a list: keep it whole.
    *text = v.typeId() == QMetaType::QStringList ? v.toStringList().join(QLatin1Char(',')) : v.toString();
    return true;
}

QString ReadString(QSettings& store, const char* key, const QString& fallback) {
    QString text;
    return StoredText(store, key, &text) ? text : fallback;
}

bool ReadBool(QSettings& store, const char* key, bool fallback) {
    QString text;
    if (!StoredText(store, key, &text)) return fallback;
    bool ok = false;
    const bool value = options::ParseBool(text, &ok);
    return ok ? value : fallback;
}

// Whole numbers of the option's own width; text that does not fit the type falls back.
template <class Int>
Int ReadInt(QSettings& store, const char* key, const std::function<Int()>& fallback) {
    QString text;
    if (!StoredText(store, key, &text)) return fallback();
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok || value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max())
        return fallback();
    return static_cast<Int>(value);
}

template <class Int>
Int ReadInt(QSettings& store, const char* key, Int fallback) {
    return ReadInt<Int>(store, key, std::function<Int()>([fallback] { return fallback; }));
}

// A number of the option's type brought into the range the options dialog accepts.
template <class Int>
Int ReadBounded(QSettings& store, const char* key, Int fallback, options::Range range) {
    return static_cast<Int>(std::clamp<qint32>(ReadInt<Int>(store, key, fallback), range.low, range.high));
}

qint32 ReadIntervalMs(QSettings& store, const char* key, qint32 fallbackMs) {
    QString text;
    qint32 ms = fallbackMs;
    if (StoredText(store, key, &text) && !options::ParseSecondsAsMs(text, &ms)) ms = fallbackMs;
    return std::clamp(ms, options::kIntervalSeconds.low * 1000, options::kIntervalSeconds.high * 1000);
}

}  // namespace

void OptionSetting(bool read, const QString& appName) {
    auto store = OptionStore(appName);
    store->beginGroup(QStringLiteral("Local"));
    const QString folder = ProgramFolder();

    if (read) {
        gOptDatabasePath = ReadString(*store, "DatabasePath", folder + QStringLiteral("/Vantoro.MDB"));
        gOptSoundFilePath = ReadString(*store, "SoundFilePath", folder + QStringLiteral("/Siren.wav"));
        gOptPatLamp = ReadBool(*store, "PatLamp", true);
        gOptSound = ReadBool(*store, "Sound", true);
        // The mixer is asked only when its value is needed.
        gOptSoundVolume = ReadInt<qint32>(*store, "SoundVolume", std::function<qint32()>(GetMasterVolume));
        gOptFormTop = ReadBool(*store, "FormTop", false);
        gOptPopUp = ReadBool(*store, "PopUp", true);
        gOptPingCheck = ReadBool(*store, "PingCheck", true);
        gOptWebInfo = ReadBool(*store, "WebInfo", false);
        gOptNoCheck = ReadBool(*store, "NoCheck", false);
        gOptTimerInterval = ReadIntervalMs(*store, "TimerInterval", 60000);
        gOptNGRset = ReadBounded<qint32>(*store, "NGRset", 10, options::kNGRset);
        gOptSendMsg = ReadBool(*store, "SendMsg", true);
        // A port outside 1..65535 names no port at all: the default one is used.
        gOptPort = ReadInt<qint32>(*store, "Port", 59640);
        if (gOptPort < options::kPort.low || gOptPort > options::kPort.high) gOptPort = 59640;
        gOptUserName = ReadString(*store, "UserName", QStringLiteral("ｼｽﾃﾑ管理者"));
        gOptPortTimeOut = ReadBounded<qint16>(*store, "PortTimeOut", 3, options::kPortTimeOutSeconds);
        gOptLogDelete = ReadBounded<qint32>(*store, "LogDelete", 10, options::kLogDeleteDays);
        gOptMailServer = ReadString(*store, "MailServer", QString());
        gOptPOPServer = ReadString(*store, "POPServer", QString());
        gOptMailUserID = ReadString(*store, "MailUserID", appName);
        return;
    }

    auto put = [&store](const char* key, const QString& text) { store->setValue(QLatin1String(key), text); };
    put("DatabasePath", gOptDatabasePath);
    put("SoundFilePath", gOptSoundFilePath);
    put("PatLamp", options::BoolText(gOptPatLamp));
    put("Sound", options::BoolText(gOptSound));
    put("SoundVolume", QString::number(gOptSoundVolume));
    put("FormTop", options::BoolText(gOptFormTop));
    put("PopUp", options::BoolText(gOptPopUp));
    put("WebInfo", options::BoolText(gOptWebInfo));
    put("NoCheck", options::BoolText(gOptNoCheck));
    put("PingCheck", options::BoolText(gOptPingCheck));
    put("TimerInterval", options::MsAsSecondsText(gOptTimerInterval));
    put("NGRset", QString::number(gOptNGRset));
    put("SendMsg", options::BoolText(gOptSendMsg));
    put("Port", QString::number(gOptPort));
    put("UserName", gOptUserName);
    put("PortTimeOut", QString::number(gOptPortTimeOut));
    put("LogDelete", QString::number(gOptLogDelete));
    put("MailServer", gOptMailServer);
    put("POPServer", gOptPOPServer);
    put("MailUserID", gOptMailUserID);
    store->endGroup();
    store->sync();
}
