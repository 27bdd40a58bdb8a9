// The joined output files are the input, line for line: nothing lost, doubled or changed,
// on every corpus novel in both encodings and on generated inputs with every kind of line end.
#include <gtest/gtest.h>

#include <random>

#include "split/kept_table.h"
#include "split/line_scan.h"
#include "split_test_util.h"

using namespace pwtest;
using pw::SplitEnd;

namespace {

// Leaves out every `every`-th heading, so excluded headings are covered on real text.
std::vector<std::int64_t> everyNth(std::int64_t count, std::int64_t every) {
    std::vector<std::int64_t> rows;
    for (std::int64_t j = 0; j < count; j += every)
        rows.push_back(j);
    return rows;
}

} // namespace

TEST(SplitJoin, EveryCorpusNovelInBothEncodings) {
    for (const char* enc : {"gb18030", "utf8"}) {
        for (const std::string& name : corpusNames()) {
            SCOPED_TRACE(std::string(enc) + "/" + name);
            for (const bool dropBlank : {false, true}) {
                SplitSetup s(CopyOf{corpusDir() / enc / name}, dropBlank ? 6 : 1, looksLikeHeading);
                s.st.blnDeleteSpc = dropBlank;
                ASSERT_GT(s.st.lngMatchCount, 0);
                const auto excluded = everyNth(s.st.lngMatchCount, 7);
                const pw::SplitResult r = s.run(excluded);
                ASSERT_EQ(r.end, SplitEnd::Done) << s.ui.lastStatus();
                const std::string input = readAll(s.input);
                EXPECT_TRUE(s.joined() == expectedJoin(input, s.st.analyzedEncoding, dropBlank));

                // The files are the planned ones, counted truly, and each numbered file
                // starts with the heading of its group's first chapter.
                const auto files = s.outputs();
                const auto planned = pw::plannedFileIndexes(s.st);
                EXPECT_EQ(static_cast<std::size_t>(r.files), files.size());
                ASSERT_EQ(files.size(), planned.size());
                EXPECT_EQ(s.ui.lastStatus(), "处理完毕，一共 " + std::to_string(files.size()) + " 个文件！");
                const std::int64_t n = s.st.lngChapsPerFile;
                std::vector<std::string> lines;
                for (std::size_t i = 0, j; i < input.size(); i = j + 1) {
                    j = input.find('\n', i);
                    if (j == std::string::npos) j = input.size();
                    lines.push_back(input.substr(i, j - i - (j > i && input[j - 1] == '\r')));
                }
                for (std::int64_t k = 1; k < static_cast<std::int64_t>(planned.size()); ++k) {
                    const std::int64_t firstChapter = (k - 1) * n + 1;
                    const std::int64_t line = s.st.lngKeptLines[static_cast<std::size_t>(firstChapter)];
                    const std::string& text = files.at(k);
                    EXPECT_EQ(text.substr(0, text.find("\r\n")), lines[static_cast<std::size_t>(line - 1)]);
                }
            }
        }
    }
}

TEST(SplitJoin, GeneratedInputsWithEveryLineEndAndTinyReadBlocks) {
    std::mt19937 rng(20260415);
    const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    // GB18030 and UTF-8 pieces: a heading, prose, and the blank and not-quite-blank lines.
    struct Pieces {
        std::vector<std::string> heading, text;
    };
    const Pieces gb{{"\xB5\xDA\xD2\xBB\xD5\xC2", "  \xB5\xDA\xB6\xFE\xBB\xD8 x"},
                    {"abc", "\xC8\xD5\xC2\xE4", "", "   ", "\t", " \t ", "\xA1\xA1\xA1\xA1", " \xA1\xA1 ", "\xA1\xA1x",
                     "\x81\x30\x81\x30"}};
    const Pieces u8{{"\xE7\xAC\xAC\xE4\xB8\x80\xE7\xAB\xA0", "\xE7\xAC\xAC\xE4\xB8\x89\xE5\x9B\x9E"},
                    {"abc", "", "  ", "\t", "\xE3\x80\x80", " \xE3\x80\x80 ", "\xE3\x80\x80z", "\xE4\xB8\xAD"}};
    const char* ends[] = {"\r\n", "\n", "\r"};
    const std::string longLine(150, 'x'); // spans the scanner's 64-byte windows
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
        std::vector<std::int64_t> excluded;
        for (std::int64_t j = 0; j < s.st.lngMatchCount; ++j)
            if (pick(4) == 0) excluded.push_back(j);
        const std::size_t capacities[] = {1, 7, 64, pw::LineReader::kDefaultCapacity};
        const pw::SplitResult r = s.run(excluded, capacities[pick(4)]);
        if (static_cast<std::int64_t>(excluded.size()) == s.st.lngMatchCount) {
            EXPECT_EQ(r.end, SplitEnd::Refused);
            continue;
        }
        ASSERT_EQ(r.end, SplitEnd::Done) << s.ui.lastStatus();
        EXPECT_EQ(s.joined(), expectedJoin(input, s.st.analyzedEncoding, s.st.blnDeleteSpc));
        EXPECT_EQ(static_cast<std::size_t>(r.files), s.outputs().size());
    }
}

TEST(SplitJoin, TheWindowScannerFindsTheLineReadersLines) {
    // Random runs of the bytes that matter, checked line by line against findLineEnd,
    // with plain lines passed over in between as the writer does.
    std::mt19937 rng(7);
    const char bytes[] = {'a', 'b', '\r', '\n', ' ', '\xA1', '\x80'};
    for (int round = 0; round < 2000; ++round) {
        std::string block(rng() % 300, 'a');
        for (char& c : block)
            c = bytes[rng() % (round % 2 ? 7 : 3)];
        if (!block.empty() && block.back() == '\r') block += '\n'; // a block never splits CR LF
        pw::LineScanner scanner(block, '\xA1');
        std::size_t pos = 0, start = 0;
        pw::LineEnd le{};
        for (;;) {
            if (rng() % 2) {
                std::int64_t skipped = scanner.skipPlain(rng() % 5, true);
                for (; skipped > 0; --skipped) {
                    const pw::LineEnd ref = pw::findLineEnd(block, pos);
                    ASSERT_EQ(ref.termLen, 2u) << round;
                    ASSERT_NE(ref.end, pos) << round; // an empty line is never passed over
                    ASSERT_TRUE(block[ref.end - 1] != ' ' && block[ref.end - 1] != '\xA1') << round;
                    pos = ref.end + 2;
                }
                ASSERT_EQ(scanner.position(), pos) << round;
            }
            if (!scanner.next(start, le)) break;
            const pw::LineEnd ref = pw::findLineEnd(block, pos);
            ASSERT_EQ(start, pos) << round;
            ASSERT_EQ(le.end, ref.end) << round;
            ASSERT_EQ(le.termLen, ref.termLen) << round;
            pos = ref.end + ref.termLen;
        }
        EXPECT_EQ(pos, block.size()) << round;
    }
}
