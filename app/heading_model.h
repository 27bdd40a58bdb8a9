#pragma once
// The model behind lstMemo: one entry per heading, "[k] " + the line. A model with
// uniform item sizes stays fast with 100,000 entries, where a widget item each would not.
#include <QAbstractListModel>
#include <QColor>
#include <QStringList>
#include <vector>

#include "scan/heading_analysis.h"

namespace pw {

// The foreground of a suspect entry: a dark orange-red that reads on white and on the selection.
inline const QColor kSuspectColour{0xB0, 0x3A, 0x00};

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
    // What the finished scan found out about its headings: suspects are drawn in their own
    // colour, and every entry's tooltip tells its number, size and any reasons.
    void setAnalysis(HeadingAnalysis analysis);
    const HeadingAnalysis& analysis() const { return m_analysis; }
    // The rows of the suspect entries, ascending.
    std::vector<int> suspectRows() const;

private:
    std::vector<QString> m_entries;
    HeadingAnalysis m_analysis;
    int m_extent = 0;
    int m_rowHeight = 14;
};

} // namespace pw
