// 净化 and 繁简转换 in the window: chosen in the output button's menu, previewed by rule, and
// applied to the text files and, from the book's dialog, to the book.
#include <QAction>
#include <QFileDialog>

#include "app/clean_preview_dialog.h"
#include "app/epub_dialog.h"
#include "app/pickers.h"
#include "convert/chinese_converter.h"
#include "gui/window_test.h"
#include "support/web_junk.h"

using namespace pw;
using namespace pwtest;

class TestTextChoices : public WindowTest {
    Q_OBJECT
    std::filesystem::path input, out;
    JunkNovel novel;

    void prepare() {
        input = dir->path() / "《剑客行》作者：无名.txt";
        out = dir->path() / "out";
        std::filesystem::create_directories(out);
        novel = writeJunkNovel(input, {.seed = 3, .chapters = 6, .encoding = Encoding::Gb18030});
        w->txtFile->setText(q(input));
        w->txtOut->setText(q(out));
        w->txtNum->setText(QStringLiteral("1000"));
        QTest::mouseClick(w->cmdAnalyze, Qt::LeftButton);
    }

    QAction* action(QMenu& menu, const char* name) { return menu.findChild<QAction*>(QString::fromLatin1(name)); }

private slots:
    void init() { QVERIFY(open()); }
    void cleanup() { close(); }

    void cleanPreviewThenOutput() {
        prepare();
        {
            std::unique_ptr<QMenu> menu(w->cmdSaveOutMenu());
            QVERIFY(!action(*menu, "actCleanPreview")->isEnabled()); // nothing chosen yet
            action(*menu, "actCleanBuiltIn")->trigger();
        }
        QVERIFY(w->textChoices().clean);
        int hits = 0, rules = 0;
        setNextCleanPreviewHook([&](CleanPreviewDialog& d) {
            rules = d.treeCleanHits->topLevelItemCount();
            for (int i = 0; i < rules; ++i)
                hits += d.treeCleanHits->topLevelItem(i)->childCount();
        });
        w->showCleanPreview();
        QCOMPARE(hits, static_cast<int>(novel.junkLineNumbers().size()));
        QVERIFY(rules >= 5);
        QVERIFY(std::filesystem::is_empty(out)); // a preview writes nothing

        QTest::mouseClick(w->cmdSaveOut, Qt::LeftButton);
        QTRY_VERIFY(!w->busy());
        std::string written;
        for (const auto& e : std::filesystem::directory_iterator(out))
            written += readAll(e.path());
        std::string story;
        for (const std::string& l : novel.story())
            story += encodeText(l + "\r\n", Encoding::Gb18030);
        QCOMPARE(written.size(), story.size());
        QVERIFY(written == story);
    }

    void convertedBookFromTheDialog() {
        prepare();
        QString offered;
        setNextEpubDialogHook([&](EpubDialog& d) {
            for (int i = 0; i < d.cboConvert->count(); ++i)
                offered += d.cboConvert->itemData(i).toString() + QStringLiteral(" ");
            d.chkClean->setChecked(true);
            d.cboConvert->setCurrentIndex(d.cboConvert->findData(QStringLiteral("s2twp")));
            return true;
        });
        const auto book = out / "book.epub";
        setNextDialogHook([&](QFileDialog&) { return q(book); });
        w->saveEpub();
        QTRY_VERIFY(std::filesystem::exists(book));
        // The common ones first, set apart from the rest by a separator (no data).
        QVERIFY2(offered.startsWith(QStringLiteral(" s2t t2s s2tw s2twp s2hk  tw2s ")), qPrintable(offered));
        QCOMPARE(w->textChoices().convert, QStringLiteral("s2twp"));
        QVERIFY(w->textChoices().clean);
        // The menu shows the choice the dialog made.
        std::unique_ptr<QMenu> menu(w->cmdSaveOutMenu());
        auto* convert = menu->findChild<QMenu*>(QStringLiteral("mnuConvert"));
        QVERIFY(convert);
        bool ticked = false;
        for (QAction* a : convert->actions())
            ticked |= a->isChecked() && a->data().toString() == QStringLiteral("s2twp");
        QVERIFY(ticked);
    }

    // The menu offers every installed conversion once by what it does, the common ones first.
    void commonConversionsFirst() {
        std::unique_ptr<QMenu> menu(w->cmdSaveOutMenu());
        auto* convert = menu->findChild<QMenu*>(QStringLiteral("mnuConvert"));
        QVERIFY(convert);
        QStringList shown, rest;
        for (QAction* a : convert->actions()) {
            shown << (a->isSeparator() ? QStringLiteral("-") : a->data().toString());
            if (a->data().toString() == QStringLiteral("t2s")) QCOMPARE(a->text(), QStringLiteral("繁体→简体（t2s）"));
        }
        QCOMPARE(shown.mid(0, 8), QStringList({QString(), QStringLiteral("-"), QStringLiteral("s2t"),
                                               QStringLiteral("t2s"), QStringLiteral("s2tw"), QStringLiteral("s2twp"),
                                               QStringLiteral("s2hk"), QStringLiteral("-")}));
        shown = shown.mid(2);
        shown.removeAll(QStringLiteral("-"));
        for (const std::string& name : installedConversions())
            rest << QString::fromStdString(name);
        shown.sort();
        QCOMPARE(shown, rest);
    }
};

PW_WINDOW_TEST_MAIN(TestTextChoices)
#include "tst_text_choices.moc"
