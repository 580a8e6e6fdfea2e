#include "checkbench/FrmCheckbench.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    FrmCheckbench form;
    form.show();
    form.Load();
    return app.exec();
}
