#pragma once
// The model behind lstMemo: one entry per heading, "[k] " + the line. A model with
// uniform item sizes stays fast with 100,000 entries, where a widget item each would not.
#include <QAbstractListModel>
#include <QStringList>
#include <vector>

namespace pw {

class HeadingModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void clear();
    // Appends entries; batched by the caller so the view updates once per batch.
    void append(const QStringList& entries);
    // Width in pixels the list can be scrolled to sideways (the "horizontal extent").
    void setExtent(int pixels);
    int extent() const { return m_extent; }
    void setRowHeight(int px) { m_rowHeight = px; }

private:
    std::vector<QString> m_entries;
    int m_extent = 0;
    int m_rowHeight = 14;
};

} // namespace pw
