#include "model/WriteFailures.h"

#include "model/Seams.h"

#include <QIODevice>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

struct Entry {
    WriteKind kind;
    QString first;
    int more = 0;
};

struct State {
    std::vector<Entry> entries;
    // Failures on show (shown, and their kind not written since), the latest last.
    struct Shown {
        WriteKind kind;
        QString text;
    };
    std::vector<Shown> showing;
};

State& state() {
    static State s;
    return s;
}

bool Showing(WriteKind kind) {
    for (const auto& shown : state().showing)
        if (shown.kind == kind) return true;
    return false;
}

}  // namespace

namespace writefailures {

void Report(WriteKind kind, const QString& text) {
    State& s = state();
    bool known = false;
    for (Entry& e : s.entries)
        if (e.kind == kind) {
            ++e.more;
            known = true;
        }
    if (!known) s.entries.push_back({kind, text});
    if (Showing(kind)) return;
    s.showing.push_back({kind, text});
    seams::Status().SetNotice(text);
}

void Succeeded(WriteKind kind) {
    auto& showing = state().showing;
    for (auto it = showing.begin(); it != showing.end(); ++it)
        if (it->kind == kind) {
            showing.erase(it);
            // The notice goes once its kind writes again; another kind's stays.
            seams::Status().SetNotice(showing.empty() ? QString() : showing.back().text);
            return;
        }
}

QStringList Reported() {
    QStringList out;
    for (const Entry& e : state().entries)
        out << (e.more == 0 ? e.first : e.first + QStringLiteral("（ほか%1回）").arg(e.more));
    return out;
}

QString ExitSummary() {
    const QStringList lines = Reported();
    if (lines.isEmpty()) return {};
    return QStringLiteral("ディスクへの書き込みで次の問題がありました。") + QStringLiteral("\n\n") +
           lines.join(QLatin1Char('\n'));
}

void Reset() {
    state() = State{};
}

QString DiskFullText() {
    return QStringLiteral("ディスクの空き領域が不足しています");
}

QString Reason(const QString& reason) {
    static const QString texts[] = {
        // The system's text, in whatever language the system speaks.
        QString::fromLocal8Bit(std::strerror(ENOSPC)),
        // Qt's file layer's own words, English whatever the system's language.
        QStringLiteral("No space left on device"),
        // SQLite's own words for SQLITE_FULL.
        QStringLiteral("database or disk is full"),
    };
    for (const QString& full : texts)
        if (reason.contains(full, Qt::CaseInsensitive)) return DiskFullText();
    return reason;
}

bool WriteWhole(QIODevice& device, const char* data, qint64 size) {
    qint64 written = 0;
    while (written < size) {
        const qint64 n = device.write(data + written, size - written);
        if (n <= 0) return false;
        written += n;
    }
    return true;
}

}  // namespace writefailures
