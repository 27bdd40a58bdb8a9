#pragma once
// The one window. It lays out the controls and wires them to the core: the option
// intake, the scan and the split writer live in options/, scan/ and split/. The event
// handlers keep their classic names; each group of them has its own source file.
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <memory>
#include <optional>

#include "app/classic_widgets.h"
#include "app/heading_model.h"
#include "app/qt_ui_port.h"
#include "app/text_choices.h"
#include "job/job.h"
#include "options/settings.h"
#include "options/working_state.h"
#include "platform/encoding.h"
#include "walk/exclusions.h"

namespace pw {

struct ScanResult;

class frmPagewright : public QDialog {
    Q_OBJECT
public:
    // `appDir` stands for the program's folder: the output folder of the "default" setting and
    // where the open-file dialog first opens (main passes startFolder(), app/start_folder.h);
    // `settings` is the table to start from.
    explicit frmPagewright(const QString& appDir, const SettingsTable& settings = shippedSettings(),
                           QWidget* parent = nullptr);
    ~frmPagewright() override;

    WorkingState& state() { return m_state; }
    Encoding analyzedEncoding() const { return m_analyzedEncoding; }
    QtUiPort& ui() { return *m_ui; }
    HeadingModel& headings() { return *m_headings; }
    // Set when the settings table could not be loaded; main shows it and ends.
    const std::optional<Text>& startupError() const { return m_startupError; }
    // True while a scan or an output run is under way.
    bool busy() const { return m_busy; }

    // The working state's option intake, with its message boxes (1 resets txtFile's colour).
    bool CheckOptions(std::int32_t lngResetColour);
    // The scan once the options are taken in: what cmdAnalyze_Click runs after CheckOptions(1).
    void analyzeCheckedOptions();
    // The output run once the options are taken (the part of cmdSaveOut_Click after
    // CheckOptions): excluded headings are the selected entries of lstMemo.
    void saveOutChecked();
    // 输出 EPUB 电子书… in cmdSaveOut's menu: the checks of 输出, the book's settings, where to
    // save it, then the run with the list's selection left out.
    void saveEpub();
    // A file named on the command line ("Open with" in a file manager): taken in exactly as a
    // file chosen with cmdOpenIn.
    void openInputFile(const QString& path);
    // The right-click menus of txtFile (its standard menu and 编码) and of cmdSaveOut (输出编码),
    // as they would open now; the caller owns them. A choice made in them stays for the session.
    QMenu* txtFileMenu();
    QMenu* cmdSaveOutMenu();
    // 净化 and 繁简转换, chosen in cmdSaveOut's menu or the book's dialog (frm_text.cpp).
    TextChoices& textChoices() { return m_textChoices; }
    // What the clean-up rules would do to the analysed file, in a dialog.
    void showCleanPreview();
    // The rule 自动 last put into txtFindStr and the volume rule chosen with it: while the field
    // still holds that rule, the book's dialog proposes those volumes.
    struct ChosenRule {
        Text pattern, volumePattern;
    } chosenRule;

public slots:
    void cmdAnalyze_Click();
    void cmdSaveOut_Click();
    void cmdOpenIn_Click();
    void cmdOpenOut_Click();
    void cmdAbout_Click();
    void lstMemo_Click();

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void buildControls();
    void Form_Load();
    void SetFlatStyle(QPushButton* b);
    void connectHandlers();
    // Field feedback: each field judges its own text on every change.
    void txtFile_Change();
    void txtOut_Change();
    void txtFileOut_Change();
    void txtFindStr_Change();
    void txtNum_Change();
    void paintField(QLineEdit* field, bool warn);
    // A file chosen in the dialog, dropped or named on the command line.
    void takeChosenFile(const QString& path);
    // While a pass runs, the main buttons, the pickers and About are refused.
    void setBusy(bool busy);
    void connectEncodingMenus();
    // The rows selected in lstMemo: the headings to leave out.
    RowRanges selectedRows() const;
    void showScanEncoding(const ScanResult& r);
    void addTextMenus(QMenu* menu);
    // The clean-up rules and conversion chosen in the menus, with the paragraphs asked for.
    StageRequest stageRequestFor(std::optional<ParagraphMode> paragraphs) const;
    // Their rules and converter; nothing after telling why not.
    std::optional<LoadedStages> loadStagesFor(const StageRequest& r);
    // Runs `job` on the list's scan of the analysed file, the buttons off meanwhile.
    JobResult runJob(Job& job, const LoadedStages& loaded);

    QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, int leftTw, int topTw);

    WorkingState m_state;
    std::unique_ptr<QtUiPort> m_ui;
    std::optional<Text> m_startupError;
    bool m_busy = false;
    bool m_closeAfterPass = false;
    QString m_appDir;
    QString m_openFrom; // the folder of the file chosen last; empty until one is
    SettingsTable m_settings;
    std::optional<Encoding> m_inputEncoding; // none: each file's own is detected
    Encoding m_analyzedEncoding = Encoding::Gb18030; // what the last finished scan decided
    OutputEncoding m_outputEncoding = OutputEncoding::Keep; // the output button's menu
    QString m_encodingTip;                   // which encoding the last finished scan used
    TextChoices m_textChoices;

public:
    // The controls, by the names they carry as objectName.
    QLabel* imgIcon = nullptr;
    QLabel* lblTitle0 = nullptr;
    QLabel* lblTitle1 = nullptr;
    QLabel* lblTitle2 = nullptr;
    QPushButton* cmdAbout = nullptr;
    QGroupBox* fraOption = nullptr;
    QLineEdit* txtFile = nullptr;
    QPushButton* cmdOpenIn = nullptr;
    QLineEdit* txtOut = nullptr;
    QPushButton* cmdOpenOut = nullptr;
    QLineEdit* txtFileOut = nullptr;
    QLineEdit* txtNum = nullptr;
    QLineEdit* txtFindStr = nullptr;
    QCheckBox* chkDeleteSpc = nullptr;
    QCheckBox* chkDoEvents = nullptr;
    QPushButton* cmdAnalyze = nullptr;
    QPushButton* cmdSaveOut = nullptr;
    QGroupBox* fraPreview = nullptr;
    ClassicListBox* lstMemo = nullptr;
    QGroupBox* fraState = nullptr;
    QWidget* shpDone = nullptr;
    QLabel* lblState = nullptr;
    QLabel* lbl[6] = {};

private:
    HeadingModel* m_headings = nullptr;
};

// The program's icon: one icon with its 16, 32 and 48 pixel images.
QIcon appIcon();

// Measures: the layout is given in twips, 15 to the pixel.
constexpr int tw(int twips) {
    return twips / 15;
}

// The two background colours of the fields.
inline const QColor kWarnColour{255, 192, 192};
inline const QColor kNormalColour{255, 255, 255};

} // namespace pw
