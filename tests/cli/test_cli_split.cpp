// `pagewright-cli split` against the window's split: the same files with the same bytes
// for the same options and exclusions, then what happens to files and folders in the way.
#include <gtest/gtest.h>

#include "cli_run.h"
#include "support/corpus.h"

using namespace pwtest;
namespace fs = std::filesystem;

namespace {

const std::string kHui = "第(.){1,10}回";

void expectSameFiles(const fs::path& got, const fs::path& want) {
    const auto a = folderFiles(got), b = folderFiles(want);
    std::vector<std::string> namesA, namesB;
    for (const auto& f : a)
        namesA.push_back(f.first);
    for (const auto& f : b)
        namesB.push_back(f.first);
    ASSERT_EQ(namesA, namesB);
    for (const auto& [name, bytes] : b)
        EXPECT_TRUE(a.at(name) == bytes) << name << " differs";
}

struct Outcome {
    CliRun run;
    std::map<std::string, std::string> files;
};

// The program splits into one fresh folder (given by -o, or as its current folder), the
// core into another; both must end alike.
Outcome expectSameSplit(const Job& job, bool intoCurrentFolder = false) {
    SCOPED_TRACE(job.file.filename().string());
    ScratchDir core, cli;
    const std::string status = coreSplit(job, core.path());
    std::vector<std::string> args = job.args("split");
    if (!intoCurrentFolder) args.insert(args.end(), {"-o", cli.path().string()});
    Outcome o{runCli(args, {cli.path()}), folderFiles(cli.path())};
    EXPECT_EQ(o.run.status, 0) << o.run.err;
    EXPECT_EQ(o.run.err, "");
    EXPECT_EQ(o.run.out, status + "\n");
    EXPECT_FALSE(o.files.empty());
    expectSameFiles(cli.path(), core.path());
    return o;
}

// A refused job: exit 1, one line on stderr that contains `why`.
void expectRefused(const CliRun& r, const std::string& why) {
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
}

} // namespace

TEST(CliSplit, CorpusNovelsGiveTheWindowsFiles) {
    const fs::path gb = corpusDir() / "gb18030", u8 = corpusDir() / "utf8";
    // The false heading [2] left out; no -o writes into the current folder.
    expectSameSplit({.file = gb / "ahq_zhengzhuan_pg25332.txt", .excluded = {2}}, true);
    expectSameSplit({.file = u8 / "ahq_zhengzhuan_pg25332.txt", .chapters = "1", .keepBlankLines = true});
    // A count below 1 is six, as in the window.
    const auto zero = expectSameSplit({.file = u8 / "duanhong_lingyanji_pg23983.txt", .chapters = "0"});
    const auto six = expectSameSplit({.file = u8 / "duanhong_lingyanji_pg23983.txt", .chapters = "6"});
    EXPECT_TRUE(zero.files == six.files);
    // 第1部分: base 第, start 1, width 3.
    const auto parts = expectSameSplit({.file = gb / "hongloumeng_pg24264.txt",
                                        .pattern = kHui,
                                        .name = "第1部分",
                                        .chapters = "10",
                                        .excluded = {1, 5, 127}});
    EXPECT_TRUE(parts.files.count("第(index).txt") && parts.files.count("第001.txt") && parts.files.count("第013.txt"));
    expectSameSplit({.file = u8 / "sanguo_pg23950.txt", .pattern = kHui, .name = "001", .chapters = "3"});
    expectSameSplit({.file = gb / "shuihu_pg23863.txt", .pattern = kHui, .keepBlankLines = true, .excluded = {1}});
    const auto cleaned =
        expectSameSplit({.file = u8 / "xiyouji_pg23962.txt", .pattern = kHui, .name = "a*b?c01", .chapters = "2.5"});
    EXPECT_TRUE(cleaned.files.count("abc01.txt"));
}

TEST(CliSplit, GeneratedFilesGiveTheWindowsFiles) {
    ScratchDir dir;
    // Headings "CH" on line 1 and further down; CR, LF and CR LF ends; blank lines of
    // spaces, of a tab, of U+3000; a last line without a line end.
    const std::string text = "CH1\r\nx\r\n   \n\t\r\xA1\xA1\r\nCH2\n\nCH3 \xB5\xDA\r\ny\r\nCH4\r\nend";
    writeAll(dir / "gen.txt", text);
    const auto dropped = expectSameSplit({.file = dir / "gen.txt", .pattern = "ch", .chapters = "1"});
    const auto kept = expectSameSplit({.file = dir / "gen.txt", .pattern = "ch", .keepBlankLines = true});
    EXPECT_FALSE(kept.files.count("小说(index).txt")); // the first heading is line 1
    EXPECT_GT(kept.files.at("小说01.txt").size(), dropped.files.at("小说01.txt").size());
    // The first heading left out joins the preamble.
    const auto joined = expectSameSplit({.file = dir / "gen.txt", .pattern = "ch", .chapters = "2", .excluded = {1}});
    EXPECT_TRUE(joined.files.count("小说(index).txt"));
    // UTF-8 read as GB18030 still cuts at the same lines.
    writeAll(dir / "u8.txt", "\xEF\xBB\xBFpre\nCH \xE7\xAC\xAC\nz\r\nCH\n");
    expectSameSplit({.file = dir / "u8.txt", .pattern = "^ch", .encoding = pw::Encoding::Gb18030});
    expectSameSplit({.file = dir / "u8.txt", .pattern = "^ch"});
}

TEST(CliSplit, ExistingOutputFailsOverwritesOrAppends) {
    const Job job{.file = corpusDir() / "gb18030" / "ahq_zhengzhuan_pg25332.txt", .chapters = "4"};
    ScratchDir core, dir;
    coreSplit(job, core.path());
    const std::string old = "OLD\r\n";
    writeAll(dir / "小说02.txt", old);
    std::vector<std::string> args = job.args("split");
    args.insert(args.end(), {"-o", dir.path().string(), "--existing"});

    // Refused before the first file is written, though the one in the way comes second.
    args.push_back("fail");
    expectRefused(runCli(args, {}), (dir / "小说02.txt").string());
    EXPECT_EQ(folderFiles(dir.path()), (std::map<std::string, std::string>{{"小说02.txt", old}}));

    args.back() = "append";
    EXPECT_EQ(runCli(args, {}).status, 0);
    auto files = folderFiles(dir.path());
    EXPECT_TRUE(files.at("小说02.txt") == old + readAll(core / "小说02.txt"));
    files.erase("小说02.txt");
    EXPECT_EQ(files.size(), 3u);

    args.back() = "Overwrite";
    const CliRun over = runCli(args, {});
    EXPECT_EQ(over.status, 0);
    EXPECT_EQ(over.err, "");
    expectSameFiles(dir.path(), core.path());
}

TEST(CliSplit, OutputFolderMissingOrNotAFolder) {
    ScratchDir dir;
    const Job job{.file = corpusDir() / "utf8" / "ahq_zhengzhuan_pg25332.txt"};
    const auto split = [&](std::vector<std::string> more) {
        std::vector<std::string> args = job.args("split");
        args.insert(args.end(), more.begin(), more.end());
        return runCli(args, {dir.path()});
    };
    expectRefused(split({"-o", (dir / "new").string()}), "--create-dir");
    EXPECT_FALSE(fs::exists(dir / "new"));
    expectRefused(split({"-o", (dir / "a" / "b").string(), "--create-dir"}), (dir / "a" / "b").string());
    EXPECT_FALSE(fs::exists(dir / "a"));
    writeAll(dir / "file.txt", "x");
    expectRefused(split({"-o", (dir / "file.txt").string()}), (dir / "file.txt").string());
    expectRefused(split({"-o", (dir / "file.txt" / "sub").string(), "--create-dir"}), "file.txt");
    EXPECT_EQ(folderFiles(dir.path()).size(), 1u);

    // One level is created, and the files are the window's.
    EXPECT_EQ(split({"-o", (dir / "new").string(), "--create-dir"}).status, 0);
    ScratchDir core;
    coreSplit(job, core.path());
    expectSameFiles(dir / "new", core.path());
}

TEST(CliSplit, TheInputIsNeverAnOutput) {
    // The default name 小说01 makes 小说01.txt in the input's own folder the first output.
    ScratchDir dir;
    fs::copy_file(corpusDir() / "gb18030" / "ahq_zhengzhuan_pg25332.txt", dir / "小说01.txt");
    const std::string before = readAll(dir / "小说01.txt");
    for (const char* existing : {"fail", "overwrite", "append"}) {
        expectRefused(
            runCli({"split", (dir / "小说01.txt").string(), "-q", "-c", "1", "--existing", existing}, {dir.path()}),
            "输出文件就是输入文件");
        EXPECT_EQ(folderFiles(dir.path()), (std::map<std::string, std::string>{{"小说01.txt", before}}));
    }
}

TEST(CliSplit, FailuresDuringThePassAreReported) {
    const std::string novel = (corpusDir() / "utf8" / "hongloumeng_pg24264.txt").string();
    // A file-size limit makes a write fail part-way (the program must not die of SIGXFSZ).
    ScratchDir small;
    expectRefused(runCli({"split", novel, "-p", kHui, "-o", small.path().string()}, {.fileSizeLimit = 65536}),
                  "写入文件失败：");
    // A folder where an output file should go.
    ScratchDir blocked;
    fs::create_directories(blocked / "小说02.txt" / "keep");
    expectRefused(runCli({"split", novel, "-p", kHui, "-o", blocked.path().string(), "--existing", "append"}, {}),
                  "小说02.txt");
    EXPECT_TRUE(fs::exists(blocked / "小说02.txt" / "keep"));

    // Refused before the pass: nothing is written, not even into the current folder.
    ScratchDir cwd;
    expectRefused(runCli({"split", (cwd / "none.txt").string()}, {cwd.path()}), "输入文件不存在！");
    expectRefused(runCli({"split", novel, "-p", "("}, {cwd.path()}), "查找条件有误");
    expectRefused(runCli({"split", novel, "-p", "no such heading"}, {cwd.path()}), "无符合条件的行，无法分割！");
    expectRefused(runCli({"split", novel, "-p", kHui, "-x", "1-127"}, {cwd.path()}), "排除全部条件，无法分割！");
    EXPECT_TRUE(fs::is_empty(cwd.path()));
}
