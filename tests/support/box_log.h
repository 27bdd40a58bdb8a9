#pragma once
// The window's message boxes for window tests: each box is kept, and answered from a queue
// instead of being shown; with the queue empty the real box shows (a test that wants to see
// it answers it with WindowTest::answerNextBox).
#include <QString>
#include <deque>
#include <vector>

#include "app/qt_ui_port.h"

namespace pwtest {

class BoxLog {
public:
    struct Shown {
        QString text;
        pw::MsgStyle style = pw::MsgStyle::Refusal;
        pw::MsgId id = pw::MsgId::About;
    };

    void attach(pw::QtUiPort& port) {
        m_shown.clear();
        m_answers.clear();
        port.setAnswerer([this](const pw::Message& m) -> std::optional<pw::MsgAnswer> {
            m_shown.push_back({pw::toQ(m.text), m.style(), m.id});
            if (m_answers.empty()) return std::nullopt;
            const pw::MsgAnswer a = m_answers.front();
            m_answers.pop_front();
            return a;
        });
    }
    void setNextAnswer(pw::MsgAnswer a) { m_answers.push_back(a); }
    const std::vector<Shown>& shown() const { return m_shown; }
    void clearShown() { m_shown.clear(); }

private:
    std::deque<pw::MsgAnswer> m_answers;
    std::vector<Shown> m_shown;
};

} // namespace pwtest
