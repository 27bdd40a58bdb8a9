// What the command line says about the headings: the presets, the analysis in scan --json,
// the plain report of scan --check, and split --exclude-suspects together with -x.
#include <map>

#include "cli_run.h"
#include "scan/presets.h"

using namespace pwtest;
namespace fs = std::filesystem;

namespace {

// Chapters 5 and 17 lost, 9 written twice; prose with 第…章 among the headings.
const NovelOptions kFaulty{.encoding = NovelEncoding::Utf8, .lineEnds = LineEnds::Lf, .seed = 31, .chapters = 24,
                           .skipChapters = {5, 17}, .repeatChapters = {9}};

std::vector<std::string> lines(const std::string& s) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (std::size_t nl; (nl = s.find('\n', from)) != std::string::npos; from = nl + 1)
        out.push_back(s.substr(from, nl - from));
    return out;
}

} // namespace

TEST(CliAnalysis, PresetsAreListedTakenByIdAndRefusedWhenUnknown) {
    const CliRun list = runCli({"presets"}, {});
    ASSERT_EQ(list.status, 0) << list.err;
    std::vector<std::string> want;
    for (const pw::PatternPreset& p : pw::patternPresets())
        want.push_back(std::string(p.id) + "\t" + pw::toUtf8(p.label) + "\t" + pw::toUtf8(p.pattern));
    EXPECT_EQ(lines(list.out), want);

    // A preset is its pattern, by id.
    ScratchDir dir;
    writeNovel(dir / "hui.txt", kHuiNovel);
    const std::string hui = pw::toUtf8(pw::findPreset("hui")->pattern), file = (dir / "hui.txt").string();
    const CliRun scan = runCli({"scan", file, "-q", "--preset", "hui", "--json"}, {});
    ASSERT_EQ(scan.status, 0) << scan.err;
    EXPECT_EQ(scan.out, runCli({"scan", file, "-q", "-p", hui, "--json"}, {}).out);
    EXPECT_FALSE(nlohmann::json::parse(scan.out)["headings"].empty());

    for (const auto& args : {std::vector<std::string>{"scan", (dir / "hui.txt").string(), "--preset", "hu"},
                             std::vector<std::string>{"split", (dir / "hui.txt").string(), "--preset", "hui", "-p", "x"}}) {
        const CliRun bad = runCli(args, {dir.path()});
        EXPECT_EQ(bad.status, 2);
        EXPECT_EQ(bad.out, "");
    }
    const CliRun unknown = runCli({"scan", (dir / "hui.txt").string(), "--preset", "hu"}, {});
    EXPECT_NE(unknown.err.find("chapter、hui、jie、volume、extras、webnovel、english、numbered"), std::string::npos)
        << unknown.err;
    EXPECT_EQ(folderFiles(dir.path()).size(), 1u); // nothing written
}

TEST(CliAnalysis, JsonCarriesNumbersSizesSuspectsGapsAndRepeats) {
    ScratchDir dir;
    const Novel novel = writeNovel(dir / "faulty.txt", kFaulty);
    const CliRun r = runCli({"scan", (dir / "faulty.txt").string(), "-q", "--json"}, {});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto doc = nlohmann::json::parse(r.out);
    const auto& hs = doc["headings"];
    const std::vector<PlantedLine> planted = novel.matching(U'章');
    ASSERT_EQ(hs.size(), planted.size());
    std::int64_t bytes = 0, lineCount = 0;
    for (std::size_t i = 0; i < hs.size(); ++i) {
        const auto& h = hs[i];
        SCOPED_TRACE(planted[i].text);
        // Each chapter runs to the next heading: the offsets and line numbers say so.
        if (i + 1 < hs.size()) {
            EXPECT_EQ(h["chapter_bytes"], hs[i + 1]["offset"].get<std::int64_t>() - h["offset"].get<std::int64_t>());
            EXPECT_EQ(h["chapter_lines"], hs[i + 1]["line"].get<std::int64_t>() - h["line"].get<std::int64_t>());
        }
        bytes += h["chapter_bytes"].get<std::int64_t>();
        lineCount += h["chapter_lines"].get<std::int64_t>();
        if (planted[i].kind == PlantedLine::Kind::True) {
            EXPECT_EQ(h["chapter_number"], *planted[i].number);
            EXPECT_EQ(h["suspect"], nlohmann::json::array());
        } else {
            EXPECT_FALSE(h["suspect"].empty());
            for (const auto& code : h["suspect"])
                EXPECT_TRUE(code == "long" || code == "not_at_start" || code == "sentence" || code == "tiny") << code;
        }
    }
    EXPECT_EQ(bytes, doc["size"].get<std::int64_t>() - hs[0]["offset"].get<std::int64_t>());
    EXPECT_EQ(lineCount, doc["lines"].get<std::int64_t>() - hs[0]["line"].get<std::int64_t>() + 1);
    EXPECT_EQ(doc["gaps"], nlohmann::json::parse(R"([{"after": 4, "missing": [5]}, {"after": 16, "missing": [17]}])"));
    ASSERT_EQ(doc["repeats"].size(), 1u);
    EXPECT_EQ(doc["repeats"][0]["number"], 9);
    for (const auto& k : doc["repeats"][0]["headings"])
        EXPECT_EQ(hs[k.get<std::size_t>() - 1]["chapter_number"], 9);
}

// A web novel through its preset: every chapter found, labelled or in parts or unnumbered; the
// volume a chapter's line names and the parts of a chapter in the JSON; and --exclude-suspects
// leaves out the false lines only, so that every chapter still starts a file of its own.
TEST(CliAnalysis, WebNovelPresetJsonAndSplit) {
    ScratchDir dir;
    const Novel novel = writeNovel(
        dir / "web.txt",
        {.encoding = NovelEncoding::Utf8, .seed = 32, .chapters = 30, .repeatChapters = {23}, .webNovel = true});
    const std::string file = (dir / "web.txt").string();
    const CliRun r = runCli({"scan", file, "-q", "--preset", "webnovel", "--json"}, {});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto hs = nlohmann::json::parse(r.out)["headings"];
    std::map<std::int64_t, const PlantedLine*> planted;
    for (const PlantedLine& p : novel.planted)
        planted[p.line] = &p;
    std::size_t trueFound = 0, inParts = 0;
    for (const auto& h : hs) {
        const PlantedLine* p = planted[h["line"].get<std::int64_t>()];
        ASSERT_NE(p, nullptr) << h["text"];
        SCOPED_TRACE(p->text);
        if (p->kind == PlantedLine::Kind::False) {
            EXPECT_FALSE(h["suspect"].empty());
            continue;
        }
        ++trueFound;
        EXPECT_EQ(h["suspect"], nlohmann::json::array());
        EXPECT_EQ(h["chapter_number"], p->number ? nlohmann::json(*p->number) : nlohmann::json());
        EXPECT_EQ(h.contains("volume") ? std::optional<int>(h["volume"]) : std::nullopt, p->volume);
        EXPECT_EQ(h.contains("parts"), p->part != 0);
        if (p->part == 0) continue;
        ++inParts;
        // Every part lists all parts of its chapter, itself among them, each with the same number.
        EXPECT_NE(std::find(h["parts"].begin(), h["parts"].end(), h["number"]), h["parts"].end());
        for (const auto& k : h["parts"])
            EXPECT_EQ(hs[k.get<std::size_t>() - 1]["chapter_number"], *p->number);
    }
    std::size_t chapters = 0;
    for (const PlantedLine& p : novel.planted)
        chapters += p.kind == PlantedLine::Kind::True && p.level == PlantedLine::Level::Chapter;
    EXPECT_EQ(trueFound, chapters);
    EXPECT_EQ(inParts, 8u); // chapters 5, 14 and 23 in two parts each, 23 written twice

    ScratchDir out;
    const CliRun split = runCli(
        {"split", file, "-q", "--preset", "webnovel", "-o", out.path().string(), "-c", "1", "--exclude-suspects"}, {});
    ASSERT_EQ(split.status, 0) << split.err;
    EXPECT_EQ(folderFiles(out.path()).size(), chapters + 1); // and the preamble's file
}

TEST(CliAnalysis, CheckReportsInPlainChineseAndSplitLeavesSuspectsOut) {
    ScratchDir dir;
    const Novel novel = writeNovel(dir / "faulty.txt", kFaulty);
    const std::string file = (dir / "faulty.txt").string();
    const auto json = nlohmann::json::parse(runCli({"scan", file, "-q", "--json"}, {}).out);
    std::vector<std::int64_t> suspects;
    for (const auto& h : json["headings"])
        if (!h["suspect"].empty()) suspects.push_back(h["number"]);
    ASSERT_FALSE(suspects.empty());

    const CliRun check = runCli({"scan", file, "-q", "--check"}, {});
    ASSERT_EQ(check.status, 0) << check.err;
    const std::vector<std::string> report = lines(check.out);
    ASSERT_EQ(report.size(), suspects.size() + 4); // each suspect, two gaps and a repeat, the summary
    for (std::size_t i = 0; i < suspects.size(); ++i)
        EXPECT_EQ(report[i].rfind("可疑 [" + std::to_string(suspects[i]) + "] 第 ", 0), 0u) << report[i];
    EXPECT_NE(check.out.find("] 第4章之后缺少第5章"), std::string::npos) << check.out;
    EXPECT_NE(check.out.find("重号：第9章出现 2 次"), std::string::npos) << check.out;
    EXPECT_EQ(report.back(), "共 " + std::to_string(json["headings"].size()) + " 个标题：可疑 " +
                                 std::to_string(suspects.size()) + " 个，缺号 2 处，重号 1 处");
    EXPECT_EQ(runCli({"scan", file, "--check", "--json"}, {}).status, 2);

    // One chapter a file: every heading not left out starts a file of its own, and the
    // suspects and the -x list are left out together, an entry in both once.
    ScratchDir out;
    const std::string both = std::to_string(suspects.front()) + ",1";
    const CliRun split =
        runCli({"split", file, "-p", kWindowPattern, "-q", "-o", out.path().string(), "-c", "1", "--exclude-suspects",
                "-x", both},
               {});
    ASSERT_EQ(split.status, 0) << split.err;
    const auto files = folderFiles(out.path());
    // The text before the first heading kept (here the preamble and chapter 1) is a file too.
    const std::size_t left = json["headings"].size() - suspects.size() - 1 + 1;
    EXPECT_EQ(files.size(), left);
    std::string joined;
    for (const auto& [name, bytes] : files)
        joined += bytes;
    for (const PlantedLine& p : novel.matching(U'章')) // the suspects' lines are kept inside their chapters
        EXPECT_NE(joined.find(p.text), std::string::npos) << p.text;
}

// A bare chapter number takes its title from the line under it (past blank lines and a row
// of marks); a line that is a sentence is no title. A run tells how it made paragraphs and
// how many flagged headings went in as chapters, in its summary and in its JSON line.
TEST(CliAnalysis, TitlesUnderBareNumbersParagraphsAndKeptSuspectsAreTold) {
    ScratchDir dir;
    const std::string file = (dir / "t.txt").string();
    writeAll(file, "第一回\r\n\r\n-----\r\n托内兄如海荐西宾\r\n　　正文一。\r\n第二回\r\n　　他说：“走吧。”\r\n"
                   "第三回 归去\r\n标题\r\n");
    const auto json = nlohmann::json::parse(runCli({"scan", file, "-q", "-p", "^第.回", "--json"}, {}).out);
    std::vector<std::string> titles;
    for (const auto& h : json["headings"])
        titles.push_back(h["title"]);
    EXPECT_EQ(titles, (std::vector<std::string>{"第一回\u3000托内兄如海荐西宾", "第二回", "第三回\u3000归去"}));

    const CliRun book = runCli({"epub", file, "-p", "^第.回", "-o", (dir / "b.epub").string()}, {});
    ASSERT_EQ(book.status, 0) << book.err;
    EXPECT_NE(book.err.find("段落（按排版自动选择）：每行一段"), std::string::npos) << book.err;
    const CliRun quiet = runCli({"epub", file, "-q", "-p", "^第.回", "-o", (dir / "c.epub").string()}, {});
    EXPECT_EQ(quiet.err, "");

    const std::string faulty = (dir / "faulty.txt").string();
    writeNovel(faulty, kFaulty);
    const CliRun split = runCli({"split", faulty, "-p", kWindowPattern, "-o", (dir / "out").string(), "--create-dir", "--json"}, {});
    ASSERT_EQ(split.status, 0) << split.err;
    const auto line = nlohmann::json::parse(split.out);
    ASSERT_GT(line["kept_suspects"].get<int>(), 0);
    EXPECT_EQ(line["kept_suspects"], line["suspects"]);
    EXPECT_TRUE(line["paragraphs"].is_null()); // text files keep their lines unless asked
    const CliRun told = runCli({"split", faulty, "-p", kWindowPattern, "-o", (dir / "out2").string(), "--create-dir"}, {});
    EXPECT_NE(told.err.find("其中有 " + std::to_string(line["kept_suspects"].get<int>()) +
                            " 个可疑标题仍作为章节：用 scan --check 查看，用 --exclude-suspects 排除。"),
              std::string::npos)
        << told.err;
    const auto left = nlohmann::json::parse(
        runCli({"split", faulty, "-p", kWindowPattern, "-o", (dir / "out3").string(), "--create-dir", "--json", "--exclude-suspects"}, {}).out);
    EXPECT_EQ(left["kept_suspects"], 0);
}

// A book per volume: each named by the book's title and its volume's line, holding the chapters
// from that volume's line to the next; between them, every chapter of the novel once.
TEST(CliAnalysis, PerVolumeMakesABookForEachVolume) {
    ScratchDir dir;
    const std::string file = (dir / "n.txt").string();
    const Novel novel = writeNovel(file, {.encoding = NovelEncoding::Utf8, .seed = 3, .chapters = 30,
                                          .falseHeadings = false});
    std::vector<std::string> volumes;
    for (const PlantedLine& p : novel.planted)
        if (p.level == PlantedLine::Level::Volume) volumes.push_back(p.text);
    ASSERT_EQ(volumes.size(), 3u);
    const CliRun r = runCli({"epub", file, "-q", "--per-volume", "--volume-pattern", "^第.{1,3}卷", "--title", "月下",
                             "-o", dir.path().string(), "--json"},
                            {});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto line = nlohmann::json::parse(r.out);
    ASSERT_EQ(line["outputs"].size(), 3u);
    for (std::size_t i = 0; i < volumes.size(); ++i)
        EXPECT_EQ(fs::path(line["outputs"][i].get<std::string>()).filename().string(), "月下 " + volumes[i] + ".epub");
    EXPECT_EQ(line["chapters"], novel.matching(U'章').size());
    expectRefused(runCli({"epub", file, "-p", "^第.{1,3}章", "--per-volume"}, {}),
                  "pagewright-cli: --per-volume 需要卷标题条件，请用 --volume-pattern 给出，或用 --preset volume。", 2);
}
