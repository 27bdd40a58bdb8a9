// Reading the input in place through a mapping: a file cut short or grown while the pass
// runs ends as it does when the file is read, and a fault outside the guarded copy is left
// to kill the program as before.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/mapped_input.h"
#include "support/split_test_util.h"

using namespace pwtest;
using pw::SplitEnd;

namespace {

namespace fs = std::filesystem;

// `count` chapters "CHk" of `body` lines each, long enough to span many pages.
std::string novel(int count, int body) {
    std::string s = "title\r\n";
    for (int k = 1; k <= count; ++k) {
        s += "CH" + std::to_string(k) + "\r\n";
        for (int b = 0; b < body; ++b)
            s += "line " + std::to_string(b) + " of chapter " + std::to_string(k) + ", some words to fill it\r\n";
    }
    return s;
}

} // namespace

TEST(MappedInput, AFileCutShortDuringThePassIsAnInputThatShrank) {
    const std::string text = novel(8, 4000); // about 1.7 MB
    // Cut at a line end mid-file at the first turn, small blocks and big ones: pages past
    // the new end vanish under the copy (and, with big blocks, under a write straight out of them).
    for (std::size_t capacity : {std::size_t{4096}, pw::LineReader::kDefaultCapacity}) {
        SplitSetup s(text, 2);
        const std::size_t at = text.rfind("\r\n", text.size() / 3) + 2;
        bool cut = false;
        s.ui.onPump = [&] {
            if (!cut) fs::resize_file(s.input, at);
            cut = true;
        };
        const pw::SplitResult r = s.run({}, capacity);
        EXPECT_EQ(r.end, SplitEnd::Shrunk) << capacity;
        EXPECT_EQ(r.files, static_cast<std::int64_t>(s.outputs().size()));
        // Only the file's own bytes went out, and no more than it still has.
        const std::string out = s.joined();
        EXPECT_LE(out.size(), at);
        EXPECT_EQ(out, text.substr(0, out.size()));
        EXPECT_EQ(s.ui.boxTexts(), (std::vector<std::string>{"输入文件比分析时短，输出已中止！已写出的文件不完整。"}));
    }
    // Cut inside the last page: the zeros that now end the mapping are not written.
    SplitSetup s(text, 2);
    const std::size_t at = text.rfind("\r\n", text.size() - 100) + 2;
    s.ui.onPump = [&] { fs::resize_file(s.input, at); };
    EXPECT_EQ(s.run({}, 4096).end, SplitEnd::Shrunk);
    EXPECT_EQ(s.joined(), text.substr(0, at));
}

TEST(MappedInput, LinesAddedDuringThePassJoinTheLastChapter) {
    const std::string text = novel(3, 3000);
    SplitSetup s(text, 1);
    bool added = false;
    s.ui.onPump = [&] {
        if (!added) std::ofstream(s.input, std::ios::binary | std::ios::app) << "CH4\r\nlast line, no end";
        added = true;
    };
    ASSERT_EQ(s.run({}, 4096).end, SplitEnd::Done);
    EXPECT_EQ(s.joined(), text + "CH4\r\nlast line, no end\r\n");
    EXPECT_EQ(s.outputs().size(), 4u); // the preamble and three chapters: no new file for CH4
}

TEST(MappedInput, AFaultOutsideTheGuardStillEndsTheProgram) {
    ScratchDir dir;
    const fs::path p = dir / "page.txt";
    writeAll(p, std::string(3 * 4096, 'x'));
    pw::InputFile in;
    ASSERT_FALSE(in.open(pw::fromPath(p)));
    pw::MappedInput m;
    ASSERT_TRUE(m.map(in));
    // The handler is in place after a guarded run...
    bool ran = false;
    auto touch = [&] { ran = m.bytes()[0] == 'x'; };
    EXPECT_TRUE(pw::runGuarded(m, touch));
    EXPECT_TRUE(ran);
    // ...a vanished page inside the guard returns false...
    fs::resize_file(p, 0);
    volatile char sink = 0;
    auto late = [&] { sink = m.bytes()[2 * 4096]; };
    EXPECT_FALSE(pw::runGuarded(m, late));
    EXPECT_TRUE(m.shrank());
    // ...and the same fault outside it kills as it always did.
    EXPECT_EXIT({ sink = m.bytes()[2 * 4096]; }, testing::KilledBySignal(SIGBUS), "");
    (void)sink;
}
