// The joined output files are the input, line for line: nothing lost, doubled or changed, on random
// inputs with every kind of line end and tiny read blocks (and the real novels when given); and each
// numbered file starts at its group's first heading.
#include <gtest/gtest.h>

#include <random>

#include "walk/kept_table.h"
#include "support/split_test_util.h"

using namespace pwtest;
using pw::SplitEnd;

namespace {

// After a run over `input`: the files are the planned ones, counted truly; joined they are
// the input; and numbered file k begins with the line of kept heading (k - 1) * n + 1.
void expectWholeSplit(SplitSetup& s, const pw::SplitResult& r, const std::string& input) {
    ASSERT_EQ(r.end, SplitEnd::Done) << s.ui.lastStatus();
    EXPECT_TRUE(s.joined() == expectedJoin(input, s.encoding, s.st.blnDeleteSpc));
    const auto files = s.outputs();
    const auto planned = s.plannedIndexes();
    const pw::KeptTable kept = s.kept();
    EXPECT_EQ(static_cast<std::size_t>(r.files), files.size());
    ASSERT_EQ(files.size(), planned.size());
    EXPECT_EQ(s.ui.lastStatus(), "处理完毕，一共 " + std::to_string(files.size()) + " 个文件！");
    std::map<std::int64_t, std::size_t> offsetOfLine;
    for (std::int64_t k = 1; k <= s.st.lngMatchCount; ++k)
        offsetOfLine[s.st.lngMatchLines[k]] = static_cast<std::size_t>(s.offsets[k]);
    for (const std::int64_t k : planned) {
        if (k == 0) continue;
        const std::size_t at = offsetOfLine.at(kept.lngKeptLines[(k - 1) * s.st.lngChapsPerFile + 1]);
        const std::string& text = files.at(k);
        EXPECT_EQ(text.substr(0, text.find("\r\n")), input.substr(at, input.find_first_of("\r\n", at) - at)) << k;
    }
}

// Splits the file at the lines looksLikeHeading picks, dropping every seventh heading so that
// exclusions meet real text, keeping blank lines one chapter to a file, then dropping them six.
void splitWhole(const std::filesystem::path& file) {
    for (const bool dropBlank : {false, true}) {
        SCOPED_TRACE(file.filename().string() + (dropBlank ? " dropping blanks" : ""));
        SplitSetup s(CopyOf{file}, dropBlank ? 6 : 1, looksLikeHeading);
        s.st.blnDeleteSpc = dropBlank;
        ASSERT_GT(s.st.lngMatchCount, 0);
        std::vector<std::int64_t> excluded;
        for (std::int64_t j = 0; j < s.st.lngMatchCount; j += 7)
            excluded.push_back(j);
        const pw::SplitResult r = s.run(excluded);
        expectWholeSplit(s, r, readAll(s.input));
    }
}

} // namespace

TEST(SplitJoin, EveryCorpusNovelInBothEncodings) {
    if (corpusDir().empty()) GTEST_SKIP() << kNoCorpus;
    for (const char* enc : {"gb18030", "utf8"})
        for (const std::string& name : corpusNames())
            splitWhole(corpusDir() / enc / name);
}

TEST(SplitJoin, GeneratedInputsWithEveryLineEndAndTinyReadBlocks) {
    std::mt19937 rng(20260415);
    const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    // GB18030 and UTF-8 pieces: headings, prose, blank lines and lines that only look blank
    // at one end (a character whose last byte is that of the ideographic space).
    struct Pieces {
        std::vector<std::string> heading, text;
    };
    const Pieces gb{{"\xB5\xDA\xD2\xBB\xD5\xC2", "  \xB5\xDA\xB6\xFE\xBB\xD8 x"},
                    {"abc", "\xC8\xD5\xC2\xE4", "", "   ", "\t", " \t ", "\xA1\xA1\xA1\xA1", " \xA1\xA1 ", "\xA1\xA1x",
                     " \xB0\xA1", "\x81\x30\x81\x30"}};
    const Pieces u8{{"\xE7\xAC\xAC\xE4\xB8\x80\xE7\xAB\xA0", "\xE7\xAC\xAC\xE4\xB8\x89\xE5\x9B\x9E"},
                    {"abc", "", "  ", "\t", "\xE3\x80\x80", " \xE3\x80\x80 ", "\xE3\x80\x80z", " \xE4\xB8\x80"}};
    const char* ends[] = {"\r\n", "\n", "\r"};
    const std::string longLine(150, 'x'); // spans the writer's 64-byte windows
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const Pieces& p = round % 2 ? u8 : gb;
        std::string input;
        const std::size_t lines = 1 + pick(80);
        for (std::size_t i = 0; i < lines; ++i) {
            const std::size_t kind = pick(10);
            input += kind == 0 ? p.heading[pick(p.heading.size())] : kind == 1 ? longLine : p.text[pick(p.text.size())];
            if (i + 1 < lines || pick(2)) input += ends[pick(3)];
        }
        SplitSetup s(input, static_cast<std::int32_t>(1 + pick(4)), looksLikeHeading);
        if (s.st.lngMatchCount == 0) continue;
        s.st.blnDeleteSpc = pick(2) == 1;
        std::vector<std::int64_t> excluded; // in falling order, each row twice: neither matters
        for (std::int64_t j = 0; j < s.st.lngMatchCount; ++j)
            if (pick(4) == 0) excluded.insert(excluded.begin(), {j, j});
        const std::size_t capacities[] = {1, 7, 64, pw::LineReader::kDefaultCapacity};
        const pw::SplitResult r = s.run(excluded, capacities[pick(4)]);
        if (static_cast<std::int64_t>(excluded.size()) == 2 * s.st.lngMatchCount)
            EXPECT_EQ(r.end, SplitEnd::Refused);
        else
            expectWholeSplit(s, r, input);
    }
}
