#include "app/pickers.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <deque>

#include "app/qt_ui_port.h"
#include "platform/paths.h"

namespace pw {

namespace {

std::deque<DialogHook>& hooks() {
    static std::deque<DialogHook> queue;
    return queue;
}

// Shows the dialog, or lets a test's hook answer for it; the chosen path in the system's
// own spelling ("\" on Windows).
QString run(QFileDialog& dialog) {
    // The owner stays on top of other windows; its dialogs must not open behind it.
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    QString chosen;
    if (!hooks().empty()) {
        const DialogHook hook = std::move(hooks().front());
        hooks().pop_front();
        chosen = hook(dialog);
    } else if (dialog.exec() == QDialog::Accepted) {
        chosen = dialog.selectedFiles().value(0);
    }
    return QDir::toNativeSeparators(chosen);
}

} // namespace

void setNextDialogHook(DialogHook hook) {
    hooks().push_back(std::move(hook));
}

void setNextPick(const QString& answer) {
    setNextDialogHook([answer](QFileDialog&) { return answer; });
}

QString PickOpenFile(QWidget* owner, const QString& startDir) {
    QFileDialog dialog(owner, QStringLiteral("打开文件"), startDir);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Qt reads the pattern from the parentheses; the visible names stay as the user knows them.
    dialog.setNameFilters({QStringLiteral("文本文件(*.txt)"), QStringLiteral("所有文件 (*)")});
    dialog.selectNameFilter(QStringLiteral("文本文件(*.txt)"));
    return run(dialog);
}

QString PickImageFile(QWidget* owner, const QString& current) {
    QFileDialog dialog(owner, QStringLiteral("选择封面图片"),
                       current.isEmpty() ? QString() : QFileInfo(current).path());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("图片(*.jpg *.jpeg *.png)"), QStringLiteral("所有文件 (*)")});
    return run(dialog);
}

QString PickSaveBook(QWidget* owner, const QString& suggested) {
    QFileDialog dialog(owner, QStringLiteral("保存电子书"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilters({QStringLiteral("EPUB 电子书(*.epub)")});
    dialog.setDefaultSuffix(QStringLiteral("epub"));
    dialog.setDirectory(QFileInfo(suggested).path());
    dialog.selectFile(QFileInfo(suggested).fileName());
    return run(dialog);
}

QString BrowseFolder(QWidget* owner, Text& startFolder) {
    const bool hadSeparator = endsWithSeparator(startFolder);
    if (hadSeparator) startFolder.pop_back();
    // A root loses its only separator above; open at the root rather than somewhere else.
    QString openAt = toQ(startFolder);
    if (hadSeparator && (openAt.isEmpty() || openAt.endsWith(QLatin1Char(':')))) openAt += QDir::separator();
    QFileDialog dialog(owner, QStringLiteral("浏览文件夹"), openAt);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    // Not ReadOnly: the user may make a new folder from here.
    dialog.setOption(QFileDialog::ReadOnly, false);
    return run(dialog);
}

} // namespace pw
