// The window speaks Chinese throughout: Qt's own dialogs and menus once its translation is
// in, and the pattern engine's complaints. Pictures of both pickers go beside the window's.
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QMenu>

#include "app/pickers.h"
#include "app/qt_translation.h"
#include "gui/window_test.h"

using namespace pw;
using namespace pwtest;

namespace {

bool hasChinese(const QString& s) {
    return std::any_of(s.begin(), s.end(), [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; });
}

// What a person reads in a picker: its labels and its button captions; and how it is set up:
// title, mode, options, the folder it starts at, its filters and the one in force.
struct DialogTexts {
    QStringList labels, buttons, setup;
};

} // namespace

class TestLanguage : public WindowTest {
    Q_OBJECT
    bool m_translated = false;

    // Shows the picker behind `button` for real, keeps its picture and its texts, and cancels.
    DialogTexts showPicker(QPushButton* button, const QString& pictureName) {
        DialogTexts seen;
        setNextDialogHook([&](QFileDialog& d) {
            d.show();
            if (!QTest::qWaitForWindowExposed(&d)) return QString();
            seen.setup = QStringList{d.parentWidget() == w.get() ? QStringLiteral("owned") : QString(), d.windowTitle(),
                                     QMetaEnum::fromType<QFileDialog::FileMode>().valueToKey(d.fileMode()),
                                     QMetaEnum::fromType<QFileDialog::Option>().valueToKeys(int(d.options())),
                                     QDir::toNativeSeparators(d.directory().absolutePath())} +
                         d.nameFilters() + QStringList{d.selectedNameFilter()};
            QTest::qWait(100); // the folder's contents arrive from a worker thread
            for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"})
                if (auto* l = d.findChild<QLabel*>(QString::fromLatin1(name))) seen.labels << l->text();
            if (auto* box = d.findChild<QDialogButtonBox*>())
                for (QAbstractButton* b : box->buttons())
                    seen.buttons << b->text();
            const QString folder = qEnvironmentVariable("PW_SCREENSHOT_DIR", QDir::tempPath());
            QDir().mkpath(folder);
            if (!d.grab().save(folder + QLatin1Char('/') + pictureName)) seen.labels.clear();
            d.reject();
            return QString();
        });
        button->click();
        return seen;
    }

private slots:
    void initTestCase() {
        // A folder without the translation leaves Qt as it was, and nothing is installed.
        ScratchDir empty;
        QVERIFY(!installQtTranslation(q(empty.path())));
        QCOMPARE(QCoreApplication::translate("QFileDialog", "File &name:"), QStringLiteral("File &name:"));
        m_translated = installQtTranslation();
    }
    void init() { QVERIFY(open()); }
    void cleanup() { close(); }

    void openFileDialogIsChinese() {
        for (const char* name : {"全集.txt", "第二部.txt"})
            writeAll(*dir / name, "\xB5\xDA\x31\xD5\xC2\r\n");
        std::filesystem::create_directory(*dir / "旧稿");
        const DialogTexts seen = showPicker(w->cmdOpenIn, QStringLiteral("open-file-dialog.png"));
        QCOMPARE(seen.labels.size(), 3); // and the picture was saved
        QVERIFY(w->txtFile->text().isEmpty());
        // At the program's folder, the text files' filter in force.
        QCOMPARE(seen.setup,
                 QStringList({QStringLiteral("owned"), QStringLiteral("打开文件"), QStringLiteral("ExistingFile"),
                              QString(), QDir::toNativeSeparators(q(dir->path())), QStringLiteral("文本文件(*.txt)"),
                              QStringLiteral("所有文件 (*)"), QStringLiteral("文本文件(*.txt)")}));
        if (!m_translated) QSKIP("Qt's Chinese translation (qt6-translations-l10n) is not installed");
        for (const QString& text : seen.labels + seen.buttons)
            QVERIFY2(hasChinese(text), qPrintable(text));
    }

    void folderDialogIsChinese() {
        std::filesystem::create_directory(*dir / "输出");
        const QString before = w->txtOut->text();
        const DialogTexts seen = showPicker(w->cmdOpenOut, QStringLiteral("browse-folder-dialog.png"));
        QCOMPARE(seen.labels.size(), 3);
        QCOMPARE(w->txtOut->text(), before); // cancelled
        // At the output folder, without its trailing separator; not ReadOnly: a new folder can be made.
        QCOMPARE(seen.setup.mid(0, 5),
                 QStringList({QStringLiteral("owned"), QStringLiteral("浏览文件夹"), QStringLiteral("Directory"),
                              QStringLiteral("ShowDirsOnly"), QDir::toNativeSeparators(q(dir->path()))}));
        if (!m_translated) QSKIP("Qt's Chinese translation (qt6-translations-l10n) is not installed");
        for (const QString& text : seen.labels + seen.buttons)
            QVERIFY2(hasChinese(text), qPrintable(text));
    }

    void fieldMenusAreChinese() {
        if (!m_translated) QSKIP("Qt's Chinese translation (qt6-translations-l10n) is not installed");
        for (QLineEdit* field : {w->txtFile, w->txtFindStr}) {
            std::unique_ptr<QMenu> menu(field->createStandardContextMenu());
            QStringList texts;
            for (QAction* a : menu->actions())
                if (!a->isSeparator()) texts << a->text();
            QVERIFY(texts.size() >= 2); // a read-only field offers at least Copy and Select All
            for (const QString& text : texts)
                QVERIFY2(hasChinese(text), qPrintable(text));
        }
    }

    void badPatternIsExplainedInChinese() {
        writeAll(*dir / "全集.txt", "\xB5\xDA\x31\xD5\xC2\r\n");
        w->txtFile->setText(q(*dir / "全集.txt"));
        const std::pair<const char*, const char*> cases[] = {
            {"第(.{1,10}章", "查找条件有误：缺少右括号 )（位置 10）"},
            {"第[一二三章", "查找条件有误：缺少右方括号 ]（位置 6）"},
            {"*章", "查找条件有误：重复符号前面没有可以重复的内容（位置 0）"},
        };
        for (const auto& [pattern, text] : cases) {
            w->txtFindStr->setText(QString::fromUtf8(pattern));
            boxes.clearShown();
            boxes.setNextAnswer(MsgAnswer::Ok);
            w->cmdAnalyze->click();
            QCOMPARE(boxes.shown().size(), std::size_t{1});
            QCOMPARE(boxes.shown().front().text, QString::fromUtf8(text));
            QCOMPARE(status(), QStringLiteral("查找条件有误，无法分析！"));
        }
    }
};

PW_WINDOW_TEST_MAIN(TestLanguage)

#include "tst_language.moc"
