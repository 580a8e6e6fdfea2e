#pragma once
// The image list of the main window's tree and person list: one small picture per node
// image key ("Group", "NoCheck", "Nomal", "Critical", "Question", "Stop", "SStart",
// "SStop", "Wait", "Calendar", "User"), kept as resources of the console library.

#include <QIcon>
#include <QString>
#include <QStringList>

namespace nodeimages {
// The eleven keys, in the order of the image list.
const QStringList& Keys();
// The picture of key; a null icon for a key that is not in the list.
QIcon Icon(const QString& key);
}  // namespace nodeimages
