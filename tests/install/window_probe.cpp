// A Qt plugin that the test of the installed package loads into the installed window program
// through Qt's own plugin loading (QT_PLUGIN_PATH, QT_QPA_GENERIC_PLUGINS=pwprobe): the
// program is run exactly as installed, with no test mode of its own. Once the window is up,
// the probe prints each message box it meets (and closes it), then what txtFile holds, its
// background colour and what txtOut holds, one line each, and ends the program.
// With PWPROBE_PICK set to a file, it first presses the open button: it prints the folder the
// dialog opens in, chooses that file, presses the button again, prints the folder once more
// and cancels. With PWPROBE_ABOUT set, it first presses the About button.
#include <QApplication>
#include <QFileDialog>
#include <QGenericPlugin>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace {

void say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

class WindowProbe : public QObject {
public:
    WindowProbe() : m_pick(qEnvironmentVariable("PWPROBE_PICK")), m_about(qEnvironmentVariableIsSet("PWPROBE_ABOUT")) {
        // Polled from the event loop: the first turn comes only after main has shown the window
        // and handed it the file, or inside a box the window opened while doing so.
        connect(&m_timer, &QTimer::timeout, this, &WindowProbe::look);
        m_timer.start(50);
    }

private:
    void look() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            say(QStringLiteral("box=") + box->text());
            box->done(QMessageBox::Ok);
            return;
        }
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            say(QStringLiteral("openIn=") + QDir::toNativeSeparators(dialog->directory().absolutePath()));
            if (m_presses == 1) {
                // The dialog leaves its name field alone while that field has the focus.
                if (QWidget* focused = dialog->focusWidget()) focused->clearFocus();
                dialog->selectFile(m_pick);
                static_cast<QDialog*>(dialog)->accept(); // QFileDialog keeps its override protected
            } else {
                dialog->reject();
            }
            return;
        }
        if (modal) return;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* field = top->findChild<QLineEdit*>(QStringLiteral("txtFile"));
            if (!field || !top->isVisible()) continue;
            if (m_about) {
                m_about = false;
                auto* button = top->findChild<QPushButton*>(QStringLiteral("cmdAbout"));
                QTimer::singleShot(0, button, [button] { button->click(); });
                return;
            }
            if (!m_pick.isEmpty() && m_presses < 2) {
                // Pressed from a fresh turn, not from inside this timer's own slot.
                ++m_presses;
                auto* button = top->findChild<QPushButton*>(QStringLiteral("cmdOpenIn"));
                QTimer::singleShot(0, button, [button] { button->click(); });
                return;
            }
            say(QStringLiteral("txtFile=") + field->text());
            say(QStringLiteral("colour=") + field->palette().color(QPalette::Base).name());
            if (auto* out = top->findChild<QLineEdit*>(QStringLiteral("txtOut")))
                say(QStringLiteral("txtOut=") + out->text());
            m_timer.stop();
            QCoreApplication::exit(0);
            return;
        }
    }

    QTimer m_timer;
    QString m_pick;
    bool m_about;
    int m_presses = 0;
};

class WindowProbePlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "window_probe.json")
public:
    QObject* create(const QString& key, const QString&) override {
        return key == QLatin1String("pwprobe") ? new WindowProbe : nullptr;
    }
};

} // namespace

#include "window_probe.moc"
