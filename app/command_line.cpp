#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include "platform/version.h"

namespace pw {

WindowCommandLine readWindowCommandLine(const QStringList& arguments, const QString& workingDir) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("书页匠(Pagewright)：按章节标题切割文本文件的窗口程序"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("显示此帮助并退出"));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("显示版本并退出"));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("要打开的文本文件，如同用“…”按钮选中"),
                                 QStringLiteral("[FILE]"));

    WindowCommandLine result;
    const QString program = QStringLiteral("pagewright");
    if (!parser.parse(arguments)) {
        result.exitCode = 2;
        result.message = QStringLiteral("%1: %2\n").arg(program, parser.errorText());
        return result;
    }
    if (parser.isSet(help)) {
        result.exitCode = 0;
        // Qt names the program as it was started ("./build/bin/pagewright"); the usage line
        // and the manual built from it name it as it is installed.
        result.message = parser.helpText();
        const QString started = QCoreApplication::arguments().value(0);
        const qsizetype at = started.isEmpty() ? -1 : result.message.indexOf(started);
        if (at >= 0 && at < result.message.indexOf(QLatin1Char('\n')))
            result.message.replace(at, started.size(), program);
        return result;
    }
    if (parser.isSet(version)) {
        result.exitCode = 0;
        result.message = QStringLiteral("%1 %2\n").arg(program, QStringLiteral(PAGEWRIGHT_VERSION));
        return result;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        result.exitCode = 2;
        result.message = QStringLiteral("%1: 只能打开一个文件\n").arg(program);
        return result;
    }
    if (!files.isEmpty() && !files.front().isEmpty())
        result.file = QDir::toNativeSeparators(QDir::cleanPath(QDir(workingDir).absoluteFilePath(files.front())));
    return result;
}

} // namespace pw
