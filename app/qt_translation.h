#pragma once
// Qt's own texts in the program's language: the labels and buttons of the file dialogs, the
// message boxes' buttons and the standard right-click menu of every text field.
#include <QLibraryInfo>
#include <QString>

namespace pw {

// Makes Chinese (China) the default locale and installs Qt's Chinese translation
// (qtbase_zh_CN) from `folder`, Qt's translations folder unless told otherwise. False when
// the translation is not there: Qt's English texts then stay, and the program runs as
// before. Call it once the application object exists.
bool installQtTranslation(const QString& folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath));

} // namespace pw
