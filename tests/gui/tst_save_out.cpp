// "输出(&O)" through the window: the checks before the intake, a whole run on a corpus
// novel with excluded entries and an existing file, a real question box answered by a
// click, and closing the window in the middle of a pass.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStyleFactory>
#include <QTimer>
#include <QtTest>

#include "app/frm_pagewright.h"
#include "platform/paths.h"
#include "split/kept_table.h"
#include "support/corpus.h"
#include "support/heading_table.h"
#include "unit/split_test_util.h"

using namespace pw;
using namespace pwtest;

class TestSaveOut : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<frmPagewright> w;
    std::unique_ptr<ScratchDir> dir;
    std::filesystem::path input, out;

    // A finished scan of a copy of `novel`, shown in the list, and the fields filled
    // the way the option intake turns them into the working state.
    void prepare(const char* novel) {
        input = dir->path() / "novel.txt";
        out = dir->path() / "out";
        std::filesystem::create_directories(out);
        std::filesystem::copy_file(corpusDir() / "gb18030" / novel, input);
        WorkingState& st = w->state();
        headingTable(st, input);
        QStringList entries;
        for (std::int64_t k = 1; k <= st.lngMatchCount; ++k)
            entries << QStringLiteral("[%1] …").arg(k);
        w->headings().append(entries);
        w->txtFile->setText(toQ(fromPath(input)));
        w->txtOut->setText(toQ(fromPath(out)));
        w->txtFileOut->setText(QStringLiteral("小说01"));
        w->txtNum->setText(QStringLiteral("6"));
        w->chkDeleteSpc->setChecked(true);
        st.strOutDir = fromPath(out);
        st.strOutName = u"小说";
        st.lngStartNum = 1;
        st.lngNumWidth = 2;
        st.lngChapsPerFile = 6;
        st.blnDeleteSpc = true;
    }
    std::filesystem::path outPath(std::int64_t k) { return toPath(MakeOutName(w->state(), k, false)); }
    QString status() { return w->lblState->text(); }

private slots:
    void init() {
        dir = std::make_unique<ScratchDir>();
        w = std::make_unique<frmPagewright>(QStringLiteral("/opt/pw"));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void cleanup() {
        w.reset();
        dir.reset();
    }

    void refusedBeforeTheOptionsAreTaken() {
        w->ui().setNextAnswer(MsgAnswer::Ok);
        QTest::mouseClick(w->cmdSaveOut, Qt::LeftButton);
        QCOMPARE(w->ui().shown().size(), std::size_t(1));
        QCOMPARE(w->ui().shown()[0].text, QStringLiteral("还未分析，请先分析文件！"));
        QCOMPARE(w->ui().shown()[0].style, MsgStyle::Refusal);
        QCOMPARE(status(), QStringLiteral("请先“分析”文件..."));

        // A finished scan that found nothing.
        w->state().blnAnalyzed = true;
        w->state().lngMatchLines = {1, 10};
        w->ui().setNextAnswer(MsgAnswer::Ok);
        QTest::mouseClick(w->cmdSaveOut, Qt::LeftButton);
        QCOMPARE(w->ui().shown().back().text, QStringLiteral("无符合条件的行，无法分割！"));
        QCOMPARE(status(), QStringLiteral("请重新输入条件分析！"));
    }

    void wholeRunWithExcludedEntriesAndAnExistingFile() {
        prepare("sanguo_pg23950.txt");
        for (int row : {0, 5, 117})
            w->lstMemo->selectionModel()->select(w->headings().index(row), QItemSelectionModel::Select);
        writeAll(outPath(2), "kept\r\n");
        w->ui().setNextAnswer(MsgAnswer::No); // append to 小说02.txt
        w->saveOutChecked();

        QCOMPARE(w->state().lngKeptCount, w->state().lngMatchCount - 3);
        const auto planned = plannedFileIndexes(w->state());
        QCOMPARE(status(), QStringLiteral("处理完毕，一共 %1 个文件！").arg(planned.size()));
        QCOMPARE(w->shpDone->width(), 1); // back to 15 twips
        QCOMPARE(w->ui().shown().size(), std::size_t(1));
        QCOMPARE(w->ui().shown()[0].text, toQ(fromPath(outPath(2))) + QStringLiteral("已存在，删除？"));
        for (QPushButton* b : w->findChildren<QPushButton*>())
            QVERIFY(b->isEnabled());

        // The files joined, "(index)" first and 小说02's old line left out, are the novel.
        std::string joined;
        for (std::int64_t k : planned) {
            std::string bytes = readAll(outPath(k));
            if (k == 2) {
                QCOMPARE(bytes.substr(0, 6), std::string("kept\r\n"));
                bytes.erase(0, 6);
            }
            joined += bytes;
        }
        QVERIFY(joined == expectedJoin(readAll(input), w->state().analyzedEncoding, true));
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
        w->ui().setNextAnswer(MsgAnswer::Yes); // create the missing output folder
        QTest::mouseClick(w->cmdAnalyze, Qt::LeftButton);
        QCOMPARE(w->headings().rowCount(), 100);
        QVERIFY(status().startsWith(QStringLiteral("分析完毕！")));
        QVERIFY(std::filesystem::is_directory(out));

        for (int row : {0, 41}) {
            w->lstMemo->scrollTo(w->headings().index(row));
            const QRect r = w->lstMemo->visualRect(w->headings().index(row));
            QTest::mouseClick(w->lstMemo->viewport(), Qt::LeftButton, {}, r.center());
        }
        QCOMPARE(status(), QStringLiteral("文件大小：%1KB，当前 98/100 行符合条件")
                               .arg(std::filesystem::file_size(input) / 1024));
        QTest::mouseClick(w->cmdSaveOut, Qt::LeftButton);

        const auto planned = plannedFileIndexes(w->state());
        QCOMPARE(w->state().lngKeptCount, 98);
        QCOMPARE(planned.size(), std::size_t(1 + 14)); // the preamble, then 98 chapters 7 to a file
        QCOMPARE(status(), QStringLiteral("处理完毕，一共 15 个文件！"));
        QCOMPARE(w->ui().shown().size(), std::size_t(1));
        std::string joined;
        for (std::int64_t k : planned) joined += readAll(outPath(k));
        QVERIFY(joined == expectedJoin(readAll(input), Encoding::Gb18030, true));
    }

    void aRealQuestionBoxAnsweredByAClick() {
        prepare("ahq_zhengzhuan_pg25332.txt");
        writeAll(outPath(0), "old");
        QString seenText, seenTitle;
        bool noIsDefault = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            poll.stop();
            seenText = box->text();
            seenTitle = box->windowTitle();
            noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
            QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
        });
        poll.start(20);
        w->saveOutChecked();
        QCOMPARE(seenText, toQ(fromPath(outPath(0))) + QStringLiteral("已存在，删除？"));
        QCOMPARE(seenTitle, QStringLiteral("警告"));
        QVERIFY(noIsDefault);
        QVERIFY(readAll(outPath(0)).substr(0, 3) != "old"); // deleted, then written anew
        QVERIFY(status().startsWith(QStringLiteral("处理完毕")));
    }

    void closingTheWindowStopsThePass() {
        prepare("hongloumeng_pg24264.txt");
        // The close arrives at the pass's first event turn.
        QTimer::singleShot(0, w.get(), [&] { w->close(); });
        w->saveOutChecked();
        QCOMPARE(status(), QStringLiteral("输出已中止。"));
        QVERIFY(w->ui().shown().empty());
        QTRY_VERIFY(!w->isVisible()); // closed once the pass let go
        const auto written = std::distance(std::filesystem::directory_iterator(out), {});
        QVERIFY(written < static_cast<std::ptrdiff_t>(plannedFileIndexes(w->state()).size()));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    TestSaveOut t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_save_out.moc"
