#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QStyleFactory>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <system_error>

#include "app/command_line.h"
#include "app/frm_pagewright.h"
#include "app/qt_translation.h"
#include "app/start_folder.h"
#include "platform/messages.h"
#include "platform/paths.h"

namespace {

// Qt ends a program that finds no screen with qFatal: several lines of its own, then an abort
// (status 134). While the window's application is made, its messages wait here; a fatal one
// becomes one line of ours and status 1, and the others go out once the screen was found.
QtMessageHandler qtHandler = nullptr;
QList<std::tuple<QtMsgType, QString>> held;

void holdWhileOpening(QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type == QtFatalMsg) {
        std::fputs("pagewright: 没有可用的显示，无法打开窗口；请在图形桌面中运行（DISPLAY 或 WAYLAND_DISPLAY）。\n",
                   stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    held.append({type, msg});
}

// Out of memory, or of threads, in the middle of a run: the run's frames are unwound (its
// temporary files removed) up to the event that started it, and the user is told instead of
// the window vanishing. Caught here because an exception must not cross Qt's own frames.
class Application : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::bad_alloc&) {
            QMessageBox::critical(nullptr, QStringLiteral("错误"), pw::toQ(pw::kOutOfMemoryText));
        } catch (const std::system_error& e) {
            if (e.code() != std::errc::resource_unavailable_try_again && e.code() != std::errc::not_enough_memory)
                throw;
            QMessageBox::critical(
                nullptr, QStringLiteral("错误"),
                pw::toQ(pw::kNoResourcesBefore + pw::reasonFromErrno(e.code().value()) + pw::kNoResourcesAfter));
        }
        return false;
    }
};

} // namespace

int main(int argc, char* argv[]) {
#ifdef SIGXFSZ
    // A file-size limit must fail the write with an error we report, not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    {
        // --help and --version need no screen: they are answered before the window's
        // application exists. Anything else, a usage error too, is read again below, once Qt
        // has taken out its own options (-platform, -style…).
        QCoreApplication core(argc, argv);
        pw::installQtTranslation();
        const pw::WindowCommandLine early =
            pw::readWindowCommandLine(QCoreApplication::arguments(), QDir::currentPath());
        if (early.exitCode == 0) {
            // fprintf, not fputs: glibc checks it under _FORTIFY_SOURCE, and it is the one call in
            // this program whose check the compiler can place (lintian looks for one).
            std::fprintf(stdout, "%s", early.message.toLocal8Bit().constData());
            return 0;
        }
    }
    qtHandler = qInstallMessageHandler(holdWhileOpening);
    Application app(argc, argv);
    qInstallMessageHandler(qtHandler);
    for (const auto& [type, msg] : std::as_const(held))
        qtHandler(type, QMessageLogContext(), msg);
    held.clear();

    pw::installQtTranslation();
    const pw::WindowCommandLine args = pw::readWindowCommandLine(QCoreApplication::arguments(), QDir::currentPath());
    if (args.exitCode) {
        std::fprintf(*args.exitCode == 0 ? stdout : stderr, "%s", args.message.toLocal8Bit().constData());
        return *args.exitCode;
    }
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setWindowIcon(pw::appIcon());
    pw::frmPagewright w(pw::startFolder(QCoreApplication::applicationDirPath()));
    if (w.startupError()) {
        QMessageBox::critical(nullptr, QStringLiteral("错误"), pw::toQ(*w.startupError()));
        return 1;
    }
    w.show();
    if (!args.file.isEmpty()) w.openInputFile(args.file);
    return QApplication::exec();
}
