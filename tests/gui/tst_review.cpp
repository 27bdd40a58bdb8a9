// The review of a scan, held against a novel whose gaps, repeats, restarts, table of contents
// and false headings are known: each listed once with its kind, a row leading to its entry,
// Space and the buttons changing the list and the status line as clicks do, and the output
// leaving out exactly those entries; the preset menu's counts for the analysed file.
#include <QAccessible>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <map>
#include <set>
#include <tuple>

#include "app/list_menus.h"
#include "app/review_dialog.h"
#include "gui/window_test.h"
#include "options/feedback.h"
#include "options/make_out_name.h"
#include "scan/preset_choice.h"
#include "support/novel.h"

using namespace pw;
using namespace pwtest;

namespace {

using Listed = std::tuple<MatterKind, std::int64_t, std::int64_t>; // kind, first row, last row

QAction* startingWith(const QMenu* m, const QString& text) {
    for (QAction* a : m->actions())
        if (a->text().startsWith(text)) return a;
    return nullptr;
}

} // namespace

class TestReview : public WindowTest {
    Q_OBJECT

    Novel novel;
    std::filesystem::path input, out;

    // A web novel with gaps of one and two chapters, a chapter written twice, volumes and extras
    // numbered anew, a table of contents at the start and the false lines of such files.
    void scanPlanted() {
        input = dir->path() / "planted.txt";
        out = dir->path() / "out";
        std::filesystem::create_directories(out);
        novel = writeNovel(input, {.encoding = NovelEncoding::Utf8,
                                   .seed = 42,
                                   .chapters = 40,
                                   .skipChapters = {5, 17, 18},
                                   .repeatChapters = {9},
                                   .restartPerVolume = true,
                                   .webNovel = true,
                                   .contentsAtStart = true});
        w->txtFile->setText(q(input));
        w->txtOut->setText(q(out));
        w->txtFindStr->setText(QStringLiteral("第(.){1,10}章"));
        w->txtNum->setText(QStringLiteral("1"));
        QTest::mouseClick(w->cmdAnalyze, Qt::LeftButton);
        QCOMPARE(w->headings().rowCount(), int(novel.matching(U'章').size()));
    }
    // What the novel holds, worked out from its truth alone.
    std::vector<Listed> planted() const {
        std::vector<Listed> want;
        const std::vector<PlantedLine> lines = novel.matching(U'章');
        std::int64_t firstContents = -1, lastContents = -1, previous = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const PlantedLine& p = lines[i];
            const auto row = static_cast<std::int64_t>(i);
            if (p.contents) {
                if (firstContents < 0) firstContents = row;
                lastContents = row;
            } else if (p.kind == PlantedLine::Kind::False) {
                want.emplace_back(MatterKind::Suspect, row, row);
            } else if (p.level == PlantedLine::Level::Chapter && p.number) {
                const int n = *p.number;
                if (p.part > 1) continue; // the next part of a chapter, not a repeat
                if (n == previous) want.emplace_back(MatterKind::Repeat, row, row);
                else if (n == 1 && previous >= 2) want.emplace_back(MatterKind::Restart, row, row);
                else if (n > previous + 1) want.emplace_back(MatterKind::Gap, row, row);
                previous = n;
            }
        }
        if (firstContents >= 0) want.emplace_back(MatterKind::Contents, firstContents, lastContents);
        std::sort(want.begin(), want.end(), [](const Listed& x, const Listed& y) {
            return std::tie(std::get<1>(x), std::get<0>(x)) < std::tie(std::get<1>(y), std::get<0>(y));
        });
        return want;
    }
    // Opened with its shortcut, as the active window it then is.
    ReviewDialog* review() {
        QTest::keyClick(w.get(), Qt::Key_R, Qt::ControlModifier);
        auto* d = w->findChild<ReviewDialog*>(QStringLiteral("dlgReview"));
        if (d && !QTest::qWaitForWindowActive(d)) return nullptr;
        return d;
    }
    // The offscreen platform hands activation about only when asked.
    static void activate(QWidget* window) {
        window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), window);
    }
    int selected() const { return int(w->lstMemo->selectionModel()->selectedRows().size()); }
    QString statusFor(int excluded) const {
        return toQ(memoStatusText(w->state().lngFileSize, w->state().lngMatchCount, excluded));
    }
    // The table row of the first matter of `kind`.
    static int rowOf(const ReviewDialog& d, MatterKind kind) {
        for (int row = 0; d.matterAt(row); ++row)
            if (d.matterAt(row)->kind == kind) return row;
        return -1;
    }

private slots:
    void init() { QVERIFY(open()); }
    void cleanup() { close(); }

    void everyPlantedMatterOnceInTheFilesOrder() {
        boxes.setNextAnswer(MsgAnswer::Ok);
        QStringList box;
        answerNextBox(box, QMessageBox::Ok);
        QVERIFY(!review()); // nothing analysed yet: a word, no dialog
        QVERIFY2(box.join(u'|').contains(QStringLiteral("请先分析文件")), qPrintable(box.join(u'|')));
        w->activateWindow(); // the offscreen platform does not hand activation back by itself
        QVERIFY(QTest::qWaitForWindowActive(w.get()));

        scanPlanted();
        ReviewDialog* d = review();
        QVERIFY(d && d->isVisible() && !d->isModal());
        std::vector<Listed> got;
        for (const Matter& m : d->matters().matters)
            got.emplace_back(m.kind, m.first, m.last);
        const std::vector<Listed> want = planted();
        QCOMPARE(got, want);
        std::map<MatterKind, std::int64_t> counts;
        for (const Listed& l : want)
            ++counts[std::get<0>(l)];
        QVERIFY(counts[MatterKind::Suspect] > 5);
        QCOMPARE(counts[MatterKind::Gap], 2);
        QCOMPARE(counts[MatterKind::Repeat], 1);
        QCOMPARE(counts[MatterKind::Restart], 4); // three new volumes, and 番外
        QCOMPARE(counts[MatterKind::Contents], 1);
        QVERIFY2(d->lblMatterCounts->text().contains(QStringLiteral("缺号 2，重号 1，重新编号 4")),
                 qPrintable(d->lblMatterCounts->text()));

        // The reasons name the entries and numbers concerned.
        QStringList reasons;
        for (const Matter& m : d->matters().matters)
            reasons << toQ(m.reason);
        const QString all = reasons.join(u'\n');
        for (const char* words : {"之间缺少第5章", "之间缺少第7、8章", "第9章出现 2 次", "之后从第1章重新编号",
                                  "书中自带的目录"})
            QVERIFY2(all.contains(QString::fromUtf8(words)), qPrintable(all));

        // The filter shows one kind, still in the file's order.
        d->cboMatterKind->setCurrentIndex(1 + int(MatterKind::Gap));
        QCOMPARE(d->tblMatters->model()->rowCount(), 2);
        QVERIFY(d->matterAt(0)->first < d->matterAt(1)->first);
        d->cboMatterKind->setCurrentIndex(0);
        QCOMPARE(d->tblMatters->model()->rowCount(), int(want.size()));

        // Moving through the rows with the keyboard leads the list to each entry, and leaves
        // out nothing.
        d->tblMatters->setFocus();
        d->tblMatters->setCurrentIndex(d->tblMatters->model()->index(0, 0));
        for (int row = 0; row < int(want.size()); ++row) {
            QCOMPARE(w->lstMemo->currentIndex().row(), int(std::get<1>(want[std::size_t(row)])));
            QTest::keyClick(d->tblMatters, Qt::Key_Down);
        }
        QCOMPARE(selected(), 0);
        const QRect shown = w->lstMemo->viewport()->rect();
        QVERIFY(shown.intersects(w->lstMemo->visualRect(w->lstMemo->currentIndex())));

        // Closed, it leaves the list where it is when a scan fills it anew.
        d->close();
        QTest::mouseClick(w->cmdAnalyze, Qt::LeftButton);
        QCOMPARE(d->tblMatters->model()->rowCount(), int(want.size()));
        QVERIFY(!w->lstMemo->currentIndex().isValid()); // the scan's fresh list, not led to a matter
        QVERIFY(review() == d);

        // Open, it is filled anew too.
        w->txtFindStr->setText(QStringLiteral("不会出现的标题"));
        QTest::mouseClick(w->cmdAnalyze, Qt::LeftButton);
        QCOMPARE(d->tblMatters->model()->rowCount(), 0);
        QVERIFY2(d->lblMatterCounts->text().contains(QStringLiteral("没有标题")), qPrintable(d->lblMatterCounts->text()));
    }

    void spaceAndButtonsAreClicksAndTheOutputFollows() {
        scanPlanted();
        ReviewDialog* d = review();
        QVERIFY(d);
        QAbstractItemView* table = d->tblMatters;
        table->setFocus();
        const auto space = [&](MatterKind kind) {
            table->setCurrentIndex(table->model()->index(rowOf(*d, kind), 0));
            QTest::keyClick(table, Qt::Key_Space);
            return d->matterAt(rowOf(*d, kind));
        };
        const auto state = [&](MatterKind kind) { return table->model()->index(rowOf(*d, kind), 3).data().toString(); };

        const Matter* suspect = space(MatterKind::Suspect);
        QVERIFY(w->lstMemo->selectionModel()->isRowSelected(int(suspect->first)));
        QCOMPARE(selected(), 1);
        QCOMPARE(status(), statusFor(1));
        QCOMPARE(state(MatterKind::Suspect), QStringLiteral("已排除"));
        space(MatterKind::Suspect); // taken back
        QCOMPARE(selected(), 0);
        QCOMPARE(status(), statusFor(0));
        QCOMPARE(state(MatterKind::Suspect), QString());

        // A table of contents goes out, and comes back, as a whole.
        const Matter* contents = space(MatterKind::Contents);
        const int lines = int(contents->last - contents->first + 1);
        QVERIFY(lines > 30);
        QCOMPARE(selected(), lines);
        QCOMPARE(status(), statusFor(lines));
        // A click in the list shows in the dialog.
        QTest::mouseClick(w->lstMemo->viewport(), Qt::LeftButton, {},
                          w->lstMemo->visualRect(w->headings().index(int(contents->first))).center());
        QCOMPARE(state(MatterKind::Contents), QStringLiteral("部分排除"));
        space(MatterKind::Contents);
        QCOMPARE(selected(), lines);

        // Every suspect out (the table of contents already was), and all back; an entry chosen
        // in the list stays chosen.
        const Matter* repeat = space(MatterKind::Repeat);
        QTest::mouseClick(d->cmdExcludeSuspects, Qt::LeftButton);
        const std::vector<int> suspects = w->headings().suspectRows();
        QCOMPARE(selected(), int(suspects.size()) + 1);
        QCOMPARE(status(), statusFor(int(suspects.size()) + 1));
        QTest::mouseClick(d->cmdRestoreSuspects, Qt::LeftButton);
        QCOMPARE(selected(), 1);
        QCOMPARE(status(), statusFor(1));
        activate(d); // the click in the list made the window the active one
        d->cmdExcludeSuspects->setFocus();
        QTest::keyClick(d->cmdExcludeSuspects, Qt::Key_Space); // the keyboard alone
        QCOMPARE(selected(), int(suspects.size()) + 1);

        // The output leaves out exactly those entries: one chapter a file, each opening with a
        // heading that was kept, the excluded ones inside the chapter before them.
        std::set<int> excluded(suspects.begin(), suspects.end());
        excluded.insert(int(repeat->first));
        QStringList want{QString::fromStdString(novel.lines[0])};
        const std::vector<PlantedLine> matched = novel.matching(U'章');
        for (int row = 0; row < int(matched.size()); ++row)
            if (!excluded.count(row)) want << QString::fromStdString(matched[std::size_t(row)].text);
        boxes.setNextAnswer(MsgAnswer::Ok);
        QTest::mouseClick(w->cmdSaveOut, Qt::LeftButton);
        QCOMPARE(status(), QStringLiteral("处理完毕，一共 %1 个文件！").arg(want.size()));
        QStringList got;
        for (int k = 0; k < int(want.size()); ++k) { // the preamble's file is 0
            const std::string bytes = readAll(toPath(MakeOutName(w->state(), k, false)));
            got << QString::fromUtf8(bytes.substr(0, bytes.find_first_of("\r\n")));
        }
        QCOMPARE(got, want);
    }

    void enterShowsTheChapterAndTheKeyboardReachesEverything() {
        scanPlanted();
        ReviewDialog* d = review();
        QVERIFY(d);
        const int row = rowOf(*d, MatterKind::Gap);
        d->tblMatters->setFocus();
        d->tblMatters->setCurrentIndex(d->tblMatters->model()->index(row, 0));
        QTest::keyClick(d->tblMatters, Qt::Key_Return);
        auto* box = w->findChild<QDialog*>(QStringLiteral("dlgChapterPreview"));
        QVERIFY(box && box->isVisible());
        const PlantedLine after = novel.matching(U'章')[std::size_t(d->matterAt(row)->first)];
        const QString text = box->findChild<QPlainTextEdit*>()->toPlainText();
        QVERIFY2(text.startsWith(QString::fromStdString(after.text)), qPrintable(text));
        box->close();
        QVERIFY(d->isVisible()); // Enter did not press a button of the dialog

        // Tab goes from the filter to the table to every button; each has a name and a role.
        QWidget* chain[] = {d->cboMatterKind, d->tblMatters, d->cmdExcludeSuspects, d->cmdRestoreSuspects,
                            d->cmdPreviewMatter};
        activate(d);
        d->cboMatterKind->setFocus();
        for (std::size_t i = 0; i + 1 < std::size(chain); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), chain[i + 1]);
        }
        for (QWidget* c : chain)
            QVERIFY(!QAccessible::queryAccessibleInterface(c)->text(QAccessible::Name).isEmpty());
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(d->tblMatters);
        QCOMPARE(table->role(), QAccessible::Table);
        QCOMPARE(table->text(QAccessible::Name), QStringLiteral("需要检查的地方"));
        QAccessibleInterface* cell = table->tableInterface()->cellAt(row, 0);
        QVERIFY(cell);
        const QString spoken = cell->text(QAccessible::Name);
        QVERIFY2(spoken.startsWith(QStringLiteral("缺号，[")) && spoken.contains(QStringLiteral("缺少")),
                 qPrintable(spoken));
        QCOMPARE(table->tableInterface()->columnDescription(2), QStringLiteral("说明"));
    }

    // Beside the window rather than over the list it moves through, on any side and screen;
    // narrower where the room is short, over the window only where even that does not fit.
    void opensBesideTheWindowWithinTheScreen() {
        const QSize wanted(776, 470), least(480, 200);
        const QRect big(0, 0, 1920, 1080), laptop(0, 0, 1366, 768), small(0, 0, 800, 600), tiny(0, 0, 640, 480),
            second(1920, 0, 1280, 1024);
        const struct {
            QRect window, screen, want;
        } rows[] = {
            {{787, 339, 345, 401}, big, {1140, 339, 776, 470}},   // room on the right
            {{1500, 100, 345, 401}, big, {716, 100, 776, 470}},   // at the screen's right edge: left
            {{510, 183, 345, 401}, laptop, {863, 183, 503, 470}}, // narrower on the roomier side
            {{100, 900, 345, 401}, big, {453, 610, 776, 470}},    // lifted into the screen
            {{1930, 50, 345, 401}, second, {2283, 50, 776, 470}}, // on the second screen
            {{227, 99, 345, 401}, small, {320, 99, 480, 470}},    // no room: at the screen's edge
            {{0, 0, 345, 401}, tiny, {160, 0, 480, 470}},
        };
        for (const auto& r : rows)
            QCOMPARE(besideWindow(r.window, wanted, least, r.screen), r.want);

        // The real dialog, the window at the screen's left: beside it; closed, moved and opened
        // again: where it was left.
        const QRect screen = w->screen()->availableGeometry();
        w->move(screen.topLeft());
        scanPlanted();
        ReviewDialog* d = review();
        QVERIFY(d);
        QVERIFY(screen.contains(d->frameGeometry()));
        QVERIFY2(!d->frameGeometry().intersects(w->frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4").arg(d->x()).arg(d->y()).arg(d->width()).arg(d->height())));
        QVERIFY(d->x() > w->frameGeometry().right());
        d->close();
        const QPoint left = d->pos() + QPoint(-20, 30);
        d->move(left);
        QVERIFY(review() == d);
        QCOMPARE(d->pos(), left);

        // As the README shows it: two suspects left out, the next one current, beside the window.
        // docs/review-dialog.png is this picture on a wider screen than the offscreen default:
        // QT_QPA_PLATFORM=offscreen:configfile=tests/gui/wide-screen.json.
        for (int r : {1, 2})
            d->toggle(r);
        d->tblMatters->setCurrentIndex(d->tblMatters->model()->index(3, 0));
        const QRect both = w->frameGeometry().united(d->frameGeometry()).adjusted(-8, -8, 8, 8);
        QImage shot(both.size(), QImage::Format_RGB32);
        shot.fill(QColor(0x5a, 0x6e, 0x82));
        QPainter paint(&shot);
        for (QWidget* window : {static_cast<QWidget*>(w.get()), static_cast<QWidget*>(d)})
            paint.drawPixmap(window->geometry().topLeft() - both.topLeft(), window->grab());
        paint.end();
        const QString folder = qEnvironmentVariable("PW_SCREENSHOT_DIR", QDir::tempPath());
        QDir().mkpath(folder);
        QVERIFY(shot.save(folder + QStringLiteral("/review-dialog.png")));

        // Left where the screen no longer reaches (a second screen gone): pulled back within it.
        d->close();
        d->move(screen.bottomRight() + QPoint(100, 100));
        QVERIFY(review() == d);
        QVERIFY(screen.contains(d->frameGeometry()));
    }

    // For the analysed file, each preset with what it finds, the best marked; a choice scans again.
    void presetMenuCountsAndScansAgain() {
        QVERIFY(!startingWith(buildPatternMenu(*w, w.get())->actions().back()->menu(), QStringLiteral("在文件开头")));
        scanPlanted();
        std::unique_ptr<QMenu> menu(buildPatternMenu(*w, w.get()));
        QMenu* presets = menu->actions().back()->menu();
        QVERIFY(startingWith(presets, QStringLiteral("在文件开头 512 KB")));
        QStringList best;
        for (const QAction* a : presets->actions())
            if (a->text().contains(QStringLiteral("（最合适）"))) best << a->text();
        QCOMPARE(best.size(), 1);
        QAction* chapter = startingWith(presets, QStringLiteral("第…章"));
        QVERIFY2(chapter->text().contains(QLatin1Char('\t')), qPrintable(chapter->text()));
        const QString counts = chapter->text().section(QLatin1Char('\t'), 1);
        chapter->trigger();
        QTRY_COMPARE(w->txtFindStr->text(), toQ(findPreset("chapter")->pattern));
        // The file is under the sample's size: the menu finds the headings of the scan it starts
        // (its suspects are judged on the sample's characters, the scan's on bytes).
        QTRY_COMPARE(w->state().strFindStr, Text(findPreset("chapter")->pattern));
        QVERIFY(status().startsWith(QStringLiteral("分析完毕！")));
        QVERIFY2(counts.startsWith(QStringLiteral("%1 个标题，").arg(w->headings().rowCount())), qPrintable(counts));
    }
};

PW_WINDOW_TEST_MAIN(TestReview)

#include "tst_review.moc"
