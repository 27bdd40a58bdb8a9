// Option intake, field feedback, the pickers, the About box and file drops.
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>

#include "app/frm_pagewright.h"
#include "app/pickers.h"
#include "app/start_folder.h"
#include "options/feedback.h"
#include "options/intake.h"
#include "platform/paths.h"

namespace pw {

namespace {

int checkValue(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Checked:
        break;
    }
    return 1;
}

Text textOf(const QLineEdit* field) {
    return fromQ(field->text());
}

// The one rule for a chosen or dropped input file: a text file fills txtFile (whose change
// reaction judges it), anything else is refused and the field keeps its text.
void takeInputFile(frmPagewright& w, const QString& path) {
    // A name that is not UTF-8 comes back from the file dialog with U+FFFD in place of its
    // bytes: no file has that name, and saying so now beats "not found" at the scan.
    if (path.contains(QChar::ReplacementCharacter) && !isRegularFile(fromQ(path))) {
        w.ui().messageBox({MsgId::UnreadableFileName, kUnreadableFileName});
        return;
    }
    switch (judgeInputFile(fromQ(path))) {
    case InputFileVerdict::Ignore:
        return;
    case InputFileVerdict::Accept:
        w.txtFile->setText(path);
        return;
    case InputFileVerdict::Refuse:
        w.ui().messageBox({MsgId::NotTextFile, kNotTextFile});
        return;
    }
}

// A drop is offered only for one local, existing file; folders and several files are not.
QString droppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) return {};
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
    // The address carries the name's bytes percent-encoded; toLocalFile() would decode them
    // as UTF-8 and lose a GBK name. Kept as bytes, the core's paths take them unchanged.
    const QByteArray bytes = QByteArray::fromPercentEncoding(urls.front().path(QUrl::FullyEncoded).toLatin1());
    const QString path = toQ(fromNativeBytes(std::string_view(bytes.constData(), std::size_t(bytes.size()))));
    return isRegularFile(fromQ(path)) ? QDir::toNativeSeparators(path) : QString();
}

} // namespace

bool frmPagewright::CheckOptions(std::int32_t lngResetColour) {
    OptionFields fields;
    fields.txtFile = textOf(txtFile);
    fields.txtOut = textOf(txtOut);
    fields.txtFileOut = textOf(txtFileOut);
    fields.txtFindStr = textOf(txtFindStr);
    fields.txtNum = textOf(txtNum);
    fields.chkDeleteSpc = checkValue(chkDeleteSpc);
    fields.chkDoEvents = checkValue(chkDoEvents);
    fields.outputEncoding = m_outputEncoding;

    FieldWriteBacks back;
    const bool ok = pw::CheckOptions(fields, lngResetColour, m_state, ui(), back);
    // Write-backs made before a refusal stand, as the state members do.
    if (back.txtFileOut) txtFileOut->setText(toQ(*back.txtFileOut));
    if (back.txtFindStr) txtFindStr->setText(toQ(*back.txtFindStr));
    if (back.txtNum) txtNum->setText(toQ(*back.txtNum));
    if (back.txtFileWhite) paintField(txtFile, false);
    return ok;
}

void frmPagewright::txtFile_Change() {
    paintField(txtFile, txtFileWarns(textOf(txtFile), m_state.strAnalyzedFile));
    // The encoding shown is that of the file analysed last.
    txtFile->setToolTip(textOf(txtFile) == m_state.strAnalyzedFile ? m_encodingTip : QString());
}
void frmPagewright::txtOut_Change() {
    paintField(txtOut, txtOutWarns(textOf(txtOut)));
}
void frmPagewright::txtFileOut_Change() {
    paintField(txtFileOut, txtFileOutWarns(textOf(txtFileOut)));
}
void frmPagewright::txtFindStr_Change() {
    paintField(txtFindStr, txtFindStrWarns(textOf(txtFindStr)));
}
void frmPagewright::txtNum_Change() {
    paintField(txtNum, txtNumWarns(textOf(txtNum)));
}

void frmPagewright::lstMemo_Click() {
    const int entries = m_headings->rowCount();
    if (entries == 0) return;
    // The selection model keeps ranges: counting its rows costs nothing like a walk of the list.
    const std::int64_t selected = lstMemo->selectionModel()->selectedRows().size();
    ui().setStatus(memoStatusText(m_state.lngFileSize, m_state.lngMatchCount, selected));
}

void frmPagewright::cmdOpenIn_Click() {
    takeChosenFile(PickOpenFile(this, m_openFrom.isEmpty() ? m_appDir : m_openFrom));
}

void frmPagewright::openInputFile(const QString& path) {
    takeChosenFile(path);
}

void frmPagewright::takeChosenFile(const QString& path) {
    // The next dialog opens where this file came from: the next volume usually lies beside it.
    if (!path.isEmpty()) m_openFrom = QDir::toNativeSeparators(QFileInfo(path).absolutePath());
    takeInputFile(*this, path);
}

void frmPagewright::cmdOpenOut_Click() {
    // The browser starts where the last intake left strOutDir, not at a folder picked since.
    const QString folder = BrowseFolder(this, m_state.strOutDir);
    if (!folder.isEmpty()) txtOut->setText(folder);
}

void frmPagewright::cmdAbout_Click() {
    // The project has no web page: the last line points to the README that comes with the
    // program, found from the program's own folder (m_appDir is where the window starts).
    const QString about = QStringLiteral("书页匠(Pagewright) 由 Pagewright 开发组编写完成\r\n"
                                         "它可以根据章节标题来切割文本文件，使你快速定位到某一章\r\n"
                                         "\r\n"
                                         "使用说明：") +
                          readmePath(QCoreApplication::applicationDirPath());
    ui().messageBox({MsgId::About, fromQ(about)});
    txtFile->setFocus(Qt::OtherFocusReason);
}

void frmPagewright::dragEnterEvent(QDragEnterEvent* e) {
    // While a pass runs the pickers are off, and so are drops.
    if (!busy() && !droppedFile(e->mimeData()).isEmpty()) {
        e->acceptProposedAction();
        return;
    }
    e->ignore();
}

void frmPagewright::dropEvent(QDropEvent* e) {
    const QString path = busy() ? QString() : droppedFile(e->mimeData());
    if (path.isEmpty()) {
        e->ignore();
        return;
    }
    e->acceptProposedAction();
    takeChosenFile(path);
}

} // namespace pw
