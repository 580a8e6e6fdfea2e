#include "model/Options.h"

#include "model/AppPaths.h"
#include "model/Globals.h"
#include "model/Mixer.h"

#include <QSettings>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>

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

// How a stored text meets a whole number of the option's own width.
enum class Fit { Fits, TooLarge, TooSmall, NotAWholeNumber };

template <class Int>
Fit ParseWhole(const QString& stored, Int* value) {
    const QString text = stored.trimmed();
    bool ok = false;
    const qlonglong whole = text.toLongLong(&ok);
    if (ok) {
        if (whole > std::numeric_limits<Int>::max()) return Fit::TooLarge;
        if (whole < std::numeric_limits<Int>::min()) return Fit::TooSmall;
        *value = static_cast<Int>(whole);
        return Fit::Fits;
    }
    // Beyond 64 bits, or written with an exponent: only its size is of use.
    const double number = text.toDouble(&ok);
    if (ok && number > double(std::numeric_limits<Int>::max())) return Fit::TooLarge;
    if (ok && number < double(std::numeric_limits<Int>::min())) return Fit::TooSmall;
    return Fit::NotAWholeNumber;
}

// What a whole-number option makes of a stored text besides a number that fits.
template <class Int>
struct WholeRule {
    // The least value that does no harm: a stored number below it reads as it.
    std::optional<Int> low = std::nullopt;
    // What a number too large for the type reads as.
    std::optional<Int> tooLarge = std::nullopt;
    // Either not given: such a number reads as the default.
};

template <class Int>
Int ReadInt(QSettings& store, const char* key, const std::function<Int()>& fallback, WholeRule<Int> rule = {}) {
    QString text;
    if (!StoredText(store, key, &text)) return fallback();
    Int value = 0;
    switch (ParseWhole<Int>(text, &value)) {
        case Fit::Fits:
            return rule.low ? std::max(value, *rule.low) : value;
        case Fit::TooSmall:
            return rule.low ? *rule.low : fallback();
        case Fit::TooLarge:
            return rule.tooLarge ? *rule.tooLarge : fallback();
        case Fit::NotAWholeNumber:
            break;
    }
    return fallback();
}

template <class Int>
Int ReadInt(QSettings& store, const char* key, Int fallback, WholeRule<Int> rule = {}) {
    return ReadInt<Int>(store, key, std::function<Int()>([fallback] { return fallback; }), rule);
}

// Below the dialog's ten seconds the rounds would follow each other at once; any
// longer interval is paced as stored.
qint32 ReadIntervalMs(QSettings& store, const char* key, qint32 fallbackMs) {
    QString text;
    qint32 ms = fallbackMs;
    if (StoredText(store, key, &text) && !options::ParseSecondsAsMs(text, &ms)) ms = fallbackMs;
    return std::max(ms, options::kIntervalSeconds.low * 1000);
}

// The stored messenger port that could not be used, told by PortNotice().
QString& PortNoticeText() {
    static QString text;
    return text;
}

// A port outside 1..65535, or no number at all, names no port: the default one is used,
// and the operator is told so (peers on the stored port would never reach us).
qint32 ReadPort(QSettings& store, const char* key, qint32 fallback) {
    PortNoticeText().clear();
    QString text;
    if (!StoredText(store, key, &text)) return fallback;
    qint32 port = 0;
    if (ParseWhole<qint32>(text, &port) == Fit::Fits && port >= options::kPort.low && port <= options::kPort.high)
        return port;
    PortNoticeText() = QStringLiteral("ポート番号「%1」は使用できないため、ポート番号 %2 を使用します")
                           .arg(text, QString::number(fallback));
    return fallback;
}

}  // namespace

QString options::PortNotice() {
    return PortNoticeText();
}

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
        gOptNGRset = ReadInt<qint32>(*store, "NGRset", 10, {.low = options::kNGRset.low});
        gOptSendMsg = ReadBool(*store, "SendMsg", true);
        gOptPort = ReadPort(*store, "Port", 59640);
        gOptUserName = ReadString(*store, "UserName", QStringLiteral("ｼｽﾃﾑ管理者"));
        gOptPortTimeOut =
            ReadInt<qint16>(*store, "PortTimeOut", 3, {.low = static_cast<qint16>(options::kPortTimeOutSeconds.low)});
        // A retention too long to hold keeps every file, as the operator meant; the
        // default would delete all but ten days of them.
        gOptLogDelete =
            ReadInt<qint32>(*store, "LogDelete", 10,
                            {.low = options::kLogDeleteDays.low, .tooLarge = std::numeric_limits<qint32>::max()});
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
    // The store now holds the port in use.
    PortNoticeText().clear();
    store->endGroup();
    store->sync();
}
