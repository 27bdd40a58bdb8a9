#include "app/qt_translation.h"

#include <QCoreApplication>
#include <QTranslator>

namespace pw {

bool installQtTranslation(const QString& folder) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral("qtbase_zh_CN"), folder) && QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

} // namespace pw
