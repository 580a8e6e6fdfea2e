#include "model/AppPaths.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTextStream out(stdout);
    out << "Vantoro " << VANTORO_VERSION << ": program folder " << ExecutableFolder() << "\n";
    const QStringList built = QDir(ExecutableFolder()).entryList(QDir::Files, QDir::Name);
    for (const QString& f : built) out << "  " << f << "\n";
    out << "The main window is not built yet.\n";
    return 0;
}
