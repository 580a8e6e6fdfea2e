#include "model/text/TrimSpaces.h"

QString TrimSpaces(const QString& text) {
    qsizetype b = 0, e = text.size();
    while (b < e && text.at(b) == u' ') ++b;
    while (e > b && text.at(e - 1) == u' ') --e;
    return text.mid(b, e - b);
}
