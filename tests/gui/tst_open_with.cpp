// A file named on the window program's command line, as a file manager's "Open with" passes
// it: the arguments it reads, and the file taken in exactly as the open button takes it.
#include "app/command_line.h"
#include "app/pickers.h"
#include "gui/window_test.h"

using namespace pw;
using namespace pwtest;

namespace {

const QColor kRed(255, 192, 192);
const QColor kWhite(255, 255, 255);

QColor base(const QLineEdit* f) {
    return f->palette().color(QPalette::Base);
}
QString native(const std::filesystem::path& p) {
    return QDir::toNativeSeparators(q(p));
}
WindowCommandLine read(const QStringList& args, const QString& cwd = QStringLiteral("/home/读者")) {
    return readWindowCommandLine(QStringList{QStringLiteral("/usr/bin/pagewright")} + args, cwd);
}

} // namespace

class TestOpenWith : public WindowTest {
    Q_OBJECT

private slots:
    void cleanup() { close(); }

    void argumentsAreRead() {
        // No file: the window opens as it always did.
        QCOMPARE(read({}).file, QString());
        QVERIFY(!read({}).exitCode);
        // A relative name is found from the folder the program was started in.
        QCOMPARE(read({QStringLiteral("全集.txt")}).file,
                 QDir::toNativeSeparators(QStringLiteral("/home/读者/全集.txt")));
        QCOMPARE(read({QStringLiteral("../书/a b.txt")}).file,
                 QDir::toNativeSeparators(QStringLiteral("/home/书/a b.txt")));
        QCOMPARE(read({QStringLiteral("/srv/全集.txt")}).file,
                 QDir::toNativeSeparators(QStringLiteral("/srv/全集.txt")));
        // A name that looks like an option, after "--".
        QCOMPARE(read({QStringLiteral("--"), QStringLiteral("-v.txt")}).file,
                 QDir::toNativeSeparators(QStringLiteral("/home/读者/-v.txt")));
    }

    void helpVersionAndMistakes() {
        const WindowCommandLine help = read({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, std::optional<int>(0));
        QVERIFY2(help.message.startsWith(QStringLiteral("Usage: pagewright [options] [FILE]\n")),
                 qPrintable(help.message));
        for (const char* word : {"--help", "--version", "FILE"})
            QVERIFY(help.message.contains(QLatin1String(word)));

        const WindowCommandLine version = read({QStringLiteral("-v")});
        QCOMPARE(version.exitCode, std::optional<int>(0));
        QVERIFY2(QRegularExpression(QStringLiteral("^pagewright \\d+\\.\\d+\\n$")).match(version.message).hasMatch(),
                 qPrintable(version.message));

        for (const QStringList& wrong :
             {QStringList{QStringLiteral("--bogus")}, QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}}) {
            const WindowCommandLine r = read(wrong);
            QCOMPARE(r.exitCode, std::optional<int>(2));
            QVERIFY(r.message.startsWith(QStringLiteral("pagewright: ")) && r.file.isEmpty());
        }
    }

    // The same field text and the same colour as the open button gives, before and after a scan.
    void fileIsTakenInAsIfPicked() {
        QVERIFY(open());
        writeAll(dir->path() / "甲.txt", "第一章 起\n正文\n第二章 承\n正文\n");
        writeAll(dir->path() / "乙.txt", "第一章 起\n");
        const QString a = native(dir->path() / "甲.txt");
        const QString b = native(dir->path() / "乙.txt");

        w->openInputFile(a);
        QCOMPARE(w->txtFile->text(), a);
        QCOMPARE(base(w->txtFile), kWhite);
        w->txtOut->setText(native(dir->path()));
        w->cmdAnalyze->click();
        QCOMPARE(w->headings().rowCount(), 2);

        // After a scan of 甲, another file is marked as not yet scanned, either way it comes in.
        w->openInputFile(b);
        QCOMPARE(w->txtFile->text(), b);
        QCOMPARE(base(w->txtFile), kRed);
        setNextPick(a);
        w->cmdOpenIn->click();
        QCOMPARE(base(w->txtFile), kWhite);
        setNextPick(b);
        w->cmdOpenIn->click();
        const QColor picked = base(w->txtFile);
        w->openInputFile(a);
        w->openInputFile(b);
        QCOMPARE(base(w->txtFile), picked);
        QVERIFY(boxes.shown().empty());
    }

    void fileThatIsNotTextIsRefused() {
        QVERIFY(open());
        writeAll(dir->path() / "a.doc", "x");
        boxes.setNextAnswer(MsgAnswer::Ok);
        w->openInputFile(native(dir->path() / "a.doc"));
        QCOMPARE(boxes.shown().size(), std::size_t(1));
        QCOMPARE(boxes.shown().back().text, QStringLiteral("不是文本格式的文件！"));
        QCOMPARE(w->txtFile->text(), QString());
    }
};

PW_WINDOW_TEST_MAIN(TestOpenWith)

#include "tst_open_with.moc"
