// What the program is handed besides the novel (rule files, a cover) and the novel itself when
// it is no file: named pipes, endless devices, loops of links, huge files, nesting without end,
// rules that run away. Each is refused at once, or switched off, with its reason.
#include <sys/stat.h>

#include "cli_run.h"
#include "support/images.h"

using namespace pwtest;
namespace fs = std::filesystem;

namespace {

struct Odd {
    ScratchDir dir;
    fs::path fifo, loop, sparse, deep;
    Odd() {
        fifo = dir / "pipe";
        EXPECT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        loop = dir / "loop";
        fs::create_symlink(loop, loop);
        // 21 MB that take no room: past both limits.
        sparse = dir / "big";
        writeAll(sparse, "[");
        fs::resize_file(sparse, 21u << 20);
        deep = dir / "deep.json";
        writeAll(deep, std::string(100000, '[') + std::string(100000, ']'));
    }
};

} // namespace

TEST(CliRuleFiles, NoFileRefusedAtOnce) {
    Odd odd;
    writeAll(odd.dir / "n.txt", "第一章 甲\n正文\n");
    const std::string novel = (odd.dir / "n.txt").string(), out = (odd.dir / "out").string();
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;
    };
    std::vector<Case> cases;
    for (const fs::path& p : {odd.fifo, fs::path("/dev/zero"), odd.loop}) {
        cases.push_back({{"scan", p.string()}, 1, "输入的不是普通文件：" + p.string()});
        cases.push_back({{"split", novel, "-o", out, "--clean-rules", p.string()}, 2, "不是普通文件"});
        cases.push_back({{"scan", novel, "--rules", p.string()}, 2, "不是普通文件"});
        cases.push_back({{"epub", novel, "-o", out, "--cover", p.string()}, 1, "不是普通文件"});
    }
    cases.push_back({{"split", novel, "-o", out, "--clean-rules", odd.sparse.string()}, 2, "文件太大（超过 16 MB）"});
    cases.push_back({{"scan", novel, "--rules", odd.sparse.string()}, 2, "文件太大（超过 16 MB）"});
    cases.push_back({{"epub", novel, "-o", out, "--cover", odd.sparse.string()}, 1, "文件太大（超过 20 MB）"});
    cases.push_back({{"split", novel, "-o", out, "--clean-rules", odd.deep.string()}, 2, "嵌套超过 64 层"});
    cases.push_back({{"scan", novel, "--rules", odd.deep.string()}, 2, "嵌套超过 64 层"});
    for (const Case& c : cases) {
        const CliRun r = runCli(c.args, {});
        EXPECT_FALSE(r.signalled) << c.args[0] << " " << c.args.back();
        EXPECT_EQ(r.status, c.status) << c.args.back() << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST(CliRuleFiles, WrongRulesRefusedNamedAndEscaped) {
    ScratchDir dir;
    writeAll(dir / "n.txt", "第一章 甲\n一二三\n第二章 乙\n");
    const std::pair<const char*, const char*> wrong[] = {
        {R"j([{"name":"甲","pattern":"一","replacement":5}])j", "「甲」的 replacement 不是文字"},
        {R"j([{"name":"乙","pattern":12}])j", "「乙」的 pattern 不是文字"},
        {R"j([{"name":"丙","pattern":"(一)","replacement":"$99"}])j", "「丙」的 replacement 引用了规则中没有的分组"},
        {R"j([{"name":"丁","pattern":"一","replacement":"x$"}])j", "「丁」的 replacement 以单独的 $ 结尾"},
        {"[{\"name\":\"\\u001b[2J\\n戊\",\"pattern\":\"一\",\"replacement\":2}]", "「\\x1b[2J\\n戊」"},
    };
    for (const auto& [json, says] : wrong) {
        writeAll(dir / "r.json", json);
        const CliRun r = runCli({"split", (dir / "n.txt").string(), "--clean-rules", (dir / "r.json").string(), "-o",
                                 (dir / "out").string(), "--create-dir"},
                                {});
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
        EXPECT_FALSE(fs::exists(dir / "out"));
    }
    writeAll(dir / "toc.json", "[{\"name\":\"\\u001b[2J清\\n屏\",\"rule\":\"^第.章\"}]");
    const CliRun presets = runCli({"presets", "--rules", (dir / "toc.json").string()}, {});
    EXPECT_EQ(presets.status, 0) << presets.err;
    EXPECT_NE(presets.out.find("\\x1b[2J清\\n屏"), std::string::npos) << presets.out;
    EXPECT_EQ(presets.out.find('\x1b'), std::string::npos);
}

TEST(CliRuleFiles, RunawayRulesStoppedAndNamed) {
    ScratchDir dir;
    // Lines on which the rule below stays just under the steps per line, each of them.
    std::string text = "第1章 开始\n";
    while (text.size() < 72000)
        text += "天地玄黄宇宙洪荒日月盈昃辰宿列张寒来暑往秋收冬藏闰余成岁律吕调阳云腾致雨露结为霜金生丽水玉出昆冈剑号巨"
                "阙珠称夜光果珍李柰菜重芥姜\n";
    writeAll(dir / "n.txt", text);
    writeAll(dir / "clean.json", R"([{"name":"慢","pattern":"(.{1,30}){1,4}\\d$"},
                                     {"name":"涨","pattern":"x*","replacement":")" +
                                     std::string(1000, 'y') + "\"}]");
    const CliRun clean = runCli({"split", (dir / "n.txt").string(), "--clean-rules", (dir / "clean.json").string(),
                                 "-o", (dir / "out").string(), "--create-dir"},
                                {});
    EXPECT_EQ(clean.status, 0) << clean.err;
    EXPECT_NE(clean.err.find("净化规则 慢 超出了匹配的时间限度"), std::string::npos) << clean.err;
    EXPECT_NE(clean.err.find("净化规则 涨 超出了匹配的时间限度"), std::string::npos) << clean.err;
    EXPECT_LT(fs::file_size(dir / "out" / "小说01.txt"), 2 * text.size());

    writeAll(dir / "toc.json", R"j([{"name":"慢目录","rule":"(.{1,30}){1,4}\\d$"}])j");
    const CliRun scan =
        runCli({"scan", (dir / "n.txt").string(), "--rules", (dir / "toc.json").string(), "--preset", "慢目录"}, {});
    EXPECT_EQ(scan.status, 1) << scan.err;
    EXPECT_NE(scan.err.find("查找条件过于复杂，用时过长"), std::string::npos) << scan.err;
    EXPECT_NE(scan.err.find("(.{1,30}){1,4}\\d$"), std::string::npos) << scan.err;
}

TEST(CliRuleFiles, BrokenCoverRefused) {
    ScratchDir dir;
    writeAll(dir / "n.txt", "第一章 甲\n正文\n");
    std::string png = pngPixel();
    png[png.find("IDAT") + 6] ^= 1;
    writeAll(dir / "bad.png", png);
    writeAll(dir / "cut.jpg", jpegPixel().substr(0, 300));
    for (const char* cover : {"bad.png", "cut.jpg"}) {
        const CliRun r = runCli(
            {"epub", (dir / "n.txt").string(), "-o", (dir / "b.epub").string(), "--cover", (dir / cover).string()}, {});
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("封面图片不完整或已损坏：" + (dir / cover).string()), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir / "b.epub"));
    }
}
