// `pagewright-cli scan` against the window's scan on the corpus and on generated files:
// the same headings as plain lines and as JSON, the same status, the refusals.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli_run.h"
#include "support/corpus.h"

using namespace pwtest;

namespace {

std::vector<std::string> linesOf(const std::string& s) {
    std::vector<std::string> lines;
    std::istringstream in(s);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

// Runs both output forms of the program and holds each against the core's scan.
void expectSameScan(const Job& job) {
    SCOPED_TRACE(job.file.string() + " " + job.pattern.value_or("(default pattern)"));
    const CoreScan core = coreScan(job);

    const CliRun plain = runCli(job.args("scan"), {});
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.err, "");
    std::vector<std::string> expected;
    for (const Heading& h : core.headings)
        expected.push_back("[" + std::to_string(h.number) + "] " + h.text);
    expected.push_back(core.status);
    EXPECT_EQ(linesOf(plain.out), expected);

    std::vector<std::string> args = job.args("scan");
    args.push_back("--json");
    const CliRun json = runCli(args, {});
    ASSERT_EQ(json.status, 0) << json.err;
    const auto doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc["file"], job.file.string());
    EXPECT_EQ(doc["encoding"], pw::encodingName(core.encoding));
    EXPECT_EQ(doc["size"], std::filesystem::file_size(job.file));
    EXPECT_EQ(doc["lines"], core.lines);
    std::vector<Heading> got;
    for (const auto& h : doc["headings"])
        got.push_back({h["number"], h["line"], h["offset"], h["text"]});
    EXPECT_EQ(got, core.headings);
}

} // namespace

TEST(CliScan, CorpusHeadingsAreTheWindowsInBothEncodings) {
    // Counts from the corpus README, so the two sides cannot agree on a wrong answer.
    const std::map<std::string, std::pair<std::size_t, std::size_t>> counts = {
        {"ahq_zhengzhuan_pg25332.txt", {10, 1}}, {"duanhong_lingyanji_pg23983.txt", {27, 0}},
        {"hongloumeng_pg24264.txt", {0, 127}},   {"sanguo_pg23950.txt", {0, 120}},
        {"shuihu_pg23863.txt", {0, 74}},         {"xiyouji_pg23962.txt", {0, 100}}};
    for (const char* enc : {"utf8", "gb18030"}) {
        for (const auto& [name, n] : counts) {
            Job job{corpusDir() / enc / name};
            EXPECT_EQ(coreScan(job).headings.size(), n.first) << name;
            expectSameScan(job);
            job.pattern = "第(.){1,10}回";
            EXPECT_EQ(coreScan(job).headings.size(), n.second) << name;
            expectSameScan(job);
        }
    }
}

TEST(CliScan, GeneratedFilesAndForcedEncodings) {
    ScratchDir dir;
    // GB18030: a heading on line 1, CR, LF and CR LF line ends, 日落 whose middle bytes
    // are those of 章, a line of spaces, a last line without a line end.
    const std::string gb = "\xB5\xDA\xD2\xBB\xD5\xC2\r\n"       // 第一章
                           "\xC8\xD5\xC2\xE4\r"                 // 日落
                           "   \n"                              //
                           "CHAPTER 2\r\n"                      //
                           "\xB5\xDA\xB6\xFE\xD5\xC2 \xBF\xAA"; // 第二章 开
    writeAll(dir / "gb.txt", gb);
    // UTF-8 with a byte-order mark and LF line ends.
    writeAll(dir / "u8.txt", "\xEF\xBB\xBF\xE7\xAC\xAC\xE4\xB8\x80\xE7\xAB\xA0\n"
                             "x\n\xE7\xAC\xAC\xE4\xBA\x8C\xE7\xAB\xA0\n");
    writeAll(dir / "empty.txt", "");
    for (const char* name : {"gb.txt", "u8.txt", "empty.txt"}) {
        for (const auto& enc :
             {std::optional<pw::Encoding>{}, std::optional{pw::Encoding::Gb18030}, std::optional{pw::Encoding::Utf8}}) {
            expectSameScan({.file = dir / name, .encoding = enc});
        }
    }
    expectSameScan({.file = dir / "gb.txt", .pattern = "chapter"});
    // Forcing the wrong encoding must really reach the scan: GB18030 bytes read as UTF-8
    // decode to replacement characters and no heading is left.
    EXPECT_EQ(coreScan({dir / "gb.txt"}).headings.size(), 2u);
    EXPECT_EQ(coreScan({.file = dir / "gb.txt", .encoding = pw::Encoding::Utf8}).headings.size(), 0u);
}

TEST(CliScan, RefusalsSayWhyInOneLine) {
    ScratchDir dir;
    writeAll(dir / "a.txt", "x\n");
    const CliRun missing = runCli({"scan", (dir / "none.txt").string()}, {});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "pagewright-cli: 输入文件不存在！\n");

    // The engine's own message and where in the pattern it stopped.
    const CliRun bad = runCli({"scan", (dir / "a.txt").string(), "-p", "第(.{1,10}"}, {});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(linesOf(bad.err).size(), 1u) << bad.err;
    EXPECT_NE(bad.err.find("查找条件有误：missing closing parenthesis（位置 9）"), std::string::npos) << bad.err;
}
