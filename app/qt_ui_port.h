#pragma once
// The window's side of the UI port: real QMessageBoxes, the status label, the progress
// rectangle and the event loop. Tests can queue answers so that a pass that asks a
// question runs without a modal box blocking it; every box shown is recorded.
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <deque>
#include <vector>

#include "platform/ui_port.h"

namespace pw {

class QtUiPort : public UiPort {
public:
    struct Shown {
        QString text;
        MsgStyle style;
    };

    QtUiPort(QWidget* owner, QLabel* status, QWidget* progress);

    MsgAnswer messageBox(TextView text, MsgStyle style) override;
    void setStatus(TextView text) override;
    void setProgressTwips(float twips) override;
    void pumpEvents() override;
    bool stopRequested() const override { return m_stop; }

    void requestStop() { m_stop = true; }

    // For tests: the next message box is answered with `a` instead of being shown.
    void setNextAnswer(MsgAnswer a) { m_scripted.push_back(a); }
    const std::vector<Shown>& shown() const { return m_shown; }
    void clearShown() { m_shown.clear(); }

private:
    QWidget* m_owner;
    QLabel* m_status;
    QWidget* m_progress;
    std::deque<MsgAnswer> m_scripted;
    std::vector<Shown> m_shown;
    bool m_stop = false;
};

QString toQ(TextView s);
Text fromQ(const QString& s);

} // namespace pw
