#pragma once
// What the clean-up rules would take out or change in the analysed novel, before anything is
// written: the hits grouped by rule, each with its line number and the line.
#include <QDialog>
#include <QTreeWidget>
#include <functional>

#include "stages/clean_preview.h"

namespace pw {

class CleanPreviewDialog : public QDialog {
    Q_OBJECT
public:
    CleanPreviewDialog(const CleanPreview& preview, QWidget* parent);
    // By objectName, for tests: treeCleanHits (a top-level item per rule, a child per line).
    QTreeWidget* treeCleanHits = nullptr;
    // Shows the dialog, or hands it to a test's hook.
    void ask();
};

// For tests: the next CleanPreviewDialog goes to `hook` instead of being shown.
void setNextCleanPreviewHook(std::function<void(CleanPreviewDialog&)> hook);

} // namespace pw
