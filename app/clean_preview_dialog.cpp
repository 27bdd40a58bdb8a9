#include "app/clean_preview_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>
#include <deque>
#include <map>

namespace pw {

namespace {

std::deque<std::function<void(CleanPreviewDialog&)>>& hooks() {
    static std::deque<std::function<void(CleanPreviewDialog&)>> queue;
    return queue;
}

} // namespace

void setNextCleanPreviewHook(std::function<void(CleanPreviewDialog&)> hook) {
    hooks().push_back(std::move(hook));
}

CleanPreviewDialog::CleanPreviewDialog(const CleanPreview& preview, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("净化预览"));
    treeCleanHits = new QTreeWidget(this);
    treeCleanHits->setObjectName(QStringLiteral("treeCleanHits"));
    treeCleanHits->setHeaderLabels({QStringLiteral("规则／行号"), QStringLiteral("内容")});
    treeCleanHits->setUniformRowHeights(true);
    // A rule's hits under it, the rules in their order.
    std::map<std::string, QTreeWidgetItem*> byRule;
    for (const std::string& name : preview.tally.names) {
        if (byRule.count(name)) continue;
        auto* item = new QTreeWidgetItem(treeCleanHits);
        item->setText(0, QString::fromStdString(name));
        byRule[name] = item;
    }
    for (const CleanHit& h : preview.hits) {
        QTreeWidgetItem*& parentItem = byRule[h.rule];
        if (!parentItem) {
            parentItem = new QTreeWidgetItem(treeCleanHits);
            parentItem->setText(0, QString::fromStdString(h.rule));
        }
        auto* item = new QTreeWidgetItem(parentItem);
        item->setText(0, QStringLiteral("第 %1 行").arg(h.line));
        QString text = QString::fromStdString(h.before);
        if (!h.after.empty()) text += QStringLiteral(" → ") + QString::fromStdString(h.after);
        item->setText(1, text);
    }
    int rules = 0;
    for (int i = treeCleanHits->topLevelItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* item = treeCleanHits->topLevelItem(i);
        if (item->childCount() == 0) {
            delete item; // a rule that found nothing
            continue;
        }
        ++rules;
        item->setText(1, QStringLiteral("%1 行").arg(item->childCount()));
    }
    treeCleanHits->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    auto* summary = new QLabel(preview.hits.empty()
                                   ? QStringLiteral("没有找到要去掉或改动的内容。")
                                   : QStringLiteral("%1 条规则，共 %2 行；输出时去掉或改动，原文件不变。")
                                         .arg(rules)
                                         .arg(preview.hits.size()),
                               this);
    summary->setObjectName(QStringLiteral("lblCleanSummary"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(treeCleanHits);
    layout->addWidget(buttons);
    resize(640, 420);
}

void CleanPreviewDialog::ask() {
    if (!hooks().empty()) {
        const auto hook = std::move(hooks().front());
        hooks().pop_front();
        hook(*this);
        return;
    }
    exec();
}

} // namespace pw
