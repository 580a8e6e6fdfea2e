#include "model/LogLines.h"

void LogLines::Add(const QString& line) {
    lines_.push_front(line);
    const bool dropped = Count() > kMaxLines;
    if (dropped) lines_.pop_back();
    emit lineAdded(line, dropped);
}

QString LogLines::Line(int index) const {
    if (index < 0 || index >= Count()) return {};
    return lines_[static_cast<size_t>(index)];
}
