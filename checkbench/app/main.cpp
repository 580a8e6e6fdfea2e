#include <QApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTextStream(stdout) << "checkbench: the plug-in test bench window is not built yet.\n";
    return 0;
}
