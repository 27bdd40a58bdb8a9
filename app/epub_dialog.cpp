#include "app/epub_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <deque>

#include "app/pickers.h"
#include "app/qt_ui_port.h"
#include "stages/paragraphs.h"

namespace pw {

namespace {

std::deque<std::function<bool(EpubDialog&)>>& hooks() {
    static std::deque<std::function<bool(EpubDialog&)>> queue;
    return queue;
}

QLineEdit* field(QWidget* parent, const char* name) {
    auto* f = new QLineEdit(parent);
    f->setObjectName(QString::fromLatin1(name));
    return f;
}

} // namespace

void EpubDialog::offerChosenVolumes(const QString& pattern, const QString& reason) {
    m_chosenVolumes = pattern;
    m_chosenReason = reason;
}

QMenu* EpubDialog::volumePatternMenu() {
    QMenu* menu = txtVolumePattern->createStandardContextMenu();
    menu->setParent(this, menu->windowFlags());
    menu->addSeparator();
    QAction* automatic = menu->addAction(QStringLiteral("自动"), this, [this] {
        txtVolumePattern->setText(m_chosenVolumes);
        txtVolumePattern->setToolTip(m_chosenReason);
    });
    automatic->setToolTip(m_chosenReason);
    automatic->setEnabled(!m_chosenReason.isEmpty());
    menu->setToolTipsVisible(true);
    return menu;
}

void setNextEpubDialogHook(std::function<bool(EpubDialog&)> hook) {
    hooks().push_back(std::move(hook));
}

EpubDialog::EpubDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("输出 EPUB 电子书"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    txtBookTitle = field(this, "txtBookTitle");
    txtBookAuthor = field(this, "txtBookAuthor");
    txtBookCover = field(this, "txtBookCover");
    txtBookCover->setPlaceholderText(QStringLiteral("JPEG 或 PNG 图片，可不填"));
    cmdBookCover = new QPushButton(QStringLiteral("…"), this);
    cmdBookCover->setObjectName(QStringLiteral("cmdBookCover"));
    cmdBookCover->setFixedWidth(cmdBookCover->fontMetrics().horizontalAdvance(QStringLiteral("…")) + 24);
    txtVolumePattern = field(this, "txtVolumePattern");
    txtVolumePattern->setPlaceholderText(QStringLiteral("符合的标题成为目录的第一层，可不填"));
    txtVolumePattern->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(txtVolumePattern, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = volumePatternMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(txtVolumePattern->mapToGlobal(at));
    });
    chkVertical = new QCheckBox(QStringLiteral("竖排（从右到左翻页）"), this);
    chkVertical->setObjectName(QStringLiteral("chkVertical"));
    chkPerVolume = new QCheckBox(QStringLiteral("每卷一本电子书（以书名加卷名命名）"), this);
    chkPerVolume->setObjectName(QStringLiteral("chkPerVolume"));
    chkPerVolume->setToolTip(QStringLiteral("按卷标题条件找到的每一卷各做成一本电子书，放进所选的文件夹"));
    chkClean = new QCheckBox(QStringLiteral("净化（去掉广告、网址行、重复的标题和段落）"), this);
    chkClean->setObjectName(QStringLiteral("chkClean"));
    cboConvert = new QComboBox(this);
    cboConvert->setObjectName(QStringLiteral("cboConvert"));
    cboConvert->addItem(QStringLiteral("不转换"), QString());
    bool common = true;
    for (const ConversionChoice& c : conversionChoices()) {
        if (common && !c.common) cboConvert->insertSeparator(cboConvert->count());
        common = c.common;
        cboConvert->addItem(c.label, c.name);
    }

    cboParagraphs = new QComboBox(this);
    cboParagraphs->setObjectName(QStringLiteral("cboParagraphs"));
    for (const ParagraphMode m : {ParagraphMode::Auto, ParagraphMode::Line, ParagraphMode::Blank, ParagraphMode::Indent,
                                  ParagraphMode::Unwrap})
        cboParagraphs->addItem(toQ(paragraphModeText(m)), QString::fromLatin1(paragraphModeName(m)));
    cboParagraphs->setToolTip(QStringLiteral("自动：按文件的排版选择；折行的文本（每段分成几行）合并成段"));
    chkExcludeSuspects = new QCheckBox(QStringLiteral("排除可疑标题"), this);
    chkExcludeSuspects->setObjectName(QStringLiteral("chkExcludeSuspects"));
    setSuspects(0);

    auto* cover = new QHBoxLayout;
    cover->addWidget(txtBookCover);
    cover->addWidget(cmdBookCover);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("书名："), txtBookTitle);
    form->addRow(QStringLiteral("作者："), txtBookAuthor);
    form->addRow(QStringLiteral("封面："), cover);
    form->addRow(QStringLiteral("卷标题条件："), txtVolumePattern);
    form->addRow(QStringLiteral("段落："), cboParagraphs);
    form->addRow(QString(), chkVertical);
    form->addRow(QString(), chkPerVolume);
    form->addRow(QString(), chkExcludeSuspects);
    form->addRow(QString(), chkClean);
    form->addRow(QStringLiteral("繁简转换："), cboConvert);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cmdBookCover, &QPushButton::clicked, this, [this] {
        const QString chosen = PickImageFile(this, txtBookCover->text());
        if (!chosen.isEmpty()) txtBookCover->setText(chosen);
    });
    resize(420, sizeHint().height());
}

void EpubDialog::setTextChoices(const TextChoices& c) {
    chkClean->setChecked(c.clean);
    cboConvert->setCurrentIndex(std::max(0, cboConvert->findData(c.convert)));
}

void EpubDialog::takeTextChoices(TextChoices& c) const {
    c.clean = chkClean->isChecked();
    c.convert = cboConvert->currentData().toString();
}

void EpubDialog::setSuspects(long long suspects) {
    chkExcludeSuspects->setText(suspects > 0 ? QStringLiteral("排除可疑标题（%1 个）").arg(suspects)
                                             : QStringLiteral("排除可疑标题"));
    chkExcludeSuspects->setEnabled(suspects > 0);
    if (suspects == 0) chkExcludeSuspects->setChecked(false);
}

bool EpubDialog::ask() {
    if (!hooks().empty()) {
        const auto hook = std::move(hooks().front());
        hooks().pop_front();
        return hook(*this);
    }
    return exec() == QDialog::Accepted;
}

} // namespace pw
