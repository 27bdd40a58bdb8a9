#pragma once
// A UI port for tests: message boxes are answered from a queue and every box, status and
// progress width is recorded. A hook lets a test act at an event turn (cut the input, ask
// to stop), as a user or another program would in the middle of a pass.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/ui_port.h"

namespace pwtest {

class ScriptedUi : public pw::UiPort {
public:
    struct Box {
        pw::Text text;
        pw::MsgStyle style;
        pw::MsgId id;
    };

    // Answers in order; with none left, a question is answered No (its safe default) and a
    // refusal OK.
    std::deque<pw::MsgAnswer> answers;
    std::vector<Box> boxes;
    std::vector<pw::Text> statuses;
    std::vector<int> progress;
    int pumps = 0;
    bool stop = false;
    std::function<void()> onPump;

    void answer(std::initializer_list<pw::MsgAnswer> a) { answers.insert(answers.end(), a); }

    pw::MsgAnswer messageBox(const pw::Message& msg) override {
        boxes.push_back({msg.text, msg.style(), msg.id});
        if (!answers.empty()) {
            const pw::MsgAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        return msg.isQuestion() ? pw::MsgAnswer::No : pw::MsgAnswer::Ok;
    }
    void setStatus(pw::TextView text) override { statuses.emplace_back(text); }
    void setProgress(int percent) override { progress.push_back(percent); }
    void pumpEvents() override {
        ++pumps;
        if (onPump) onPump();
    }
    bool stopRequested() const override { return stop; }

    // For readable test failures: the texts as UTF-8.
    std::string lastStatus() const { return statuses.empty() ? std::string() : pw::toUtf8(statuses.back()); }
    std::vector<std::string> boxTexts() const {
        std::vector<std::string> out;
        for (const Box& b : boxes)
            out.push_back(pw::toUtf8(b.text));
        return out;
    }
};

} // namespace pwtest
