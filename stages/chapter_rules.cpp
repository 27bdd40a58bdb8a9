#include "stages/chapter_rules.h"

#include <deque>

#include "stages/clean_match.h"

namespace pw {

namespace {

class ChapterRules : public Stage {
public:
    ChapterRules(ChapterSink& next, std::shared_ptr<const CleanRuleSet> rules, std::shared_ptr<CleanTally> tally,
                 CleanObserver* observer)
        : Stage(next), m_rules(std::move(rules)), m_tally(std::move(tally)), m_observer(observer),
          m_off(m_rules->acrossCount(), false) {
        m_tally->prepare(*m_rules);
    }

    bool line(const Line& l) override {
        if (m_rules->acrossCount() == 0 || l.role() == LineRole::Heading) return Stage::line(l);
        // Kept past the walk's next read: the bytes and mark are copied, the text decoded now.
        Line& kept = m_held.emplace_back(l);
        (void)kept.text();
        const std::string& bytes = m_bytes.emplace_back(l.bytes());
        const std::string& mark = m_bytes.emplace_back(l.mark());
        kept.setBytes(bytes, mark);
        return true;
    }
    bool endChapter() override { return flush() && Stage::endChapter(); }
    bool close(bool complete) override {
        const bool flushed = !complete || flush();
        return Stage::close(complete && flushed);
    }

private:
    bool flush() {
        if (m_held.empty()) return true;
        std::string text;
        for (const Line& l : m_held) {
            if (&l != &m_held.front()) text += '\n';
            text += l.text();
        }
        bool changed = false;
        for (std::size_t i = 0; i < m_rules->acrossCount(); ++i) {
            if (m_off[i]) continue;
            switch (m_matcher.apply(m_rules->acrossRule(i), m_rules->acrossCompiled(i), text, m_out)) {
            case Applied::Unchanged:
                break;
            case Applied::LimitHit:
                m_off[i] = true;
                m_tally->switchedOff.push_back(m_rules->acrossRule(i).name);
                break;
            case Applied::Changed:
                ++m_tally->counts[m_rules->size() + i];
                if (m_observer) tell(m_rules->acrossRule(i).name, text, m_out);
                text.swap(m_out);
                changed = true;
                break;
            }
        }
        bool going = true;
        if (!changed) {
            for (const Line& l : m_held)
                if (going) going = Stage::line(l);
        } else {
            // The result's lines take the places of the held ones, in order; more lines than
            // were held go out as copies of the last (its number and role), fewer leave the
            // rest out. A line the rules emptied is taken out.
            std::size_t at = 0, n = 0;
            while (going && at <= text.size()) {
                const std::size_t end = std::min(text.find('\n', at), text.size());
                const std::string_view piece(text.data() + at, end - at);
                Line l = m_held[std::min(n, m_held.size() - 1)];
                if (piece != l.text()) l.setText(std::string(piece));
                const bool wasBlank = l.role() == LineRole::Blank;
                if (!piece.empty() || wasBlank) going = Stage::line(l);
                ++n;
                at = end + 1;
            }
        }
        m_held.clear();
        m_bytes.clear();
        m_numbers.clear();
        return going;
    }

    static std::vector<std::string_view> linesOf(std::string_view text) {
        std::vector<std::string_view> lines;
        for (std::size_t at = 0; at <= text.size();) {
            const std::size_t end = std::min(text.find('\n', at), text.size());
            lines.push_back(text.substr(at, end - at));
            at = end + 1;
        }
        return lines;
    }

    // The lines between what the rule left alone at the chapter's start and at its end, each
    // with what took its place (nothing: taken out). Where they stand is where the stage puts
    // them: by their place in the chapter, as flush() does.
    void tell(const std::string& rule, std::string_view before, std::string_view after) {
        if (m_numbers.empty())
            for (const Line& l : m_held)
                m_numbers.push_back(l.number());
        const std::vector<std::string_view> was = linesOf(before), now = linesOf(after);
        std::size_t head = 0, tail = 0;
        while (head < was.size() && head < now.size() && was[head] == now[head])
            ++head;
        while (tail < was.size() - head && tail < now.size() - head &&
               was[was.size() - 1 - tail] == now[now.size() - 1 - tail])
            ++tail;
        for (std::size_t k = head; k < was.size() - tail; ++k) {
            const std::string_view in = k < now.size() - tail ? now[k] : std::string_view();
            if (was[k].empty() && in.empty()) continue;
            m_observer->hit(m_numbers[std::min(k, m_numbers.size() - 1)], rule, was[k], in);
        }
        // The lines after take the numbers of their places, as they will go out.
        std::vector<std::int64_t> numbers;
        for (std::size_t k = 0; k < now.size(); ++k)
            numbers.push_back(
                m_numbers[std::min(k < now.size() - tail ? k : k - now.size() + was.size(), m_numbers.size() - 1)]);
        m_numbers.swap(numbers);
    }

    std::shared_ptr<const CleanRuleSet> m_rules;
    std::shared_ptr<CleanTally> m_tally;
    CleanObserver* m_observer;
    std::vector<std::int64_t> m_numbers; // the numbers of the chapter's lines as the rules left them
    std::vector<bool> m_off;
    RuleMatcher m_matcher;
    std::deque<Line> m_held;
    std::deque<std::string> m_bytes; // beside m_held: what their views point to
    std::string m_out;
};

} // namespace

StageMaker chapterRulesStage(std::shared_ptr<const CleanRuleSet> rules, std::shared_ptr<CleanTally> tally,
                             CleanObserver* observer) {
    return [rules = std::move(rules), tally = std::move(tally), observer](ChapterSink& next) -> std::unique_ptr<Stage> {
        return std::make_unique<ChapterRules>(next, rules, tally, observer);
    };
}

} // namespace pw
