#pragma once
// One of the main window's two log lists (the check-status log and the abnormal-status
// log) as lines of text, newest first, at most 101 of them. Views show the lines and
// follow the signals; the check engine only adds lines.

#include <QObject>
#include <QString>

#include <deque>

class LogLines : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxLines = 101;

    // Puts line at the top. The line at position 101 goes once the list holds more than
    // 100, so the list keeps 101 lines.
    void Add(const QString& line);

    int Count() const { return static_cast<int>(lines_.size()); }
    // Line 0 is the newest; an empty text outside the list.
    QString Line(int index) const;

signals:
    // line was put at the top; dropped says whether the oldest line went with it.
    void lineAdded(const QString& line, bool dropped);

private:
    std::deque<QString> lines_;
};
