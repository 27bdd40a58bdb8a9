// `pagewright-cli scan` and `split` against the window's: the same headings, as plain lines
// and as JSON, and the same files with the same bytes; then files in the way and a write
// failure during the pass.
#include "cli_run.h"

using namespace pwtest;
namespace fs = std::filesystem;

namespace {

const std::string kHui = "第(.){1,10}回";

// Runs both output forms of the program and holds each against the core's scan.
void expectSameScan(const Job& job) {
    const CoreRun core = runCore(job);
    const CliRun plain = runCli(job.args("scan"), {});
    EXPECT_EQ(plain.err, "");
    std::string expected;
    for (const auto& h : core.headings)
        expected.append("[").append(h["number"].dump()).append("] ").append(h["text"]).append("\n");
    EXPECT_EQ(plain.out, expected + core.status + "\n");

    std::vector<std::string> args = job.args("scan");
    args.push_back("--json");
    const CliRun json = runCli(args, {});
    ASSERT_EQ(json.status, 0) << json.err;
    const auto doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc["file"], job.file.string());
    EXPECT_EQ(doc["encoding"], pw::traitsOf(core.encoding).id);
    EXPECT_EQ(doc["encoding_detected"], !job.encoding.has_value());
    EXPECT_EQ(doc["size"], fs::file_size(job.file));
    EXPECT_EQ(doc["lines"], core.lines);
    // What the analysis adds to each heading is tested on its own; here the scan's own fields.
    nlohmann::json scanned = doc["headings"];
    for (auto& h : scanned)
        for (const char* key : {"chapter_number", "chapter_bytes", "chapter_lines", "suspect", "title"})
            h.erase(key);
    EXPECT_EQ(scanned, core.headings);
}

// Compared file by file, so a failure names the file instead of printing whole chapters.
void expectSameFiles(const fs::path& got, const fs::path& want) {
    const auto a = folderFiles(got), b = folderFiles(want);
    ASSERT_EQ(a.size(), b.size());
    for (const auto& [name, bytes] : b)
        EXPECT_TRUE(a.count(name) && a.at(name) == bytes) << name;
}

enum class Into { OutOption, CurrentFolder, NewFolder };

// The same scan; then the program splits into a fresh folder (given by -o, its current
// folder, or one it creates), the core into another, and both must end alike.
void expectSameScanAndSplit(const Job& job, Into into = Into::OutOption) {
    SCOPED_TRACE(job.file.string());
    expectSameScan(job);
    ScratchDir core, cli;
    const std::string status = runCore(job, core.path()).status;
    const fs::path out = into == Into::CurrentFolder ? cli.path() : cli / "out";
    if (into == Into::OutOption) fs::create_directory(out);
    std::vector<std::string> args = job.args("split");
    if (into != Into::CurrentFolder) args.insert(args.end(), {"-o", out.string()});
    if (into == Into::NewFolder) args.push_back("--create-dir");
    const CliRun r = runCli(args, {cli.path()});
    EXPECT_EQ(r.status, 0) << r.err;
    // Nothing on stderr but the count of flagged headings that went in as chapters.
    const std::size_t note = r.err.find("个可疑标题仍作为章节");
    EXPECT_EQ(note == std::string::npos ? r.err : r.err.substr(r.err.find('\n', note) + 1), "");
    EXPECT_EQ(r.out, status + "\n");
    expectSameFiles(out, core.path());
}

} // namespace

TEST(CliJobs, GeneratedNovelsInBothEncodingsGiveTheirHeadingsAndTheWindowsFiles) {
    ScratchDir dir;
    for (const NovelEncoding enc : {NovelEncoding::Utf8, NovelEncoding::Gb18030}) {
        NovelOptions zhang = kTenChapters, hui = kHuiNovel;
        zhang.encoding = hui.encoding = enc;
        zhang.falseHeadings = true;
        hui.paragraphs = 4;
        writeNovel(dir / "zhang.txt", zhang);
        const Novel b = writeNovel(dir / "hui.txt", hui);
        Job jb{.file = dir / "hui.txt", .pattern = kHui, .name = "第1部分", .chapters = "10"};
        jb.excluded = {1, 5, static_cast<int>(b.matching(U'回').size())};
        expectSameScanAndSplit(
            {.file = dir / "zhang.txt", .keepBlankLines = enc == NovelEncoding::Utf8, .excluded = {2}},
            Into::CurrentFolder);
        expectSameScanAndSplit(jb, enc == NovelEncoding::Utf8 ? Into::NewFolder : Into::OutOption);
    }
}

TEST(CliJobs, CorpusNovelsInBothEncodingsGiveTheWindowsHeadingsAndFiles) {
    if (corpusDir().empty()) GTEST_SKIP() << kNoCorpus;
    for (const char* enc : {"utf8", "gb18030"}) {
        const fs::path dir = corpusDir() / enc;
        expectSameScanAndSplit({.file = dir / "ahq_zhengzhuan_pg25332.txt", .excluded = {2}}, Into::CurrentFolder);
        Job hlm{.file = dir / "hongloumeng_pg24264.txt", .pattern = kHui, .name = "第1部分", .chapters = "10"};
        hlm.excluded = {1, 5, 127};
        expectSameScanAndSplit(hlm);
    }
}

TEST(CliJobs, ExistingOutputFailsOverwritesOrAppends) {
    ScratchDir core, dir, in;
    writeNovel(in / "novel.txt", kTenChapters); // the preamble, then three files of four chapters at most
    const Job job{.file = in / "novel.txt", .chapters = "4"};
    runCore(job, core.path());
    writeAll(dir / "小说02.txt", "OLD\r\n");
    std::vector<std::string> args = job.args("split");
    args.insert(args.end(), {"-o", dir.path().string(), "--existing", "fail"});
    // Refused before the first file is written, though the one in the way comes second.
    expectRefused(runCli(args, {}), "输出文件已存在：" + (dir / "小说02.txt").string());
    EXPECT_EQ(folderFiles(dir.path()), (std::map<std::string, std::string>{{"小说02.txt", "OLD\r\n"}}));
    args.back() = "append";
    EXPECT_EQ(runCli(args, {}).status, 0);
    EXPECT_TRUE(readAll(dir / "小说02.txt") == "OLD\r\n" + readAll(core / "小说02.txt"));
    EXPECT_EQ(folderFiles(dir.path()).size(), 4u);
    args.back() = "Overwrite";
    EXPECT_EQ(runCli(args, {}).status, 0);
    expectSameFiles(dir.path(), core.path());
}

TEST(CliJobs, AWriteFailureDuringThePassIsReported) {
    // A file-size limit makes a write fail part-way; the program must not die of SIGXFSZ.
    ScratchDir dir, in;
    writeNovel(in / "novel.txt", kHuiNovel);
    const std::string novel = (in / "novel.txt").string();
    expectRefused(runCli({"split", novel, "-p", kHui, "-o", dir.path().string()}, {.fileSizeLimit = 65536}),
                  "写入文件失败：" + (dir / "小说01.txt").string());
}
