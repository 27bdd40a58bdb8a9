#pragma once
// The review of a scan: every matter the heading analysis found (suspect lines, the book's
// own tables of contents, gaps, repeats and restarts of the numbering) in one table, in the
// file's order. A row leads to its entry in lstMemo; Space leaves the entry out or takes it
// back, as a click on it in the list would; Enter shows the chapter. It does not block the
// window, and follows it: a new scan fills it anew, a click in the list shows in it.
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <QTableView>

#include "scan/review_matters.h"

namespace pw {

class frmPagewright;
class MatterTable;

class ReviewDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReviewDialog(frmPagewright& w);

    // The matters of the window's analysis as it is now; the filter stays.
    void refresh();
    const ReviewMatters& matters() const;
    // The matter shown in table row `row` (under the filter); null past the end.
    const Matter* matterAt(int row) const;
    // What the keys and the buttons do, by table row: lstMemo's current entry becomes the
    // matter's first and is scrolled to; its entries are left out, or taken back when all
    // are left out already; its chapter is shown.
    void jump(int row);
    void toggle(int row);
    void preview(int row);

    // By objectName, for tests: lblMatterCounts, cboMatterKind, tblMatters, cmdExcludeSuspects,
    // cmdRestoreSuspects, cmdPreviewMatter.
    QLabel* lblMatterCounts = nullptr;
    QComboBox* cboMatterKind = nullptr;
    QTableView* tblMatters = nullptr;
    QPushButton* cmdExcludeSuspects = nullptr;
    QPushButton* cmdRestoreSuspects = nullptr;
    QPushButton* cmdPreviewMatter = nullptr;

private:
    void showCounts();
    void filterChanged();

    frmPagewright& m_w;
    MatterTable* m_table = nullptr;
};

// Opens the window's review (objectName "dlgReview") or brings it forward, after a scan; before
// one, says that a file must be analysed first. Returns the dialog, or null. It opens first
// beside the window, later where it was left, always within the screen.
ReviewDialog* openReview(frmPagewright& w);

// Where a dialog of size `wanted` (at least `least`) goes beside `window` on `screen`, all
// frames: on the side with room for it, else on the roomier side and narrower, down to `least`;
// only where even that does not fit does it cover part of the window.
QRect besideWindow(const QRect& window, QSize wanted, QSize least, const QRect& screen);

} // namespace pw
