#include "app/qt_translation.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace pw {

bool installQtTranslation(const QString& folder) {
    // Dates, sizes and file types in the dialogs follow the default locale, not the catalogue.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral("qtbase_zh_CN"), folder) && QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

} // namespace pw
