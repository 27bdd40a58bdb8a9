// Clean-up rules and Traditional↔Simplified conversion through the built program: web novels
// with planted junk against their truth, legado rule files, and OpenCC's own `opencc` program
// as the reference for every converted text.
#include <regex>

#include "cli_run.h"
#include "platform/transcoder.h"
#include "support/web_junk.h"

using namespace pwtest;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> decodedLines(const std::string& bytes, pw::Encoding e) {
    std::string utf8;
    pw::Utf8Transcoder t(e);
    t.convert(bytes, [&utf8](std::string_view piece) {
        utf8.append(piece);
        return true;
    });
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < utf8.size();) {
        std::size_t end = utf8.find('\n', at);
        if (end == std::string::npos) end = utf8.size();
        std::string line = utf8.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

std::string shell(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[65536];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
            out.append(buf, n);
        pclose(p);
    }
    return out;
}

std::string opencc(const std::string& config, const fs::path& utf8File) {
    return shell("opencc -c " + config + " -i '" + utf8File.string() + "'");
}

// The book's headings and paragraphs in reading order, without markup, and its metadata.
std::vector<std::string> bookTexts(const fs::path& book) {
    const std::string pages = shell("unzip -p '" + book.string() + "' 'OEBPS/text/*'");
    std::vector<std::string> out;
    static const std::regex element("<(h1|h2|p)>(.*?)</\\1>|<hr/>");
    for (auto it = std::sregex_iterator(pages.begin(), pages.end(), element); it != std::sregex_iterator(); ++it) {
        std::string text = (*it)[0] == "<hr/>" ? "***" : (*it)[2].str();
        // XML's own escapes, & last.
        for (const auto& [escaped, plain] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}})
            for (std::size_t at; (at = text.find(escaped)) != std::string::npos;)
                text.replace(at, std::string_view(escaped).size(), plain);
        out.push_back(std::move(text));
    }
    return out;
}

std::string bookEntry(const fs::path& book, const std::string& entry) {
    return shell("unzip -p '" + book.string() + "' " + entry);
}

std::string between(const std::string& s, const std::string& open, const std::string& close) {
    const std::size_t a = s.find(open);
    if (a == std::string::npos) return {};
    const std::size_t b = s.find(close, a + open.size());
    return s.substr(a + open.size(), b - a - open.size());
}

// Where two lists of lines part, for a readable failure.
std::string firstDifference(const std::vector<std::string>& got, const std::vector<std::string>& want) {
    std::size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i])
        ++i;
    if (i == got.size() && i == want.size()) return {};
    std::string s = "line " + std::to_string(i) + "\n got:";
    for (std::size_t k = i; k < got.size() && k < i + 3; ++k)
        s += "\n  " + got[k];
    s += "\n want:";
    for (std::size_t k = i; k < want.size() && k < i + 3; ++k)
        s += "\n  " + want[k];
    return s;
}

// Every file of a split, one after the other.
std::string allFiles(const fs::path& dir) {
    std::string all;
    for (const auto& [name, bytes] : folderFiles(dir))
        if (name.ends_with(".txt")) all += bytes;
    return all;
}

std::string withoutIndent(std::string s) {
    while (s.starts_with("\u3000"))
        s.erase(0, 3);
    return s;
}

} // namespace

TEST(CliClean, EveryPlantedLineGoesAndNoStoryLine) {
    for (const pw::Encoding enc : {pw::Encoding::Utf8, pw::Encoding::Gb18030})
        for (const std::uint32_t seed : {1u, 2u, 3u}) {
            SCOPED_TRACE(pw::traitsOf(enc).id + std::string(" seed ") + std::to_string(seed));
            ScratchDir dir, out;
            const JunkNovel novel = writeJunkNovel(dir / "n.txt", {.seed = seed, .chapters = 12, .encoding = enc});
            const CliRun r = runCli(
                {"split", (dir / "n.txt").string(), "--clean", "-c", "1000", "--json", "-o", out.path().string()}, {});
            ASSERT_EQ(r.status, 0) << r.err;
            std::vector<std::string> written = decodedLines(allFiles(out.path()), enc);
            EXPECT_EQ(firstDifference(written, novel.story()), "");
            // The JSON line counts them by rule.
            const nlohmann::json doc = nlohmann::json::parse(r.out);
            std::int64_t counted = 0;
            for (const auto& [rule, n] : doc["clean"].items())
                counted += n.get<std::int64_t>();
            EXPECT_EQ(counted, static_cast<std::int64_t>(novel.junkLineNumbers().size()));

            // The book: the same story, a repeated heading going with its empty chapter.
            const CliRun b =
                runCli({"epub", (dir / "n.txt").string(), "--clean", "-q", "-o", (out / "b.epub").string()}, {});
            ASSERT_EQ(b.status, 0) << b.err;
            // Its rows of marks are scene breaks, shown as rules.
            std::vector<std::string> story;
            for (const std::string& l : novel.story())
                story.push_back(l == "☆☆☆" ? "***" : withoutIndent(l));
            EXPECT_EQ(firstDifference(bookTexts(out / "b.epub"), story), "");
        }
}

TEST(CliClean, PreviewListsEveryHitAndWritesNothing) {
    ScratchDir dir;
    const JunkNovel novel =
        writeJunkNovel(dir / "n.txt", {.seed = 5, .chapters = 10, .encoding = pw::Encoding::Gb18030});
    const CliRun r =
        runCli({"scan", (dir / "n.txt").string(), "--clean", "--check"}, {SpawnOptions{.cwd = dir.path()}});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::int64_t> listed;
    static const std::regex hit("^净化 \\[[^\\]]+\\] 第 ([0-9]+) 行：");
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
        if (std::smatch m; std::regex_search(line, m, hit)) listed.push_back(std::stoll(m[1]));
    EXPECT_EQ(listed, novel.junkLineNumbers());
    EXPECT_NE(r.out.find("净化："), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(CliClean, PreviewListsTheHitsOfRulesThatCrossLines) {
    // A rule run on the chapter's text lists each line it takes or changes, in the order of the
    // lines, beside the line rules' hits; the next chapter keeps its own.
    ScratchDir dir;
    writeAll(dir / "n.txt", "第一章 甲\r\n　　正文一。\r\n作者有话要说：求票\r\n　　谢谢大家。\r\n"
                            "第二章 乙\r\n　　正文二。\r\n　　完。\r\n");
    writeAll(dir / "rules.json", R"([
      {"name": "作者有话", "pattern": "作者有话要说(.|\\n)*", "replacement": ""},
      {"name": "二完", "pattern": "二。\\n　　完", "replacement": "二，完"},
      {"name": "一", "pattern": "一", "replacement": "1"}
    ])");
    const CliRun r =
        runCli({"scan", (dir / "n.txt").string(), "--clean-rules", (dir / "rules.json").string(), "--check"}, {});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("净化 [一] 第 2 行：　　正文一。 → 　　正文1。\n"
                         "净化 [作者有话] 第 3 行：作者有话要说：求票\n"
                         "净化 [作者有话] 第 4 行：　　谢谢大家。\n"
                         "净化 [二完] 第 6 行：　　正文二。 → 　　正文二，完。\n"
                         "净化 [二完] 第 7 行：　　完。\n"),
              std::string::npos)
        << r.out;
}

TEST(CliClean, CountsOnStderrUnlessQuietAndInTheBatchSummary) {
    ScratchDir dir, out;
    const JunkNovel a = writeJunkNovel(dir / "a.txt", {.seed = 1});
    const JunkNovel b = writeJunkNovel(dir / "b.txt", {.seed = 2});
    const CliRun loud =
        runCli({"split", (dir / "a.txt").string(), "--clean", "-o", (out / "1").string(), "--create-dir"}, {});
    EXPECT_NE(loud.err.find("pagewright-cli: 净化："), std::string::npos) << loud.err;
    const CliRun quiet =
        runCli({"split", (dir / "a.txt").string(), "--clean", "-q", "-o", (out / "2").string(), "--create-dir"}, {});
    EXPECT_EQ(quiet.err, "");
    const CliRun batch = runCli({"split", (dir / "a.txt").string(), (dir / "b.txt").string(), "--clean", "-o",
                                 (out / "3").string(), "--create-dir"},
                                {});
    ASSERT_EQ(batch.status, 0) << batch.err;
    const std::size_t total = a.junkLineNumbers().size() + b.junkLineNumbers().size();
    EXPECT_NE(batch.err.find("，共 " + std::to_string(total) + " 行。"), std::string::npos) << batch.err;
}

TEST(CliClean, LegadoRuleFiles) {
    ScratchDir dir, out;
    writeAll(dir / "n.txt",
             "第一章 甲子（求月票）\r\n　　他说：“广告位招租。”\r\n　　价格是100元，折后80元。\r\n"
             "　　aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa!\r\n第二章 乙丑\r\n　　广告位招租\r\n");
    // legado's own fields, and some it has that mean nothing here.
    writeAll(dir / "rules.json", R"([
      {"id": 1, "name": "求票", "group": "标题", "pattern": "（求月票）", "replacement": "", "isRegex": false,
       "scopeTitle": true, "scopeContent": false, "isEnabled": true, "order": 2, "timeoutMillisecond": 3000},
      {"name": "招租", "pattern": "广告位招租", "replacement": "", "isRegex": true, "order": 1},
      {"name": "价格", "pattern": "(\\d+)元", "replacement": "$1块", "isRegex": true, "order": 3, "excludeScope": ""},
      {"name": "坏规则", "pattern": "(未闭合", "isRegex": true},
      {"name": "失控", "pattern": "(a+)+$", "isRegex": true, "order": 4},
      {"name": "停用", "pattern": "他", "replacement": "她", "isEnabled": false}
    ])");
    const CliRun r = runCli({"split", (dir / "n.txt").string(), "--clean-rules", (dir / "rules.json").string(), "-c",
                             "9", "-o", out.path().string()},
                            {});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("坏规则"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("净化规则 失控 超出了匹配的时间限度"), std::string::npos) << r.err;
    EXPECT_EQ(folderFiles(out.path()).begin()->second,
              "第一章 甲子\r\n　　他说：“。”\r\n　　价格是100块，折后80块。\r\n"
              "　　aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa!\r\n第二章 乙丑\r\n");
    // A file that is no rule list stops the run before anything is written.
    writeAll(dir / "bad.json", "not json");
    const CliRun bad = runCli({"split", (dir / "n.txt").string(), "--clean-rules", (dir / "bad.json").string(), "-o",
                               (out / "x").string(), "--create-dir"},
                              {});
    EXPECT_EQ(bad.status, 2);
    EXPECT_FALSE(fs::exists(out / "x"));
}

// Novels in Traditional characters (those the generator writes for Big5) and in Simplified,
// as UTF-8 and GB18030 files.
struct ScriptCase {
    const char* config; // converts the novel
    NovelEncoding written;
    pw::Encoding as;
    const char* script;
    const char* language; // of the converted book
};

TEST(CliConvert, SameAsOpenccForTextTitlesAndMetadata) {
    const ScriptCase cases[] = {
        {"t2s", NovelEncoding::Big5, pw::Encoding::Utf8, "traditional", "zh-CN"},
        {"tw2sp", NovelEncoding::Big5, pw::Encoding::Gb18030, "traditional", "zh-CN"},
        {"s2twp", NovelEncoding::Gb18030, pw::Encoding::Utf8, "simplified", "zh-TW"},
        {"s2hk", NovelEncoding::Gb18030, pw::Encoding::Gb18030, "simplified", "zh-HK"},
    };
    for (const ScriptCase& c : cases) {
        SCOPED_TRACE(c.config);
        ScratchDir dir, out;
        // Long enough for several pieces, converted at once on as many threads, to come out in order.
        NovelOptions o{.encoding = c.written,
                       .seed = 4,
                       .chapters = 150,
                       .badBytes = false,
                       .oddBlankLines = false,
                       .paragraphs = 30};
        const Novel novel = makeNovel(o);
        std::string utf8;
        for (const std::string& l : novel.lines)
            utf8 += l + "\n";
        writeAll(dir / "utf8.txt", utf8);
        writeAll(dir / "长夜 作者：无名.txt", encodeText(utf8, c.as));
        const fs::path input = dir / "长夜 作者：无名.txt";
        const std::vector<std::string> reference = decodedLines(opencc(c.config, dir / "utf8.txt"), pw::Encoding::Utf8);
        std::vector<std::string> trimmed;
        for (std::string l : reference) {
            l = withoutIndent(l);
            while (l.ends_with(" "))
                l.pop_back();
            trimmed.push_back(l);
        }

        const nlohmann::json scan = nlohmann::json::parse(runCli({"scan", input.string(), "--json"}, {}).out);
        EXPECT_EQ(scan["script"], c.script);

        const CliRun r = runCli({"split", input.string(), "--convert", c.config, "--keep-blank-lines", "-c", "100000",
                                 "-q", "-o", out.path().string()},
                                {});
        ASSERT_EQ(r.status, 0) << r.err;
        std::vector<std::string> written = decodedLines(allFiles(out.path()), c.as);
        EXPECT_EQ(firstDifference(written, reference), "");

        const CliRun b =
            runCli({"epub", input.string(), "--convert", c.config, "-q", "-o", (out / "b.epub").string()}, {});
        ASSERT_EQ(b.status, 0) << b.err;
        const std::string opf = bookEntry(out / "b.epub", "OEBPS/content.opf");
        writeAll(dir / "meta.txt", "长夜\n无名\n");
        EXPECT_EQ(between(opf, "<dc:title>", "</dc:title>") + "\n" +
                      between(opf, "<dc:creator", "</dc:creator>")
                          .substr(between(opf, "<dc:creator", "</dc:creator>").find('>') + 1) +
                      "\n",
                  opencc(c.config, dir / "meta.txt"));
        EXPECT_EQ(between(opf, "<dc:language>", "</dc:language>"), c.language);
        // Every heading of the contents list is a line of the reference.
        const std::string nav = bookEntry(out / "b.epub", "OEBPS/nav.xhtml");
        static const std::regex entry("<a href=\"text/c[^\"]*\">([^<]*)</a>");
        int titles = 0;
        for (auto it = std::sregex_iterator(nav.begin(), nav.end(), entry); it != std::sregex_iterator();
             ++it, ++titles)
            EXPECT_NE(std::find(trimmed.begin(), trimmed.end(), (*it)[1].str()), trimmed.end()) << (*it)[1];
        EXPECT_GT(titles, 30);
        // And the book's text is the reference's, line for line (a book leaves out blank lines).
        std::vector<std::string> paragraphs;
        for (const std::string& l : trimmed)
            if (!l.empty()) paragraphs.push_back(l);
        EXPECT_EQ(firstDifference(bookTexts(out / "b.epub"), paragraphs), "");
    }
}

TEST(CliConvert, BooksTaggedByTheirScriptAndUnknownConfigurationsRefused) {
    ScratchDir dir, out;
    for (const auto& [written, language] :
         {std::pair{NovelEncoding::Big5, "zh-TW"}, std::pair{NovelEncoding::Gb18030, "zh-CN"}}) {
        const Novel novel = makeNovel({.encoding = written, .seed = 2, .badBytes = false});
        std::string utf8;
        for (const std::string& l : novel.lines)
            utf8 += l + "\r\n";
        writeAll(dir / "n.txt", encodeText(utf8, pw::Encoding::Gb18030));
        const CliRun b = runCli(
            {"epub", (dir / "n.txt").string(), "-q", "--existing", "overwrite", "-o", (out / "b.epub").string()}, {});
        ASSERT_EQ(b.status, 0) << b.err;
        EXPECT_EQ(between(bookEntry(out / "b.epub", "OEBPS/content.opf"), "<dc:language>", "</dc:language>"), language);
    }
    const CliRun bad = runCli({"split", (dir / "n.txt").string(), "--convert", "s2x"}, {});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("不是已安装的 OpenCC 转换配置，可用的有：hk2s"), std::string::npos) << bad.err;
}
