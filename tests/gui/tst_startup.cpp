// The window as it opens: every control in its place with its caption, the fields filled
// from the shipped settings, the look, the keys, and a picture of it all.
#include <QDir>

#include "gui/window_test.h"

using namespace pw;

class TestStartup : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<frmPagewright> w;
    pwtest::BoxLog boxes;
    template <typename T> T* child(const char* name) {
        T* c = w->findChild<T*>(QString::fromLatin1(name));
        if (!c) qFatal("no control %s", name);
        return c;
    }

private slots:
    void init() {
        w = std::make_unique<frmPagewright>(QStringLiteral("/opt/pw"));
        boxes.attach(w->ui());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void cleanup() { w.reset(); }

    void windowFrame() {
        QCOMPARE(w->windowTitle(), QStringLiteral("书页匠(Pagewright) v1.0415"));
        QCOMPARE(w->size(), QSize(345, 401));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
        const QList<QSize> sizes = w->windowIcon().availableSizes();
        for (int s : {16, 32, 48}) QVERIFY2(sizes.contains(QSize(s, s)), "icon image missing");
        QVERIFY(!child<QLabel>("imgIcon")->pixmap().isNull());
        QCOMPARE(child<QLabel>("imgIcon")->geometry(), QRect(24, 8, 32, 32));
    }

    void controlsAsTheyOpen() {
        QCOMPARE(w->txtOut->text(), QStringLiteral("/opt/pw") + QChar(kSeparator));
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
        for (QWidget* c : w->findChildren<QWidget*>())
            QVERIFY(c->isEnabled() && c->toolTip().isEmpty());
    }

    void controlsAtTheirPlaces() {
        struct Expect {
            const char* name;
            QRect rect;
        };
        const Expect expected[] = {
            {"cmdAbout", {280, 16, 53, 21}},    {"fraOption", {8, 56, 329, 123}},    {"txtFile", {72, 14, 223, 18}},
            {"cmdOpenIn", {303, 14, 18, 18}},   {"txtOut", {72, 33, 223, 18}},       {"cmdOpenOut", {303, 33, 18, 18}},
            {"txtFileOut", {72, 52, 121, 18}},  {"txtNum", {254, 52, 40, 18}},       {"txtFindStr", {72, 72, 249, 18}},
            {"chkDeleteSpc", {8, 94, 81, 17}},  {"chkDoEvents", {88, 94, 81, 17}},   {"cmdAnalyze", {209, 93, 53, 21}},
            {"cmdSaveOut", {268, 93, 53, 21}},  {"fraPreview", {8, 184, 329, 180}},  {"lstMemo", {8, 16, 313, 156}},
            {"fraState", {8, 364, 329, 29}},
        };
        for (const Expect& e : expected) QCOMPARE(child<QWidget>(e.name)->geometry(), e.rect);
        // Labels size themselves to their captions; their top-left corner is fixed.
        QCOMPARE(child<QLabel>("lbl(0)")->pos(), QPoint(8, 18));
        QCOMPARE(child<QLabel>("lbl(5)")->pos(), QPoint(304, 56));
        QCOMPARE(child<QLabel>("lblState")->pos(), QPoint(8, 11));
        QCOMPARE(child<QWidget>("shpDone")->pos(), QPoint(2, 8));
        QCOMPARE(child<QWidget>("shpDone")->width(), 1);
    }

    void captionsAndTitles() {
        const std::pair<const char*, const char*> captions[] = {
            {"lbl(0)", "选择文件："},      {"lbl(1)", "输出路径："},   {"lbl(2)", "输出文件："},
            {"lbl(3)", "查找条件："},      {"lbl(4)", "每个文件"},     {"lbl(5)", "章"},
            {"lblState", "请打开文件..."}, {"cmdAnalyze", "分析(&A)"}, {"cmdSaveOut", "输出(&O)"},
            {"cmdAbout", "关于(&T)"},      {"cmdOpenIn", "…"},         {"fraOption", "选项(&P)："},
            {"fraPreview", "预览(&V)："},  {"fraState", ""},           {"lblTitle(0)", "小说书页匠"},
            {"lblTitle(2)", "小说书页匠"},
        };
        for (const auto& [name, text] : captions) {
            const QWidget* c = child<QWidget>(name);
            QCOMPARE(c->property(qobject_cast<const QGroupBox*>(c) ? "title" : "text").toString(),
                     QString::fromUtf8(text));
        }
        // The grey title over a white copy one pixel lower (20 twips) and beneath it.
        QLabel* t0 = child<QLabel>("lblTitle(0)");
        QLabel* t2 = child<QLabel>("lblTitle(2)");
        QCOMPARE(t0->font().pointSizeF(), 15.75);
        QVERIFY(t0->font().bold());
        QCOMPARE(t0->palette().color(QPalette::WindowText), QColor(0x40, 0x40, 0x40));
        QCOMPARE(t2->palette().color(QPalette::WindowText), QColor(255, 255, 255));
        QCOMPARE(t2->y() - t0->y(), 1);
        QVERIFY(w->children().indexOf(t2) < w->children().indexOf(t0));
        QLabel* t1 = child<QLabel>("lblTitle(1)");
        QCOMPARE(t1->text(), QStringLiteral("Pagewright 开发组 出品"));
        QCOMPARE(t1->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    }

    void focusStartsInTxtFileAndTabsInOrder() {
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w->txtFile));
        const char* order[] = {"cmdOpenIn",  "txtOut",       "cmdOpenOut",  "txtFileOut", "txtNum",
                               "txtFindStr", "chkDeleteSpc", "chkDoEvents", "cmdAnalyze", "cmdSaveOut",
                               "lstMemo",    "cmdAbout",     "txtFile"};
        for (const char* name : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(name));
        }
    }

    void enterPressesAnalyzeAndEscapeDoesNotClose() {
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

    void savePicture() {
        const QString dir = qEnvironmentVariable("PW_SCREENSHOT_DIR", QDir::tempPath());
        QDir().mkpath(dir);
        w->headings().append({QStringLiteral("[1] 第一章　开端"), QStringLiteral("[2] 第二章　风起")});
        QTest::qWait(50);
        const QImage img = w->grab().toImage();
        QCOMPARE(img.size(), QSize(345, 401));
        QVERIFY(img.save(dir + QStringLiteral("/main-window.png")));
    }
};

PW_WINDOW_TEST_MAIN(TestStartup)

#include "tst_startup.moc"
