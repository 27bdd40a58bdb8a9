#pragma once
// What every window test starts from: a fresh scratch folder and a fresh window shown for
// each test function, Qt's own dialogs in the Fusion style, and a way to act at a real box.
#include <QApplication>
#include <QMessageBox>
#include <QMetaEnum>
#include <QStyleFactory>
#include <QTimer>
#include <QtTest>

#include "app/frm_pagewright.h"
#include "platform/paths.h"
#include "support/box_log.h"
#include "support/corpus.h"

namespace pwtest {

inline QString q(const std::filesystem::path& p) {
    return pw::toQ(pw::fromPath(p));
}

class WindowTest : public QObject {
protected:
    std::unique_ptr<ScratchDir> dir;
    std::unique_ptr<pw::frmPagewright> w;
    BoxLog boxes;

    // The window of a program whose folder is the scratch folder.
    bool open() {
        dir = std::make_unique<ScratchDir>();
        w = std::make_unique<pw::frmPagewright>(q(dir->path()));
        boxes.attach(w->ui());
        w->show();
        return QTest::qWaitForWindowExposed(w.get());
    }
    void close() {
        w.reset();
        dir.reset();
    }
    QString status() const { return w->lblState->text(); }
    // The entry lstMemo shows in `row`.
    QString entry(int row) const { return w->headings().data(w->headings().index(row), Qt::DisplayRole).toString(); }

    // Answers the next real message box with `press`; `seen` gets its title, icon name, the
    // captions of its buttons (sorted, the default one marked with *) and its text. The polling
    // timer only finds the box; it goes with the window if none comes.
    void answerNextBox(QStringList& seen, QMessageBox::StandardButton press) {
        auto* timer = new QTimer(w.get());
        QObject::connect(timer, &QTimer::timeout, [timer, &seen, press] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            timer->stop();
            timer->deleteLater();
            QStringList buttons;
            for (QAbstractButton* b : box->buttons())
                buttons << (b == box->defaultButton() ? QStringLiteral("*") : QString()) + b->text();
            buttons.sort();
            seen = QStringList{box->windowTitle(), QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box->icon())} +
                   buttons + QStringList{box->text()};
            QTest::mouseClick(box->button(press), Qt::LeftButton);
        });
        timer->start(10);
    }
};

} // namespace pwtest

#define PW_WINDOW_TEST_MAIN(TestClass)                                                                                 \
    int main(int argc, char** argv) {                                                                                  \
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);                                                   \
        QApplication app(argc, argv);                                                                                  \
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));                                       \
        TestClass t;                                                                                                   \
        return QTest::qExec(&t, argc, argv);                                                                           \
    }
