#include "app/heading_model.h"

#include <QColor>
#include <QSize>

#include "app/qt_ui_port.h"
#include "scan/analysis_texts.h"

namespace pw {

int HeadingModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

QVariant HeadingModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role == Qt::DisplayRole) return m_entries[static_cast<std::size_t>(index.row())];
    // With uniform item sizes the view takes every row's size from this: its width is
    // what sets the sideways scroll range.
    if (role == Qt::SizeHintRole && m_extent > 0) return QSize(m_extent, m_rowHeight);
    const auto row = static_cast<std::size_t>(index.row());
    if (row >= m_analysis.headings.size()) return {};
    const HeadingFacts& h = m_analysis.headings[row];
    if (role == Qt::ForegroundRole && h.suspect != 0) return kSuspectColour;
    if (role == Qt::ToolTipRole) {
        Text tip;
        if (h.suspect != 0) tip = u"可疑：" + reasonWords(h.suspect) + u"\n";
        tip += u"章节号：" + headingNumberText(m_analysis, row) + u"\n";
        if (const ChapterParts* parts = m_analysis.partsOf(row)) tip += u"分部：" + chapterPartsText(*parts) + u"\n";
        tip += u"本章：" + chapterSizeText(m_analysis.chapterBytes(row), m_analysis.chapterLines(row));
        return toQ(tip);
    }
    return {};
}

void HeadingModel::clear() {
    beginResetModel();
    m_entries.clear();
    m_analysis = {};
    m_extent = 0;
    endResetModel();
}

void HeadingModel::append(const QStringList& entries) {
    if (entries.isEmpty()) return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(entries.size()) - 1);
    m_entries.insert(m_entries.end(), entries.begin(), entries.end());
    endInsertRows();
}

void HeadingModel::setExtent(int pixels) {
    m_extent = pixels;
    if (!m_entries.empty()) emit dataChanged(index(0), index(rowCount() - 1), {Qt::SizeHintRole});
    emit layoutChanged();
}

} // namespace pw

namespace pw {

void HeadingModel::setAnalysis(HeadingAnalysis analysis) {
    m_analysis = std::move(analysis);
    if (!m_entries.empty()) emit dataChanged(index(0), index(rowCount() - 1), {Qt::ForegroundRole, Qt::ToolTipRole});
}

std::vector<int> HeadingModel::suspectRows() const {
    std::vector<int> rows;
    for (const std::int64_t row : pw::suspectRows(m_analysis))
        if (row < static_cast<std::int64_t>(m_entries.size())) rows.push_back(static_cast<int>(row));
    return rows;
}

} // namespace pw
