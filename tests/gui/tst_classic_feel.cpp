// The controls behave as people know them: the check box toggles across its whole width,
// every click in the list toggles its entry (quick ones too), Home and End always bring the
// ends of the list into view, and assistive technology finds each control by its name.
#include <QAccessible>
#include <QScrollBar>

#include "gui/window_test.h"

using namespace pw;
using namespace pwtest;

class TestClassicFeel : public WindowTest {
    Q_OBJECT

    // Clicks as a person does, through the window, so that Qt itself decides what a double
    // click is (from the time between the clicks), as it does with a real mouse.
    void clickAt(QWidget* target, QPoint pos, bool twiceQuickly = false) {
        QWindow* win = w->windowHandle();
        const QPoint at = win->mapFromGlobal(target->mapToGlobal(pos));
        if (twiceQuickly)
            QTest::mouseDClick(win, Qt::LeftButton, {}, at);
        else
            QTest::mouseClick(win, Qt::LeftButton, {}, at);
    }
    QPoint entryCentre(int row) {
        w->lstMemo->scrollTo(w->headings().index(row));
        return w->lstMemo->visualRect(w->headings().index(row)).center();
    }
    bool selected(int row) { return w->lstMemo->selectionModel()->isSelected(w->headings().index(row)); }
    void fillList(int n) {
        QStringList entries;
        for (int i = 1; i <= n; ++i) entries << QStringLiteral("[%1] 第%1章").arg(i);
        w->headings().append(entries);
    }

private slots:
    void init() { QVERIFY(open()); }
    void cleanup() { close(); }

    void checkBoxTogglesAcrossItsWholeWidth() {
        QCheckBox* box = w->chkDeleteSpc;
        QCOMPARE(box->size(), QSize(81, 17));
        QVERIFY(box->isChecked());
        // Right of the caption's drawn text, still inside the box's own rectangle.
        clickAt(box, QPoint(box->width() - 3, box->height() / 2));
        QVERIFY(!box->isChecked());
        clickAt(box, QPoint(box->width() - 3, box->height() - 2));
        QVERIFY(box->isChecked());
        // Its neighbour starts where it ends; a click there is the neighbour's.
        clickAt(w->chkDoEvents, QPoint(w->chkDoEvents->width() - 3, 8));
        QVERIFY(box->isChecked() && w->chkDoEvents->isChecked());
    }

    void everyClickInTheListToggles() {
        fillList(5);
        clickAt(w->lstMemo->viewport(), entryCentre(2), true); // on and off again
        QVERIFY(!selected(2));
        clickAt(w->lstMemo->viewport(), entryCentre(1));
        clickAt(w->lstMemo->viewport(), entryCentre(3), true);
        clickAt(w->lstMemo->viewport(), entryCentre(3));
        QVERIFY(selected(1) && selected(3) && !selected(2));
        // A third quick click after a double click is one more toggle.
        clickAt(w->lstMemo->viewport(), entryCentre(1), true);
        clickAt(w->lstMemo->viewport(), entryCentre(1));
        QVERIFY(!selected(1));
    }

    void homeAndEndAlwaysScrollToTheEnds() {
        fillList(500);
        QListView* list = w->lstMemo;
        list->setFocus();
        QScrollBar* bar = list->verticalScrollBar();
        // The current entry is the first; the view has been scrolled away from it.
        list->selectionModel()->setCurrentIndex(w->headings().index(0), QItemSelectionModel::NoUpdate);
        bar->setValue(bar->maximum() / 2);
        QTest::keyClick(list, Qt::Key_Home);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(list->currentIndex().row(), 0);
        list->selectionModel()->setCurrentIndex(w->headings().index(499), QItemSelectionModel::NoUpdate);
        bar->setValue(bar->maximum() / 3);
        QTest::keyClick(list, Qt::Key_End);
        QCOMPARE(bar->value(), bar->maximum());
        QCOMPARE(list->currentIndex().row(), 499);
        // Moving there from elsewhere still works, and selects nothing.
        QTest::keyClick(list, Qt::Key_Home);
        QCOMPARE(list->currentIndex().row(), 0);
        QCOMPARE(bar->value(), 0);
        QVERIFY(list->selectionModel()->selectedIndexes().isEmpty());
        // An empty list takes the keys without harm.
        w->headings().clear();
        QTest::keyClick(list, Qt::Key_End);
        QTest::keyClick(list, Qt::Key_Home);
    }

    void assistiveTechnologyFindsEachControlByName() {
        const std::pair<QWidget*, const char*> expected[] = {
            {w->txtFile, "选择文件"},     {w->txtOut, "输出路径"},     {w->txtFileOut, "输出文件"},
            {w->txtNum, "每个文件的章数"}, {w->txtFindStr, "查找条件"},   {w->lstMemo, "预览"},
            {w->lblState, "状态"},         {w->cmdOpenIn, "打开文件"},   {w->cmdOpenOut, "浏览文件夹"},
            {w->chkDeleteSpc, "删除空行"}, {w->cmdAnalyze, "分析(A)"},
        };
        for (const auto& [control, name] : expected) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control);
            QVERIFY(a);
            QCOMPARE(a->text(QAccessible::Name).remove(QLatin1Char('&')), QString::fromUtf8(name));
        }
        // Every control a person can reach with Tab has a name that tells it apart.
        QStringList names;
        for (QWidget* c : w->findChildren<QWidget*>()) {
            if (c->focusPolicy() == Qt::NoFocus || !c->isVisibleTo(w.get()) || c->parentWidget() == w->lstMemo)
                continue;
            if (qobject_cast<QScrollBar*>(c)) continue;
            const QString n = QAccessible::queryAccessibleInterface(c)->text(QAccessible::Name);
            QVERIFY2(!n.isEmpty(), qPrintable(c->objectName()));
            QVERIFY2(!names.contains(n), qPrintable(n));
            names << n;
        }
    }
};

PW_WINDOW_TEST_MAIN(TestClassicFeel)

#include "tst_classic_feel.moc"
