// The heading scan behind "分析(&A)".
#include <QFontMetricsF>
#include <QStringList>
#include <limits>

#include "app/frm_pagewright.h"
#include "platform/numeric.h"
#include "platform/paths.h"
#include "scan/analysis_texts.h"
#include "scan/preset_choice.h"
#include "scan/scan_pass.h"

namespace pw {

namespace {

// Fills lstMemo's model in batches (one view update per turn of the event loop, not one
// per heading) and keeps the widest heading for the sideways scroll range.
class ListReceiver : public ScanReceiver {
public:
    ListReceiver(HeadingModel& model, const QFont& font) : m_model(model), m_metrics(font) {}

    void started(Encoding, std::int64_t) override {
        m_model.clear();
        m_batch.clear();
        m_widest = 0;
    }

    void heading(const HeadingFound& h) override {
        const QString line = toQ(h.text);
        m_batch.append(QLatin1Char('[') + QString::number(h.number) + QLatin1String("] ") + line);
        // The line's own width (not the entry's) in twips, as a single-precision value, plus 36,
        // rounded to the nearest whole number with halves to even.
        const float twips = static_cast<float>(m_metrics.horizontalAdvance(line) * 15.0);
        const std::int32_t w = toLong32(static_cast<double>(twips) + 36.0).value_or(std::numeric_limits<int>::max());
        m_widest = std::max(m_widest, w);
    }

    void flush() override {
        m_model.append(m_batch);
        m_batch.clear();
    }

    // 15 twips to the pixel whatever the screen, plus 100 pixels of slack.
    int extent() const { return m_widest / 15 + 100; }

private:
    HeadingModel& m_model;
    QFontMetricsF m_metrics;
    QStringList m_batch;
    std::int32_t m_widest = 0;
};

// Gaps and repeats under the file's name, a screenful at most.
QString numberingSummary(const HeadingAnalysis& a) {
    constexpr std::size_t kShown = 20;
    const std::vector<Text> lines = numberingLines(a);
    QString s;
    for (std::size_t i = 0; i < lines.size() && i < kShown; ++i)
        s += QLatin1Char('\n') + toQ(lines[i]);
    if (lines.size() > kShown) s += QStringLiteral("\n……共 %1 处").arg(lines.size());
    return s;
}

} // namespace

void frmPagewright::cmdAnalyze_Click() {
    if (m_busy) return; // the button is disabled while a pass runs; a queued click must not start another
    if (!CheckOptions(1)) return;
    analyzeCheckedOptions();
}

void frmPagewright::analyzeCheckedOptions() {
    setBusy(true);
    ListReceiver receiver(*m_headings, font());
    ScanOptions options;
    options.encoding = m_inputEncoding;
    // No hint while a scan fills the list; a refused scan leaves the list, and its hint, as they were.
    const QString hint = lstMemo->emptyHint();
    lstMemo->setEmptyHint({});
    ScanResult result = runScan(m_state, *m_ui, receiver, options);
    if (result.outcome != ScanOutcome::Finished && m_headings->rowCount() == 0) lstMemo->setEmptyHint(hint);
    if (result.outcome == ScanOutcome::Finished) {
        // In the list, not the status line, whose text stays exactly the scan's.
        QString emptyHint;
        if (m_headings->rowCount() == 0) {
            emptyHint = QStringLiteral("没有找到符合条件的行。\n可在“查找条件”框上点右键，\n试试预设的查找条件。");
            // Name the presets that would find headings in this file, from a trial on its first part.
            const SampleLines sample = readSampleLines(toPath(m_state.strInFile), kPresetSampleBytes, result.encoding);
            const Text finding = sample.error ? Text() : presetsThatFindText(choosePreset(sample.lines, patternPresets()));
            if (!finding.empty()) emptyHint += u'\n' + toQ(finding);
        }
        lstMemo->setEmptyHint(emptyHint);
        m_headings->setExtent(receiver.extent());
        lstMemo->setToolTip(toQ(m_state.strAnalyzedFile) + numberingSummary(result.analysis));
        showScanEncoding(result);
        m_analyzedEncoding = result.encoding;
        m_headings->setAnalysis(std::move(result.analysis), toQ(m_state.strAnalyzedFile));
    }
    setBusy(false);
}

} // namespace pw
