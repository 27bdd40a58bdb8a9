#pragma once
// The window's side of the UI port: real QMessageBoxes, the status label, the progress
// rectangle and the event loop. An answerer, when set, may answer a box instead of the
// user (tests use it so that a pass that asks a question runs without a modal box).
#include <QLabel>
#include <QWidget>
#include <functional>
#include <optional>

#include "platform/ui_port.h"

namespace pw {

class QtUiPort : public UiPort {
public:
    QtUiPort(QWidget* owner, QLabel* status, QWidget* progress);

    MsgAnswer messageBox(const Message& msg) override;
    void setStatus(TextView text) override;
    void setProgress(int percent) override;
    void pumpEvents() override;
    bool stopRequested() const override { return m_stop; }

    void requestStop() { m_stop = true; }

    // Sees each box first: an answer returned is taken, nothing returned shows the box.
    using Answerer = std::function<std::optional<MsgAnswer>(const Message&)>;
    void setAnswerer(Answerer answerer) { m_answerer = std::move(answerer); }

private:
    QWidget* m_owner;
    QLabel* m_status;
    QWidget* m_progress;
    Answerer m_answerer;
    bool m_stop = false;
};

QString toQ(TextView s);
Text fromQ(const QString& s);

} // namespace pw
