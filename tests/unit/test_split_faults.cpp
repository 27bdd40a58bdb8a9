// What the classic writer never handled: an output path that is the novel itself, an
// input that shrank or grew after the scan, file-system failures, and the window closing.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "split_test_util.h"

using namespace pwtest;
using pw::MsgAnswer;
using pw::MsgStyle;
using pw::SplitEnd;

namespace {

namespace fs = std::filesystem;

std::string chapters(int count, int bodyLines) {
    std::string s = "title\r\n";
    for (int k = 1; k <= count; ++k) {
        s += "CH" + std::to_string(k) + "\r\n";
        for (int b = 0; b < bodyLines; ++b)
            s += "line " + std::to_string(b) + " of " + std::to_string(k) + "\r\n";
    }
    return s;
}

} // namespace

TEST(SplitFaults, TheInputIsNeverAnOutput) {
    const std::string text = chapters(4, 2);
    // The novel sits in the output folder under the name of file 2.
    SplitSetup s(text, 1);
    const fs::path novel = s.pathOf(2);
    fs::rename(s.input, novel);
    s.st.strInFile = s.st.strAnalyzedFile = pw::fromPath(novel);
    EXPECT_EQ(s.run().end, SplitEnd::Refused);
    EXPECT_EQ(boxesAndStatus(s.ui), (std::vector<std::string>{"输出文件就是输入文件，无法输出：" + novel.string(),
                                                              "请更改输出路径或文件名！"}));
    EXPECT_EQ(readAll(novel), text);
    EXPECT_EQ(s.outputs().size(), 1u); // only the novel itself: not even "(index)" was made

    // Another path to the same file: a hard link named like the preamble's file.
    SplitSetup link(text, 1);
    fs::create_hard_link(link.input, link.pathOf(0));
    link.ui.answer({MsgAnswer::Yes, MsgAnswer::Yes});
    EXPECT_EQ(link.run().end, SplitEnd::Refused);
    EXPECT_EQ(link.ui.boxes.size(), 1u);
    EXPECT_EQ(readAll(link.input), text);
}

TEST(SplitFaults, AnInputThatShrankStopsWithoutSuccess) {
    const std::string text = chapters(6, 50);
    // Emptied after the scan, and the user went on: no output file at all.
    SplitSetup s(text, 2);
    writeAll(s.input, "");
    s.ui.answer({MsgAnswer::Yes});
    EXPECT_EQ(s.run().end, SplitEnd::Shrunk);
    EXPECT_TRUE(s.outputs().empty());
    EXPECT_EQ(boxesAndStatus(s.ui), (std::vector<std::string>{"文件被修改，继续输出？",
                                                              "输入文件比分析时短，输出已中止！已写出的文件不完整。",
                                                              "文件已被修改，请重新分析！"}));
    EXPECT_EQ(s.ui.progress.back(), 15.0f);

    // Cut short during the pass, after the size check: what was read is written, and closed.
    SplitSetup cut(text, 2);
    const std::size_t at = text.rfind("\r\n", text.size() / 2) + 2;
    cut.ui.onPump = [&] { fs::resize_file(cut.input, at); };
    const pw::SplitResult r = cut.run({}, 256);
    EXPECT_EQ(r.end, SplitEnd::Shrunk);
    EXPECT_EQ(r.files, static_cast<std::int64_t>(cut.outputs().size()));
    EXPECT_EQ(cut.joined(), text.substr(0, at));
    EXPECT_EQ(cut.ui.boxes.size(), 1u);
    EXPECT_EQ(cut.ui.lastStatus(), "文件已被修改，请重新分析！");
}

TEST(SplitFaults, AnOutputThatCannotBeCreatedStopsAndNamesTheFile) {
    // The output folder's path runs through a regular file: nothing can be created.
    SplitSetup s(chapters(4, 2), 1);
    writeAll(s.dir / "plain", "x");
    s.st.strOutDir = pw::fromPath(s.dir / "plain" / "out");
    EXPECT_EQ(s.run().end, SplitEnd::Failed);
    const std::string path = pw::toUtf8(pw::MakeOutName(s.st, 0, false));
    EXPECT_EQ(boxesAndStatus(s.ui),
              (std::vector<std::string>{"创建文件失败：" + path + "（Not a directory）", "输出失败！"}));
    EXPECT_EQ(s.ui.boxes[0].style, MsgStyle::Refusal);
}

TEST(SplitFaults, AFullDiskIsAWriteFailure) {
    // A real write failure: a child process limited to 64 KiB per file splits a 2 MB novel.
    SplitSetup s(CopyOf{corpusDir() / "gb18030" / "hongloumeng_pg24264.txt"}, 1000, looksLikeHeading);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lim{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &lim);
        const pw::SplitResult r = s.run();
        const std::string want = "写入文件失败：" + s.pathOf(1).string() + "（File too large）";
        const bool ok = r.end == SplitEnd::Failed &&
                        boxesAndStatus(s.ui) == std::vector<std::string>{want, "输出失败！"} && r.files == 2;
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(fs::file_size(s.pathOf(1)), 64u * 1024u);
}

TEST(SplitFaults, ClosingTheWindowStopsThePassWithFilesClosed) {
    // The event turns come whatever blnDoEvents says; at the first one the user closes.
    const std::string text = chapters(40, 200);
    SplitSetup s(text, 2);
    s.st.blnDoEvents = false;
    s.ui.onPump = [&] { s.ui.stop = true; };
    const pw::SplitResult r = s.run({}, 4096);
    EXPECT_EQ(r.end, SplitEnd::Stopped);
    EXPECT_GE(s.ui.pumps, 1);
    EXPECT_TRUE(s.ui.boxes.empty());
    EXPECT_EQ(s.ui.lastStatus(), "输出已中止。");
    const std::string joined = s.joined(); // written up to the stop, and flushed
    EXPECT_LT(joined.size(), text.size());
    EXPECT_EQ(text.substr(0, joined.size()), joined);
}
