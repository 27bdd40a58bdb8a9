#include <QApplication>
#include <QMessageBox>
#include <QStyleFactory>
#include <csignal>

#include "app/frm_pagewright.h"
#include "app/qt_translation.h"

int main(int argc, char* argv[]) {
#ifdef SIGXFSZ
    // A file-size limit must fail the write with an error we report, not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication app(argc, argv);
    pw::installQtTranslation();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setWindowIcon(pw::appIcon());
    pw::frmPagewright w(QCoreApplication::applicationDirPath());
    if (w.startupError()) {
        QMessageBox::critical(nullptr, QStringLiteral("错误"), pw::toQ(*w.startupError()));
        return 1;
    }
    w.show();
    return QApplication::exec();
}
