// The options of split and epub as the job gets them: forwarded whole to a batch's runs, the
// user's language kept over a conversion's, the rule chosen when none is given, and -q quiet.
#include <cstdio>

#include "cli_run.h"

using namespace pwtest;
namespace fs = std::filesystem;

namespace {

std::string unzipped(const fs::path& book, const std::string& entry) {
    std::string out;
    if (std::FILE* p = popen(("unzip -p '" + book.string() + "' " + entry).c_str(), "r")) {
        char buf[4096];
        for (std::size_t got; (got = std::fread(buf, 1, sizeof buf, p)) > 0;)
            out.append(buf, got);
        pclose(p);
    }
    return out;
}

} // namespace

// Each --clean-rules reaches each novel's run, not the first alone.
TEST(CliJobOptions, ARepeatedOptionReachesEveryNovelOfABatch) {
    ScratchDir dir, out;
    for (const char* name : {"a.txt", "b.txt"})
        writeAll(dir / name, "第1章 开始\n甲广告\n乙广告\n正文。\n");
    writeAll(dir / "1.json", R"([{"name":"甲","pattern":"^甲广告$","isRegex":true}])");
    writeAll(dir / "2.json", R"([{"name":"乙","pattern":"^乙广告$","isRegex":true}])");
    const CliRun r = runCli({"split", (dir / "a.txt").string(), (dir / "b.txt").string(), "-p", "^第", "--clean-rules",
                             (dir / "1.json").string(), "--clean-rules", (dir / "2.json").string(), "-o",
                             out.path().string()},
                            {});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* novel : {"a", "b"})
        EXPECT_EQ(readAll(out / novel / "小说01.txt"), "第1章 开始\r\n正文。\r\n") << novel;
}

TEST(CliJobOptions, TheUsersLanguageStandsAgainstTheConversion) {
    ScratchDir dir;
    writeAll(dir / "n.txt", "第1章 开始\n正文。\n第2章 继续\n正文。\n");
    const auto language = [&](const std::vector<std::string>& extra) {
        std::vector<std::string> args{"epub", (dir / "n.txt").string(), "-o", (dir / "b.epub").string(),
                                      "--existing", "overwrite", "--convert", "s2t"};
        args.insert(args.end(), extra.begin(), extra.end());
        const CliRun r = runCli(args, {});
        EXPECT_EQ(r.status, 0) << r.err;
        const std::string opf = unzipped(dir / "b.epub", "OEBPS/content.opf");
        const std::size_t at = opf.find("<dc:language>");
        return at == std::string::npos ? std::string() : opf.substr(at + 13, opf.find('<', at + 13) - at - 13);
    };
    EXPECT_EQ(language({}), "zh-TW");
    EXPECT_EQ(language({"--language", "zh-CN"}), "zh-CN");
}

// With no pattern, split and epub choose the rule for the novel and say which in one line:
// one stray 第…章 among a 回 novel's headings no longer makes a book of one chapter, and the
// novel's own table of contents stays in the front matter unless --keep-contents.
TEST(CliJobOptions, WithNoPatternTheRuleIsChosenForTheNovel) {
    ScratchDir dir;
    std::string novel = "书名\n目录\n";
    for (int k = 1; k <= 12; ++k)
        novel += "第" + std::to_string(k) + "回 回目" + std::to_string(k) + "\n";
    for (int k = 1; k <= 12; ++k) {
        novel += "第" + std::to_string(k) + "回 回目" + std::to_string(k) + "\n";
        for (int p = 0; p < 6; ++p)
            novel += "　　这是第" + std::to_string(k) + "回的一段正文，写得足够长，像一段真的小说。\n";
        if (k == 7) novel += "第三章提到的那件事。\n";
    }
    writeAll(dir / "n.txt", novel);
    const std::string file = (dir / "n.txt").string();
    const struct {
        std::vector<std::string> args;
        int chapters;
    } cases[] = {
        {{"epub", file, "-o", (dir / "b.epub").string()}, 12},
        {{"split", file, "-c", "1", "-o", (dir / "t").string(), "--create-dir"}, 12},
        {{"split", file, "-c", "1", "-o", (dir / "k").string(), "--create-dir", "--keep-contents"}, 24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.args.back());
        std::vector<std::string> args = c.args;
        args.push_back("--json");
        const CliRun r = runCli(args, {});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("pagewright-cli: 自动选择「第…回」"), std::string::npos) << r.err;
        EXPECT_EQ(nlohmann::json::parse(r.out)["chapters"], c.chapters) << r.out;
    }
    EXPECT_EQ(folderFiles(dir / "t").size(), 13u) << "the front matter and a file a chapter";
    // -q: nothing but errors.
    const CliRun quiet = runCli({"epub", file, "-q", "-o", (dir / "q.epub").string()}, {});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
    // A pattern given is the user's: the stray line is what it finds.
    const CliRun given = runCli({"scan", file, "-p", "第.{1,10}章", "-q"}, {});
    EXPECT_EQ(given.out, "[1] 第三章提到的那件事。\n");
}

// --preset auto that finds nothing is a refusal of the file, not a usage error.
TEST(CliJobOptions, AutoThatFindsNothingIsRefused) {
    ScratchDir dir;
    writeAll(dir / "n.txt", "没有标题的一段文字。\n又一段。\n");
    const CliRun r = runCli({"split", (dir / "n.txt").string(), "--preset", "auto", "-o", (dir / "o").string(),
                             "--create-dir"},
                            {});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_FALSE(fs::exists(dir / "o"));
}
