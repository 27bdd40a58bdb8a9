#include "app/review_dialog.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QResizeEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "app/frm_pagewright.h"
#include "app/list_menus.h"
#include "app/qt_ui_port.h"

namespace pw {

namespace {

enum Column { kKindColumn, kEntryColumn, kReasonColumn, kStateColumn, kColumns };

// Space and Enter belong to the table: they act on the current row rather than moving or
// pressing the dialog's default button.
class MatterView : public QTableView {
public:
    MatterView(ReviewDialog& dialog, QWidget* parent) : QTableView(parent), m_dialog(dialog) {}

protected:
    void keyPressEvent(QKeyEvent* e) override {
        const int row = currentIndex().row();
        if (e->key() == Qt::Key_Space && e->modifiers() == Qt::NoModifier) {
            m_dialog.toggle(row);
            e->accept();
            return;
        }
        if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && e->modifiers() == Qt::NoModifier) {
            m_dialog.preview(row);
            e->accept();
            return;
        }
        QTableView::keyPressEvent(e);
    }

    void resizeEvent(QResizeEvent* e) override {
        QTableView::resizeEvent(e);
        // Beside the window the dialog may get less than its width: the entry gives up room so
        // that the reason, which says what to look at, stays readable.
        const int em = fontMetrics().horizontalAdvance(QStringLiteral("重"));
        const int rest = viewport()->width() - columnWidth(kKindColumn) - columnWidth(kStateColumn);
        setColumnWidth(kEntryColumn, std::clamp(rest / 2, em * 8, em * 20));
    }

private:
    ReviewDialog& m_dialog;
};

} // namespace

// The matters under the filter, with the entries' texts and whether they are left out read
// from the window as the view asks: only the rows on screen cost anything.
class MatterTable : public QAbstractTableModel {
public:
    MatterTable(frmPagewright& w, QObject* parent) : QAbstractTableModel(parent), m_w(w) {}

    void setMatters(ReviewMatters matters) {
        beginResetModel();
        m_matters = std::move(matters);
        fillShown();
        endResetModel();
    }
    // -1 for every kind.
    void setFilter(int kind) {
        beginResetModel();
        m_filter = kind;
        fillShown();
        endResetModel();
    }
    const ReviewMatters& matters() const { return m_matters; }
    const Matter* at(int row) const {
        if (row < 0 || row >= static_cast<int>(m_shown.size())) return nullptr;
        return &m_matters.matters[m_shown[static_cast<std::size_t>(row)]];
    }
    // The entries left out changed in the window. They are kept as sorted runs, merged: the
    // selection's own ranges may overlap, and a table of contents of thousands of lines is
    // then counted by a few runs rather than row by row.
    void exclusionsChanged() {
        m_excluded.clear();
        for (const QItemSelectionRange& r : m_w.lstMemo->selectionModel()->selection())
            m_excluded.emplace_back(r.top(), r.bottom());
        std::sort(m_excluded.begin(), m_excluded.end());
        std::size_t kept = 0;
        for (std::size_t i = 0; i < m_excluded.size(); ++i) {
            if (kept > 0 && m_excluded[i].first <= m_excluded[kept - 1].second + 1)
                m_excluded[kept - 1].second = std::max(m_excluded[kept - 1].second, m_excluded[i].second);
            else
                m_excluded[kept++] = m_excluded[i];
        }
        m_excluded.resize(kept);
        if (!m_shown.empty()) emit dataChanged(index(0, kStateColumn), index(rowCount() - 1, kStateColumn));
    }
    // How many of the rows first..last are left out.
    std::int64_t excludedIn(std::int64_t first, std::int64_t last) const {
        auto it = std::upper_bound(m_excluded.begin(), m_excluded.end(), first,
                                   [](std::int64_t x, const std::pair<int, int>& r) { return x < r.first; });
        if (it != m_excluded.begin()) --it;
        std::int64_t out = 0;
        for (; it != m_excluded.end() && it->first <= last; ++it)
            out += std::max<std::int64_t>(0, std::min<std::int64_t>(it->second, last) -
                                                 std::max<std::int64_t>(it->first, first) + 1);
        return out;
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kColumns; }

    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
        static const char16_t* const kTitles[] = {u"类别", u"条目", u"说明", u"状态"};
        return section >= 0 && section < kColumns ? QString::fromUtf16(kTitles[section]) : QVariant();
    }

    QVariant data(const QModelIndex& index, int role) const override {
        const Matter* m = at(index.row());
        if (!m) return {};
        if (role == Qt::DisplayRole) return cell(*m, index.column());
        // A screen reader hears the whole matter on its first cell, the rest as they are.
        if (role == Qt::AccessibleTextRole) {
            if (index.column() != kKindColumn) return cell(*m, index.column());
            QString all = cell(*m, kKindColumn) + QStringLiteral("，") + cell(*m, kEntryColumn) + QStringLiteral("，") +
                          cell(*m, kReasonColumn);
            if (const QString state = cell(*m, kStateColumn); !state.isEmpty()) all += QStringLiteral("，") + state;
            return all;
        }
        if (role == Qt::ToolTipRole && index.column() != kStateColumn) return cell(*m, index.column());
        return {};
    }

private:
    QString cell(const Matter& m, int column) const {
        switch (column) {
        case kKindColumn:
            return toQ(matterKindWord(m.kind));
        case kEntryColumn: {
            const HeadingModel& h = m_w.headings();
            if (m.first >= h.rowCount()) return {};
            return h.data(h.index(static_cast<int>(m.first)), Qt::DisplayRole).toString();
        }
        case kReasonColumn:
            return toQ(m.reason);
        case kStateColumn: {
            const std::int64_t out = excludedIn(m.first, m.last);
            if (out == 0) return {};
            return out == m.last - m.first + 1 ? QStringLiteral("已排除") : QStringLiteral("部分排除");
        }
        default:
            return {};
        }
    }
    void fillShown() {
        m_shown.clear();
        for (std::size_t i = 0; i < m_matters.matters.size(); ++i)
            if (m_filter < 0 || static_cast<int>(m_matters.matters[i].kind) == m_filter) m_shown.push_back(i);
    }

    frmPagewright& m_w;
    ReviewMatters m_matters;
    std::vector<std::size_t> m_shown;
    std::vector<std::pair<int, int>> m_excluded; // rows left out in lstMemo: merged runs, first to last
    int m_filter = -1;
};

ReviewDialog::ReviewDialog(frmPagewright& w) : QDialog(&w), m_w(w) {
    setObjectName(QStringLiteral("dlgReview"));
    setWindowTitle(QStringLiteral("检查标题"));
    m_table = new MatterTable(w, this);

    lblMatterCounts = new QLabel(this);
    lblMatterCounts->setObjectName(QStringLiteral("lblMatterCounts"));
    lblMatterCounts->setWordWrap(true);
    lblMatterCounts->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    lblMatterCounts->setFocusPolicy(Qt::NoFocus);

    cboMatterKind = new QComboBox(this);
    cboMatterKind->setObjectName(QStringLiteral("cboMatterKind"));
    cboMatterKind->setAccessibleName(QStringLiteral("显示的类别"));
    auto* kindLabel = new QLabel(QStringLiteral("显示(&S)："), this);
    kindLabel->setBuddy(cboMatterKind);

    auto* view = new MatterView(*this, this);
    tblMatters = view;
    tblMatters->setObjectName(QStringLiteral("tblMatters"));
    tblMatters->setAccessibleName(QStringLiteral("需要检查的地方"));
    tblMatters->setAccessibleDescription(QStringLiteral("空格键排除或恢复该条目，回车键预览本章"));
    tblMatters->setModel(m_table);
    tblMatters->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblMatters->setSelectionMode(QAbstractItemView::SingleSelection);
    tblMatters->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblMatters->setTabKeyNavigation(false); // Tab leaves the table for the buttons
    tblMatters->setWordWrap(false);
    tblMatters->verticalHeader()->hide();
    // Fixed sizes: measuring every row would cost seconds with tens of thousands of matters.
    tblMatters->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tblMatters->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    QHeaderView* header = tblMatters->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    const int em = fontMetrics().horizontalAdvance(QStringLiteral("重"));
    tblMatters->setColumnWidth(kKindColumn, em * 6);
    tblMatters->setColumnWidth(kEntryColumn, em * 20);
    tblMatters->setColumnWidth(kReasonColumn, em * 20);
    header->setSectionResizeMode(kReasonColumn, QHeaderView::Stretch);
    tblMatters->setColumnWidth(kStateColumn, em * 6);

    auto* keys = new QLabel(QStringLiteral("空格键：排除或恢复该条目　回车键：预览本章"), this);
    keys->setFocusPolicy(Qt::NoFocus);

    cmdExcludeSuspects = new QPushButton(QStringLiteral("排除全部可疑(&E)"), this);
    cmdExcludeSuspects->setObjectName(QStringLiteral("cmdExcludeSuspects"));
    cmdExcludeSuspects->setToolTip(QStringLiteral("在列表中选中所有可疑条目（含目录），输出时不在这些行分章"));
    cmdRestoreSuspects = new QPushButton(QStringLiteral("恢复全部可疑(&R)"), this);
    cmdRestoreSuspects->setObjectName(QStringLiteral("cmdRestoreSuspects"));
    cmdRestoreSuspects->setToolTip(QStringLiteral("取消选中所有可疑条目，其他条目的选择不变"));
    cmdPreviewMatter = new QPushButton(QStringLiteral("预览本章(&P)"), this);
    cmdPreviewMatter->setObjectName(QStringLiteral("cmdPreviewMatter"));
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    for (QPushButton* b : {cmdExcludeSuspects, cmdRestoreSuspects, cmdPreviewMatter, close})
        b->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    top->addWidget(lblMatterCounts, 1);
    top->addWidget(kindLabel);
    top->addWidget(cboMatterKind);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdExcludeSuspects);
    buttons->addWidget(cmdRestoreSuspects);
    buttons->addStretch(1);
    buttons->addWidget(cmdPreviewMatter);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(tblMatters, 1);
    layout->addWidget(keys);
    layout->addLayout(buttons);
    setTabOrder(cboMatterKind, tblMatters);
    setTabOrder(tblMatters, cmdExcludeSuspects);
    setTabOrder(cmdExcludeSuspects, cmdRestoreSuspects);
    setTabOrder(cmdRestoreSuspects, cmdPreviewMatter);
    setTabOrder(cmdPreviewMatter, close);
    resize(760, 440);

    connect(cboMatterKind, &QComboBox::currentIndexChanged, this, &ReviewDialog::filterChanged);
    connect(tblMatters->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& now) { jump(now.row()); });
    connect(tblMatters, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& i) { preview(i.row()); });
    connect(cmdExcludeSuspects, &QPushButton::clicked, this, [this] {
        if (!m_w.busy()) selectSuspects(m_w);
    });
    connect(cmdRestoreSuspects, &QPushButton::clicked, this, [this] {
        if (!m_w.busy()) deselectSuspects(m_w);
    });
    connect(cmdPreviewMatter, &QPushButton::clicked, this, [this] { preview(tblMatters->currentIndex().row()); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(w.lstMemo->selectionModel(), &QItemSelectionModel::selectionChanged, m_table,
            &MatterTable::exclusionsChanged);
    connect(&w.headings(), &HeadingModel::analysisChanged, this, &ReviewDialog::refresh);
    m_table->exclusionsChanged();
    refresh();
}

const ReviewMatters& ReviewDialog::matters() const {
    return m_table->matters();
}

const Matter* ReviewDialog::matterAt(int row) const {
    return m_table->at(row);
}

void ReviewDialog::refresh() {
    m_table->setMatters(reviewMatters(m_w.headings().analysis()));
    showCounts();
    if (m_table->rowCount() > 0) tblMatters->setCurrentIndex(m_table->index(0, kKindColumn));
}

void ReviewDialog::showCounts() {
    const ReviewMatters& m = m_table->matters();
    const int kept = cboMatterKind->currentIndex();
    const QSignalBlocker quiet(cboMatterKind);
    cboMatterKind->clear();
    cboMatterKind->addItem(QStringLiteral("全部（%1）").arg(m.matters.size()), -1);
    QString counts;
    for (std::size_t k = 0; k < kMatterKinds; ++k) {
        const QString word = toQ(matterKindWord(static_cast<MatterKind>(k)));
        cboMatterKind->addItem(QStringLiteral("%1（%2）").arg(word).arg(m.counts[k]), static_cast<int>(k));
        counts += (k ? QStringLiteral("，") : QString()) + QStringLiteral("%1 %2").arg(word).arg(m.counts[k]);
    }
    cboMatterKind->setCurrentIndex(kept < 0 ? 0 : kept);
    const auto headings = static_cast<std::int64_t>(m_w.headings().analysis().headings.size());
    if (headings == 0) {
        lblMatterCounts->setText(QStringLiteral("列表中没有标题。"));
    } else if (m.matters.empty()) {
        lblMatterCounts->setText(QStringLiteral("共 %1 个标题，没有需要检查的地方。").arg(headings));
    } else {
        lblMatterCounts->setText(
            QStringLiteral("共 %1 个标题，%2 处需要检查：").arg(headings).arg(m.matters.size()) + counts);
    }
}

void ReviewDialog::filterChanged() {
    m_table->setFilter(cboMatterKind->currentData().toInt());
    if (m_table->rowCount() > 0) tblMatters->setCurrentIndex(m_table->index(0, kKindColumn));
}

void ReviewDialog::jump(int row) {
    // A closed review leads nowhere: a scan that fills it anew must not move the list.
    if (!isVisible()) return;
    const Matter* m = matterAt(row);
    if (!m || m->first >= m_w.headings().rowCount()) return;
    const QModelIndex entry = m_w.headings().index(static_cast<int>(m->first));
    m_w.lstMemo->selectionModel()->setCurrentIndex(entry, QItemSelectionModel::NoUpdate);
    m_w.lstMemo->scrollTo(entry, QAbstractItemView::PositionAtCenter);
}

void ReviewDialog::toggle(int row) {
    const Matter* m = matterAt(row);
    if (!m || m_w.busy() || m->last >= m_w.headings().rowCount()) return;
    jump(row);
    QItemSelectionModel* sel = m_w.lstMemo->selectionModel();
    const bool allOut = m_table->excludedIn(m->first, m->last) == m->last - m->first + 1;
    // One change for a whole table of contents: the status line is written once.
    const QItemSelection range(m_w.headings().index(static_cast<int>(m->first)),
                               m_w.headings().index(static_cast<int>(m->last)));
    sel->select(range, allOut ? QItemSelectionModel::Deselect : QItemSelectionModel::Select);
}

void ReviewDialog::preview(int row) {
    const Matter* m = matterAt(row);
    if (!m || m_w.busy()) return;
    previewChapter(m_w, static_cast<int>(m->first));
}

QRect besideWindow(const QRect& window, QSize wanted, QSize least, const QRect& screen) {
    constexpr int kGap = 8;
    wanted = wanted.boundedTo(screen.size());
    least = least.boundedTo(wanted);
    const int right = screen.right() - window.right() - kGap, left = window.left() - screen.left() - kGap;
    const bool onRight = right >= wanted.width() || right >= left;
    const int width = std::clamp(onRight ? right : left, least.width(), wanted.width());
    const int x = onRight ? window.right() + 1 + kGap : window.left() - kGap - width;
    return {std::clamp(x, screen.left(), screen.right() + 1 - width),
            std::clamp(window.top(), screen.top(), screen.bottom() + 1 - wanted.height()), width, wanted.height()};
}

namespace {

// The frame's edges, known only once a window is shown: the dialog is taken to get the same
// as the window it belongs to.
QMargins frameOf(const QWidget& w) {
    const QRect outer = w.frameGeometry(), inner = w.geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

// A review covering the window would hide the very list it moves through: the first time it
// goes beside the window; after that it stays where the user left it, pulled back within the
// screen should that have changed meanwhile.
void place(ReviewDialog& d, const QWidget& w, bool first) {
    const QScreen* screen = w.screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QMargins frame = frameOf(w);
    QRect outer;
    if (first) {
        outer = besideWindow(w.frameGeometry(), d.size().grownBy(frame), d.minimumSizeHint().grownBy(frame), area);
    } else {
        outer = d.frameGeometry();
        if (area.contains(outer)) return;
        outer.setSize(outer.size().boundedTo(area.size()));
        outer.moveTo(std::clamp(outer.x(), area.left(), area.right() + 1 - outer.width()),
                     std::clamp(outer.y(), area.top(), area.bottom() + 1 - outer.height()));
    }
    d.resize(outer.size().shrunkBy(frame));
    d.move(outer.topLeft()); // a window's position is its frame's
}

} // namespace

ReviewDialog* openReview(frmPagewright& w) {
    if (w.busy()) return nullptr;
    if (w.state().strAnalyzedFile.empty()) {
        QMessageBox::information(&w, w.windowTitle(), QStringLiteral("请先分析文件，再检查标题。"));
        return nullptr;
    }
    auto* dialog = w.findChild<ReviewDialog*>(QStringLiteral("dlgReview"), Qt::FindDirectChildrenOnly);
    const bool first = !dialog;
    if (first) dialog = new ReviewDialog(w);
    if (!dialog->isVisible()) place(*dialog, w, first);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    dialog->tblMatters->setFocus(Qt::OtherFocusReason);
    dialog->jump(dialog->tblMatters->currentIndex().row());
    return dialog;
}

} // namespace pw
