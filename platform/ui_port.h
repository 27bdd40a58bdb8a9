#pragma once
// What the passes need from whoever shows them: a modal message box, the status line,
// the progress bar, and a turn of the event loop. The window, the command line and the
// tests each implement it, so a pass that asks a question half-way stays testable.
#include <chrono>

#include "platform/messages.h"
#include "platform/text.h"

namespace pw {

// The title that goes with each style.
Text titleFor(MsgStyle style);

class UiPort {
public:
    virtual ~UiPort() = default;
    virtual MsgAnswer messageBox(const Message& msg) = 0;
    virtual void setStatus(TextView text) = 0;
    // How far the pass has come, 0 to 100; 0 also returns the bar to its resting width.
    virtual void setProgress(int percent) = 0;
    // Let pending window events run, then return.
    virtual void pumpEvents() = 0;
    // True once the user asked to close the program: a running pass stops cleanly. A
    // refusal is no stop request: it is the answer Cancel to the question refused.
    virtual bool stopRequested() const { return false; }
};

// Calls UiPort::pumpEvents at most every `interval` of work. A turn of the event loop
// per line would cost more than the scan or the copy itself.
class EventThrottle {
public:
    explicit EventThrottle(UiPort& ui, std::chrono::milliseconds interval = std::chrono::milliseconds(15))
        : m_ui(ui), m_interval(interval), m_next(std::chrono::steady_clock::now()) {}
    // Returns true when the caller should stop (the window is closing).
    bool tick() {
        const auto now = std::chrono::steady_clock::now();
        if (now >= m_next) {
            m_ui.pumpEvents();
            m_next = std::chrono::steady_clock::now() + m_interval;
        }
        return m_ui.stopRequested();
    }

private:
    UiPort& m_ui;
    std::chrono::milliseconds m_interval;
    std::chrono::steady_clock::time_point m_next;
};

} // namespace pw
