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

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.rfind(prefix, 0) == 0;
}

bool anySuccess(const ScriptedUi& ui) {
    for (const auto& t : ui.statuses)
        if (startsWith(pw::toUtf8(t), "处理完毕")) return true;
    return false;
}

} // namespace

TEST(SplitFaults, TheInputIsNeverAnOutput) {
    const std::string text = chapters(4, 2);
    {
        // The novel sits in the output folder under the name of file 2.
        SplitSetup s(text, 1);
        const fs::path novel = s.pathOf(2);
        fs::rename(s.input, novel);
        s.input = novel;
        s.st.strInFile = s.st.strAnalyzedFile = pw::fromPath(novel);
        EXPECT_EQ(s.run().end, SplitEnd::Refused);
        EXPECT_EQ(s.ui.boxTexts(), std::vector<std::string>{"输出文件就是输入文件，无法输出：" + novel.string()});
        EXPECT_EQ(s.ui.lastStatus(), "请更改输出路径或文件名！");
        EXPECT_EQ(readAll(novel), text);
        EXPECT_EQ(s.outputs().size(), 1u); // only the novel itself: not even "(index)" was made
    }
    {
        // Another path to the same file: a hard link named like file 3, or a linked folder.
        SplitSetup s(text, 1);
        fs::create_hard_link(s.input, s.pathOf(3));
        s.ui.answer({MsgAnswer::Yes, MsgAnswer::Yes, MsgAnswer::Yes});
        EXPECT_EQ(s.run().end, SplitEnd::Refused);
        EXPECT_EQ(s.ui.boxes.size(), 1u);
        EXPECT_EQ(readAll(s.input), text);

        SplitSetup t(text, 1);
        fs::create_directory_symlink(t.dir.path(), t.dir / "alias");
        t.st.strOutDir = pw::fromPath(t.dir / "alias");
        t.st.strOutName = u"novel";
        t.st.lngNumWidth = 0;
        fs::rename(t.input, t.dir / "novel(index).txt");
        t.input = t.dir / "novel(index).txt";
        t.st.strInFile = t.st.strAnalyzedFile = pw::fromPath(t.input);
        EXPECT_EQ(t.run().end, SplitEnd::Refused);
        EXPECT_EQ(readAll(t.input), text);
    }
}

TEST(SplitFaults, AnInputThatShrankStopsWithoutSuccess) {
    const std::string text = chapters(6, 50);
    {
        // Emptied after the scan, and the user went on: no output file at all.
        SplitSetup s(text, 2);
        writeAll(s.input, "");
        s.ui.answer({MsgAnswer::Yes});
        EXPECT_EQ(s.run().end, SplitEnd::Shrunk);
        EXPECT_TRUE(s.outputs().empty());
        EXPECT_EQ(s.ui.boxTexts(), (std::vector<std::string>{"文件被修改，继续输出？",
                                                             "输入文件比分析时短，输出已中止！已写出的文件不完整。"}));
        EXPECT_EQ(s.ui.lastStatus(), "文件已被修改，请重新分析！");
        EXPECT_EQ(s.ui.progress.back(), 15.0f);
        EXPECT_FALSE(anySuccess(s.ui));
    }
    {
        // Cut short during the pass, after the size check: what was read is written, and closed.
        SplitSetup s(text, 2);
        const std::size_t cut = text.rfind("\r\n", text.size() / 2) + 2;
        s.ui.onPump = [&] { fs::resize_file(s.input, cut); };
        const pw::SplitResult r = s.run({}, 256);
        EXPECT_EQ(r.end, SplitEnd::Shrunk);
        EXPECT_EQ(r.files, static_cast<std::int64_t>(s.outputs().size()));
        const std::string joined = s.joined();
        EXPECT_EQ(joined, text.substr(0, cut));
        EXPECT_FALSE(anySuccess(s.ui));
        EXPECT_EQ(s.ui.boxes.size(), 1u);
    }
}

TEST(SplitFaults, AnInputThatGrewGoesOutInOnePass) {
    const std::string text = chapters(4, 3);
    SplitSetup s(text, 3);
    writeAll(s.input, text + "CH5\r\nmore\r\nlast");
    s.ui.answer({MsgAnswer::Yes});
    const pw::SplitResult r = s.run();
    ASSERT_EQ(r.end, SplitEnd::Done);
    EXPECT_EQ(r.files, 3);
    // The lines after the last counted one go to the last chapter's file; no file is asked about.
    EXPECT_EQ(s.ui.boxTexts(), std::vector<std::string>{"文件被修改，继续输出？"});
    EXPECT_EQ(s.file(2), "CH4\r\nline 0 of 4\r\nline 1 of 4\r\nline 2 of 4\r\nCH5\r\nmore\r\nlast\r\n");
    EXPECT_EQ(s.joined(), text + "CH5\r\nmore\r\nlast\r\n");
    EXPECT_EQ(s.ui.lastStatus(), "处理完毕，一共 3 个文件！");
}

TEST(SplitFaults, FileSystemFailuresStopAndNameTheFile) {
    const std::string text = chapters(4, 2);
    {
        // The output folder's path runs through a regular file: nothing can be created.
        SplitSetup s(text, 1);
        writeAll(s.dir / "plain", "x");
        s.st.strOutDir = pw::fromPath(s.dir / "plain" / "out");
        EXPECT_EQ(s.run().end, SplitEnd::Failed);
        const std::string path = pw::toUtf8(pw::MakeOutName(s.st, 0, false));
        ASSERT_EQ(s.ui.boxes.size(), 1u);
        EXPECT_EQ(s.ui.boxes[0].style, MsgStyle::Refusal);
        EXPECT_EQ(s.ui.boxTexts()[0], "创建文件失败：" + path + "（Not a directory）");
        EXPECT_EQ(s.ui.lastStatus(), "输出失败！");
        EXPECT_FALSE(anySuccess(s.ui));
    }
    {
        // The folder vanishes during the pass (here: while the user is asked about file 2).
        SplitSetup s(text, 1);
        writeAll(s.pathOf(2), "old");
        s.ui.onBox = [&](const ScriptedUi::Box&) { fs::remove_all(s.out); };
        s.ui.answer({MsgAnswer::Yes});
        const pw::SplitResult r = s.run();
        EXPECT_EQ(r.end, SplitEnd::Failed);
        EXPECT_EQ(r.files, 2);
        ASSERT_EQ(s.ui.boxes.size(), 2u);
        EXPECT_TRUE(startsWith(s.ui.boxTexts()[1], "创建文件失败：" + s.pathOf(2).string() + "（"));
        EXPECT_FALSE(anySuccess(s.ui));
    }
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
        const bool ok = r.end == SplitEnd::Failed && s.ui.boxTexts() == std::vector<std::string>{want} &&
                        s.ui.lastStatus() == "输出失败！" && !anySuccess(s.ui) && r.files == 2;
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
    EXPECT_TRUE(startsWith(text, s.joined())); // written up to the stop, and flushed
    EXPECT_LT(s.joined().size(), text.size());
}
