// The window's own behaviour: the option intake's boxes and write-backs, the fields' live
// colours, the list caption, the two pickers, the About box and file drops.
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QStyleFactory>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "app/frm_pagewright.h"
#include "app/pickers.h"
#include "platform/paths.h"
#include "support/corpus.h"

using namespace pw;

namespace {

const QColor kRed(255, 192, 192);
const QColor kWhite(255, 255, 255);

QColor base(const QLineEdit* f) {
    return f->palette().color(QPalette::Base);
}
QString q(const std::filesystem::path& p) {
    return toQ(fromPath(p));
}
QString native(const std::filesystem::path& p) {
    return QDir::toNativeSeparators(q(p));
}

// Waits for the next modal box or dialog, hands it to `act`, which looks at it and closes it.
// The polling timer only finds the box; nothing here depends on how long anything takes.
void whenModalAppears(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* m = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(m);
        }
    });
    timer->start();
}

} // namespace

class TestIntake : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<pwtest::ScratchDir> dir;
    std::unique_ptr<frmPagewright> w;

    QtUiPort::Shown last() { return w->ui().shown().empty() ? QtUiPort::Shown{} : w->ui().shown().back(); }
    // Fields that pass the intake; each test spoils one.
    void fillUsable() {
        w->txtFile->setText(native(dir->path() / "全集.txt"));
        w->txtOut->setText(native(dir->path()));
        w->txtFileOut->setText(QStringLiteral("小说01"));
        w->txtFindStr->setText(QStringLiteral("第(.){1,10}章"));
        w->txtNum->setText(QStringLiteral("6"));
    }
    // One intake with a scripted answer queue; true when it let the caller go on.
    bool intake(std::initializer_list<MsgAnswer> answers = {}) {
        w->ui().clearShown();
        for (MsgAnswer a : answers)
            w->ui().setNextAnswer(a);
        return w->CheckOptions(1);
    }

private slots:
    void init() {
        dir = std::make_unique<pwtest::ScratchDir>();
        w = std::make_unique<frmPagewright>(q(dir->path()));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void cleanup() {
        w.reset();
        dir.reset();
    }

    void intakeRefusalsAndOfferReachTheirBoxes() {
        struct Case {
            std::function<void()> spoil;
            QString text;
            MsgStyle style;
        };
        pwtest::writeAll(dir->path() / "plain", "x");
        const Case cases[] = {
            {[&] { w->txtFile->setText(QStringLiteral("  ")); }, QStringLiteral("请重新选择文件！"), MsgStyle::Refusal},
            {[&] { w->txtOut->clear(); }, QStringLiteral("请选择输出目录！"), MsgStyle::Refusal},
            {[&] { w->txtOut->setText(native(dir->path() / "新")); }, QStringLiteral("目录不存在，创建吗？"),
             MsgStyle::Offer},
            {[&] { w->txtFileOut->setText(QStringLiteral(" <|> ")); }, QStringLiteral("输出文件名不正确！"),
             MsgStyle::Refusal},
            {[&] { w->txtOut->setText(native(dir->path() / "plain")); },
             QStringLiteral("输出路径是一个文件，不是目录：") + native(dir->path() / "plain"), MsgStyle::Refusal},
            {[&] { w->txtNum->setText(QStringLiteral("4294967296")); },
             QStringLiteral("每个文件的章数超出范围（1 到 2147483647）！"), MsgStyle::Refusal},
            {[&] { w->txtFileOut->setText(QStringLiteral("卷99999999999")); },
             QStringLiteral("输出文件名中的编号太大（最大 2147483647）！"), MsgStyle::Refusal},
        };
        for (const Case& c : cases) {
            fillUsable();
            c.spoil();
            QVERIFY(!intake({MsgAnswer::No}));
            QCOMPARE(w->ui().shown().size(), std::size_t(1));
            QCOMPARE(last().text, c.text);
            QCOMPARE(last().style, c.style);
        }
        QVERIFY(!std::filesystem::exists(dir->path() / "新"));

        // Yes creates the folder; a folder under a file cannot be, and the box says why.
        fillUsable();
        w->txtOut->setText(native(dir->path() / "新"));
        QVERIFY(intake({MsgAnswer::Yes}));
        QVERIFY(std::filesystem::is_directory(dir->path() / "新"));
        const QString under = native(dir->path() / "plain" / "sub");
        w->txtOut->setText(under);
        QVERIFY(!intake({MsgAnswer::Yes, MsgAnswer::Ok}));
        QCOMPARE(w->ui().shown().size(), std::size_t(2));
        QVERIFY2(last().text.startsWith(QStringLiteral("创建目录失败：") + under + QStringLiteral("（")),
                 qPrintable(last().text));
        QCOMPARE(last().style, MsgStyle::Refusal);
    }

    void intakeWritesBackAndRepaints() {
        fillUsable();
        w->state().strAnalyzedFile = u"/elsewhere/b.txt";
        w->txtFile->setText(QStringLiteral("/books/a.txt"));
        w->txtFileOut->setText(QStringLiteral("a*b?c01"));
        w->txtFindStr->clear();
        w->txtNum->setText(QStringLiteral("0"));
        w->chkDeleteSpc->setCheckState(Qt::PartiallyChecked);
        w->chkDoEvents->setChecked(false);
        for (QLineEdit* f : {w->txtFile, w->txtFileOut, w->txtFindStr, w->txtNum})
            QCOMPARE(base(f), kRed);

        w->ui().clearShown();
        QVERIFY(w->CheckOptions(0));
        QVERIFY(w->ui().shown().empty());
        QCOMPARE(w->txtFileOut->text(), QStringLiteral("abc01"));
        QCOMPARE(w->txtFindStr->text(), QStringLiteral("第(.){1,10}章"));
        QCOMPARE(w->txtNum->text(), QStringLiteral("6"));
        for (QLineEdit* f : {w->txtFileOut, w->txtFindStr, w->txtNum})
            QCOMPARE(base(f), kWhite);
        QCOMPARE(base(w->txtFile), kRed); // only a scan's intake clears it
        const WorkingState& s = w->state();
        QCOMPARE(toQ(s.strOutName), QStringLiteral("abc"));
        QCOMPARE(s.lngStartNum, 1);
        QCOMPARE(s.lngNumWidth, 2);
        QCOMPARE(s.lngChapsPerFile, 6);
        QVERIFY(s.blnDeleteSpc && !s.blnDoEvents);

        QVERIFY(w->CheckOptions(1));
        QCOMPARE(base(w->txtFile), kWhite);
        // A count like 2.5 is taken (as 2) but not rewritten, so its field stays red.
        w->txtNum->setText(QStringLiteral("2.5"));
        QVERIFY(w->CheckOptions(1));
        QCOMPARE(w->state().lngChapsPerFile, 2);
        QCOMPARE(w->txtNum->text(), QStringLiteral("2.5"));
        QCOMPARE(base(w->txtNum), kRed);
    }

    void coloursFollowTyping() {
        QLineEdit* n = w->txtNum;
        n->setFocus();
        n->selectAll();
        QTest::keyClick(n, Qt::Key_Delete);
        QCOMPARE(base(n), kRed);
        QTest::keyClicks(n, QStringLiteral("0"));
        QCOMPARE(base(n), kRed);
        QTest::keyClicks(n, QStringLiteral("6"));
        QCOMPARE(base(n), kRed); // 06
        n->clear();
        QTest::keyClicks(n, QStringLiteral("214748364"));
        QCOMPARE(base(n), kWhite);
        QTest::keyClicks(n, QStringLiteral("7"));
        QCOMPARE(base(n), kWhite); // 2147483647
        QTest::keyClicks(n, QStringLiteral("0"));
        QCOMPARE(base(n), kRed);
        QTest::keyClick(n, Qt::Key_Backspace);
        QCOMPARE(base(n), kWhite);
        QTest::keyClick(n, Qt::Key_Home);
        QTest::keyClicks(n, QStringLiteral(" "));
        QCOMPARE(base(n), kRed);
        n->setText(QString(400, QLatin1Char('9')));
        QCOMPARE(base(n), kRed);

        QLineEdit* name = w->txtFileOut;
        name->setFocus();
        QTest::keyClicks(name, QStringLiteral(":"));
        QCOMPARE(base(name), kRed);
        QTest::keyClick(name, Qt::Key_Backspace);
        QCOMPARE(base(name), kWhite);
        name->clear();
        QCOMPARE(base(name), kRed);

        QLineEdit* pattern = w->txtFindStr;
        pattern->clear();
        QCOMPARE(base(pattern), kRed);
        pattern->setFocus();
        QTest::keyClicks(pattern, QStringLiteral(" "));
        QCOMPARE(base(pattern), kWhite);

        w->txtOut->clear();
        QCOMPARE(base(w->txtOut), kRed);
        w->txtOut->setText(QStringLiteral("x"));
        QCOMPARE(base(w->txtOut), kWhite);
    }

    void listClickShowsRemainingHeadings() {
        QLabel* status = w->lblState;
        w->lstMemo_Click(); // an empty list leaves the caption alone
        QCOMPARE(status->text(), QStringLiteral("请打开文件..."));

        w->headings().append(
            {QStringLiteral("[1] 第一章"), QStringLiteral("[2] 第二章"), QStringLiteral("[3] 第三章")});
        w->state().lngFileSize = 1536000;
        w->state().lngMatchCount = 42; // the total comes from the scan's count, not from the list
        const auto clickRow = [&](int row) {
            const QRect r = w->lstMemo->visualRect(w->headings().index(row));
            QTest::mouseClick(w->lstMemo->viewport(), Qt::LeftButton, {}, r.center());
        };
        clickRow(0);
        QCOMPARE(status->text(), QStringLiteral("文件大小：1500KB，当前 41/42 行符合条件"));
        clickRow(2);
        QCOMPARE(status->text(), QStringLiteral("文件大小：1500KB，当前 40/42 行符合条件"));
        clickRow(0);
        QCOMPARE(status->text(), QStringLiteral("文件大小：1500KB，当前 41/42 行符合条件"));
    }

    void openFileDialogAndTheEndingRule() {
        QStringList filters;
        QString title, inForce, startDir;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        const QString chosen = native(dir->path() / "全集.txt");
        setNextDialogHook([&](QFileDialog& d) {
            title = d.windowTitle();
            filters = d.nameFilters();
            inForce = d.selectedNameFilter();
            mode = d.fileMode();
            startDir = d.directory().absolutePath();
            return chosen;
        });
        w->cmdOpenIn->click();
        QCOMPARE(title, QStringLiteral("打开文件"));
        QCOMPARE(filters, QStringList({QStringLiteral("文本文件(*.txt)"), QStringLiteral("所有文件 (*)")}));
        QCOMPARE(inForce, QStringLiteral("文本文件(*.txt)"));
        QCOMPARE(mode, QFileDialog::ExistingFile);
        QCOMPARE(startDir, q(dir->path())); // the program's folder
        QCOMPARE(w->txtFile->text(), chosen);
        QVERIFY(w->ui().shown().empty());

        for (const char* accepted : {"setup.ini", "x.inf"}) {
            setNextPick(native(dir->path() / accepted));
            w->cmdOpenIn->click();
            QCOMPARE(w->txtFile->text(), native(dir->path() / accepted));
        }
        const QString kept = w->txtFile->text();
        for (const char* refused : {"全集.TXT", "a.doc", "readme"}) {
            w->ui().clearShown();
            w->ui().setNextAnswer(MsgAnswer::Ok);
            setNextPick(native(dir->path() / refused));
            w->cmdOpenIn->click();
            QCOMPARE(w->txtFile->text(), kept);
            QCOMPARE(w->ui().shown().size(), std::size_t(1));
            QCOMPARE(last().text, QStringLiteral("不是文本格式的文件！"));
            QCOMPARE(last().style, MsgStyle::Refusal);
        }
        w->ui().clearShown();
        setNextPick(QString()); // cancelled
        w->cmdOpenIn->click();
        QCOMPARE(w->txtFile->text(), kept);
        QVERIFY(w->ui().shown().empty());
    }

    void folderDialogStartsAtTheStateFolder() {
        std::filesystem::create_directory(dir->path() / "输出");
        const QString folder = native(dir->path() / "输出");
        w->state().strOutDir = fromQ(folder) + kSeparator;
        QStringList starts;
        bool dirsOnly = false, readOnly = true;
        QString title;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        const auto look = [&](QFileDialog& d) {
            title = d.windowTitle();
            mode = d.fileMode();
            dirsOnly = d.testOption(QFileDialog::ShowDirsOnly);
            readOnly = d.testOption(QFileDialog::ReadOnly);
            starts << QDir::toNativeSeparators(d.directory().absolutePath());
        };
        setNextDialogHook([&](QFileDialog& d) {
            look(d);
            return q(dir->path());
        });
        w->cmdOpenOut->click();
        QCOMPARE(title, QStringLiteral("浏览文件夹"));
        QCOMPARE(mode, QFileDialog::Directory);
        QVERIFY(dirsOnly);
        QVERIFY(!readOnly);                          // a new folder can be made
        QCOMPARE(toQ(w->state().strOutDir), folder); // one separator gone, from the state itself
        QCOMPARE(w->txtOut->text(), native(dir->path()));

        // No intake in between: the second press starts at the same folder; a cancel changes nothing.
        setNextDialogHook([&](QFileDialog& d) {
            look(d);
            return QString();
        });
        w->cmdOpenOut->click();
        QCOMPARE(starts, QStringList({folder, folder}));
        QCOMPARE(w->txtOut->text(), native(dir->path()));
        QCOMPARE(toQ(w->state().strOutDir), folder);
    }

    void realOpenFileDialogIsModalAndCancels() {
        QString title, inForce;
        QStringList filters;
        bool modal = false;
        whenModalAppears([&](QWidget* m) {
            auto* d = qobject_cast<QFileDialog*>(m);
            if (!d) {
                m->close();
                return;
            }
            title = d->windowTitle();
            filters = d->nameFilters();
            inForce = d->selectedNameFilter();
            modal = d->isModal() && d->parentWidget() == w.get();
            d->reject();
        });
        const QString before = w->txtFile->text();
        w->cmdOpenIn->click(); // returns once the dialog is cancelled
        QCOMPARE(title, QStringLiteral("打开文件"));
        QCOMPARE(filters, QStringList({QStringLiteral("文本文件(*.txt)"), QStringLiteral("所有文件 (*)")}));
        QCOMPARE(inForce, QStringLiteral("文本文件(*.txt)"));
        QVERIFY(modal);
        QCOMPARE(w->txtFile->text(), before);
        QVERIFY(w->ui().shown().empty());
    }

    void realBoxesCarryTheirStyle() {
        struct Seen {
            QString title, text;
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            QMessageBox::StandardButtons buttons;
            QMessageBox::StandardButton byDefault = QMessageBox::NoButton;
        };
        const auto answer = [](Seen& seen, QMessageBox::StandardButton press) {
            whenModalAppears([&seen, press](QWidget* m) {
                auto* box = qobject_cast<QMessageBox*>(m);
                if (!box) {
                    m->close();
                    return;
                }
                seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                        box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton};
                box->button(press)->click();
            });
        };

        // The About box, closed with OK, gives the focus to txtFile.
        Seen about;
        answer(about, QMessageBox::Ok);
        w->cmdAbout->setFocus();
        w->cmdAbout->click();
        QCOMPARE(about.title, QStringLiteral("关于 Pagewright"));
        QCOMPARE(about.icon, QMessageBox::Information);
        QCOMPARE(about.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(about.text, QStringLiteral("书页匠(Pagewright) 由 Pagewright 开发组编写完成\r\n"
                                            "它可以根据章节标题来切割文本文件，使你快速定位到某一章\r\n\r\n"
                                            "项目主页：https://pagewright.invalid/"));
        // The offscreen platform does not hand activation back by itself; the window's focus
        // child is what it gets when it does.
        QCOMPARE(w->focusWidget(), static_cast<QWidget*>(w->txtFile));
        w->activateWindow();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w->txtFile));

        // The offer to create the folder, answered No: nothing is made.
        fillUsable();
        w->txtOut->setText(native(dir->path() / "新"));
        Seen offer;
        answer(offer, QMessageBox::No);
        QVERIFY(!w->CheckOptions(1));
        QCOMPARE(offer.title, QStringLiteral("询问"));
        QCOMPARE(offer.text, QStringLiteral("目录不存在，创建吗？"));
        QCOMPARE(offer.icon, QMessageBox::Question);
        QCOMPARE(offer.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(offer.byDefault, QMessageBox::Yes);
        QVERIFY(!std::filesystem::exists(dir->path() / "新"));

        // A refusal from the open button.
        Seen refusal;
        answer(refusal, QMessageBox::Ok);
        setNextPick(native(dir->path() / "a.doc"));
        w->cmdOpenIn->click();
        QCOMPARE(refusal.title, QStringLiteral("错误"));
        QCOMPARE(refusal.text, QStringLiteral("不是文本格式的文件！"));
        QCOMPARE(refusal.icon, QMessageBox::Critical);
        QCOMPARE(refusal.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void droppedFileFollowsTheOpenButtonsRule() {
        pwtest::writeAll(dir->path() / "全集.txt", "x");
        pwtest::writeAll(dir->path() / "a.doc", "x");
        const auto drop = [&](const QList<QUrl>& urls) {
            QMimeData data;
            data.setUrls(urls);
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(w.get(), &enter);
            if (!enter.isAccepted()) return false;
            QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(w.get(), &dropped);
            return true;
        };
        const QUrl txt = QUrl::fromLocalFile(q(dir->path() / "全集.txt"));
        QVERIFY(drop({txt}));
        QCOMPARE(w->txtFile->text(), native(dir->path() / "全集.txt"));
        QVERIFY(w->ui().shown().empty());

        w->ui().setNextAnswer(MsgAnswer::Ok);
        QVERIFY(drop({QUrl::fromLocalFile(q(dir->path() / "a.doc"))}));
        QCOMPARE(w->ui().shown().size(), std::size_t(1));
        QCOMPARE(last().text, QStringLiteral("不是文本格式的文件！"));
        QCOMPARE(w->txtFile->text(), native(dir->path() / "全集.txt"));

        // Not offered at all: two files, a folder, a remote address.
        QVERIFY(!drop({txt, txt}));
        QVERIFY(!drop({QUrl::fromLocalFile(q(dir->path()))}));
        QVERIFY(!drop({QUrl(QStringLiteral("https://example.invalid/a.txt"))}));
        QCOMPARE(w->ui().shown().size(), std::size_t(1));
    }
};

int main(int argc, char** argv) {
    // The real-dialog test needs Qt's own file dialog, which it can find and cancel.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    TestIntake t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_intake.moc"
