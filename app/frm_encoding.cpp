// The encodings in the window: txtFile's right-click menu chooses how the input is read,
// cmdSaveOut's how the output is written; both choices last until the program closes. Which
// encoding the last scan used, and whether it was chosen or detected, shows in txtFile's tooltip.
#include <QActionGroup>
#include <QMenu>
#include <functional>

#include "app/frm_pagewright.h"
#include "scan/scan_pass.h"

namespace pw {

namespace {

// A submenu of exclusive choices; `chosen` is the index of the ticked one.
QMenu* addChoices(QMenu* menu, const QString& title, const QStringList& items, int chosen,
                  const std::function<void(int)>& choose) {
    QMenu* sub = menu->addMenu(title);
    auto* group = new QActionGroup(sub);
    for (int i = 0; i < items.size(); ++i) {
        QAction* a = sub->addAction(items[i]);
        a->setCheckable(true);
        a->setChecked(i == chosen);
        group->addAction(a);
        QObject::connect(a, &QAction::triggered, sub, [choose, i] { choose(i); });
    }
    return sub;
}

} // namespace

void frmPagewright::connectEncodingMenus() {
    txtFile->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(txtFile, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        std::unique_ptr<QMenu> menu(txtFileMenu());
        menu->exec(txtFile->mapToGlobal(at));
    });
    // A button has no menu of its own to extend.
    cmdSaveOut->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(cmdSaveOut, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        std::unique_ptr<QMenu> menu(cmdSaveOutMenu());
        menu->exec(cmdSaveOut->mapToGlobal(at));
    });
}

QMenu* frmPagewright::txtFileMenu() {
    QMenu* menu = txtFile->createStandardContextMenu();
    menu->addSeparator();
    QStringList items{QStringLiteral("自动")};
    int chosen = 0;
    for (std::size_t i = 0; i < std::size(kAllEncodings); ++i) {
        items << QString::fromLatin1(encodingName(kAllEncodings[i]));
        if (m_inputEncoding == kAllEncodings[i]) chosen = static_cast<int>(i) + 1;
    }
    addChoices(menu, QStringLiteral("编码"), items, chosen,
               [this](int i) { m_inputEncoding = i == 0 ? std::nullopt : std::optional(kAllEncodings[i - 1]); });
    return menu;
}

QMenu* frmPagewright::cmdSaveOutMenu() {
    auto* menu = new QMenu(cmdSaveOut);
    QStringList items;
    int chosen = 0;
    for (const OutputEncodingChoice& c : kOutputEncodings) {
        if (c.value == m_outputEncoding) chosen = static_cast<int>(items.size());
        items << toQ(c.label);
    }
    addChoices(menu, QStringLiteral("输出编码"), items, chosen,
               [this](int i) { m_outputEncoding = kOutputEncodings[static_cast<std::size_t>(i)].value; });
    addTextMenus(menu);
    menu->addSeparator();
    QAction* book = menu->addAction(QStringLiteral("输出 EPUB 电子书…"));
    book->setObjectName(QStringLiteral("actSaveEpub"));
    book->setEnabled(!m_busy);
    // Queued: the menu closes first, and the run's boxes do not open inside its event loop.
    connect(book, &QAction::triggered, this, [this] {
        QMetaObject::invokeMethod(
            this, [this] { saveEpub(); }, Qt::QueuedConnection);
    });
    return menu;
}

void frmPagewright::showScanEncoding(const ScanResult& r) {
    m_encodingTip = QStringLiteral("编码：") + QString::fromLatin1(encodingName(r.encoding)) +
                    (r.encodingDetected ? QStringLiteral("（自动识别）") : QStringLiteral("（手动指定）"));
    txtFile->setToolTip(m_encodingTip);
}

} // namespace pw
