#include "stages/stage.h"

namespace pw {

StageChain::StageChain(const StageList& stages, ChapterSink& last) : m_last(last) {
    // Built from the back: each stage needs what comes after it.
    std::vector<std::unique_ptr<Stage>> reversed;
    ChapterSink* next = &last;
    for (auto it = stages.rbegin(); it != stages.rend(); ++it) {
        reversed.push_back((*it)(*next));
        next = reversed.back().get();
    }
    m_stages.assign(std::make_move_iterator(reversed.rbegin()), std::make_move_iterator(reversed.rend()));
}

} // namespace pw
