// The encodings through the built program: what scan --json says about them, a forced
// encoding, UTF-8 output with bytes that do not decode, and half a UTF-16 unit at the end.
#include "cli_run.h"

using namespace pwtest;
namespace fs = std::filesystem;

namespace {

nlohmann::json scanJson(const std::vector<std::string>& args) {
    const CliRun r = runCli(args, {});
    EXPECT_EQ(r.status, 0) << r.err;
    return nlohmann::json::parse(r.out);
}

} // namespace

TEST(CliEncodings, ScanJsonNamesTheEncodingAndWhetherItWasDetected) {
    ScratchDir dir;
    for (const NovelEncoding enc : kAllNovelEncodings) {
        NovelOptions o = kTenChapters;
        o.encoding = enc;
        const Novel novel = writeNovel(dir / "novel.txt", o);
        const nlohmann::json doc = scanJson({"scan", (dir / "novel.txt").string(), "-q", "--json"});
        EXPECT_EQ(doc["encoding"], pw::traitsOf(coreEncoding(enc)).id) << nameOf(enc);
        EXPECT_EQ(doc["encoding_detected"], true);
        EXPECT_EQ(doc["headings"].size(), novel.matching(U'章').size()) << nameOf(enc);
    }
    // Forced: read as Big5, a GBK novel keeps no heading, and says it was told so.
    NovelOptions o = kTenChapters;
    o.encoding = NovelEncoding::Gb18030;
    writeNovel(dir / "gbk.txt", o);
    const nlohmann::json forced = scanJson({"scan", (dir / "gbk.txt").string(), "-q", "--json", "--encoding", "big5"});
    EXPECT_EQ(forced["encoding"], "big5");
    EXPECT_EQ(forced["encoding_detected"], false);
    EXPECT_EQ(forced["headings"].size(), 0u);
}

TEST(CliEncodings, Utf8OutputCountsWhatDidNotDecodeOnStderr) {
    ScratchDir dir, out;
    // 第一章, a line with a byte no GB18030 has, 第二章.
    writeAll(dir / "gb.txt", "\xB5\xDA\xD2\xBB\xD5\xC2\r\nx\xFFy\r\n\xB5\xDA\xB6\xFE\xD5\xC2\r\nz");
    const CliRun r = runCli({"split", (dir / "gb.txt").string(), "-q", "-o", out.path().string(), "-c", "1",
                             "--output-encoding", "utf-8"},
                            {});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, ""); // -q: no summary; the replaced bytes are still said
    EXPECT_EQ(r.err, "pagewright-cli: 转换为 UTF-8 时，有 1 处字节无法按 GB18030 解码，已替换为 U+FFFD（\uFFFD）。\n");
    EXPECT_EQ(folderFiles(out.path()), (std::map<std::string, std::string>{{"小说01.txt", "第一章\r\nx\uFFFDy\r\n"},
                                                                          {"小说02.txt", "第二章\r\nz\r\n"}}));
    const CliRun bad = runCli({"split", (dir / "gb.txt").string(), "--output-encoding", "gbk"}, {});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("--output-encoding"), std::string::npos) << bad.err;
}

TEST(CliEncodings, HalfAUnitAtTheEndOfUtf16IsSaidAndTheScanGoesOn) {
    ScratchDir dir;
    // 第一章 in UTF-16BE with its mark, then one byte more.
    writeAll(dir / "u16.txt", std::string("\xFE\xFF\x7B\x2C\x4E\x00\x7A\xE0\x00", 9));
    const CliRun r = runCli({"scan", (dir / "u16.txt").string(), "-q"}, {});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "[1] 第一章\uFFFD\n");
    EXPECT_NE(r.err.find("文件末尾多出一个字节，凑不成完整的 UTF-16BE 字符"), std::string::npos) << r.err;
}
