// The encoding menus of the window: txtFile's standard menu with 编码 added, cmdSaveOut's
// 输出编码; a choice lasts and reaches the passes, and the tooltip tells what the scan used.
#include <QMenu>

#include "gui/window_test.h"
#include "options/make_out_name.h"

using namespace pw;
using namespace pwtest;

namespace {

QStringList texts(const QMenu* menu) {
    QStringList all;
    for (const QAction* a : menu->actions())
        all << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return all;
}

// The ticked item of the submenu titled `title`, and every item of it.
std::pair<QString, QStringList> choices(const QMenu* menu, const QString& title) {
    for (const QAction* a : menu->actions()) {
        if (!a->menu() || a->text() != title) continue;
        QString ticked;
        for (const QAction* item : a->menu()->actions())
            if (item->isChecked()) ticked += item->text();
        return {ticked, texts(a->menu())};
    }
    return {};
}

void choose(QMenu* menu, const QString& title, const QString& item) {
    for (QAction* a : menu->actions())
        if (a->menu() && a->text() == title)
            for (QAction* i : a->menu()->actions())
                if (i->text() == item) i->trigger();
}

} // namespace

class TestEncodings : public WindowTest {
    Q_OBJECT

    void scan(const std::filesystem::path& file) {
        w->txtFile->setText(q(file));
        w->txtOut->setText(q(dir->path()));
        QTest::mouseClick(w->cmdAnalyze, Qt::LeftButton);
    }

private slots:
    void init() { QVERIFY(open()); }
    void cleanup() { close(); }

    void menusExtendWhatIsThere() {
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
        QCOMPARE(choices(out.get(), QStringLiteral("输出编码")),
                 std::pair(QStringLiteral("保持原样"), QStringList{QStringLiteral("保持原样"), QStringLiteral("UTF-8")}));
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

    void aChosenEncodingIsUsedKeptAndShown() {
        writeAll(*dir / "gbk.txt", "\xB5\xDA\xD2\xBB\xD5\xC2\r\nx\r\n"); // 第一章
        scan(*dir / "gbk.txt");
        QCOMPARE(w->headings().rowCount(), 1);
        QCOMPARE(w->txtFile->toolTip(), QStringLiteral("编码：GB18030（自动识别）"));

        {
            std::unique_ptr<QMenu> menu(w->txtFileMenu());
            choose(menu.get(), QStringLiteral("编码"), QStringLiteral("Big5"));
        }
        std::unique_ptr<QMenu> again(w->txtFileMenu());
        QCOMPARE(choices(again.get(), QStringLiteral("编码")).first, QStringLiteral("Big5"));
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
        scan(*dir / "gbk.txt");
        w->txtNum->setText(QStringLiteral("1"));
        {
            std::unique_ptr<QMenu> menu(w->cmdSaveOutMenu());
            choose(menu.get(), QStringLiteral("输出编码"), QStringLiteral("UTF-8"));
        }
        boxes.clearShown();
        boxes.setNextAnswer(MsgAnswer::Ok);
        QTest::mouseClick(w->cmdSaveOut, Qt::LeftButton);
        QCOMPARE(status(), QStringLiteral("处理完毕，一共 2 个文件！"));
        QCOMPARE(boxes.shown().size(), std::size_t{1});
        QCOMPARE(boxes.shown()[0].id, MsgId::BytesReplaced);
        QCOMPARE(readAll(toPath(MakeOutName(w->state(), 1, false))), std::string("第一章\r\nx\uFFFDy\r\n"));
    }
};

PW_WINDOW_TEST_MAIN(TestEncodings)

#include "tst_encodings.moc"
