// The window as it opens and as people know it: every control in its place with its caption,
// the fields filled from the shipped settings, the keys, the check box across its whole width,
// clicks in the list, names for assistive technology, and a picture of it all.
#include <QAccessible>
#include <QDir>
#include <QScrollBar>

#include "gui/window_test.h"

using namespace pw;
using namespace pwtest;

class TestStartup : public WindowTest {
    Q_OBJECT

    template <typename T> T* child(const char* name) {
        T* c = w->findChild<T*>(QString::fromLatin1(name));
        if (!c) qFatal("no control %s", name);
        return c;
    }
    // Clicks as a person does, through the window, so that Qt itself decides what a double
    // click is (from the time between the clicks), as it does with a real mouse.
    void clickAt(QWidget* target, QPoint pos, bool twiceQuickly = false) {
        QWindow* win = w->windowHandle();
        const QPoint at = win->mapFromGlobal(target->mapToGlobal(pos));
        twiceQuickly ? QTest::mouseDClick(win, Qt::LeftButton, {}, at) : QTest::mouseClick(win, Qt::LeftButton, {}, at);
    }
    void clickEntry(int row, bool twiceQuickly = false) {
        w->lstMemo->scrollTo(w->headings().index(row));
        clickAt(w->lstMemo->viewport(), w->lstMemo->visualRect(w->headings().index(row)).center(), twiceQuickly);
    }
    bool selected(int row) { return w->lstMemo->selectionModel()->isSelected(w->headings().index(row)); }
    void fillList(int n) {
        QStringList entries;
        for (int i = 1; i <= n; ++i)
            entries << QStringLiteral("[%1] 第%1章").arg(i);
        w->headings().append(entries);
    }

private slots:
    void init() { QVERIFY(open()); }
    void cleanup() { close(); }

    void frameAndFieldsAsTheyOpen() {
        QCOMPARE(w->windowTitle(), QStringLiteral("书页匠(Pagewright) v1.0415"));
        QCOMPARE(w->size(), QSize(345, 401));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
        const QList<QSize> sizes = w->windowIcon().availableSizes();
        for (int s : {16, 32, 48})
            QVERIFY2(sizes.contains(QSize(s, s)), "icon image missing");
        QVERIFY(!child<QLabel>("imgIcon")->pixmap().isNull());

        QCOMPARE(w->txtOut->text(), q(dir->path()) + QChar(kSeparator));
        QCOMPARE(w->txtFileOut->text(), QStringLiteral("小说01"));
        QCOMPARE(w->txtFindStr->text(), QStringLiteral("第(.){1,10}章"));
        QCOMPARE(w->txtNum->text(), QStringLiteral("6"));
        QVERIFY(w->chkDeleteSpc->isChecked() && !w->chkDoEvents->isChecked());
        QVERIFY(w->txtFile->text().isEmpty());
        for (const char* f : {"txtFile", "txtOut", "txtFileOut", "txtFindStr", "txtNum"})
            QCOMPARE(child<QLineEdit>(f)->palette().color(QPalette::Base), QColor(255, 255, 255));
        QCOMPARE(w->txtFile->palette().color(QPalette::Text), QColor(0x40, 0x40, 0x40));
        QVERIFY(w->txtFile->isReadOnly() && w->txtOut->isReadOnly() && !w->txtFileOut->isReadOnly());
        for (QPushButton* b : w->findChildren<QPushButton*>())
            QVERIFY2(b->isFlat(), qPrintable(b->objectName()));
        // No tooltip at start but the one that says in plain words what "DoEvents" does.
        for (QWidget* c : w->findChildren<QWidget*>())
            QVERIFY(c->isEnabled() && c->toolTip().isEmpty() == (c != w->chkDoEvents));
        QCOMPARE(w->chkDoEvents->text(), QStringLiteral("DoEvents"));
    }

    void controlsAtTheirPlacesWithTheirCaptions() {
        const std::pair<const char*, QRect> places[] = {
            {"cmdAbout", {280, 16, 53, 21}},   {"fraOption", {8, 56, 329, 123}},   {"txtFile", {72, 14, 223, 18}},
            {"cmdOpenIn", {303, 14, 18, 18}},  {"txtOut", {72, 33, 223, 18}},      {"cmdOpenOut", {303, 33, 18, 18}},
            {"txtFileOut", {72, 52, 121, 18}}, {"txtNum", {254, 52, 40, 18}},      {"txtFindStr", {72, 72, 249, 18}},
            {"chkDeleteSpc", {8, 94, 81, 17}}, {"chkDoEvents", {88, 94, 81, 17}},  {"cmdAnalyze", {209, 93, 53, 21}},
            {"cmdSaveOut", {268, 93, 53, 21}}, {"fraPreview", {8, 184, 329, 180}}, {"lstMemo", {8, 16, 313, 156}},
            {"fraState", {8, 364, 329, 29}},   {"imgIcon", {24, 8, 32, 32}},
        };
        for (const auto& [name, rect] : places)
            QCOMPARE(child<QWidget>(name)->geometry(), rect);
        // Labels size themselves to their captions; their top-left corner is fixed.
        QCOMPARE(child<QLabel>("lbl(0)")->pos(), QPoint(8, 18));
        QCOMPARE(child<QLabel>("lbl(5)")->pos(), QPoint(304, 56));
        QCOMPARE(child<QLabel>("lblState")->pos(), QPoint(8, 11));
        QCOMPARE(child<QWidget>("shpDone")->pos(), QPoint(2, 8));
        QCOMPARE(child<QWidget>("shpDone")->width(), 1);

        const std::pair<const char*, const char*> captions[] = {
            {"lbl(0)", "选择文件："},
            {"lbl(1)", "输出路径："},
            {"lbl(2)", "输出文件："},
            {"lbl(3)", "查找条件："},
            {"lbl(4)", "每个文件"},
            {"lbl(5)", "章"},
            {"lblState", "请打开文件..."},
            {"cmdAnalyze", "分析(&A)"},
            {"cmdSaveOut", "输出(&O)"},
            {"cmdAbout", "关于(&T)"},
            {"cmdOpenIn", "…"},
            {"fraOption", "选项(&P)："},
            {"fraPreview", "预览(&V)："},
            {"fraState", ""},
            {"lblTitle(0)", "小说书页匠"},
            {"lblTitle(2)", "小说书页匠"},
            {"lblTitle(1)", "Pagewright 开发组 出品"},
        };
        for (const auto& [name, text] : captions) {
            const QWidget* c = child<QWidget>(name);
            QCOMPARE(c->property(qobject_cast<const QGroupBox*>(c) ? "title" : "text").toString(),
                     QString::fromUtf8(text));
        }
        // The grey title over a white copy one pixel lower (20 twips) and beneath it.
        QLabel *t0 = child<QLabel>("lblTitle(0)"), *t2 = child<QLabel>("lblTitle(2)");
        QCOMPARE(t0->font().pointSizeF(), 15.75);
        QVERIFY(t0->font().bold());
        QCOMPARE(t0->palette().color(QPalette::WindowText), QColor(0x40, 0x40, 0x40));
        QCOMPARE(t2->palette().color(QPalette::WindowText), QColor(255, 255, 255));
        QCOMPARE(t2->y() - t0->y(), 1);
        QVERIFY(w->children().indexOf(t2) < w->children().indexOf(t0));
        QCOMPARE(child<QLabel>("lblTitle(1)")->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    }

    void keysTabEnterAndEscape() {
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w->txtFile));
        for (const char* name :
             {"cmdOpenIn", "txtOut", "cmdOpenOut", "txtFileOut", "txtNum", "txtFindStr", "chkDeleteSpc", "chkDoEvents",
              "cmdAnalyze", "cmdSaveOut", "lstMemo", "cmdAbout", "txtFile"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(name));
        }
        for (QLineEdit* f : {w->txtFileOut, w->txtNum, w->txtFindStr}) {
            boxes.setNextAnswer(MsgAnswer::Ok); // the empty txtFile is refused each time
            f->setFocus();
            QTest::keyClick(f, Qt::Key_Return);
        }
        QCOMPARE(boxes.shown().size(), std::size_t{3});
        QCOMPARE(boxes.shown().front().text, QStringLiteral("请重新选择文件！"));
        QCOMPARE(boxes.shown().front().style, MsgStyle::Refusal);
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QVERIFY(w->isVisible());
        QVERIFY(w->close()); // with no question
        QCOMPARE(boxes.shown().size(), std::size_t{3});
    }

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
        clickEntry(2, true); // on and off again
        QVERIFY(!selected(2));
        clickEntry(1);
        clickEntry(3, true);
        clickEntry(3);
        QVERIFY(selected(1) && selected(3) && !selected(2));
        // A third quick click after a double click is one more toggle.
        clickEntry(1, true);
        clickEntry(1);
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
            {w->txtFile, "选择文件"},       {w->txtOut, "输出路径"},     {w->txtFileOut, "输出文件"},
            {w->txtNum, "每个文件的章数"},  {w->txtFindStr, "查找条件"}, {w->lstMemo, "预览"},
            {w->lblState, "请打开文件..."}, {w->cmdOpenIn, "打开文件"},  {w->cmdOpenOut, "浏览文件夹"},
            {w->chkDeleteSpc, "删除空行"},  {w->cmdAnalyze, "分析(A)"},
        };
        for (const auto& [control, name] : expected) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control);
            QVERIFY(a);
            QCOMPARE(a->text(QAccessible::Name).remove(QLatin1Char('&')), QString::fromUtf8(name));
        }
        // Every control a person can reach with Tab has a name that tells it apart.
        QStringList names;
        for (QWidget* c : w->findChildren<QWidget*>()) {
            if (c->focusPolicy() == Qt::NoFocus || !c->isVisibleTo(w.get()) || c->parentWidget() == w->lstMemo ||
                qobject_cast<QScrollBar*>(c))
                continue;
            const QString n = QAccessible::queryAccessibleInterface(c)->text(QAccessible::Name);
            QVERIFY2(!n.isEmpty(), qPrintable(c->objectName()));
            QVERIFY2(!names.contains(n), qPrintable(n));
            names << n;
        }
    }

    // The status line is met as one: its role, and its message as its name, which follows each
    // new message. Where the platform has an accessibility bridge (not offscreen), the change is
    // also seen as an event.
    void statusLineIsNamedByItsMessage() {
        static QList<QObject*> renamed;
        renamed.clear();
        const QAccessible::UpdateHandler before = QAccessible::installUpdateHandler([](QAccessibleEvent* e) {
            if (e->type() == QAccessible::NameChanged) renamed << e->object();
        });
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w->lblState);
        QVERIFY(a);
        QCOMPARE(a->role(), QAccessible::StatusBar);
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("请打开文件..."));
        QCOMPARE(a->text(QAccessible::Description), QStringLiteral("状态"));
        w->ui().setStatus(u"文件大小：0KB，当前 3/4 行符合条件");
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("文件大小：0KB，当前 3/4 行符合条件"));
        if (QAccessible::isActive()) QVERIFY(renamed.contains(w->lblState));
        QAccessible::installUpdateHandler(before);
    }

    void savePicture() {
        const QString folder = qEnvironmentVariable("PW_SCREENSHOT_DIR", QDir::tempPath());
        QDir().mkpath(folder);
        w->headings().append({QStringLiteral("[1] 第一章　开端"), QStringLiteral("[2] 第二章　风起")});
        QTest::qWait(50);
        const QImage img = w->grab().toImage();
        QCOMPARE(img.size(), QSize(345, 401));
        QVERIFY(img.save(folder + QStringLiteral("/main-window.png")));
    }
};

PW_WINDOW_TEST_MAIN(TestStartup)

#include "tst_startup.moc"
