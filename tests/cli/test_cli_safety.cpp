// The built program against inputs and surroundings that break careless tools: names that
// are not UTF-8, a file of zeros with no line end, an exclude list of huge overlapping
// ranges, a stdout that cannot be written.
#include "cli_run.h"

using namespace pwtest;
namespace fs = std::filesystem;

namespace {

const std::string kGbk = "\xB2\xE2\xCA\xD4"; // "测试" in GBK: not UTF-8
// Two headings in GBK, "第1章" and "第2章", with CR LF.
const std::string kGbkNovel = "\xB5\xDA"
                              "1\xD5\xC2\r\nabc\r\n\xB5\xDA"
                              "2\xD5\xC2\r\nxyz\r\n";

std::vector<std::string> namesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().native());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(CliNames, GbkNamedFilesAndFoldersAreUsedByTheirBytesAndNonUtf8OptionsRefused) {
    ScratchDir dir;
    const fs::path input = dir.path() / (kGbk + ".txt"), out = dir.path() / ("out" + kGbk);
    writeAll(input, kGbkNovel);
    fs::create_directory(out);
    EXPECT_EQ(runCli({"scan", input.native(), "-q"}, {}).status, 0);
    // Said in its own bytes when it is missing.
    EXPECT_NE(runCli({"scan", input.native() + "x"}, {}).err.find(input.native() + "x，"), std::string::npos);
    const CliRun split = runCli({"split", input.native(), "-q", "-o", out.native(), "-c", "1"}, {});
    EXPECT_EQ(split.status, 0) << split.err;
    EXPECT_EQ(namesIn(out), (std::vector<std::string>{"小说01.txt", "小说02.txt"}));
    EXPECT_EQ(readAll(out / "小说02.txt"), "\xB5\xDA"
                                           "2\xD5\xC2\r\nxyz\r\n");
    // Nothing was made under some other spelling of the folder's name.
    std::vector<std::string> both{input.filename().native(), out.filename().native()};
    std::sort(both.begin(), both.end());
    EXPECT_EQ(namesIn(dir.path()), both);

    // A missing folder with such a name is created under that very name.
    const fs::path made = dir.path() / ("new" + kGbk);
    EXPECT_EQ(runCli({"split", input.native(), "-q", "-o", made.native(), "--create-dir"}, {}).status, 0);
    EXPECT_EQ(namesIn(made), std::vector<std::string>{"小说01.txt"});
    // Run in such a folder, the output lands there.
    writeAll(made / "novel.txt", kGbkNovel);
    EXPECT_EQ(runCli({"split", "novel.txt", "-q", "--existing", "overwrite"}, {made}).status, 0);
    EXPECT_EQ(namesIn(made), (std::vector<std::string>{"novel.txt", "小说01.txt"}));

    for (const std::string option : {"-p", "-n", "-c"}) {
        const CliRun r = runCli({"split", input.native(), "-q", "-o", made.native(), option, kGbk + "01"}, {});
        EXPECT_EQ(r.status, 2) << option;
        EXPECT_NE(r.err.find("UTF-8"), std::string::npos) << r.err;
    }
    EXPECT_EQ(namesIn(made), (std::vector<std::string>{"novel.txt", "小说01.txt"}));
}

TEST(CliEndlessLine, AThreeGigabyteFileOfZerosIsRefusedByLineNumberWithinLittleMemory) {
    ScratchDir dir;
    const fs::path zeros = dir / "disk.img", late = dir / "late.txt";
    writeAll(zeros, "");
    ASSERT_EQ(truncate(zeros.c_str(), 3LL << 30), 0); // sparse: no disk spent
    writeAll(late, "第1章\nabc\n");
    ASSERT_EQ(truncate(late.c_str(), 40 << 20), 0);

    const SpawnOptions tight{.addressSpace = 1L << 30};
    const CliRun whole = runCli({"scan", zeros.native(), "-q"}, tight);
    EXPECT_EQ(whole.status, 1) << whole.err;
    EXPECT_NE(whole.err.find("第 1 行超过 16 MB"), std::string::npos) << whole.err;
    EXPECT_LT(whole.seconds, 20);

    const CliRun third = runCli({"split", late.native(), "-q", "-o", dir.path().native()}, tight);
    EXPECT_EQ(third.status, 1) << third.err;
    EXPECT_NE(third.err.find("第 3 行超过 16 MB"), std::string::npos) << third.err;
    EXPECT_FALSE(fs::exists(dir / "小说01.txt"));
}

TEST(CliExcludeList, HugeOverlappingRangesCostTheListNotTheirSpan) {
    ScratchDir dir;
    std::string novel, crlf, list;
    for (int k = 1; k <= 20000; ++k) {
        novel += "第" + std::to_string(k) + "章\n";
        crlf += "第" + std::to_string(k) + "章\r\n";
    }
    writeAll(dir / "novel.txt", novel);
    for (int i = 0; i < 10000; ++i)
        list += "2-20000,";
    // 10,000 spans of 19,999 rows spelled out would need 1.6 GB.
    const CliRun r = runCli(
        {"split", (dir / "novel.txt").native(), "-q", "-o", dir.path().native(), "-c", "100", "-x", list + "3-5"},
        {.addressSpace = 512L << 20});
    EXPECT_EQ(r.status, 0) << r.err;
    // Excluded headings stay in the text of the one chapter that is left.
    EXPECT_TRUE(readAll(dir / "小说01.txt") == crlf);
    EXPECT_FALSE(fs::exists(dir / "小说02.txt"));
}

TEST(CliStdout, AStdoutThatCannotBeWrittenFailsTheRun) {
    ScratchDir dir;
    const std::string input = (dir / "novel.txt").native();
    writeAll(input, kGbkNovel);
    for (const auto& args : std::vector<std::vector<std::string>>{{"scan", input, "-q"},
                                                                  {"scan", input, "-q", "--json"},
                                                                  {"split", input, "-o", dir.path().native()},
                                                                  {"--help"}}) {
        const CliRun r = runCli(args, {.stdoutPath = "/dev/full"});
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_NE(r.err.find("标准输出"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("磁盘空间不足"), std::string::npos) << r.err;
    }
    EXPECT_EQ(runCli({"scan", input, "-q"}, {.stdoutPath = "/dev/null"}).status, 0);
}

// --create-dir makes the output folder, then the run is refused (no heading, a bad option
// found later): the folders it made go again, and only those. A batch whose every novel
// fails takes its -o back too; a folder that was there, or got something in it, stays.
TEST(CliCreateDir, FoldersMadeForARefusedRunAreRemovedAndOnlyThose) {
    ScratchDir dir;
    const fs::path none = dir / "none.txt", good = dir / "good.txt";
    writeAll(none, "只有正文。\r\n没有标题。\r\n");
    writeNovel(good, kTenChapters);
    fs::create_directory(dir / "kept");
    const std::string base = dir.path().string();
    const std::vector<std::vector<std::string>> refused = {
        {"split", none.string(), "-o", base + "/new/a/b", "--create-dir"},
        {"split", good.string(), "-o", base + "/new/a", "--create-dir", "-n", "**"},
        {"split", none.string(), good.string(), "-x", "99", "-o", base + "/new/c", "--create-dir"},
        {"epub", none.string(), "-o", base + "/new/", "--create-dir"},
        {"split", none.string(), "-o", base + "/kept/x/y", "--create-dir"},
    };
    for (const auto& args : refused) {
        SCOPED_TRACE(args[1] + " " + args[args.size() - 2]);
        const CliRun r = runCli(args, {});
        EXPECT_NE(r.status, 0) << r.err;
        EXPECT_FALSE(fs::exists(dir / "new"));
        EXPECT_TRUE(fs::is_empty(dir / "kept"));
    }
    // A run that wrote keeps what it made.
    ASSERT_EQ(runCli({"split", good.string(), "-q", "-o", base + "/new/d", "--create-dir"}, {}).status, 0);
    EXPECT_FALSE(fs::is_empty(dir / "new" / "d"));
}
