#include "app/heading_model.h"

#include <QSize>

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
    return {};
}

void HeadingModel::clear() {
    beginResetModel();
    m_entries.clear();
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
