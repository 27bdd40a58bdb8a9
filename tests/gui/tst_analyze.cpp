// The scan in the window: the list entries, the sideways scroll range, the status and the
// tooltip, kept by a refused scan; all five buttons refused while a large scan runs.
#include <QFontMetricsF>
#include <cmath>

#include "gui/window_test.h"

using namespace pw;
using namespace pwtest;

class TestAnalyze : public WindowTest {
    Q_OBJECT

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
        QCOMPARE(w->headings().data(w->headings().index(0), Qt::SizeHintRole).toSize().width(), w->headings().extent());

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
};

PW_WINDOW_TEST_MAIN(TestAnalyze)

#include "tst_analyze.moc"
