#include "app/start_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace pw {

namespace {

// Where the package puts its documents (packaging/CMakeLists.txt), from the folder of the programs.
const QString kInstalledDocs = QStringLiteral("share/doc/pagewright");

} // namespace

bool runsInstalled(const QString& appDir) {
    const QFileInfo dir(appDir);
    // The package's documents sit beside bin in every prefix it installs to (/usr, /usr/local,
    // ~/.local); a build folder or an unpacked archive has none.
    if (dir.fileName() == QLatin1String("bin") && QFileInfo(dir.dir().filePath(kInstalledDocs)).isDir()) return true;
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

QString readmePath(const QString& appDir) {
    const QDir dir(appDir);
    const QString installed = QDir::cleanPath(dir.filePath(QStringLiteral("../") + kInstalledDocs + "/README.md"));
    const QString beside = dir.filePath(QStringLiteral("README.md"));
    const QString path = !QFileInfo(installed).isFile() && QFileInfo(beside).isFile() ? beside : installed;
    return QDir::toNativeSeparators(path);
}

} // namespace pw
