#include "app/chapter_preview_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace pw {

void showChapterPreview(QWidget* owner, const QString& heading, const QString& text) {
    auto* box = new QDialog(owner);
    box->setObjectName(QStringLiteral("dlgChapterPreview"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(QStringLiteral("预览本章 - ") + heading);
    auto* view = new QPlainTextEdit(box);
    view->setObjectName(QStringLiteral("txtChapterText"));
    view->setReadOnly(true);
    view->setPlainText(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, box);
    QObject::connect(buttons, &QDialogButtonBox::rejected, box, &QDialog::close);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(view);
    layout->addWidget(buttons);
    box->resize(520, 420);
    box->show();
}

} // namespace pw
