// 净化 and 繁简转换 in the window: the choices in cmdSaveOut's right-click menu, the preview
// of what the clean-up rules would do, and the stages an output run gets from the choices.
#include <QActionGroup>
#include <QFileDialog>
#include <QMessageBox>

#include "app/clean_preview_dialog.h"
#include "app/frm_pagewright.h"
#include "app/text_choices.h"
#include "output/split_run.h"
#include "stages/chapter_rules.h"
#include "stages/clean_preview.h"
#include "stages/clean_stage.h"
#include "stages/convert_stage.h"

namespace pw {

void frmPagewright::addTextMenus(QMenu* menu) {
    QMenu* clean = menu->addMenu(QStringLiteral("净化"));
    clean->setObjectName(QStringLiteral("mnuClean"));
    QAction* builtIn = clean->addAction(QStringLiteral("去掉广告、网址行、重复的标题和段落"));
    builtIn->setObjectName(QStringLiteral("actCleanBuiltIn"));
    builtIn->setCheckable(true);
    builtIn->setChecked(m_textChoices.clean);
    connect(builtIn, &QAction::toggled, this, [this](bool on) { m_textChoices.clean = on; });
    QAction* add = clean->addAction(QStringLiteral("添加替换规则文件（legado）…"));
    add->setObjectName(QStringLiteral("actCleanAddRules"));
    connect(add, &QAction::triggered, this, [this] {
        const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("添加替换规则文件"), m_openFrom,
                                                          QStringLiteral("替换规则 (*.json);;所有文件 (*)"));
        if (file.isEmpty()) return;
        TextChoices one;
        one.ruleFiles << file;
        const ChosenRules loaded = loadChosenRules(one);
        if (!loaded.rules) {
            QMessageBox::warning(this, windowTitle(), loaded.error);
            return;
        }
        if (!m_textChoices.ruleFiles.contains(file)) m_textChoices.ruleFiles << file;
    });
    for (const QString& file : m_textChoices.ruleFiles)
        clean->addAction(QStringLiteral("　") + file)->setEnabled(false);
    QAction* drop = clean->addAction(QStringLiteral("不用规则文件"));
    drop->setObjectName(QStringLiteral("actCleanDropRules"));
    drop->setEnabled(!m_textChoices.ruleFiles.isEmpty());
    connect(drop, &QAction::triggered, this, [this] { m_textChoices.ruleFiles.clear(); });
    clean->addSeparator();
    QAction* preview = clean->addAction(QStringLiteral("预览净化…"));
    preview->setObjectName(QStringLiteral("actCleanPreview"));
    preview->setEnabled(!m_busy && m_textChoices.cleaning());
    connect(preview, &QAction::triggered, this, [this] {
        QMetaObject::invokeMethod(
            this, [this] { showCleanPreview(); }, Qt::QueuedConnection);
    });

    QMenu* convert = menu->addMenu(QStringLiteral("繁简转换"));
    convert->setObjectName(QStringLiteral("mnuConvert"));
    auto* group = new QActionGroup(convert);
    const auto choice = [&](const QString& name, const QString& label) {
        QAction* a = convert->addAction(label);
        a->setCheckable(true);
        a->setChecked(m_textChoices.convert == name);
        a->setData(name);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, name] { m_textChoices.convert = name; });
    };
    choice(QString(), QStringLiteral("不转换"));
    for (const ConversionChoice& c : conversionChoices())
        choice(c.name, c.label);
}

void frmPagewright::showCleanPreview() {
    if (m_busy || !m_textChoices.cleaning()) return;
    if (!precheckSplit(m_state, m_headings->rowCount(), *m_ui)) return;
    const ChosenRules chosen = loadChosenRules(m_textChoices);
    if (!chosen.rules) {
        m_ui->messageBox({MsgId::ReadFailed, fromQ(chosen.error)});
        return;
    }
    setBusy(true);
    const CleanPreview preview =
        previewClean(m_state.strAnalyzedFile, m_analyzedEncoding, m_state.lngMatchLines, chosen.rules, *m_ui);
    setBusy(false);
    if (preview.stopped) return;
    if (preview.failure) {
        m_ui->messageBox({MsgId::ReadFailed, Text(u"读取失败：") + *preview.failure, m_state.strAnalyzedFile});
        return;
    }
    CleanPreviewDialog dialog(preview, this);
    dialog.ask();
}

bool frmPagewright::textStagesFor(bool book, StageList& stages, std::shared_ptr<const ChineseConverter>& converter) {
    if (m_textChoices.cleaning()) {
        const ChosenRules chosen = loadChosenRules(m_textChoices);
        if (!chosen.rules) {
            m_ui->messageBox({MsgId::ReadFailed, fromQ(chosen.error)});
            return false;
        }
        auto tally = std::make_shared<CleanTally>();
        if (chosen.rules->acrossCount() > 0) stages.insert(stages.begin(), chapterRulesStage(chosen.rules, tally));
        stages.insert(stages.begin(), cleanStage(chosen.rules, tally, nullptr, book));
    }
    converter.reset();
    if (!m_textChoices.convert.isEmpty()) {
        converter = ChineseConverter::open(m_textChoices.convert.toStdString());
        if (!converter) {
            m_ui->messageBox({MsgId::ReadFailed, u"无法载入 OpenCC 的转换配置 " + fromQ(m_textChoices.convert) +
                                                     u"，请检查 opencc-data 是否完整安装"});
            return false;
        }
        stages.push_back(convertStage(converter));
    }
    return true;
}

} // namespace pw
