// The words of the analysis (reasons, numbers, sizes, gaps and repeats) and the look inside
// one chapter, read from the file at its heading.
#include <gtest/gtest.h>

#include "platform/paths.h"
#include "scan/analysis_texts.h"
#include "scan/chapter_preview.h"
#include "support/corpus.h"

using namespace pw;

TEST(AnalysisTexts, ReasonsNumbersSizesAndNumbering) {
    EXPECT_EQ(reasonWords(kSuspectTiny | kSuspectLong | kSuspectSentence), u"行太长、像句子、本章过短");
    EXPECT_EQ(reasonWords(kSuspectNotAtStart), u"不在行首");
    EXPECT_EQ(reasonWords(0), u"");
    EXPECT_EQ(chapterNumberText({57, u'章'}), u"第57章");
    EXPECT_EQ(chapterNumberText({3, u'第'}), u"第3"); // 第三 with no unit after it
    EXPECT_EQ(chapterNumberText({12, u'C'}), u"12");
    EXPECT_EQ(chapterSizeText(512, 3), u"512 字节，3 行");
    EXPECT_EQ(chapterSizeText(12595, 85), u"12.3 KB，85 行");

    HeadingAnalysis a;
    for (std::int32_t n : {1, 2, 6, 6, 7, 12})
        a.headings.push_back({0, 0, {n, u'回'}, 0});
    a.gaps = {{2, 2, {3, 4, 5}}, {5, 7, {8, 9, 11}}};
    a.repeats = {{6, {3, 4}}};
    EXPECT_EQ(numberingLines(a), (std::vector<Text>{u"缺号：[2] 第2回之后缺少第3-5回", u"重号：第6回出现 2 次：[3]、[4]",
                                                    u"缺号：[5] 第7回之后缺少第8、9、11回"}));
}

namespace {

// The chapter read, or a failure and an empty chapter.
ChapterText chapterAt(const Text& path, Encoding e, std::int64_t offset, std::int64_t bytes,
                      std::size_t limit = kChapterPreviewBytes) {
    const auto r = readChapterStart(path, e, offset, bytes, limit);
    EXPECT_TRUE(std::holds_alternative<ChapterText>(r));
    return std::holds_alternative<ChapterText>(r) ? std::get<ChapterText>(r) : ChapterText{};
}

} // namespace

TEST(ChapterPreview, ReadsTheChapterDecodedAndEndsOnAWholeLine) {
    pwtest::ScratchDir dir;
    // GB18030: 前言 / 第一章 / 正文 / 第二章 / 结尾, CR LF.
    const std::string chapter1 = "\xB5\xDA\xD2\xBB\xD5\xC2\r\n\xD5\xFD\xCE\xC4\r\n";
    const std::string bytes = "\xC7\xB0\xD1\xD4\r\n" + chapter1 + "\xB5\xDA\xB6\xFE\xD5\xC2\r\n\xBD\xE1\xCE\xB2";
    pwtest::writeAll(dir / "gbk.txt", bytes);
    const Text path = fromPath(dir / "gbk.txt");
    const std::int64_t size1 = std::int64_t(chapter1.size());
    const ChapterText whole = chapterAt(path, Encoding::Gb18030, 6, size1);
    EXPECT_EQ(std::tuple(whole.text, whole.cut), std::tuple(Text(u"第一章\r\n正文\r\n"), false));
    // Cut at 11 bytes, inside 正文: back to the end of the heading's line, never half a character.
    const ChapterText cut = chapterAt(path, Encoding::Gb18030, 6, size1, 11);
    EXPECT_EQ(std::tuple(cut.text, cut.cut), std::tuple(Text(u"第一章\r\n"), true));
    // The last chapter of a file grown shorter since the scan: what is left, no error.
    EXPECT_EQ(chapterAt(path, Encoding::Gb18030, std::int64_t(bytes.size()) - 12, 1000).text, u"第二章\r\n结尾");
    // UTF-8 with a byte-order mark: the first chapter starts at 0 and shows no mark.
    pwtest::writeAll(dir / "bom.txt", "\xEF\xBB\xBF\xE7\xAC\xAC\xE4\xB8\x80\xE7\xAB\xA0\n");
    EXPECT_EQ(chapterAt(fromPath(dir / "bom.txt"), Encoding::Utf8, 0, 13).text, u"第一章\n");

    // A file that has gone is an error with its path, not an empty chapter.
    const auto gone = readChapterStart(fromPath(dir / "gone.txt"), Encoding::Utf8, 0, 10);
    ASSERT_TRUE(std::holds_alternative<FileError>(gone));
    EXPECT_EQ(std::get<FileError>(gone).path, fromPath(dir / "gone.txt"));
}
