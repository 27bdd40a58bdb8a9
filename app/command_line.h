#pragma once
// What the window's program takes from its command line: at most one file to open, so that a
// file manager's "Open with" lands in txtFile, plus --help and --version.
#include <QString>
#include <QStringList>
#include <optional>

namespace pw {

struct WindowCommandLine {
    // The file to open, absolute and in the system's own spelling; empty when none was given.
    QString file;
    // Set when the program should print `message` and end with this status instead of opening
    // the window: 0 after --help or --version (to stdout), 2 after a usage error (to stderr).
    std::optional<int> exitCode;
    QString message;
};

// `arguments` as QCoreApplication::arguments() gives them: the program first, Qt's own
// options already taken out. Relative files are taken from `workingDir`.
WindowCommandLine readWindowCommandLine(const QStringList& arguments, const QString& workingDir);

} // namespace pw
