#include "app/heading_model.h"

#include <QColor>
#include <QSize>

#include "app/qt_ui_port.h"
#include "scan/analysis_texts.h"
#include "scan/review_matters.h"

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
    const auto note = m_numbering.find(index.row());
    if (role == Qt::ForegroundRole) {
        if (h.suspect == kSuspectContents) return kContentsColour;
        if (h.suspect != 0) return kSuspectColour;
        if (note != m_numbering.end() && note->second.repeated) return kRepeatColour;
        return {};
    }
    if (role == Qt::ToolTipRole) {
        // The file first: the list's own tooltip, which names it, is hidden behind the entries.
        Text tip = fromQ(m_fileName) + u"\n";
        if (h.suspect != 0) tip += u"可疑：" + reasonWords(h.suspect) + u"\n";
        tip += u"章节号：" + headingNumberText(m_analysis, row) + u"\n";
        if (const ChapterParts* parts = m_analysis.partsOf(row)) tip += u"分部：" + chapterPartsText(*parts) + u"\n";
        tip += u"本章：" + chapterSizeText(m_analysis.chapterBytes(row), m_analysis.chapterLines(row));
        if (note != m_numbering.end()) return toQ(tip) + QLatin1Char('\n') + note->second.text;
        return toQ(tip);
    }
    return {};
}

void HeadingModel::clear() {
    beginResetModel();
    m_entries.clear();
    m_analysis = {};
    m_numbering.clear();
    m_extent = 0;
    endResetModel();
    emit analysisChanged();
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

namespace {

// "第5章", "第5章、第6章", "第5章至第9章": runs of three or more as a range.
QString chapterList(const std::vector<std::int64_t>& numbers, char16_t unit) {
    const auto one = [unit](std::int64_t n) { return toQ(chapterNumberText({static_cast<std::int32_t>(n), unit})); };
    QString s;
    for (std::size_t i = 0; i < numbers.size();) {
        std::size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1)
            ++j;
        if (!s.isEmpty()) s += QStringLiteral("、");
        s += one(numbers[i]);
        if (j - i >= 2) {
            s += QStringLiteral("至") + one(numbers[j]);
        } else if (j == i + 1) {
            s += QStringLiteral("、") + one(numbers[j]);
        }
        i = j + 1;
    }
    return s;
}

} // namespace

void HeadingModel::setAnalysis(HeadingAnalysis analysis, const QString& fileName) {
    m_analysis = std::move(analysis);
    m_fileName = fileName;
    m_numbering.clear();
    const auto rows = static_cast<std::int64_t>(m_analysis.headings.size());
    // A gap shows on the entry that goes on with the numbering after it: the next heading, not
    // in doubt, with a higher number of the same unit (a suspect line may come in between).
    for (const NumberGap& g : m_analysis.gaps) {
        const std::int64_t row = rowAfterGap(m_analysis, g);
        if (row < 0 || row >= rows) continue;
        const char16_t unit = m_analysis.headings[static_cast<std::size_t>(g.after - 1)].number.unit;
        m_numbering[static_cast<int>(row)].text = QStringLiteral("此前缺少") + chapterList(g.missing, unit);
    }
    for (const NumberRepeat& r : m_analysis.repeats) {
        const char16_t unit = m_analysis.headings[static_cast<std::size_t>(r.headings.front() - 1)].number.unit;
        const QString number = toQ(chapterNumberText({static_cast<std::int32_t>(r.number), unit}));
        for (const std::int64_t k : r.headings) {
            QString others;
            for (const std::int64_t other : r.headings)
                if (other != k)
                    others += (others.isEmpty() ? QString() : QStringLiteral("、")) + QStringLiteral("[%1]").arg(other);
            NumberingNote& n = m_numbering[static_cast<int>(k - 1)];
            n.text += (n.text.isEmpty() ? QString() : QStringLiteral("\n")) + QStringLiteral("重号：与 ") + others +
                      QStringLiteral(" 同为") + number;
            n.repeated = true;
        }
    }
    if (!m_entries.empty()) emit dataChanged(index(0), index(rowCount() - 1), {Qt::ForegroundRole, Qt::ToolTipRole});
    emit analysisChanged();
}

std::vector<int> HeadingModel::suspectRows() const {
    std::vector<int> rows;
    for (const std::int64_t row : pw::suspectRows(m_analysis))
        if (row < static_cast<std::int64_t>(m_entries.size())) rows.push_back(static_cast<int>(row));
    return rows;
}

} // namespace pw
