#include "console/NodeImages.h"

// The resources live in a static library: the linker drops an unreferenced resource
// object, so the pictures are registered explicitly the first time one is asked for.
static void EnsureNodeResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(NodeImages);
        return true;
    }();
    (void)done;
}

namespace nodeimages {

const QStringList& Keys() {
    static const QStringList keys = {
        QStringLiteral("Group"),    QStringLiteral("NoCheck"),  QStringLiteral("Nomal"),  QStringLiteral("Critical"),
        QStringLiteral("Question"), QStringLiteral("Stop"),     QStringLiteral("SStart"), QStringLiteral("SStop"),
        QStringLiteral("Wait"),     QStringLiteral("Calendar"), QStringLiteral("User"),
    };
    return keys;
}

QIcon Icon(const QString& key) {
    EnsureNodeResources();
    if (!Keys().contains(key)) return {};
    return QIcon(QStringLiteral(":/nodes/%1.png").arg(key));
}

}  // namespace nodeimages
