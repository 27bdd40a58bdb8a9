#pragma once
// The read-only box behind 预览本章…: the start of one chapter, as text.
#include <QString>
#include <QWidget>

namespace pw {

// Shows the box without blocking the window, so that several chapters can be compared;
// it goes when closed. Its objectName is "dlgChapterPreview".
void showChapterPreview(QWidget* owner, const QString& heading, const QString& text);

} // namespace pw
