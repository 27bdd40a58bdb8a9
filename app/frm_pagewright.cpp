#include "app/frm_pagewright.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include "app/classic_widgets.h"
#include "app/list_menus.h"
#include "app/status_line.h"
#include "options/make_out_name.h"
#include "platform/version.h"

namespace pw {

namespace {

const QColor kDarkGrey{0x40, 0x40, 0x40};

QFont titleFont(const QFont& base) {
    QFont f = base;
    f.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("WenQuanYi Micro Hei")});
    f.setPointSizeF(15.75);
    f.setWeight(QFont::Bold);
    return f;
}

void place(QWidget* w, int leftTw, int topTw, int widthTw, int heightTw) {
    w->setGeometry(tw(leftTw), tw(topTw), tw(widthTw), tw(heightTw));
}

} // namespace

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/pagewright/icon%1.png").arg(size), QSize(size, size));
    return icon;
}

frmPagewright::frmPagewright(const QString& appDir, const SettingsTable& settings, QWidget* parent)
    : QDialog(parent), m_appDir(appDir), m_settings(settings) {
    setObjectName(QStringLiteral("frmPagewright"));
    setWindowTitle(QStringLiteral("书页匠(Pagewright) v" PAGEWRIGHT_VERSION));
    setWindowIcon(appIcon());
    // A fixed single border: no resizing, a close box and a minimise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(345, 401);
    setSizeGripEnabled(false);
    setAcceptDrops(true);
    buildControls();
    m_ui = std::make_unique<QtUiPort>(this, lblState, shpDone);
    connectHandlers();
    Form_Load();
}

frmPagewright::~frmPagewright() = default;

QLabel* frmPagewright::makeLabel(QWidget* parent, const char* name, const QString& caption, int leftTw, int topTw) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->move(tw(leftTw), tw(topTw));
    l->adjustSize(); // labels size themselves to their caption
    return l;
}

void frmPagewright::buildControls() {
    QPalette fieldPalette;
    fieldPalette.setColor(QPalette::Base, kNormalColour);
    fieldPalette.setColor(QPalette::Text, kDarkGrey);

    imgIcon = new QLabel(this);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    place(imgIcon, 360, 120, 480, 480);
    imgIcon->setScaledContents(true);
    imgIcon->setPixmap(QPixmap(QStringLiteral(":/pagewright/icon48.png")));

    // The white copy lies 20 twips lower and beneath the grey one: a light edge under the strokes.
    lblTitle2 = makeLabel(this, "lblTitle(2)", QStringLiteral("小说书页匠"), 1080, 200);
    lblTitle0 = makeLabel(this, "lblTitle(0)", QStringLiteral("小说书页匠"), 1080, 180);
    for (QLabel* t : {lblTitle0, lblTitle2}) {
        t->setFont(titleFont(font()));
        t->adjustSize();
    }
    QPalette p0 = lblTitle0->palette();
    p0.setColor(QPalette::WindowText, kDarkGrey);
    lblTitle0->setPalette(p0);
    QPalette p2 = lblTitle2->palette();
    p2.setColor(QPalette::WindowText, Qt::white);
    lblTitle2->setPalette(p2);
    lblTitle1 = makeLabel(this, "lblTitle(1)", QStringLiteral("Pagewright 开发组 出品"), 1680, 600);
    QPalette p1 = lblTitle1->palette();
    p1.setColor(QPalette::WindowText, QColor(0, 0, 128));
    lblTitle1->setPalette(p1);

    cmdAbout = new QPushButton(QStringLiteral("关于(&T)"), this);
    cmdAbout->setObjectName(QStringLiteral("cmdAbout"));
    place(cmdAbout, 4200, 240, 800, 320);

    fraOption = new QGroupBox(QStringLiteral("选项(&P)："), this);
    fraOption->setObjectName(QStringLiteral("fraOption"));
    place(fraOption, 120, 840, 4935, 1845);

    const auto field = [&](const char* name, int l, int t, int w, bool readOnly) {
        auto* e = new QLineEdit(fraOption);
        e->setObjectName(QString::fromLatin1(name));
        place(e, l, t, w, 270);
        e->setPalette(fieldPalette);
        e->setAutoFillBackground(true);
        e->setReadOnly(readOnly);
        e->setMaxLength(std::numeric_limits<int>::max()); // no length limit
        return e;
    };
    const auto picker = [&](const char* name, int t) {
        auto* b = new QPushButton(QStringLiteral("…"), fraOption);
        b->setObjectName(QString::fromLatin1(name));
        place(b, 4545, t, 270, 270);
        return b;
    };

    lbl[0] = makeLabel(fraOption, "lbl(0)", QStringLiteral("选择文件："), 120, 270);
    txtFile = field("txtFile", 1080, 220, 3345, true);
    cmdOpenIn = picker("cmdOpenIn", 220);
    lbl[1] = makeLabel(fraOption, "lbl(1)", QStringLiteral("输出路径："), 120, 555);
    txtOut = field("txtOut", 1080, 505, 3345, true);
    cmdOpenOut = picker("cmdOpenOut", 505);
    lbl[2] = makeLabel(fraOption, "lbl(2)", QStringLiteral("输出文件："), 120, 840);
    txtFileOut = field("txtFileOut", 1080, 790, 1815, false);
    lbl[4] = makeLabel(fraOption, "lbl(4)", QStringLiteral("每个文件"), 3000, 840);
    txtNum = field("txtNum", 3820, 790, 600, false);
    txtNum->setAlignment(Qt::AlignRight);
    txtNum->setAttribute(Qt::WA_InputMethodEnabled, false);
    lbl[5] = makeLabel(fraOption, "lbl(5)", QStringLiteral("章"), 4560, 840);
    lbl[3] = makeLabel(fraOption, "lbl(3)", QStringLiteral("查找条件："), 120, 1125);
    txtFindStr = field("txtFindStr", 1080, 1080, 3735, false);

    chkDeleteSpc = new ClassicCheckBox(QStringLiteral("删除空行"), fraOption);
    chkDeleteSpc->setObjectName(QStringLiteral("chkDeleteSpc"));
    place(chkDeleteSpc, 120, 1420, 1215, 255);
    chkDoEvents = new ClassicCheckBox(QStringLiteral("DoEvents"), fraOption);
    chkDoEvents->setObjectName(QStringLiteral("chkDoEvents"));
    // The caption is the classic one; what it does is said here in plain words.
    chkDoEvents->setToolTip(QStringLiteral("分析时窗口保持响应：找到的标题随时列出，也可以中途关闭窗口；"
                                           "不勾选时分析稍快，但分析完之前窗口没有反应"));
    place(chkDoEvents, 1320, 1420, 1215, 255);

    cmdAnalyze = new QPushButton(QStringLiteral("分析(&A)"), fraOption);
    cmdAnalyze->setObjectName(QStringLiteral("cmdAnalyze"));
    place(cmdAnalyze, 3135, 1395, 800, 320);
    cmdAnalyze->setDefault(true);
    cmdSaveOut = new QPushButton(QStringLiteral("输出(&O)"), fraOption);
    cmdSaveOut->setObjectName(QStringLiteral("cmdSaveOut"));
    place(cmdSaveOut, 4020, 1395, 800, 320);

    fraPreview = new QGroupBox(QStringLiteral("预览(&V)："), this);
    fraPreview->setObjectName(QStringLiteral("fraPreview"));
    place(fraPreview, 120, 2760, 4935, 2700);

    lstMemo = new ClassicListBox(fraPreview);
    lstMemo->setObjectName(QStringLiteral("lstMemo"));
    place(lstMemo, 120, 240, 4695, 2340);
    m_headings = new HeadingModel(lstMemo);
    lstMemo->setModel(m_headings);
    lstMemo->setUniformItemSizes(true);
    lstMemo->setSelectionMode(QAbstractItemView::MultiSelection); // a plain click toggles one entry
    lstMemo->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    lstMemo->setTextElideMode(Qt::ElideNone);
    m_headings->setRowHeight(lstMemo->fontMetrics().height() + 2);

    fraState = new QGroupBox(this);
    fraState->setObjectName(QStringLiteral("fraState"));
    place(fraState, 120, 5460, 4935, 440);
    shpDone = new QWidget(fraState);
    shpDone->setObjectName(QStringLiteral("shpDone"));
    place(shpDone, 30, 120, 15, 300);
    shpDone->resize(1, shpDone->height());
    QPalette sp = shpDone->palette();
    sp.setColor(QPalette::Window, QGuiApplication::palette().color(QPalette::ToolTipBase));
    shpDone->setPalette(sp);
    shpDone->setAutoFillBackground(true);
    lblState = new StatusLine(QStringLiteral("请打开文件..."), fraState);
    lblState->setObjectName(QStringLiteral("lblState"));
    lblState->move(tw(120), tw(170));
    lblState->adjustSize();
    lblState->raise(); // the status stays readable over the progress bar

    // What a screen reader says for each control that has no caption of its own: the label
    // beside it (without the colon), or what the control is for. lblState is named by the
    // message it shows (app/status_line.h).
    const std::pair<QWidget*, const char16_t*> spoken[] = {
        {txtFile, u"选择文件"},    {txtOut, u"输出路径"},    {txtFileOut, u"输出文件"},   {txtNum, u"每个文件的章数"},
        {txtFindStr, u"查找条件"}, {cmdOpenIn, u"打开文件"}, {cmdOpenOut, u"浏览文件夹"}, {lstMemo, u"预览"},
    };
    for (const auto& [control, name] : spoken)
        control->setAccessibleName(QString::fromUtf16(name));

    // Focus order over the controls that take the focus.
    QWidget* chain[] = {txtFile,      cmdOpenIn,   txtOut,     cmdOpenOut, txtFileOut, txtNum,  txtFindStr,
                        chkDeleteSpc, chkDoEvents, cmdAnalyze, cmdSaveOut, lstMemo,    cmdAbout};
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i)
        setTabOrder(chain[i], chain[i + 1]);
    for (QLabel* l : findChildren<QLabel*>())
        l->setFocusPolicy(Qt::NoFocus);
}

void frmPagewright::connectHandlers() {
    connect(cmdAnalyze, &QPushButton::clicked, this, &frmPagewright::cmdAnalyze_Click);
    connect(cmdSaveOut, &QPushButton::clicked, this, &frmPagewright::cmdSaveOut_Click);
    connect(cmdOpenIn, &QPushButton::clicked, this, &frmPagewright::cmdOpenIn_Click);
    connect(cmdOpenOut, &QPushButton::clicked, this, &frmPagewright::cmdOpenOut_Click);
    connect(cmdAbout, &QPushButton::clicked, this, &frmPagewright::cmdAbout_Click);
    // Any change of the selection by the user, with the mouse or with the space bar.
    connect(lstMemo->selectionModel(), &QItemSelectionModel::selectionChanged, this, &frmPagewright::lstMemo_Click);
    connect(txtFile, &QLineEdit::textChanged, this, &frmPagewright::txtFile_Change);
    connect(txtOut, &QLineEdit::textChanged, this, &frmPagewright::txtOut_Change);
    connect(txtFileOut, &QLineEdit::textChanged, this, &frmPagewright::txtFileOut_Change);
    connect(txtFindStr, &QLineEdit::textChanged, this, &frmPagewright::txtFindStr_Change);
    connect(txtNum, &QLineEdit::textChanged, this, &frmPagewright::txtNum_Change);
    installListMenus(*this);
    connectEncodingMenus();
}

void frmPagewright::Form_Load() {
    m_state.clearAnalysis();
    m_startupError = loadSettings(m_settings, fromQ(m_appDir), m_state);
    if (m_startupError) return;
    txtOut->setText(toQ(m_state.strOutDir));
    txtFileOut->setText(toQ(MakeOutName(m_state, 1, true)));
    txtFindStr->setText(toQ(m_state.strFindStr));
    txtNum->setText(QString::number(m_state.lngChapsPerFile));
    chkDeleteSpc->setChecked(m_state.blnDeleteSpc);
    chkDoEvents->setChecked(m_state.blnDoEvents);
    lblState->setText(QStringLiteral("请打开文件..."));
    lblState->adjustSize();
    m_headings->clear();
    for (QPushButton* b : findChildren<QPushButton*>())
        SetFlatStyle(b);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

void frmPagewright::SetFlatStyle(QPushButton* b) {
    b->setFlat(true);
}

void frmPagewright::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (e->spontaneous()) return;
    if (const QScreen* s = screen()) {
        const QRect r = s->availableGeometry();
        move(r.center() - QPoint(width() / 2, height() / 2));
    }
    txtFile->setFocus(Qt::OtherFocusReason);
}

void frmPagewright::keyPressEvent(QKeyEvent* e) {
    // Escape does not close the window: only the close box does.
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void frmPagewright::closeEvent(QCloseEvent* e) {
    if (m_busy) {
        // Let the running pass stop at its next turn; it closes its files, then the window closes.
        m_ui->requestStop();
        m_closeAfterPass = true;
        e->ignore();
        return;
    }
    e->accept();
}

void frmPagewright::setBusy(bool busy) {
    m_busy = busy;
    for (QPushButton* b : {cmdAnalyze, cmdSaveOut, cmdOpenIn, cmdOpenOut, cmdAbout})
        b->setEnabled(!busy);
    if (!busy && m_closeAfterPass) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void frmPagewright::paintField(QLineEdit* field, bool warn) {
    QPalette p = field->palette();
    p.setColor(QPalette::Base, warn ? kWarnColour : kNormalColour);
    field->setPalette(p);
}

} // namespace pw
