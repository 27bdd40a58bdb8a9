// "输出(&O)" through the window: the whole job through the buttons, a real question box
// answered by a click, and closing the window mid-pass.
#include <QAction>
#include <QFileDialog>

#include "app/epub_dialog.h"
#include "scan/heading_analysis.h"
#include "app/pickers.h"
#include "gui/window_test.h"
#include "walk/kept_table.h"
#include "formats/text/text_files.h"
#include "support/novel.h"
#include "support/split_test_util.h"

using namespace pw;
using namespace pwtest;

class TestSaveOut : public WindowTest {
    Q_OBJECT
    std::filesystem::path input, out;

    // A novel made from `options`, scanned through the button, into an existing folder.
    void prepare(const NovelOptions& options) {
        input = dir->path() / "novel.txt";
        out = dir->path() / "out";
        std::filesystem::create_directories(out);
        writeNovel(input, options);
        w->txtFile->setText(q(input));
        w->txtOut->setText(q(out));
        w->txtFindStr->setText(QStringLiteral("第(.){1,10}[章回]"));
        QTest::mouseClick(w->cmdAnalyze, Qt::LeftButton);
    }
    std::filesystem::path outPath(std::int64_t k) { return toPath(MakeOutName(w->state(), k, false)); }

    // The whole job as a user does it: pick the novel, scan, click two headings away, write the
    // files. Everything goes through the buttons and the real intake. The list must hold `count`
    // headings, the first of them `want` (as "[k] text").
    void scanThenSplitThroughTheButtons(const std::filesystem::path& novel, const QStringList& want, int count) {
        input = dir->path() / "novel.txt";
        out = dir->path() / "out";
        std::filesystem::copy_file(novel, input);
        w->txtFile->setText(toQ(fromPath(input)));
        w->txtOut->setText(toQ(fromPath(out)));
        w->txtFindStr->setText(QStringLiteral("第(.){1,10}回"));
        w->txtNum->setText(QStringLiteral("7"));
        boxes.setNextAnswer(MsgAnswer::Yes); // create the missing output folder
        QTest::mouseClick(w->cmdAnalyze, Qt::LeftButton);
        QCOMPARE(w->headings().rowCount(), count);
        for (int row = 0; row < want.size(); ++row)
            QCOMPARE(entry(row), want[row]);
        QVERIFY(status().startsWith(QStringLiteral("分析完毕！")));
        QVERIFY(std::filesystem::is_directory(out));

        for (int row : {0, 41}) {
            w->lstMemo->scrollTo(w->headings().index(row));
            const QRect r = w->lstMemo->visualRect(w->headings().index(row));
            QTest::mouseClick(w->lstMemo->viewport(), Qt::LeftButton, {}, r.center());
        }
        QCOMPARE(status(), QStringLiteral("文件大小：%1KB，当前 %2/%3 行符合条件")
                               .arg(std::filesystem::file_size(input) / 1024)
                               .arg(count - 2)
                               .arg(count));
        QTest::mouseClick(w->cmdSaveOut, Qt::LeftButton);

        const KeptTable kept = buildKeptTable(w->state().lngMatchLines, RowRanges::ofRows({0, 41}));
        const auto planned = TextFiles(w->state()).fileIndexes(kept);
        const std::size_t files = 1 + static_cast<std::size_t>(count - 2 + 6) / 7; // the preamble, then 7 a file
        QCOMPARE(planned.size(), files);
        QCOMPARE(status(), QStringLiteral("处理完毕，一共 %1 个文件！").arg(files));
        QCOMPARE(boxes.shown().size(), std::size_t(1));
        std::string joined;
        for (std::int64_t k : planned)
            joined += readAll(outPath(k));
        QVERIFY(joined == expectedJoin(readAll(input), Encoding::Gb18030, true));
    }

private slots:
    void init() { QVERIFY(open()); }
    void cleanup() { close(); }

    void scanThenSplitAGeneratedNovel() {
        ScratchDir source;
        const Novel novel = writeNovel(source / "novel.txt", {.seed = 21, .chapters = 100, .chapterWord = U'回'});
        QStringList want;
        for (const PlantedLine& p : novel.matching(U'回'))
            want << QStringLiteral("[%1] ").arg(want.size() + 1) + QString::fromStdString(p.text);
        scanThenSplitThroughTheButtons(source.path() / "novel.txt", want, static_cast<int>(want.size()));
    }

    void scanThenSplitARealNovel() {
        if (corpusDir().empty()) QSKIP(kNoCorpus);
        scanThenSplitThroughTheButtons(corpusDir() / "gb18030" / "xiyouji_pg23962.txt", {}, 100);
    }

    void aRealQuestionBoxAnsweredByAClick() {
        prepare({.seed = 22, .chapters = 10});
        writeAll(outPath(0), "old");
        QStringList seen;
        answerNextBox(seen, QMessageBox::Yes);
        w->saveOutChecked();
        QCOMPARE(seen, QStringList({QStringLiteral("警告"), QStringLiteral("Warning"), QStringLiteral("*否(&N)"),
                                    QStringLiteral("是(&Y)"), q(outPath(0)) + QStringLiteral("已存在，删除？")}));
        QVERIFY(readAll(outPath(0)).substr(0, 3) != "old"); // deleted, then written anew
        QVERIFY(status().startsWith(QStringLiteral("处理完毕")));
        QCOMPARE(w->shpDone->width(), 1); // the progress back to 15 twips
        for (QPushButton* b : w->findChildren<QPushButton*>())
            QVERIFY(b->isEnabled());
    }

    // 输出 EPUB 电子书… from the output button's menu: the dialog comes filled in from the
    // file's name, the save dialog suggests <title>.epub in the output folder, the selection is
    // left out, and the status names the book.
    void theBookFromTheMenu() {
        input = dir->path() / "《夜航》作者：某人.txt";
        out = dir->path() / "out";
        std::filesystem::create_directories(out);
        writeNovel(input, {.seed = 5, .chapters = 9, .falseHeadings = false, .badBytes = false});
        w->txtFile->setText(q(input));
        w->txtOut->setText(q(out));
        QTest::mouseClick(w->cmdAnalyze, Qt::LeftButton);
        const int count = w->headings().rowCount();
        QVERIFY(count > 3);
        w->lstMemo->selectionModel()->select(w->headings().index(1), QItemSelectionModel::Select);

        QString title, author, suggested, volumes, why;
        setNextEpubDialogHook([&](EpubDialog& d) {
            title = d.txtBookTitle->text();
            author = d.txtBookAuthor->text();
            d.chkVertical->setChecked(true);
            // 自动 in the volume field's menu, after the field's own entries: the volume rule
            // chosen with the novel's structure, and why.
            std::unique_ptr<QMenu> menu(d.volumePatternMenu());
            menu->actions().back()->trigger();
            volumes = d.txtVolumePattern->text();
            why = d.txtVolumePattern->toolTip();
            d.txtVolumePattern->clear();
            return true;
        });
        const auto book = out / "夜航.epub";
        setNextDialogHook([&](QFileDialog& f) {
            suggested = f.selectedFiles().value(0);
            return q(book);
        });
        std::unique_ptr<QMenu> menu(w->cmdSaveOutMenu());
        auto* action = menu->findChild<QAction*>(QStringLiteral("actSaveEpub"));
        QVERIFY(action);
        QCOMPARE(action->text(), QStringLiteral("输出 EPUB 电子书…"));
        action->trigger();
        QTRY_VERIFY(std::filesystem::exists(book));
        QCOMPARE(title, QStringLiteral("夜航"));
        QCOMPARE(author, QStringLiteral("某人"));
        QVERIFY2(volumes.contains(u'卷') && why.startsWith(QStringLiteral("自动选择")), qPrintable(volumes + why));
        QCOMPARE(suggested, q(book));
        QTRY_COMPARE(status(), QStringLiteral("处理完毕，已生成电子书 夜航.epub，共 %1 章！").arg(count - 1));
        QVERIFY(boxes.shown().empty());
        QVERIFY(!w->busy());

        // A cover that is no image is refused before the save dialog, and nothing is written.
        pwtest::writeAll(dir->path() / "cover.png", "not a picture");
        setNextEpubDialogHook([&](EpubDialog& d) {
            d.txtBookCover->setText(q(dir->path() / "cover.png"));
            return true;
        });
        boxes.setNextAnswer(MsgAnswer::Ok);
        w->saveEpub();
        QCOMPARE(boxes.shown().size(), std::size_t(1));
        QCOMPARE(status(), QStringLiteral("请检查电子书的设置！"));
        QCOMPARE(std::distance(std::filesystem::directory_iterator(out), {}), 1);
    }

    // The book dialog counts the flagged headings not left out yet; ticking 排除可疑标题 leaves
    // them out of the book, and the paragraphs chosen are the ones the status line's tooltip names.
    void theBookDialogLeavesOutSuspectsAndChoosesParagraphs() {
        prepare({.seed = 31, .chapters = 12, .badBytes = false});
        const std::vector<std::int64_t> suspects = suspectRows(w->headings().analysis());
        QVERIFY(!suspects.empty());
        const auto book = out / "b.epub";
        QString offered;
        bool enabled = false;
        setNextEpubDialogHook([&](EpubDialog& d) {
            offered = d.chkExcludeSuspects->text();
            enabled = d.chkExcludeSuspects->isEnabled();
            d.chkExcludeSuspects->setChecked(true);
            d.cboParagraphs->setCurrentIndex(d.cboParagraphs->findData(QStringLiteral("indent")));
            return true;
        });
        setNextDialogHook([&](QFileDialog&) { return q(book); });
        w->saveEpub();
        QTRY_VERIFY(std::filesystem::exists(book));
        QVERIFY(boxes.shown().empty());
        QCOMPARE(offered, QStringLiteral("排除可疑标题（%1 个）").arg(suspects.size()));
        QVERIFY(enabled);
        const auto kept = static_cast<std::int64_t>(w->headings().rowCount() - suspects.size());
        QCOMPARE(status(), QStringLiteral("处理完毕，已生成电子书 b.epub，共 %1 章！").arg(kept));
        QCOMPARE(w->lblState->toolTip(), QStringLiteral("段落：缩进分段"));
    }

    // Whether the analysed file is the one meant is asked before the book's dialogs, and only
    // once; a book per volume goes into the folder picked, one book a volume.
    void theBookAsksAboutAnotherFileFirstAndMakesABookPerVolume() {
        input = dir->path() / "novel.txt";
        out = dir->path() / "out";
        std::filesystem::create_directories(out);
        std::string novel;
        for (int v = 1; v <= 2; ++v) {
            novel += "第" + std::to_string(v) + "卷 卷名" + std::to_string(v) + "\r\n";
            for (int c = 1; c <= 3; ++c)
                novel += "第" + std::to_string((v - 1) * 3 + c) + "章 标题\r\n　　正文。\r\n";
        }
        pwtest::writeAll(input, novel);
        w->txtFile->setText(q(input));
        w->txtOut->setText(q(out));
        w->txtFindStr->setText(QStringLiteral("^第[0-9]+章"));
        QTest::mouseClick(w->cmdAnalyze, Qt::LeftButton);
        QCOMPARE(w->headings().rowCount(), 6);
        pwtest::writeAll(dir->path() / "other.txt", "第1章 别的\r\n");
        w->txtFile->setText(q(dir->path() / "other.txt"));

        bool asked = false;
        setNextEpubDialogHook([&](EpubDialog& d) {
            asked = true;
            d.txtBookTitle->setText(QStringLiteral("书"));
            d.txtVolumePattern->setText(QStringLiteral("^第[0-9]+卷"));
            d.chkPerVolume->setChecked(true);
            return true;
        });
        boxes.setNextAnswer(MsgAnswer::No);
        w->saveEpub();
        QVERIFY(!asked);
        QCOMPARE(boxes.shown().size(), std::size_t(1));
        QVERIFY(boxes.shown().front().id == MsgId::NotCurrentFile);
        boxes.clearShown();

        boxes.setNextAnswer(MsgAnswer::Yes);
        setNextDialogHook([&](QFileDialog&) { return q(out); });
        w->saveEpub();
        QTRY_VERIFY(std::filesystem::exists(out / "书 第2卷 卷名2.epub"));
        QVERIFY(std::filesystem::exists(out / "书 第1卷 卷名1.epub"));
        QCOMPARE(boxes.shown().size(), std::size_t(1)); // the question, once
        QCOMPARE(status(), QStringLiteral("处理完毕，已按卷生成 2 本电子书，共 6 章！"));
    }

    void closingTheWindowStopsThePass() {
        prepare({.seed = 23, .chapters = 200});
        // The close arrives at the pass's first event turn.
        QTimer::singleShot(0, w.get(), [&] { w->close(); });
        w->saveOutChecked();
        QCOMPARE(status(), QStringLiteral("输出已中止。"));
        QVERIFY(boxes.shown().empty());
        QTRY_VERIFY(!w->isVisible()); // closed once the pass let go
        const auto written = std::distance(std::filesystem::directory_iterator(out), {});
        const KeptTable kept = buildKeptTable(w->state().lngMatchLines, {});
        QVERIFY(written < static_cast<std::ptrdiff_t>(TextFiles(w->state()).fileIndexes(kept).size()));
    }
};

PW_WINDOW_TEST_MAIN(TestSaveOut)

#include "tst_save_out.moc"
