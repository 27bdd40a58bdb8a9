// Heading numbers and the analysis of headings: a byte for where in each line the match starts,
// two that pick a number to write and read back, then UTF-8 lines separated by LF.
#include "fuzz_input.h"
#include "platform/text.h"
#include "scan/heading_analysis.h"
#include "support/novel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pwfuzz::FuzzInput in(data, size);
    const std::uint8_t at = in.byte();
    // A number as novels write it, in Chinese numerals and in digits, reads back as itself.
    const int number = 1 + (in.byte() << 8 | in.byte()) * 7 % 99999;
    const pw::Text chinese = pw::fromUtf8(pwtest::chineseNumber(number));
    PW_FUZZ_CHECK(pw::numeralValue(chinese) == number);
    for (const pw::Text& written : {chinese, pw::decimal(number)}) {
        const auto heading = pw::parseChapterNumber(u"第" + written + u"章");
        PW_FUZZ_CHECK(heading && heading->value == number && heading->unit == u'章');
    }
    pw::HeadingAnalyzer analyzer;
    std::int64_t lineNumber = 0, offset = 0;
    while (!in.rest().empty()) {
        const std::string_view bytes = in.field('\n');
        const pw::Text line = pw::fromUtf8(bytes);
        const std::size_t from = line.empty() ? 0 : at % (line.size() + 1);
        if (const auto n = pw::parseChapterNumber(line, from)) PW_FUZZ_CHECK(n->value >= 0 && n->unit != 0);
        if (const auto v = pw::numeralValue(pw::TextView(line).substr(from))) PW_FUZZ_CHECK(*v >= 0);
        (void)pw::judgeHeadingLine(line, from);
        lineNumber += 1 + at % 7;
        analyzer.add(line, from, lineNumber, offset);
        offset += static_cast<std::int64_t>(bytes.size()) + 1;
    }
    const pw::HeadingAnalysis a = analyzer.finish(offset, lineNumber);
    for (std::size_t i = 0; i < a.headings.size(); ++i)
        PW_FUZZ_CHECK(a.chapterBytes(i) >= 0 && a.chapterLines(i) >= 0);
    const std::vector<std::int64_t> rows = pw::suspectRows(a);
    PW_FUZZ_CHECK(static_cast<std::int64_t>(rows.size()) == a.suspectCount());
    for (std::size_t i = 0; i < rows.size(); ++i)
        PW_FUZZ_CHECK(rows[i] >= 0 && rows[i] < static_cast<std::int64_t>(a.headings.size()) &&
                      (i == 0 || rows[i] > rows[i - 1]));
    return 0;
}
