// The scan in the window: the list entries, the sideways scroll range, the status and the
// tooltips, kept by a refused scan; all five buttons refused while a large scan runs; suspects
// in their colour with their reasons, the list's and the pattern field's menus; the encoding
// menus of txtFile and cmdSaveOut, whose choice lasts and reaches the passes.
#include <QFontMetricsF>
#include <QMenu>
#include <QPlainTextEdit>
#include <cmath>
#include <functional>

#include "app/list_menus.h"
#include "gui/window_test.h"
#include "options/feedback.h"
#include "options/make_out_name.h"
#include "scan/presets.h"
#include "support/novel.h"

using namespace pw;
using namespace pwtest;

namespace {

QStringList texts(const QMenu* menu) {
    QStringList all;
    for (const QAction* a : menu->actions())
        all << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return all;
}
QAction* action(const QMenu* m, const QString& text) {
    for (QAction* a : m->actions())
        if (a->text() == text) return a;
    return nullptr;
}
// The ticked item of the submenu titled `title`, and every item of it.
std::pair<QString, QStringList> choices(const QMenu* menu, const QString& title) {
    const QAction* sub = action(menu, title);
    if (!sub || !sub->menu()) return {};
    QString ticked;
    for (const QAction* item : sub->menu()->actions())
        if (item->isChecked()) ticked += item->text();
    return {ticked, texts(sub->menu())};
}
void choose(QMenu* menu, const QString& title, const QString& item) {
    action(action(menu, title)->menu(), item)->trigger();
}

} // namespace

class TestAnalyze : public WindowTest {
    Q_OBJECT

    Novel novel;

    // A GBK file: a preamble line, then 第1章 … 第n章, each followed by `tail(i)`.
    std::filesystem::path numbered(
        const std::string& name, int n, const std::function<std::string(int)>& tail = [](int) { return ""; }) {
        std::string bytes = "\xC7\xB0\xD1\xD4\r\n"; // 前言
        for (int i = 1; i <= n; ++i)
            bytes += "\xB5\xDA" + std::to_string(i) + "\xD5\xC2" + tail(i) + "\r\n";
        writeAll(*dir / name, bytes);
        return *dir / name;
    }
    // What the option intake would have left, so the pass can be driven on its own.
    void scan(const std::filesystem::path& p, bool doEvents = false) {
        w->state().strInFile = fromPath(p);
        w->state().strFindStr = u"第(.){1,10}章";
        w->state().blnDoEvents = doEvents;
        w->analyzeCheckedOptions();
    }
    // The same through the fields and the button.
    void scanByButton(const std::filesystem::path& file) {
        w->txtFile->setText(q(file));
        w->txtOut->setText(q(dir->path()));
        QTest::mouseClick(w->cmdAnalyze, Qt::LeftButton);
    }
    void scanFaulty() {
        novel =
            writeNovel(*dir / "faulty.txt", {.seed = 41, .chapters = 24, .skipChapters = {5}, .repeatChapters = {9}});
        scan(*dir / "faulty.txt");
    }
    QVariant data(int row, int role) const { return w->headings().data(w->headings().index(row), role); }
    // The widest line in twips (single precision, + 36, halves to even), as pixels + 100.
    int expectedExtent(const QStringList& lines) const {
        const QFontMetricsF fm(w->font());
        double widest = 0;
        for (const QString& l : lines)
            widest = std::max(widest, std::nearbyint(double(float(fm.horizontalAdvance(l) * 15.0)) + 36.0));
        return int(widest) / 15 + 100;
    }

private slots:
    void init() { QVERIFY(open()); }
    void cleanup() { close(); }

    void entriesExtentStatusAndTooltip() {
        const auto pad = [](int i) { return std::string(i == 7 ? 60 : 1, ' ') + "x"; };
        QStringList lines;
        for (int i = 1; i <= 12; ++i)
            lines << QStringLiteral("第%1章").arg(i) + QString::fromStdString(pad(i));
        const auto p = numbered("twelve.txt", 12, pad);
        scan(p);
        QCOMPARE(w->headings().rowCount(), 12);
        QCOMPARE(entry(0), QStringLiteral("[1] ") + lines[0]);
        QCOMPARE(entry(9), QStringLiteral("[10] ") + lines[9]); // not padded, not trimmed
        QCOMPARE(status(), QStringLiteral("分析完毕！文件大小：0KB，共 12 行符合条件"));
        QCOMPARE(w->lstMemo->toolTip(), q(p));
        // The range comes from the line's own text, not from the entry with its number.
        QCOMPARE(w->headings().extent(), expectedExtent(lines));
        QVERIFY(w->headings().extent() > 100);
        QCOMPARE(data(0, Qt::SizeHintRole).toSize().width(), w->headings().extent());

        // A refused scan keeps the list and its range.
        boxes.setNextAnswer(MsgAnswer::Ok);
        scan(*dir / "missing.txt");
        QCOMPARE(boxes.shown().size(), std::size_t(1));
        QCOMPARE(w->headings().rowCount(), 12);
        QCOMPARE(w->headings().extent(), expectedExtent(lines));

        // A second scan with no match: an empty list, an extent of 100, the new tooltip.
        const auto none = numbered("none.txt", 0);
        scan(none);
        QCOMPARE(w->headings().rowCount(), 0);
        QCOMPARE(w->headings().extent(), 100);
        QCOMPARE(w->lstMemo->toolTip(), q(none));
    }

    void buttonsRefusedWhileScanningFortyThousandEntries() {
        const auto p = numbered("many.txt", 40000);
        QList<bool> enabledDuring;
        QTimer::singleShot(0, this, [&] {
            QVERIFY(w->busy());
            for (QPushButton* b : w->findChildren<QPushButton*>())
                enabledDuring << b->isEnabled();
            w->cmdAnalyze->click(); // refused: no second scan inside the first
        });
        scan(p, true);
        QCOMPARE(enabledDuring, QList<bool>({false, false, false, false, false}));
        QVERIFY(!w->busy());
        for (QPushButton* b : w->findChildren<QPushButton*>())
            QVERIFY(b->isEnabled());
        QCOMPARE(w->headings().rowCount(), 40000);
        QCOMPARE(entry(39999), QStringLiteral("[40000] 第40000章"));
        const auto kb = std::filesystem::file_size(p) / 1024;
        QCOMPARE(status(), QStringLiteral("分析完毕！文件大小：%1KB，共 40000 行符合条件").arg(kb));
    }

    void suspectsStandOutAndTheTooltipsSayWhy() {
        scanFaulty();
        const std::vector<PlantedLine> planted = novel.matching(U'章');
        QCOMPARE(w->headings().rowCount(), int(planted.size()));
        int suspects = 0;
        for (int row = 0; row < w->headings().rowCount(); ++row) {
            const PlantedLine& p = planted[std::size_t(row)];
            const QString tip = data(row, Qt::ToolTipRole).toString();
            QVERIFY2(tip.contains(QStringLiteral("本章：")), qPrintable(tip));
            if (p.kind == PlantedLine::Kind::False) {
                ++suspects;
                QCOMPARE(data(row, Qt::ForegroundRole).value<QColor>(), kSuspectColour);
                QVERIFY2(tip.contains(QStringLiteral("\n可疑：")), qPrintable(tip)); // after the file's name
            } else if (p.number != 9) {                                              // 9 is repeated: see below
                QVERIFY(!data(row, Qt::ForegroundRole).isValid());                   // the list's own colour
                QVERIFY2(tip.contains(QStringLiteral("章节号：第%1章").arg(*p.number)), qPrintable(tip));
            }
        }
        QVERIFY(suspects > 0);
        const QString listTip = w->lstMemo->toolTip();
        QVERIFY(listTip.startsWith(q(*dir / "faulty.txt") + QLatin1Char('\n')));
        QVERIFY2(listTip.contains(QStringLiteral("第4章之后缺少第5章")), qPrintable(listTip));
        QVERIFY2(listTip.contains(QStringLiteral("重号：第9章出现 2 次")), qPrintable(listTip));
    }

    // What the list's own tooltip says of gaps and repeats is said on the entries concerned,
    // each of whose tooltips names the analysed file first.
    void gapsAndRepeatsShowOnTheirEntries() {
        scanFaulty();
        const std::vector<PlantedLine> planted = novel.matching(U'章');
        std::vector<int> nines;
        int afterGap = -1;
        for (int row = 0; row < w->headings().rowCount(); ++row) {
            const PlantedLine& p = planted[std::size_t(row)];
            const QString tip = data(row, Qt::ToolTipRole).toString();
            QVERIFY2(tip.startsWith(q(*dir / "faulty.txt") + QLatin1Char('\n')), qPrintable(tip));
            const bool chapter = p.kind == PlantedLine::Kind::True && p.level == PlantedLine::Level::Chapter;
            if (chapter && p.number == 9) nines.push_back(row);
            if (chapter && p.number == 6) afterGap = row;
            if (!(chapter && (p.number == 6 || p.number == 9)))
                QVERIFY2(!tip.contains(QStringLiteral("缺少")) && !tip.contains(QStringLiteral("重号")),
                         qPrintable(tip));
        }
        QVERIFY2(data(afterGap, Qt::ToolTipRole).toString().endsWith(QStringLiteral("\n此前缺少第5章")),
                 qPrintable(data(afterGap, Qt::ToolTipRole).toString()));
        QCOMPARE(nines.size(), std::size_t(2));
        for (std::size_t i = 0; i < 2; ++i) {
            const int row = nines[i], other = nines[1 - i];
            QCOMPARE(data(row, Qt::ForegroundRole).value<QColor>(), kRepeatColour);
            QVERIFY(kRepeatColour != kSuspectColour);
            const QString tip = data(row, Qt::ToolTipRole).toString();
            QVERIFY2(tip.endsWith(QStringLiteral("\n重号：与 [%1] 同为第9章").arg(other + 1)), qPrintable(tip));
        }
    }

    // A scan that finds nothing says what to try in the empty list; the status stays the scan's.
    void anEmptyResultHintsAtThePresets() {
        QVERIFY(w->chkDoEvents->text() == QStringLiteral("DoEvents") && !w->chkDoEvents->toolTip().isEmpty());
        const QImage blank = w->lstMemo->viewport()->grab().toImage();
        scan(numbered("none.txt", 0));
        QCOMPARE(status(), QStringLiteral("分析完毕！文件大小：0KB，共 0 行符合条件"));
        QVERIFY(w->lstMemo->emptyHint().contains(QStringLiteral("右键")));
        const QImage hinted = w->lstMemo->viewport()->grab().toImage();
        QVERIFY(hinted != blank); // drawn, not only kept
        const QString folder = qEnvironmentVariable("PW_SCREENSHOT_DIR", QDir::tempPath());
        QDir().mkpath(folder);
        QVERIFY(w->grab().save(folder + QStringLiteral("/empty-list-hint.png")));
        boxes.setNextAnswer(MsgAnswer::Ok);
        scan(*dir / "missing.txt"); // refused: the list and its hint stay
        QVERIFY(!w->lstMemo->emptyHint().isEmpty());
        scan(numbered("two.txt", 2));
        QVERIFY(w->lstMemo->emptyHint().isEmpty());
    }

    void listMenuSelectsTheSuspectsClearsAndPreviews() {
        scanFaulty();
        const QPoint at = w->lstMemo->visualRect(w->headings().index(0)).center();
        std::unique_ptr<QMenu> menu(buildMemoMenu(*w, at, w.get()));
        QAction* select = action(menu.get(), QStringLiteral("选中可疑标题"));
        QVERIFY(select && select->isEnabled() && action(menu.get(), QStringLiteral("预览本章…"))->isEnabled());
        QVERIFY(!action(menu.get(), QStringLiteral("清除选择"))->isEnabled()); // nothing selected yet

        // One entry chosen by hand stays chosen beside the suspects.
        w->lstMemo->selectionModel()->select(w->headings().index(0), QItemSelectionModel::Select);
        select->trigger();
        const std::vector<int> suspects = w->headings().suspectRows();
        QCOMPARE(w->lstMemo->selectionModel()->selectedRows().size(), qsizetype(suspects.size() + 1));
        for (int r : suspects)
            QVERIFY(w->lstMemo->selectionModel()->isRowSelected(r));
        QCOMPARE(status(), toQ(memoStatusText(w->state().lngFileSize, w->state().lngMatchCount,
                                              std::int64_t(suspects.size() + 1))));
        // Built again as a right click would: with a selection, clearing it is offered.
        menu.reset(buildMemoMenu(*w, at, w.get()));
        QAction* clear = action(menu.get(), QStringLiteral("清除选择"));
        QVERIFY(clear->isEnabled());
        clear->trigger();
        QVERIFY(!w->lstMemo->selectionModel()->hasSelection());

        // The first chapter's text from its heading on, in a box that does not block the window.
        action(menu.get(), QStringLiteral("预览本章…"))->trigger();
        auto* box = w->findChild<QDialog*>(QStringLiteral("dlgChapterPreview"));
        QVERIFY(box && box->isVisible() && !box->isModal());
        const auto* view = box->findChild<QPlainTextEdit*>();
        const PlantedLine first = novel.matching(U'章').front();
        QVERIFY2(view->toPlainText().startsWith(QString::fromStdString(first.text)), qPrintable(view->toPlainText()));
        QVERIFY(view->toPlainText().contains(QString::fromStdString(novel.lines[std::size_t(first.line)])));
        QVERIFY(view->isReadOnly());
        box->close();
    }

    void patternMenuKeepsTheStandardOnesAndAddsThePresets() {
        std::unique_ptr<QMenu> menu(buildPatternMenu(*w, w.get()));
        std::unique_ptr<QMenu> standard(w->txtFindStr->createStandardContextMenu());
        // The field's own entries first, unchanged, then the presets.
        QCOMPARE(texts(menu.get()).mid(0, standard->actions().size()), texts(standard.get()));
        QCOMPARE(menu->actions().size(), standard->actions().size() + 2);
        QMenu* presets = menu->actions().back()->menu();
        QVERIFY(presets);
        // 自动 and a separator before the presets.
        QCOMPARE(presets->actions().size(), qsizetype(patternPresets().size()) + 2);
        QCOMPARE(presets->actions().front()->text(), QStringLiteral("自动"));
        action(presets, QStringLiteral("第…回"))->trigger();
        QCOMPARE(w->txtFindStr->text(), toQ(findPreset("hui")->pattern));

        // 自动 on a novel with volume lines: the chapter rule in the field, said in a box, and
        // the volume rule chosen with it proposed by the book's dialog while the field holds it.
        writeNovel(*dir / "volumes.txt", {.seed = 7, .chapters = 30});
        w->txtFile->setText(q(*dir / "volumes.txt"));
        std::unique_ptr<QMenu> again(buildPatternMenu(*w, w.get()));
        QStringList box;
        answerNextBox(box, QMessageBox::Ok);
        action(again->actions().back()->menu(), QStringLiteral("自动"))->trigger();
        QVERIFY2(box.last().startsWith(QStringLiteral("自动选择「第…章」")), qPrintable(box.join(u'|')));
        QCOMPARE(w->txtFindStr->text(), toQ(w->chosenRule.pattern));
        QVERIFY(!w->chosenRule.volumePattern.empty());
        QVERIFY(QString(toQ(w->chosenRule.volumePattern)).contains(u'卷'));
    }

    void encodingMenusExtendWhatIsThere() {
        std::unique_ptr<QMenu> standard(w->txtFile->createStandardContextMenu());
        std::unique_ptr<QMenu> menu(w->txtFileMenu());
        const QStringList all = texts(menu.get());
        QCOMPARE(all.mid(0, texts(standard.get()).size()), texts(standard.get()));
        QCOMPARE(all.back(), QStringLiteral("编码"));
        QCOMPARE(choices(menu.get(), QStringLiteral("编码")),
                 std::pair(QStringLiteral("自动"), QStringList{QStringLiteral("自动"), QStringLiteral("GB18030"),
                                                               QStringLiteral("UTF-8"), QStringLiteral("UTF-16LE"),
                                                               QStringLiteral("UTF-16BE"), QStringLiteral("Big5")}));
        std::unique_ptr<QMenu> out(w->cmdSaveOutMenu());
        QCOMPARE(
            choices(out.get(), QStringLiteral("输出编码")),
            std::pair(QStringLiteral("保持原样"),
                      QStringList{QStringLiteral("保持原样"), QStringLiteral("UTF-8"), QStringLiteral("GB18030"),
                                  QStringLiteral("Big5"), QStringLiteral("UTF-16LE"), QStringLiteral("UTF-16BE")}));
        // A right click opens them for real.
        for (QWidget* target : {static_cast<QWidget*>(w->txtFile), static_cast<QWidget*>(w->cmdSaveOut)}) {
            QStringList seen;
            QTimer::singleShot(50, [&seen] {
                if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                    seen = texts(popup);
                    popup->close();
                }
            });
            emit target->customContextMenuRequested(QPoint(5, 5));
            QVERIFY2(seen.contains(QStringLiteral("编码")) || seen.contains(QStringLiteral("输出编码")),
                     qPrintable(seen.join(u'|')));
        }
    }

    void aChosenInputEncodingIsUsedKeptAndShown() {
        writeAll(*dir / "gbk.txt", "\xB5\xDA\xD2\xBB\xD5\xC2\r\nx\r\n"); // 第一章
        scanByButton(*dir / "gbk.txt");
        QCOMPARE(w->headings().rowCount(), 1);
        QCOMPARE(w->txtFile->toolTip(), QStringLiteral("编码：GB18030（自动识别）"));
        choose(std::unique_ptr<QMenu>(w->txtFileMenu()).get(), QStringLiteral("编码"), QStringLiteral("Big5"));
        QCOMPARE(choices(std::unique_ptr<QMenu>(w->txtFileMenu()).get(), QStringLiteral("编码")).first,
                 QStringLiteral("Big5"));
        QTest::mouseClick(w->cmdAnalyze, Qt::LeftButton);
        QCOMPARE(w->headings().rowCount(), 0); // read as Big5, no 第…章 is left
        QCOMPARE(w->txtFile->toolTip(), QStringLiteral("编码：Big5（手动指定）"));
        // The tooltip speaks of the analysed file only.
        w->txtFile->setText(q(*dir / "other.txt"));
        QCOMPARE(w->txtFile->toolTip(), QString());
    }

    void utf8OutputFromTheButtonsMenu() {
        // 第一章, a byte no GB18030 has, 第二章.
        writeAll(*dir / "gbk.txt", "\xB5\xDA\xD2\xBB\xD5\xC2\r\nx\xFFy\r\n\xB5\xDA\xB6\xFE\xD5\xC2\r\nz\r\n");
        scanByButton(*dir / "gbk.txt");
        w->txtNum->setText(QStringLiteral("1"));
        choose(std::unique_ptr<QMenu>(w->cmdSaveOutMenu()).get(), QStringLiteral("输出编码"), QStringLiteral("UTF-8"));
        boxes.clearShown();
        boxes.setNextAnswer(MsgAnswer::Ok);
        QTest::mouseClick(w->cmdSaveOut, Qt::LeftButton);
        QCOMPARE(status(), QStringLiteral("处理完毕，一共 2 个文件！"));
        QCOMPARE(boxes.shown().size(), std::size_t{1});
        QCOMPARE(boxes.shown()[0].id, MsgId::BytesReplaced);
        QCOMPARE(readAll(toPath(MakeOutName(w->state(), 1, false))), std::string("第一章\r\nx\uFFFDy\r\n"));
    }
};

PW_WINDOW_TEST_MAIN(TestAnalyze)

#include "tst_analyze.moc"
