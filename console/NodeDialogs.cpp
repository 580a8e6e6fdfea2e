#include "console/NodeDialogs.h"

#include <QDialog>

NodeDialogs DefaultNodeDialogs() {
    NodeDialogs d;
    return d;
}
