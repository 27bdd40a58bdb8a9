#pragma once
// Scene breaks: a line made only of a repeated mark (----, －－－, ＊　＊　＊, ☆☆☆, ~~~, ———, ···) is no text
// but a break between scenes, shown as one by a format that can (the book's short rule). Many
// downloaded novels also put such a row under every heading, where it breaks nothing: there it
// is left out.
#include <string_view>

#include "stages/stage.h"

namespace pw {

// Whether `utf8` (a line's text) is a row of marks: at least three of -－=＝*＊~～—_＿·.☆★※
// with nothing else but spaces between them.
bool isSeparatorLine(std::string_view utf8);

class SeparatorStage : public Stage {
public:
    using Stage::Stage;
    bool beginChapter(const ChapterStart& c) override;
    bool line(const Line& l) override;

private:
    bool m_afterHeading = false; // no text since the chapter's heading
};

StageMaker separatorStage();

} // namespace pw
