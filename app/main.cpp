#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QStyleFactory>
#include <csignal>
#include <cstdio>

#include "app/command_line.h"
#include "app/frm_pagewright.h"
#include "app/qt_translation.h"

int main(int argc, char* argv[]) {
#ifdef SIGXFSZ
    // A file-size limit must fail the write with an error we report, not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication app(argc, argv);
    pw::installQtTranslation();
    const pw::WindowCommandLine args = pw::readWindowCommandLine(QCoreApplication::arguments(), QDir::currentPath());
    if (args.exitCode) {
        std::fputs(args.message.toLocal8Bit().constData(), *args.exitCode == 0 ? stdout : stderr);
        return *args.exitCode;
    }
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setWindowIcon(pw::appIcon());
    pw::frmPagewright w(QCoreApplication::applicationDirPath());
    if (w.startupError()) {
        QMessageBox::critical(nullptr, QStringLiteral("错误"), pw::toQ(*w.startupError()));
        return 1;
    }
    w.show();
    if (!args.file.isEmpty()) w.openInputFile(args.file);
    return QApplication::exec();
}
