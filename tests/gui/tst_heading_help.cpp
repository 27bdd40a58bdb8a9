// The help with false headings in the window: suspects in their colour with their reasons,
// gaps and repeats in the list's tooltip, the list's right-click menu (select the suspects,
// clear, look inside a chapter) and the presets under the pattern field's own menu.
#include <QPlainTextEdit>

#include "app/list_menus.h"
#include "gui/window_test.h"
#include "options/feedback.h"
#include "scan/presets.h"
#include "support/novel.h"

using namespace pw;
using namespace pwtest;

class TestHeadingHelp : public WindowTest {
    Q_OBJECT

    Novel novel;

    void scanFaulty() {
        novel = writeNovel(*dir / "faulty.txt",
                           {.seed = 41, .chapters = 24, .skipChapters = {5}, .repeatChapters = {9}});
        w->state().strInFile = fromPath(*dir / "faulty.txt");
        w->state().strFindStr = u"第(.){1,10}章";
        w->analyzeCheckedOptions();
    }
    QVariant data(int row, int role) const { return w->headings().data(w->headings().index(row), role); }
    static QAction* action(QMenu* m, const QString& text) {
        for (QAction* a : m->actions())
            if (a->text() == text) return a;
        return nullptr;
    }

private slots:
    void init() { QVERIFY(open()); }
    void cleanup() { close(); }

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
                QVERIFY2(tip.startsWith(QStringLiteral("可疑：")), qPrintable(tip));
            } else {
                QVERIFY(!data(row, Qt::ForegroundRole).isValid()); // the list's own colour
                QVERIFY2(tip.contains(QStringLiteral("章节号：第%1章").arg(*p.number)), qPrintable(tip));
            }
        }
        QVERIFY(suspects > 0);
        const QString listTip = w->lstMemo->toolTip();
        QVERIFY(listTip.startsWith(q(*dir / "faulty.txt") + QLatin1Char('\n')));
        QVERIFY2(listTip.contains(QStringLiteral("第4章之后缺少第5章")), qPrintable(listTip));
        QVERIFY2(listTip.contains(QStringLiteral("重号：第9章出现 2 次")), qPrintable(listTip));
    }

    void menuSelectsTheSuspectsClearsAndPreviews() {
        scanFaulty();
        const QPoint at = w->lstMemo->visualRect(w->headings().index(0)).center();
        std::unique_ptr<QMenu> menu(buildMemoMenu(*w, at, w.get()));
        QAction* select = action(menu.get(), QStringLiteral("选中可疑标题"));
        QAction* clear = action(menu.get(), QStringLiteral("清除选择"));
        QAction* preview = action(menu.get(), QStringLiteral("预览本章…"));
        QVERIFY(select && clear && preview);
        QVERIFY(select->isEnabled() && preview->isEnabled());
        QVERIFY(!clear->isEnabled()); // nothing selected yet

        // One entry chosen by hand stays chosen beside the suspects.
        w->lstMemo->selectionModel()->select(w->headings().index(0), QItemSelectionModel::Select);
        select->trigger();
        const std::vector<int> suspects = w->headings().suspectRows();
        QModelIndexList rows = w->lstMemo->selectionModel()->selectedRows();
        QCOMPARE(rows.size(), qsizetype(suspects.size() + 1));
        for (int r : suspects)
            QVERIFY(w->lstMemo->selectionModel()->isRowSelected(r));
        QCOMPARE(status(), toQ(memoStatusText(w->state().lngFileSize, w->state().lngMatchCount,
                                              std::int64_t(suspects.size() + 1))));
        // Built again as a right click would: with a selection, clearing it is offered.
        menu.reset(buildMemoMenu(*w, at, w.get()));
        clear = action(menu.get(), QStringLiteral("清除选择"));
        preview = action(menu.get(), QStringLiteral("预览本章…"));
        QVERIFY(clear->isEnabled());
        clear->trigger();
        QVERIFY(!w->lstMemo->selectionModel()->hasSelection());

        // The first chapter's text from its heading on, in a box that does not block the window.
        preview->trigger();
        auto* box = w->findChild<QDialog*>(QStringLiteral("dlgChapterPreview"));
        QVERIFY(box && box->isVisible() && !box->isModal());
        const QString text = box->findChild<QPlainTextEdit*>()->toPlainText();
        const std::string first = novel.matching(U'章').front().text;
        QVERIFY2(text.startsWith(QString::fromStdString(first)), qPrintable(text.left(80)));
        QVERIFY(text.contains(QString::fromStdString(novel.lines[std::size_t(novel.matching(U'章').front().line)])));
        QVERIFY(box->findChild<QPlainTextEdit*>()->isReadOnly());
        box->close();

        // Below the last entry there is no chapter to look at.
        std::unique_ptr<QMenu> below(buildMemoMenu(*w, QPoint(5, w->lstMemo->viewport()->height() - 2), w.get()));
        if (w->lstMemo->indexAt(QPoint(5, w->lstMemo->viewport()->height() - 2)).row() < 0)
            QVERIFY(!action(below.get(), QStringLiteral("预览本章…"))->isEnabled());
    }

    void patternMenuKeepsTheStandardOnesAndAddsThePresets() {
        std::unique_ptr<QMenu> menu(buildPatternMenu(*w, w.get()));
        std::unique_ptr<QMenu> standard(w->txtFindStr->createStandardContextMenu());
        const QList<QAction*> all = menu->actions();
        // The field's own entries first, unchanged, then the presets.
        QCOMPARE(all.size(), standard->actions().size() + 2);
        for (qsizetype i = 0; i < standard->actions().size(); ++i)
            QCOMPARE(all[i]->text(), standard->actions()[i]->text());
        QMenu* presets = all.back()->menu();
        QVERIFY(presets);
        QCOMPARE(presets->actions().size(), qsizetype(patternPresets().size()));
        action(presets, QStringLiteral("第…回"))->trigger();
        QCOMPARE(w->txtFindStr->text(), toQ(findPreset("hui")->pattern));
    }
};

PW_WINDOW_TEST_MAIN(TestHeadingHelp)

#include "tst_heading_help.moc"
