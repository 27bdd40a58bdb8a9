#pragma once
// The book's settings before 输出 EPUB 电子书 asks where to save it: title, author, cover,
// the volume pattern and vertical writing, filled in from the analysed file's name.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <functional>

#include "app/text_choices.h"

namespace pw {

class EpubDialog : public QDialog {
    Q_OBJECT
public:
    explicit EpubDialog(QWidget* parent);

    // By objectName, for tests: txtBookTitle, txtBookAuthor, txtBookCover, txtVolumePattern, chkVertical.
    QLineEdit* txtBookTitle = nullptr;
    QLineEdit* txtBookAuthor = nullptr;
    QLineEdit* txtBookCover = nullptr;
    QPushButton* cmdBookCover = nullptr;
    QLineEdit* txtVolumePattern = nullptr;
    QCheckBox* chkVertical = nullptr;
    // chkPerVolume: a book per volume, each named by the title and the volume's line.
    QCheckBox* chkPerVolume = nullptr;
    // cboParagraphs: how paragraphs are rebuilt (its items carry the mode's name: auto, line…);
    // chkExcludeSuspects: leave out the headings the analysis flags (their count is on it).
    QComboBox* cboParagraphs = nullptr;
    QCheckBox* chkExcludeSuspects = nullptr;

    // The analysis flagged `suspects` headings that are not left out yet.
    void setSuspects(long long suspects);
    // chkClean (the built-in clean-up rules), cboConvert (繁简转换: "" or a configuration's name).
    QCheckBox* chkClean = nullptr;
    QComboBox* cboConvert = nullptr;
    void setTextChoices(const TextChoices& c);
    void takeTextChoices(TextChoices& c) const;

    // txtVolumePattern's right-click menu: its standard entries, then 自动, which puts the volume
    // rule chosen for the novel's structure in the field and says why in its tooltip.
    void offerChosenVolumes(const QString& pattern, const QString& reason);
    QMenu* volumePatternMenu();

    // Shows the dialog, or lets a test's hook fill it in and answer for it.
    bool ask();

private:
    QString m_chosenVolumes, m_chosenReason;
};

// For tests: the next EpubDialog goes to `hook` instead of being shown; it is accepted when
// the hook returns true.
void setNextEpubDialogHook(std::function<bool(EpubDialog&)> hook);

} // namespace pw
