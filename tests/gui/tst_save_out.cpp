// "输出(&O)" through the window: the checks before the intake, the whole job through the
// buttons, a real question box answered by a click, and closing the window mid-pass.
#include "gui/window_test.h"
#include "split/kept_table.h"
#include "support/split_test_util.h"

using namespace pw;
using namespace pwtest;

class TestSaveOut : public WindowTest {
    Q_OBJECT
    std::filesystem::path input, out;

    // A copy of `novel` scanned through the button, into an existing folder.
    void prepare(const char* novel) {
        input = dir->path() / "novel.txt";
        out = dir->path() / "out";
        std::filesystem::create_directories(out);
        std::filesystem::copy_file(corpusDir() / "gb18030" / novel, input);
        w->txtFile->setText(q(input));
        w->txtOut->setText(q(out));
        w->txtFindStr->setText(QStringLiteral("第(.){1,10}[章回]"));
        QTest::mouseClick(w->cmdAnalyze, Qt::LeftButton);
    }
    std::filesystem::path outPath(std::int64_t k) { return toPath(MakeOutName(w->state(), k, false)); }

private slots:
    void init() { QVERIFY(open()); }
    void cleanup() { close(); }

    void refusedBeforeTheOptionsAreTaken() {
        boxes.setNextAnswer(MsgAnswer::Ok);
        QTest::mouseClick(w->cmdSaveOut, Qt::LeftButton);
        QCOMPARE(boxes.shown().size(), std::size_t(1));
        QCOMPARE(boxes.shown()[0].text, QStringLiteral("还未分析，请先分析文件！"));
        QCOMPARE(boxes.shown()[0].style, MsgStyle::Refusal);
        QCOMPARE(status(), QStringLiteral("请先“分析”文件..."));
    }

    // The whole job as a user does it: pick the novel, scan, click the false headings away,
    // write the files. Everything goes through the buttons and the real intake.
    void scanThenSplitThroughTheButtons() {
        input = dir->path() / "xiyouji.txt";
        out = dir->path() / "out";
        std::filesystem::copy_file(corpusDir() / "gb18030" / "xiyouji_pg23962.txt", input);
        w->txtFile->setText(toQ(fromPath(input)));
        w->txtOut->setText(toQ(fromPath(out)));
        w->txtFindStr->setText(QStringLiteral("第(.){1,10}回"));
        w->txtNum->setText(QStringLiteral("7"));
        boxes.setNextAnswer(MsgAnswer::Yes); // create the missing output folder
        QTest::mouseClick(w->cmdAnalyze, Qt::LeftButton);
        QCOMPARE(w->headings().rowCount(), 100);
        QVERIFY(status().startsWith(QStringLiteral("分析完毕！")));
        QVERIFY(std::filesystem::is_directory(out));

        for (int row : {0, 41}) {
            w->lstMemo->scrollTo(w->headings().index(row));
            const QRect r = w->lstMemo->visualRect(w->headings().index(row));
            QTest::mouseClick(w->lstMemo->viewport(), Qt::LeftButton, {}, r.center());
        }
        QCOMPARE(
            status(),
            QStringLiteral("文件大小：%1KB，当前 98/100 行符合条件").arg(std::filesystem::file_size(input) / 1024));
        QTest::mouseClick(w->cmdSaveOut, Qt::LeftButton);

        const auto planned = plannedFileIndexes(w->state());
        QCOMPARE(w->state().lngKeptCount, 98);
        for (int row : {0, 41}) // the clicked headings start no chapter
            QVERIFY(!std::ranges::count(w->state().lngKeptLines, w->state().lngMatchLines[row + 1]));
        QCOMPARE(planned.size(), std::size_t(1 + 14)); // the preamble, then 98 chapters 7 to a file
        QCOMPARE(status(), QStringLiteral("处理完毕，一共 15 个文件！"));
        QCOMPARE(boxes.shown().size(), std::size_t(1));
        std::string joined;
        for (std::int64_t k : planned)
            joined += readAll(outPath(k));
        QVERIFY(joined == expectedJoin(readAll(input), Encoding::Gb18030, true));
    }

    void aRealQuestionBoxAnsweredByAClick() {
        prepare("ahq_zhengzhuan_pg25332.txt");
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

    void closingTheWindowStopsThePass() {
        prepare("hongloumeng_pg24264.txt");
        // The close arrives at the pass's first event turn.
        QTimer::singleShot(0, w.get(), [&] { w->close(); });
        w->saveOutChecked();
        QCOMPARE(status(), QStringLiteral("输出已中止。"));
        QVERIFY(boxes.shown().empty());
        QTRY_VERIFY(!w->isVisible()); // closed once the pass let go
        const auto written = std::distance(std::filesystem::directory_iterator(out), {});
        QVERIFY(written < static_cast<std::ptrdiff_t>(plannedFileIndexes(w->state()).size()));
    }
};

PW_WINDOW_TEST_MAIN(TestSaveOut)

#include "tst_save_out.moc"
