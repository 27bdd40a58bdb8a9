// A Qt plugin that the test of the installed package loads into the installed window program
// through Qt's own plugin loading (QT_PLUGIN_PATH, QT_QPA_GENERIC_PLUGINS=pwprobe): the
// program is run exactly as installed, with no test mode of its own. Once the window is up,
// the probe prints each message box it meets (and closes it) and then what txtFile holds and
// its background colour, one line each, and ends the program.
#include <QApplication>
#include <QGenericPlugin>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

namespace {

void say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

class WindowProbe : public QObject {
public:
    WindowProbe() {
        // Polled from the event loop: the first turn comes only after main has shown the window
        // and handed it the file, or inside a box the window opened while doing so.
        connect(&m_timer, &QTimer::timeout, this, &WindowProbe::look);
        m_timer.start(50);
    }

private:
    void look() {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            say(QStringLiteral("box=") + box->text());
            box->done(QMessageBox::Ok);
            return;
        }
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* field = top->findChild<QLineEdit*>(QStringLiteral("txtFile"));
            if (!field || !top->isVisible()) continue;
            say(QStringLiteral("txtFile=") + field->text());
            say(QStringLiteral("colour=") + field->palette().color(QPalette::Base).name());
            m_timer.stop();
            QCoreApplication::exit(0);
            return;
        }
    }

    QTimer m_timer;
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
