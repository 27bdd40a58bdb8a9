#include "app/start_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace pw {

bool runsInstalled(const QString& appDir) {
    const QFileInfo dir(appDir);
    // The package's documents sit beside bin in every prefix it installs to (/usr, /usr/local,
    // ~/.local); a build folder or an unpacked archive has none.
    if (dir.fileName() == QLatin1String("bin") && QFileInfo(dir.dir().filePath("share/doc/pagewright")).isDir())
        return true;
    return !dir.isWritable();
}

QString documentsFolder() {
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!docs.isEmpty() && QFileInfo(docs).isDir()) return QDir::toNativeSeparators(docs);
    return QDir::toNativeSeparators(QDir::homePath());
}

QString startFolder(const QString& appDir) {
    return runsInstalled(appDir) ? documentsFolder() : appDir;
}

} // namespace pw
