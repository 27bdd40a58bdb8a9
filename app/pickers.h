#pragma once
// The two dialogs behind the "…" buttons: an existing-file chooser for the input and a
// folder chooser for the output. Tests preset the next dialog's answer with a hook, which
// also gets to look at the dialog as it would have been shown.
#include <QString>
#include <functional>

#include "platform/text.h"

class QFileDialog;
class QWidget;

namespace pw {

// The full path of an existing file chosen in "打开文件", starting in `startDir`; empty
// when the user cancels.
QString PickOpenFile(QWidget* owner, const QString& startDir);

// The folder chosen in "浏览文件夹", which opens at `startFolder`. One trailing separator
// is removed from the caller's variable itself before the dialog opens. Empty on cancel.
QString BrowseFolder(QWidget* owner, Text& startFolder);

// A cover image for the book: a JPEG or PNG file, starting where `current` lies.
QString PickImageFile(QWidget* owner, const QString& current);

// Where to save the book, starting with `suggested` (a folder and a name). The run itself asks
// before it replaces a book that is there, so the dialog does not.
QString PickSaveBook(QWidget* owner, const QString& suggested);

// For tests: the next picker hands its fully set-up dialog to `hook` instead of showing it,
// and answers what the hook returns (empty for a cancel). One call, one dialog.
using DialogHook = std::function<QString(QFileDialog&)>;
void setNextDialogHook(DialogHook hook);
// The same with a fixed answer.
void setNextPick(const QString& answer);

} // namespace pw
