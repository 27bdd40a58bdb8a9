// The window as it opens: every control in its place with its caption, the fields filled
// from the shipped settings, the look, the focus order, and a picture of it all.
#include <QApplication>
#include <QDir>
#include <QStyleFactory>
#include <QtTest>

#include "app/frm_pagewright.h"
#include "platform/paths.h"

using namespace pw;

class TestStartup : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<frmPagewright> w;
    template <typename T> T* child(const char* name) {
        T* c = w->findChild<T*>(QString::fromLatin1(name));
        if (!c) qFatal("no control %s", name);
        return c;
    }
    QColor base(const char* name) { return child<QLineEdit>(name)->palette().color(QPalette::Base); }

private slots:
    void init() {
        w = std::make_unique<frmPagewright>(QStringLiteral("/opt/pw"));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void cleanup() { w.reset(); }

    void windowFrame() {
        QCOMPARE(w->windowTitle(), QStringLiteral("书页匠(Pagewright) v1.0415"));
        QCOMPARE(w->size(), QSize(345, 401));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!w->windowIcon().isNull());
        const QList<QSize> sizes = w->windowIcon().availableSizes();
        for (int s : {16, 32, 48}) QVERIFY2(sizes.contains(QSize(s, s)), "icon image missing");
        QVERIFY(!child<QLabel>("imgIcon")->pixmap().isNull());
        QCOMPARE(child<QLabel>("imgIcon")->geometry(), QRect(24, 8, 32, 32));
    }

    void fieldsShowTheShippedSettings() {
        QCOMPARE(w->txtOut->text(), QStringLiteral("/opt/pw") + QChar(kSeparator));
        QCOMPARE(w->txtFileOut->text(), QStringLiteral("小说01"));
        QCOMPARE(w->txtFindStr->text(), QStringLiteral("第(.){1,10}章"));
        QCOMPARE(w->txtNum->text(), QStringLiteral("6"));
        QVERIFY(w->chkDeleteSpc->isChecked());
        QVERIFY(!w->chkDoEvents->isChecked());
        QVERIFY(w->txtFile->text().isEmpty());
        QCOMPARE(w->headings().rowCount(), 0);
        QCOMPARE(child<QLabel>("lblState")->text(), QStringLiteral("请打开文件..."));
        for (const char* f : {"txtFile", "txtOut", "txtFileOut", "txtFindStr", "txtNum"})
            QCOMPARE(base(f), QColor(255, 255, 255));
        QCOMPARE(child<QLineEdit>("txtFile")->palette().color(QPalette::Text), QColor(0x40, 0x40, 0x40));
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
        QCOMPARE(child<QLabel>("lbl(0)")->text(), QStringLiteral("选择文件："));
        QCOMPARE(child<QLabel>("lbl(1)")->text(), QStringLiteral("输出路径："));
        QCOMPARE(child<QLabel>("lbl(2)")->text(), QStringLiteral("输出文件："));
        QCOMPARE(child<QLabel>("lbl(3)")->text(), QStringLiteral("查找条件："));
        QCOMPARE(child<QLabel>("lbl(4)")->text(), QStringLiteral("每个文件"));
        QCOMPARE(child<QLabel>("lbl(5)")->text(), QStringLiteral("章"));
        QCOMPARE(child<QPushButton>("cmdAnalyze")->text(), QStringLiteral("分析(&A)"));
        QCOMPARE(child<QPushButton>("cmdSaveOut")->text(), QStringLiteral("输出(&O)"));
        QCOMPARE(child<QPushButton>("cmdAbout")->text(), QStringLiteral("关于(&T)"));
        QCOMPARE(child<QPushButton>("cmdOpenIn")->text(), QString(QChar(0x2026)));
        QCOMPARE(child<QGroupBox>("fraOption")->title(), QStringLiteral("选项(&P)："));
        QCOMPARE(child<QGroupBox>("fraPreview")->title(), QStringLiteral("预览(&V)："));
        QVERIFY(child<QGroupBox>("fraState")->title().isEmpty());

        QLabel* t0 = child<QLabel>("lblTitle(0)");
        QLabel* t2 = child<QLabel>("lblTitle(2)");
        QCOMPARE(t0->text(), QStringLiteral("小说书页匠"));
        QCOMPARE(t2->text(), t0->text());
        QCOMPARE(t0->font().pointSizeF(), 15.75);
        QVERIFY(t0->font().bold());
        QCOMPARE(t0->palette().color(QPalette::WindowText), QColor(0x40, 0x40, 0x40));
        QCOMPARE(t2->palette().color(QPalette::WindowText), QColor(255, 255, 255));
        QCOMPARE(t2->y() - t0->y(), 1); // 20 twips lower, rounded to whole pixels
        QVERIFY(w->children().indexOf(t2) < w->children().indexOf(t0)); // beneath
        QCOMPARE(child<QLabel>("lblTitle(1)")->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        QVERIFY(!child<QLabel>("lblTitle(1)")->text().isEmpty());
    }

    void buttonsAreFlatAndAnalyzeIsDefault() {
        for (QPushButton* b : w->findChildren<QPushButton*>()) QVERIFY2(b->isFlat(), qPrintable(b->objectName()));
        QCOMPARE(w->findChildren<QPushButton*>().size(), 5);
        QVERIFY(w->cmdAnalyze->isDefault());
        QVERIFY(w->txtFile->isReadOnly());
        QVERIFY(w->txtOut->isReadOnly());
        QVERIFY(!w->txtFileOut->isReadOnly());
        for (QWidget* c : w->findChildren<QWidget*>()) {
            QVERIFY(c->isEnabled());
            QVERIFY(c->toolTip().isEmpty());
        }
    }

    void readOnlyFieldsIgnoreTypingButCanBeSelected() {
        w->txtOut->setFocus();
        const QString before = w->txtOut->text();
        QTest::keyClicks(w->txtOut, QStringLiteral("abc"));
        QCOMPARE(w->txtOut->text(), before);
        w->txtOut->selectAll();
        QCOMPARE(w->txtOut->selectedText(), before);
    }

    void focusStartsInTxtFileAndTabsInOrder() {
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w->txtFile));
        const char* order[] = {"cmdOpenIn",   "txtOut",     "cmdOpenOut", "txtFileOut", "txtNum",   "txtFindStr",
                               "chkDeleteSpc", "chkDoEvents", "cmdAnalyze", "cmdSaveOut", "lstMemo", "cmdAbout",
                               "txtFile"};
        for (const char* name : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(name));
        }
    }

    void enterInATextFieldPressesAnalyze() {
        int clicks = 0;
        connect(w->cmdAnalyze, &QPushButton::clicked, this, [&] { ++clicks; });
        for (QLineEdit* f : {w->txtFileOut, w->txtNum, w->txtFindStr}) {
            w->ui().setNextAnswer(MsgAnswer::Ok); // the empty txtFile is refused each time
            f->setFocus();
            QTest::keyClick(f, Qt::Key_Return);
        }
        QCOMPARE(clicks, 3);
        QCOMPARE(w->ui().shown().size(), std::size_t{3});
        QCOMPARE(w->ui().shown().front().text, QStringLiteral("请重新选择文件！"));
    }

    void listClickTogglesOneEntry() {
        w->headings().append({QStringLiteral("[1] 第一章"), QStringLiteral("[2] 第二章"), QStringLiteral("[3] 第三章")});
        QListView* l = w->lstMemo;
        const auto clickRow = [&](int row) {
            const QRect r = l->visualRect(w->headings().index(row));
            QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, r.center());
        };
        const auto selected = [&](int row) { return l->selectionModel()->isSelected(w->headings().index(row)); };
        clickRow(0);
        QVERIFY(selected(0));
        clickRow(2);
        QVERIFY(selected(0) && selected(2) && !selected(1));
        clickRow(0);
        QVERIFY(!selected(0) && selected(2));
    }

    void escapeDoesNotCloseAndCloseNeedsNoQuestion() {
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QVERIFY(w->isVisible());
        QVERIFY(w->close());
        QVERIFY(w->ui().shown().empty());
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

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    TestStartup t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_startup.moc"
