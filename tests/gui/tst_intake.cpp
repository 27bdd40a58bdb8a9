// The window's side of the option intake: the fields' live colours and the write-backs, the
// folder picker, real boxes answered by a click, file drops, and a file named on the program's
// command line ("Open with"), taken in as the open button takes it. The intake's own rules are
// pinned down by the unit tests.
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>

#include "app/command_line.h"
#include "app/pickers.h"
#include "app/start_folder.h"
#include "gui/window_test.h"
#include "options/intake.h"

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

} // namespace

class TestIntake : public WindowTest {
    Q_OBJECT

    BoxLog::Shown last() { return boxes.shown().empty() ? BoxLog::Shown{} : boxes.shown().back(); }
    // Fields that pass the intake; each test spoils one.
    void fillUsable() {
        w->txtFile->setText(native(dir->path() / "全集.txt"));
        w->txtOut->setText(native(dir->path()));
        w->txtFileOut->setText(QStringLiteral("小说01"));
        w->txtFindStr->setText(QStringLiteral("第(.){1,10}章"));
        w->txtNum->setText(QStringLiteral("6"));
    }

private slots:
    void init() { QVERIFY(open()); }
    void cleanup() { close(); }

    void fieldsRepaintAndTheIntakeWritesBack() {
        // Each field is judged by its own rule on every change.
        w->txtOut->clear();
        QCOMPARE(base(w->txtOut), kRed);
        fillUsable();
        QCOMPARE(base(w->txtOut), kWhite);
        w->state().strAnalyzedFile = u"/elsewhere/b.txt";
        w->txtFile->setText(QStringLiteral("/books/a.txt"));
        w->txtFileOut->setText(QStringLiteral("a*b?c01"));
        w->txtFindStr->clear();
        w->txtNum->setText(QStringLiteral("99999999999"));
        w->chkDeleteSpc->setCheckState(Qt::PartiallyChecked);
        for (QLineEdit* f : {w->txtFile, w->txtFileOut, w->txtFindStr, w->txtNum})
            QCOMPARE(base(f), kRed);

        // Refused at the count: the name and the pattern written back before it stand.
        boxes.setNextAnswer(MsgAnswer::Ok);
        QVERIFY(!w->CheckOptions(0));
        QCOMPARE(last().text, QStringLiteral("每个文件的章数超出范围（1 到 2147483647）！"));
        QCOMPARE(last().style, MsgStyle::Refusal);
        QCOMPARE(w->txtFileOut->text(), QStringLiteral("abc01"));
        QCOMPARE(w->txtFindStr->text(), QStringLiteral("第(.){1,10}章"));

        boxes.clearShown();
        w->txtNum->setText(QStringLiteral("0"));
        QVERIFY(w->CheckOptions(0));
        QVERIFY(boxes.shown().empty());
        QCOMPARE(w->txtNum->text(), QStringLiteral("6"));
        for (QLineEdit* f : {w->txtFileOut, w->txtFindStr, w->txtNum})
            QCOMPARE(base(f), kWhite);
        QCOMPARE(base(w->txtFile), kRed);                            // only a scan's intake clears it
        QVERIFY(w->state().blnDeleteSpc && !w->state().blnDoEvents); // a grey tick counts as ticked
        QVERIFY(w->CheckOptions(1));
        QCOMPARE(base(w->txtFile), kWhite);
    }

    void folderDialogStartsAtTheStateFolder() {
        std::filesystem::create_directory(dir->path() / "输出");
        const QString folder = native(dir->path() / "输出");
        w->state().strOutDir = fromQ(folder) + kSeparator;
        QStringList startedAt;
        for (const QString& answer : {native(dir->path()), QString()}) { // a choice, then a cancel
            setNextDialogHook([&startedAt, answer](QFileDialog& d) {
                startedAt << QDir::toNativeSeparators(d.directory().absolutePath());
                return answer;
            });
            w->cmdOpenOut->click();
            QCOMPARE(w->txtOut->text(), native(dir->path()));
        }
        QCOMPARE(toQ(w->state().strOutDir), folder);        // one separator gone, from the state itself
        QCOMPARE(startedAt, QStringList({folder, folder})); // no intake in between: the same folder
    }

    // An installed program starts in the user's documents (or home) instead of its own folder,
    // which is a system folder; a program in a folder of its own keeps that folder.
    void installedProgramStartsInTheUsersFolders() {
        const std::filesystem::path prefix = dir->path() / "usr", home = dir->path() / "home";
        std::filesystem::create_directories(prefix / "bin");
        std::filesystem::create_directories(home);
        const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", QFile::encodeName(q(home)));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(q(home / ".config"))); // no user-dirs.dirs there
        const QString bin = native(prefix / "bin");
        QCOMPARE(startFolder(bin), bin); // a bin folder alone is not an installation
        std::filesystem::create_directories(prefix / "share/doc/pagewright");
        QCOMPARE(startFolder(bin), native(home)); // no documents folder: the home folder
        std::filesystem::create_directory(home / "Documents");
        QCOMPARE(startFolder(bin), native(home / "Documents"));
        QCOMPARE(startFolder(native(dir->path())), native(dir->path()));

        // The window of the installed program: txtOut and the open-file dialog start there.
        pw::frmPagewright installed(startFolder(bin));
        QCOMPARE(installed.txtOut->text(), native(home / "Documents") + QDir::separator());
        QStringList startedAt;
        const QString elsewhere = native(dir->path() / "书");
        std::filesystem::create_directory(dir->path() / "书");
        writeAll(dir->path() / "书" / "全集.txt", "x");
        for (const QString& answer : {elsewhere + QDir::separator() + QStringLiteral("全集.txt"), QString()}) {
            setNextDialogHook([&startedAt, answer](QFileDialog& d) {
                startedAt << QDir::toNativeSeparators(d.directory().absolutePath());
                return answer;
            });
            installed.cmdOpenIn->click();
        }
        // Then where the file chosen last lies, even after a cancel.
        setNextDialogHook([&startedAt](QFileDialog& d) {
            startedAt << QDir::toNativeSeparators(d.directory().absolutePath());
            return QString();
        });
        installed.cmdOpenIn->click();
        QCOMPARE(startedAt, QStringList({native(home / "Documents"), elsewhere, elsewhere}));
        qputenv("HOME", oldHome);
        qputenv("XDG_CONFIG_HOME", oldConfig);
    }

    // The About box names the README the package installed, else one beside the program; with
    // neither, the package's place.
    void aboutNamesTheReadmeThatIsThere() {
        const std::filesystem::path prefix = dir->path() / "usr", docs = prefix / "share/doc/pagewright";
        const QString bin = native(prefix / "bin");
        std::filesystem::create_directories(prefix / "bin");
        QCOMPARE(readmePath(bin), native(docs / "README.md"));
        writeAll(prefix / "bin/README.md", "#");
        QCOMPARE(readmePath(bin), native(prefix / "bin/README.md"));
        std::filesystem::create_directories(docs);
        writeAll(docs / "README.md", "#");
        QCOMPARE(readmePath(bin), native(docs / "README.md"));
    }

    void realBoxesCarryTheirStyle() {
        // The About box, closed with OK, gives the focus to txtFile. Its four lines, the third
        // empty, end with a README that is there: the build's copy beside the program.
        QStringList seen;
        answerNextBox(seen, QMessageBox::Ok);
        w->cmdAbout->setFocus();
        w->cmdAbout->click();
        QCOMPARE(seen,
                 QStringList({QStringLiteral("关于 Pagewright"), QStringLiteral("Information"), QStringLiteral("确定"),
                              QStringLiteral("书页匠(Pagewright) 由 Pagewright 开发组编写完成\r\n"
                                             "它可以根据章节标题来切割文本文件，使你快速定位到某一章\r\n\r\n"
                                             "使用说明：") +
                                  readmePath(QCoreApplication::applicationDirPath())}));
        QVERIFY(QFileInfo(seen.back().section(QStringLiteral("使用说明："), 1)).isFile());
        // The offscreen platform does not hand activation back by itself; the window's focus
        // child is what it gets when it does.
        QCOMPARE(w->focusWidget(), static_cast<QWidget*>(w->txtFile));
        w->activateWindow();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w->txtFile));

        // The offer to create the folder, answered No: nothing is made.
        fillUsable();
        w->txtOut->setText(native(dir->path() / "新"));
        answerNextBox(seen, QMessageBox::No);
        QVERIFY(!w->CheckOptions(1));
        QCOMPARE(seen, QStringList({QStringLiteral("询问"), QStringLiteral("Question"), QStringLiteral("*是(&Y)"),
                                    QStringLiteral("否(&N)"), QStringLiteral("目录不存在，创建吗？")}));
        QVERIFY(!std::filesystem::exists(dir->path() / "新"));

        // A refusal from the open button; the field keeps its text.
        answerNextBox(seen, QMessageBox::Ok);
        setNextPick(native(dir->path() / "a.doc"));
        w->cmdOpenIn->click();
        QCOMPARE(seen, QStringList({QStringLiteral("错误"), QStringLiteral("Critical"), QStringLiteral("确定"),
                                    QStringLiteral("不是文本格式的文件！")}));
        QCOMPARE(w->txtFile->text(), native(dir->path() / "全集.txt"));
    }

    void droppedFileFollowsTheOpenButtonsRule() {
        // "测试.txt" in GBK, as archives made on Windows name their files: not UTF-8.
        const std::filesystem::path gbk = dir->path() / "\xB2\xE2\xCA\xD4.txt";
        for (const char* name : {"全集.txt", "a.doc", "\xB2\xE2\xCA\xD4.txt"})
            writeAll(dir->path() / name, "x");
        const auto drop = [&](const QList<QUrl>& urls) {
            QMimeData data;
            data.setUrls(urls);
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(w.get(), &enter);
            if (!enter.isAccepted()) return false;
            QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(w.get(), &dropped);
            return true;
        };
        const QUrl txt = QUrl::fromLocalFile(q(dir->path() / "全集.txt"));
        QVERIFY(drop({QUrl::fromEncoded("file://" + QByteArray::fromStdString(gbk.native()).toPercentEncoding("/"))}));
        QCOMPARE(toPath(fromQ(w->txtFile->text())).native(), gbk.native()); // by its bytes
        QVERIFY(drop({txt}));
        QCOMPARE(w->txtFile->text(), native(dir->path() / "全集.txt"));
        QVERIFY(boxes.shown().empty());

        boxes.setNextAnswer(MsgAnswer::Ok);
        QVERIFY(drop({QUrl::fromLocalFile(q(dir->path() / "a.doc"))}));
        QCOMPARE(boxes.shown().size(), std::size_t(1));
        QCOMPARE(last().text, QStringLiteral("不是文本格式的文件！"));
        QCOMPARE(w->txtFile->text(), native(dir->path() / "全集.txt"));

        // Not offered at all: two files, a folder, a remote address.
        QVERIFY(!drop({txt, txt}));
        QVERIFY(!drop({QUrl::fromLocalFile(q(dir->path()))}));
        QVERIFY(!drop({QUrl(QStringLiteral("https://example.invalid/a.txt"))}));
        QCOMPARE(boxes.shown().size(), std::size_t(1));

        // The file dialog can only spell the GBK name with U+FFFD: refused by what is wrong with it.
        boxes.setNextAnswer(MsgAnswer::Ok);
        setNextPick(native(dir->path()) + QStringLiteral("/\uFFFD\uFFFD\uFFFD\uFFFD.txt"));
        w->cmdOpenIn->click();
        QCOMPARE(last().text, QString::fromStdU16String(kUnreadableFileName));
        QCOMPARE(w->txtFile->text(), native(dir->path() / "全集.txt"));
    }

    void commandLineArguments() {
        const auto read = [](const QStringList& args) {
            return readWindowCommandLine(QStringList{QStringLiteral("/usr/bin/pagewright")} + args,
                                         QStringLiteral("/home/读者"));
        };
        QCOMPARE(read({}).file, QString()); // no file: the window opens as it always did
        QVERIFY(!read({}).exitCode);
        // A relative name is found from the folder the program was started in; "--" ends the options.
        const std::pair<QStringList, const char*> files[] = {
            {{QStringLiteral("全集.txt")}, "/home/读者/全集.txt"},
            {{QStringLiteral("../书/a b.txt")}, "/home/书/a b.txt"},
            {{QStringLiteral("/srv/全集.txt")}, "/srv/全集.txt"},
            {{QStringLiteral("--"), QStringLiteral("-v.txt")}, "/home/读者/-v.txt"}};
        for (const auto& [args, file] : files)
            QCOMPARE(read(args).file, QDir::toNativeSeparators(QString::fromUtf8(file)));

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

    // The file is taken in by the open button's own rule: the same field text, and the colour
    // that says whether it is the file scanned last.
    void fileArgumentIsTakenInAsIfPicked() {
        writeAll(dir->path() / "甲.txt", "第一章 起\n正文\n第二章 承\n正文\n");
        writeAll(dir->path() / "乙.txt", "第一章 起\n");
        const QString a = native(dir->path() / "甲.txt"), b = native(dir->path() / "乙.txt");
        w->openInputFile(a);
        QCOMPARE(w->txtFile->text(), a);
        QCOMPARE(base(w->txtFile), kWhite);
        w->txtOut->setText(native(dir->path()));
        w->cmdAnalyze->click();
        QCOMPARE(w->headings().rowCount(), 2);
        w->openInputFile(b);
        QCOMPARE(w->txtFile->text(), b);
        QCOMPARE(base(w->txtFile), kRed);
        w->openInputFile(a);
        QCOMPARE(base(w->txtFile), kWhite);
        QVERIFY(boxes.shown().empty());
    }
};

PW_WINDOW_TEST_MAIN(TestIntake)

#include "tst_intake.moc"
