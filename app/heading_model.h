#pragma once
// The model behind lstMemo: one entry per heading, "[k] " + the line. A model with
// uniform item sizes stays fast with 100,000 entries, where a widget item each would not.
#include <QAbstractListModel>
#include <QColor>
#include <QStringList>
#include <unordered_map>
#include <vector>

#include "scan/heading_analysis.h"

namespace pw {

// The foreground of a suspect entry: a dark orange-red that reads on white and on the selection.
inline const QColor kSuspectColour{0xB0, 0x3A, 0x00};
// The foreground of a line of the book's own table of contents: a grey, since such lines are
// copies of headings rather than doubtful ones.
inline const QColor kContentsColour{0x80, 0x80, 0x80};
// The foreground of an entry whose chapter number another entry carries too: a purple that
// reads on white and stays apart from the suspects' colour.
inline const QColor kRepeatColour{0x70, 0x30, 0xA0};

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
    // What the finished scan of `fileName` found out about its headings: suspects and repeated
    // numbers are drawn in their own colours, and every entry's tooltip names the file, then
    // tells its number, size, any reasons, a gap before it and the entries that repeat it.
    void setAnalysis(HeadingAnalysis analysis, const QString& fileName = {});
    const HeadingAnalysis& analysis() const { return m_analysis; }
    // The rows of the suspect entries, ascending.
    std::vector<int> suspectRows() const;

signals:
    // A scan started (the list is emptied) or finished (its analysis arrived).
    void analysisChanged();

private:
    // A gap before an entry, or the other entries with its number, in words; and whether the
    // number is repeated. Kept for the few rows concerned only.
    struct NumberingNote {
        QString text;
        bool repeated = false;
    };

    std::vector<QString> m_entries;
    HeadingAnalysis m_analysis;
    QString m_fileName;
    std::unordered_map<int, NumberingNote> m_numbering;
    int m_extent = 0;
    int m_rowHeight = 14;
};

} // namespace pw
