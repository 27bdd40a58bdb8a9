#include "app/list_menus.h"

#include <QItemSelection>
#include <QMessageBox>
#include <QShortcut>
#include <algorithm>

#include "app/chapter_preview_dialog.h"
#include "app/frm_pagewright.h"
#include "app/review_dialog.h"
#include "scan/chapter_preview.h"
#include "platform/paths.h"
#include "scan/preset_choice.h"
#include "scan/presets.h"

namespace pw {

namespace {

QKeySequence reviewShortcut() {
    return QKeySequence(Qt::CTRL | Qt::Key_R);
}

// Runs of rows as ranges: one selection change, whatever the count.
QItemSelection suspectSelection(frmPagewright& w) {
    QItemSelection sel;
    const std::vector<int> rows = w.headings().suspectRows();
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
            ++j;
        sel.select(w.headings().index(rows[i]), w.headings().index(rows[j]));
        i = j + 1;
    }
    return sel;
}

} // namespace

void selectSuspects(frmPagewright& w) {
    w.lstMemo->selectionModel()->select(suspectSelection(w), QItemSelectionModel::Select);
}

void deselectSuspects(frmPagewright& w) {
    w.lstMemo->selectionModel()->select(suspectSelection(w), QItemSelectionModel::Deselect);
}

void previewChapter(frmPagewright& w, int row) {
    const HeadingAnalysis& a = w.headings().analysis();
    if (row < 0 || static_cast<std::size_t>(row) >= a.headings.size()) return;
    const auto i = static_cast<std::size_t>(row);
    const QString title = w.headings().data(w.headings().index(row), Qt::DisplayRole).toString();
    const auto read = readChapterStart(w.state().strAnalyzedFile, w.analyzedEncoding(), a.headings[i].offset,
                                       a.chapterBytes(i));
    QString text;
    if (const auto* err = std::get_if<FileError>(&read)) {
        text = toQ(failureText(kReadFailedText, *err));
    } else {
        const ChapterText& c = std::get<ChapterText>(read);
        text = toQ(c.text);
        if (c.cut) text += QStringLiteral("\n……（本章较长，只显示开头部分）");
    }
    showChapterPreview(&w, title, text);
}

QMenu* buildMemoMenu(frmPagewright& w, const QPoint& pos, QWidget* parent) {
    auto* menu = new QMenu(parent);
    const bool idle = !w.busy();
    QAction* suspects = menu->addAction(QStringLiteral("选中可疑标题"), [&w] { selectSuspects(w); });
    suspects->setEnabled(idle && !w.headings().suspectRows().empty());
    QAction* clear = menu->addAction(QStringLiteral("清除选择"), [&w] { w.lstMemo->clearSelection(); });
    clear->setEnabled(idle && w.lstMemo->selectionModel()->hasSelection());
    menu->addSeparator();
    const int row = w.lstMemo->indexAt(pos).row();
    QAction* preview = menu->addAction(QStringLiteral("预览本章…"), [&w, row] { previewChapter(w, row); });
    preview->setEnabled(idle && row >= 0 && static_cast<std::size_t>(row) < w.headings().analysis().headings.size());
    QAction* review = menu->addAction(QStringLiteral("检查标题…"), [&w] { openReview(w); });
    review->setShortcut(reviewShortcut()); // shown beside it; the window's own shortcut does the work
    review->setEnabled(idle && !w.state().strAnalyzedFile.empty());
    return menu;
}

// The file in txtFile when it is the analysed one: its presets' counts can be shown, and a
// preset chosen is tried on it at once.
bool analysedFileShown(frmPagewright& w) {
    return !w.state().strAnalyzedFile.empty() && w.txtFile->text() == toQ(w.state().strAnalyzedFile);
}

// A new pattern for the analysed file: scanned again once the menu has closed.
void rescanIfAnalysed(frmPagewright& w, bool analysed) {
    if (analysed) QMetaObject::invokeMethod(&w, &frmPagewright::cmdAnalyze_Click, Qt::QueuedConnection);
}

// 自动: every preset tried on the first part of the file in txtFile; the rule chosen for its
// structure (the winner, widened to its extras and volume lines) goes into the pattern field,
// and a box says which and why, with each preset's counts.
void choosePresetFor(frmPagewright& w) {
    const QString file = w.txtFile->text().trimmed();
    if (file.isEmpty()) {
        QMessageBox::information(&w, w.windowTitle(), QStringLiteral("请先选择要分割的文件，再自动选择查找条件。"));
        return;
    }
    const SampleLines sample = readSampleLines(toPath(fromQ(file)));
    if (sample.error) {
        QMessageBox::warning(&w, w.windowTitle(), QStringLiteral("无法读取文件：") + toQ(*sample.error));
        return;
    }
    const StructureChoice choice = chooseStructure(sample.lines, patternPresets());
    if (choice.preset) {
        w.txtFindStr->setText(toQ(choice.pattern));
        w.chosenRule = {choice.pattern, choice.volumePattern};
    }
    QStringList lines{toQ(choice.reason)};
    const std::vector<Text> trials = presetChoiceLines(choice.trials);
    for (std::size_t i = 1; i < trials.size(); ++i)
        lines << toQ(trials[i]);
    const bool analysed = analysedFileShown(w);
    QMessageBox::information(&w, w.windowTitle(), lines.join(u'\n'));
    rescanIfAnalysed(w, analysed && choice.preset);
}

QMenu* buildPatternMenu(frmPagewright& w, QWidget* parent) {
    QMenu* menu = w.txtFindStr->createStandardContextMenu();
    menu->setParent(parent, menu->windowFlags());
    menu->addSeparator();
    QMenu* presets = menu->addMenu(QStringLiteral("预设查找条件"));
    QAction* automatic = presets->addAction(toQ(kAutoPresetLabel), [&w] { choosePresetFor(w); });
    automatic->setToolTip(QStringLiteral("逐一试用各预设于文件开头 512 KB，选出标题多、篇幅均匀、可疑最少的一个"));
    presets->addSeparator();
    // For the analysed file, what each preset finds in its first part, as 自动 scores it.
    const bool analysed = analysedFileShown(w) && !w.busy();
    PresetChoice trials;
    if (analysed) {
        const SampleLines sample =
            readSampleLines(toPath(w.state().strAnalyzedFile), kPresetSampleBytes, w.analyzedEncoding());
        if (!sample.error) {
            trials = choosePreset(sample.lines, patternPresets());
            presets->addAction(QStringLiteral("在文件开头 %1 KB 中试用：").arg(kPresetSampleBytes / 1024))
                ->setEnabled(false);
        }
    }
    for (const PatternPreset& p : patternPresets()) {
        const QString pattern = toQ(p.pattern);
        QString text = toQ(p.label);
        const auto trial = std::find_if(trials.trials.begin(), trials.trials.end(),
                                        [&](const PresetTrial& t) { return t.preset == &p; });
        if (trial != trials.trials.end()) {
            if (trials.chosen == &p) text += QStringLiteral("（最合适）");
            text += trial->compiled ? QStringLiteral("\t%1 个标题，%2 个可疑").arg(trial->matches).arg(trial->suspects)
                                    : QStringLiteral("\t无法使用");
        }
        QAction* a = presets->addAction(text, [&w, pattern, analysed] {
            w.txtFindStr->setText(pattern);
            rescanIfAnalysed(w, analysed);
        });
        a->setToolTip(pattern);
    }
    presets->setToolTipsVisible(true);
    presets->setEnabled(!w.txtFindStr->isReadOnly());
    return menu;
}

void installListMenus(frmPagewright& w) {
    const auto showAt = [](QMenu* menu, QWidget* on, const QPoint& pos) {
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(on->mapToGlobal(pos));
    };
    w.lstMemo->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(w.lstMemo, &QWidget::customContextMenuRequested, &w, [&w, showAt](const QPoint& pos) {
        showAt(buildMemoMenu(w, pos, &w), w.lstMemo->viewport(), pos);
    });
    w.txtFindStr->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(w.txtFindStr, &QWidget::customContextMenuRequested, &w, [&w, showAt](const QPoint& pos) {
        showAt(buildPatternMenu(w, &w), w.txtFindStr, pos);
    });
    auto* review = new QShortcut(reviewShortcut(), &w);
    QObject::connect(review, &QShortcut::activated, &w, [&w] { openReview(w); });
}

} // namespace pw
