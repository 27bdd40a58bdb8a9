// How quickly the review of a scan answers on a long novel: the dialog opened (matters built,
// the table filled and drawn), a jump to a row's entry and a toggle of it, each drawn before
// the clock stops. Runs without a screen (offscreen) unless QT_QPA_PLATFORM says otherwise.
//
//   pw-review-bench [chapters]      (default 10000)
#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/frm_pagewright.h"
#include "app/review_dialog.h"
#include "platform/paths.h"
#include "support/corpus.h"
#include "support/novel.h"

using namespace pw;

namespace {

struct Times {
    std::vector<double> ms;
    void add(const QElapsedTimer& t) { ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6); }
    void print(const char* what, double budget) {
        std::sort(ms.begin(), ms.end());
        const double median = ms[ms.size() / 2], worst = ms.back();
        std::printf("%-8s median %7.2f ms, worst %7.2f ms over %zu (aim: under %.0f ms) %s\n", what, median, worst,
                    ms.size(), budget, worst <= budget ? "ok" : "SLOW");
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int chapters = argc > 1 ? std::atoi(argv[1]) : 10000;

    pwtest::ScratchDir dir;
    const std::filesystem::path file = dir.path() / "novel.txt";
    // Many matters: false headings in the text, lost and doubled chapters, a table of contents.
    std::vector<int> skipped, doubled;
    for (int n = 50; n < chapters; n += 97)
        skipped.push_back(n);
    for (int n = 77; n < chapters; n += 131)
        doubled.push_back(n);
    pwtest::writeNovel(file, {.encoding = pwtest::NovelEncoding::Utf8,
                              .chapters = chapters,
                              .skipChapters = skipped,
                              .repeatChapters = doubled,
                              .paragraphs = 3,
                              .contentsAtStart = true});

    frmPagewright w(toQ(fromPath(dir.path())));
    w.show();
    w.state().strInFile = fromPath(file);
    w.state().strFindStr = u"第(.){1,10}章";
    w.state().blnDoEvents = false;
    w.analyzeCheckedOptions();
    std::printf("%d chapters: %d entries in the list\n", chapters, w.headings().rowCount());

    Times open, jump, toggle;
    for (int run = 0; run < 5; ++run) {
        if (auto* old = w.findChild<ReviewDialog*>(QStringLiteral("dlgReview"))) delete old;
        QElapsedTimer t;
        t.start();
        ReviewDialog* d = openReview(w);
        QApplication::processEvents();
        d->repaint();
        open.add(t);
        if (run == 0) std::printf("%zu matters\n", d->matters().matters.size());
    }
    ReviewDialog* d = w.findChild<ReviewDialog*>(QStringLiteral("dlgReview"));
    const int rows = d->tblMatters->model()->rowCount();
    for (int i = 0; i < 200; ++i) {
        const int row = static_cast<int>((static_cast<long long>(i) * 7919) % rows);
        QElapsedTimer t;
        t.start();
        d->tblMatters->setCurrentIndex(d->tblMatters->model()->index(row, 0));
        w.lstMemo->repaint();
        d->tblMatters->repaint();
        jump.add(t);
        t.start();
        d->toggle(row);
        w.lstMemo->repaint();
        w.lblState->repaint();
        d->tblMatters->repaint();
        toggle.add(t);
    }
    open.print("open", 200);
    jump.print("jump", 50);
    toggle.print("toggle", 50);
    return 0;
}
