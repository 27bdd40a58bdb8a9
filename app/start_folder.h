#pragma once
// Where the window starts: the folder that stands for "the program's folder" in the output
// path and in the open-file dialog. A program kept in a folder of its own starts there; an
// installed one (in /usr/bin, C:\Program Files\…) would offer a system folder that is no
// place for a user's files, and which a user without rights cannot even write to.
#include <QString>

namespace pw {

// True when `appDir` is the bin folder of an installation (a prefix whose share/doc holds
// Pagewright's documents), or a folder the user cannot write to.
bool runsInstalled(const QString& appDir);

// The user's documents folder, or the home folder when there is none.
QString documentsFolder();

// `appDir` itself, or the documents folder when the program runs installed.
QString startFolder(const QString& appDir);

// The README the About box points to: the one the package puts in its documents folder, else
// one kept beside the program (an unpacked archive); where neither is, the package's place.
QString readmePath(const QString& appDir);

} // namespace pw
