#pragma once
// Titles on the line under the heading: classical novels and their scans put 第三回 on a line
// of its own and the chapter's title on the next. The book then has the number alone in its
// contents and on the page; this stage gives the heading its title back.
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "stages/stage.h"

namespace pw {

// Whether a heading's text is its number and nothing else: 第三回, 第12章, 第一卷.
bool isNumberOnlyHeading(std::string_view utf8);
// Whether a line can be a heading's title: short (30 characters at most), no sentence.
bool isTitleLine(std::string_view utf8);
// The heading with its title: "第三回　托内兄如海荐西宾".
std::string titleWithHeading(std::string_view heading, std::string_view title);
// A heading as the book shows it: each label (第三回, 第二卷…) and what follows it separated by
// one ideographic space, whatever the file had ("第三回  灵根", "第1章：标题", "第1章标题").
std::string tidyHeading(std::string_view heading);

class TitleStage : public Stage {
public:
    using Stage::Stage;
    bool beginChapter(const ChapterStart& c) override;
    bool line(const Line& l) override;
    bool endChapter() override;
    bool close(bool complete) override;

private:
    void keep(const Line& l);
    bool flush();

    // The heading waiting for the line that may be its title, and the blank lines (and rows of
    // marks) after it.
    std::vector<Line> m_held;
    std::deque<std::string> m_bytes; // what they point at
};

StageMaker titleStage();

} // namespace pw
