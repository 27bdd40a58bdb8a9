// The two feeds of an output run, the scan first and the one read, held against what the files
// must hold as worked out line by line without the walk; and a refusal or failure on the way
// leaves the output folder as each feed promises.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <unicode/ucnv.h>

#include "options/settings.h"
#include "platform/paths.h"
#include "output/split_run.h"
#include "formats/text/text_files.h"
#include "stages/stage.h"
#include "support/corpus.h"
#include "support/file_size_limit.h"
#include "support/novel.h"
#include "support/scripted_ui.h"

using namespace pw;
using pwtest::NovelOptions;
using pwtest::ScriptedUi;

namespace {

namespace fs = std::filesystem;

struct NoHeadings : ScanReceiver {
    void heading(const HeadingFound&) override {}
};

// Every entry of a folder by name, with its bytes ("-> target" for a link).
std::map<std::string, std::string> contents(const fs::path& dir) {
    std::map<std::string, std::string> all;
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string name = toUtf8(fromPath(e.path().filename()));
        all[name] = e.is_symlink() ? "-> " + fs::read_symlink(e.path()).string() : pwtest::readAll(e.path());
    }
    return all;
}

void put(const fs::path& p, const std::string& bytes) {
    pwtest::writeAll(p, bytes);
}

struct Options {
    std::int32_t chapters = 6;
    bool dropBlank = true;
    OutputEncoding out = OutputEncoding::Keep;
    std::set<std::int64_t> excluded{}; // list rows
    std::size_t capacity = LineReader::kDefaultCapacity;
    Text pattern = kDefaultPattern;
    // Lines pass through a stage, so the text files take them one by one instead of in runs.
    bool staged = false;
    // ...and the stage writes 之 for each 的 of the text (headings stay as they are).
    bool changed = false;
};

// A stage that changes the text of some lines: what it changes goes out in the output's
// encoding, what it leaves goes out as the input's own bytes.
class OfToZhi : public Stage {
public:
    using Stage::Stage;
    bool line(const Line& l) override {
        if (l.role() == LineRole::Heading || l.text().find("的") == std::string::npos) return Stage::line(l);
        Line copy = l;
        copy.setText(replaced(l.text()));
        return Stage::line(copy);
    }
    static std::string replaced(std::string s) {
        for (std::size_t at; (at = s.find("的")) != std::string::npos;)
            s.replace(at, 3, "之");
        return s;
    }
};

StageList stagesOf(const Options& o) {
    if (o.changed) return {[](ChapterSink& next) { return std::make_unique<OfToZhi>(next); }};
    if (o.staged) return {[](ChapterSink& next) { return std::make_unique<Stage>(next); }};
    return {};
}

struct Outcome {
    bool finished = false; // the scan
    SplitResult split;
    std::vector<std::string> boxes;
    std::string status;
    Encoding encoding = Encoding::Gb18030;
    std::vector<std::int64_t> keptLines; // the heading lines that start a chapter
};

Outcome runFeed(SplitFeed feed, const fs::path& input, const fs::path& out, const Options& o, ScriptedUi& ui,
                SplitReceiver& receiver) {
    WorkingState st;
    st.strInFile = fromPath(input);
    st.strFindStr = o.pattern;
    st.strOutDir = fromPath(out);
    st.strOutName = kDefaultOutName;
    st.lngStartNum = 1;
    st.lngNumWidth = 2;
    st.lngChapsPerFile = o.chapters;
    st.blnDeleteSpc = o.dropBlank;
    st.outputEncoding = o.out;
    NoHeadings none;
    ScanOptions so;
    so.readCapacity = o.capacity;
    const RowRanges excluded = RowRanges::ofRows({o.excluded.begin(), o.excluded.end()});
    Outcome r;
    if (feed == SplitFeed::ScanFirst) {
        const ScanResult scan = runScan(st, ui, none, so);
        r.finished = scan.outcome == ScanOutcome::Finished;
        r.encoding = scan.encoding;
        if (r.finished && precheckSplit(st, st.lngMatchCount, ui))
            r.split = runSplit(st, analysedInput(st, scan.encoding), excluded, TextFiles(st), ui, receiver, o.capacity,
                               stagesOf(o));
    } else {
        const OneReadResult got = runOneReadSplit(st, excluded, TextFiles(st), ui, none, receiver, so, stagesOf(o));
        r.finished = got.scan.outcome == ScanOutcome::Finished;
        r.encoding = got.scan.encoding;
        r.split = got.split;
    }
    for (std::int64_t k = 1; r.finished && k <= st.lngMatchCount; ++k)
        if (!o.excluded.count(k - 1)) r.keptLines.push_back(st.lngMatchLines[static_cast<std::size_t>(k)]);
    r.boxes = ui.boxTexts();
    r.status = ui.lastStatus();
    return r;
}

Outcome runFeed(SplitFeed feed, const fs::path& input, const fs::path& out, const Options& o, ScriptedUi& ui) {
    SplitReceiver none;
    return runFeed(feed, input, out, o, ui, none);
}

// UTF-8 text in another encoding, through ICU's own converter.
std::string inEncoding(const std::string& utf8, Encoding e) {
    const Text units = fromUtf8(utf8);
    UErrorCode status = U_ZERO_ERROR;
    UConverter* c = ucnv_open(traitsOf(e).converter, &status);
    std::string out(units.size() * 4 + 8, '\0');
    const int32_t n = ucnv_fromUChars(c, out.data(), static_cast<int32_t>(out.size()),
                                      reinterpret_cast<const UChar*>(units.data()), static_cast<int32_t>(units.size()),
                                      &status);
    ucnv_close(c);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

// What the files must hold, by file name, worked out a line at a time: each line's chapter
// from the kept heading lines, its file from the chapter, blank lines left out, every line
// ended by CR LF in the output's bytes, each UTF-16 file starting with its mark.
std::map<std::string, std::string> expectedFiles(std::string_view in, Encoding enc,
                                                 const std::vector<std::int64_t>& keptLines, const Options& o) {
    const EncodingTraits& tr = traitsOf(enc);
    const Encoding target = outputEncodingFor(o.out, enc);
    const EncodingTraits& to = traitsOf(target);
    const bool converted = o.out != OutputEncoding::Keep && !(target == enc && enc != Encoding::Utf8);
    const bool keepInputMark = !converted && tr.unitWidth == 1;
    const std::string fileMark = to.unitWidth == 2 ? std::string(to.bom) : "";
    const std::string crlf(to.crlf);
    Decoder decoder(enc);
    std::size_t i = !keepInputMark && !tr.bom.empty() && in.starts_with(tr.bom) ? tr.bom.size() : 0;
    const auto unitAt = [&](std::size_t at) -> unsigned {
        if (tr.unitWidth == 1) return static_cast<unsigned char>(in[at]);
        const auto a = static_cast<unsigned char>(in[at]), b = static_cast<unsigned char>(in[at + 1]);
        return enc == Encoding::Utf16Le ? a | b << 8 : b | a << 8;
    };
    std::map<std::string, std::string> files;
    std::int64_t line = 0;
    while (i < in.size()) {
        std::size_t j = i;
        while (j + tr.unitWidth <= in.size() && unitAt(j) != '\r' && unitAt(j) != '\n')
            j += tr.unitWidth;
        j = std::min(j, in.size());
        const std::string_view text = in.substr(i, j - i);
        if (j < in.size()) {
            const bool pair =
                unitAt(j) == '\r' && j + 2 * tr.unitWidth <= in.size() && unitAt(j + tr.unitWidth) == '\n';
            j += pair ? 2 * tr.unitWidth : tr.unitWidth;
        }
        i = j;
        ++line;
        const auto chapter = std::upper_bound(keptLines.begin(), keptLines.end(), line) - keptLines.begin();
        const std::int64_t index = chapter == 0 ? 0 : (chapter - 1) / o.chapters + 1;
        Text name = kDefaultOutName;
        if (index == 0)
            name += u"(index)";
        else
            name += (index < 10 ? u"0" : u"") + decimal(index);
        auto [file, made] = files.try_emplace(toUtf8(name + u".txt"), fileMark);
        const Text decoded = decoder.decode(text);
        const bool heading = std::binary_search(keptLines.begin(), keptLines.end(), line);
        if (o.dropBlank && !heading && trimSpaces(decoded).empty()) continue;
        std::string utf8 = toUtf8(decoded);
        const bool change = o.changed && !heading && utf8.find("的") != std::string::npos;
        if (change) utf8 = OfToZhi::replaced(utf8);
        file->second += converted || change ? inEncoding(utf8, target) : std::string(text);
        file->second += crlf;
    }
    return files;
}

// Everything a finished run says, in the status and the count.
void expectDone(const Outcome& r, std::size_t files) {
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(r.split.end, SplitEnd::Done);
    EXPECT_EQ(static_cast<std::size_t>(r.split.files), files);
    EXPECT_EQ(r.status, "处理完毕，一共 " + std::to_string(files) + " 个文件！");
}

class SplitFeeds : public testing::TestWithParam<SplitFeed> {
protected:
    pwtest::ScratchDir dir;
    fs::path input = dir / "novel.txt", out = dir / "out";

    void SetUp() override { fs::create_directory(out); }
    // Runs over `bytes` into the output folder, holding `before`; the folder's files after.
    Outcome run(const std::string& bytes, const Options& o, const std::map<std::string, std::string>& before = {},
                std::initializer_list<MsgAnswer> answers = {}) {
        put(input, bytes);
        fs::remove_all(out);
        fs::create_directory(out);
        for (const auto& [name, content] : before)
            put(out / name, content);
        ScriptedUi ui;
        ui.answer(answers);
        return runFeed(GetParam(), input, out, o, ui);
    }
};

INSTANTIATE_TEST_SUITE_P(Both, SplitFeeds, testing::Values(SplitFeed::ScanFirst, SplitFeed::OneRead),
                         [](const auto& feed) { return feed.param == SplitFeed::ScanFirst ? "ScanFirst" : "OneRead"; });

TEST_P(SplitFeeds, EveryShapeOfNovelGivesTheFilesWorkedOutLineByLine) {
    int seed = 0;
    for (const NovelOptions& shape : pwtest::everyShapeOfNovel()) {
        const pwtest::Novel novel = pwtest::makeNovel(shape);
        for (const std::int32_t n : {1, 4})
            for (const bool drop : {false, true})
                for (const std::size_t capacity : {std::size_t{97}, LineReader::kDefaultCapacity}) {
                    Options o{.chapters = n, .dropBlank = drop, .capacity = capacity};
                    // A word of 回 novels, so that every shape finds headings.
                    if (shape.chapterWord == U'回') o.pattern = u"第(.){1,10}回";
                    if (++seed % 2 == 0) o.excluded = {0, 2, 3, 7};
                    if (seed % 3 == 0) o.out = OutputEncoding::Utf8;
                    o.staged = seed % 4 == 1;
                    o.changed = seed % 4 == 3;
                    SCOPED_TRACE("shape " + std::to_string(seed) + " n=" + std::to_string(n) + (drop ? " drop" : "") +
                                 " capacity=" + std::to_string(capacity) + (o.staged ? " staged" : "") +
                                 (o.changed ? " changed" : ""));
                    const Outcome r = run(novel.bytes, o);
                    const auto want = expectedFiles(novel.bytes, r.encoding, r.keptLines, o);
                    expectDone(r, want.size());
                    EXPECT_TRUE(contents(out) == want) << "the files differ";
                }
    }
}

TEST_P(SplitFeeds, EveryEncodingAndLineEndKeptOrConverted) {
    std::uint32_t seed = 100;
    for (const pwtest::NovelEncoding enc : pwtest::kAllNovelEncodings)
        for (const pwtest::LineEnds ends : {pwtest::LineEnds::CrLf, pwtest::LineEnds::Mixed}) {
            const pwtest::Novel novel = pwtest::makeNovel({.encoding = enc, .lineEnds = ends, .seed = ++seed});
            for (const OutputEncoding outEnc : {OutputEncoding::Keep, OutputEncoding::Utf8, OutputEncoding::Gb18030,
                                                OutputEncoding::Utf16Be}) {
                SCOPED_TRACE(pwtest::nameOf(enc) + " to " + std::to_string(static_cast<int>(outEnc)));
                const Options o{.chapters = 3, .out = outEnc, .capacity = 256, .changed = seed % 2 == 0};
                const Outcome r = run(novel.bytes, o);
                ASSERT_EQ(r.encoding, pwtest::coreEncoding(enc));
                const auto want = expectedFiles(novel.bytes, r.encoding, r.keptLines, o);
                expectDone(r, want.size());
                EXPECT_TRUE(contents(out) == want) << "the files differ";
            }
        }
}

TEST_P(SplitFeeds, ExistingFilesAreReplacedOrAppendedToWithOneMarkAndOneEncoding) {
    const std::string gb = pwtest::makeNovel({.chapters = 14}).bytes;
    const std::string u16 = pwtest::makeNovel({.encoding = pwtest::NovelEncoding::Utf16LeBom, .chapters = 14}).bytes;
    for (const std::string* bytes : {&gb, &u16}) {
        const bool wide = bytes == &u16;
        SCOPED_TRACE(wide ? "UTF-16 with its mark" : "GB18030");
        // An old file in the output's own encoding, an empty one, and one that is not ours.
        const std::string oldText = wide ? std::string("\xFF\xFEo\0l\0d\0\r\0\n\0", 12) : "old\r\n";
        const std::map<std::string, std::string> old{{"小说01.txt", oldText}, {"小说03.txt", ""}, {"notes.txt", "x"}};

        Outcome r = run(*bytes, {}, old, {MsgAnswer::Yes, MsgAnswer::Yes});
        auto want = expectedFiles(*bytes, r.encoding, r.keptLines, {});
        expectDone(r, want.size());
        want["notes.txt"] = "x";
        EXPECT_TRUE(contents(out) == want) << "replaced";

        // Appended after the old text: the new part has no second mark, unless the old file was empty.
        r = run(*bytes, {}, old, {MsgAnswer::No, MsgAnswer::No});
        want = expectedFiles(*bytes, r.encoding, r.keptLines, {});
        expectDone(r, want.size());
        want["小说01.txt"] = oldText + want["小说01.txt"].substr(wide ? 2 : 0);
        want["notes.txt"] = "x";
        EXPECT_TRUE(contents(out) == want) << "appended";

        // Cancel at the second question, after the first file was appended to: the run takes
        // its append back and removes the files it made, so the folder is as it was.
        r = run(*bytes, {}, old, {MsgAnswer::No, MsgAnswer::Cancel});
        EXPECT_EQ(r.split.end, SplitEnd::Refused);
        EXPECT_EQ(r.status, "输出已中止。");
        EXPECT_EQ(r.split.undone.restored, 1);
        EXPECT_TRUE(contents(out) == old);
    }
}

TEST_P(SplitFeeds, AnAppendThatWouldMixTwoEncodingsIsRefusedAndTheOldFileKept) {
    // UTF-16 appended to a UTF-8 file, and UTF-8 appended to a UTF-16 one.
    const std::string u16 = pwtest::makeNovel({.encoding = pwtest::NovelEncoding::Utf16LeBom, .chapters = 3}).bytes;
    const std::string u8 = pwtest::makeNovel({.encoding = pwtest::NovelEncoding::Utf8, .chapters = 3}).bytes;
    const std::string oldUtf8 = "旧的文字\r\n";
    const std::string oldUtf16("\xFF\xFE\xE7\x65\r\0\n\0", 8);
    // GB18030 and Big5 share their bytes but not their characters.
    const std::string gb = pwtest::makeNovel({.chapters = 3}).bytes;
    std::string traditional;
    for (int i = 0; i < 20; ++i)
        traditional += "這是舊的文字，從前的繁體中文檔案，讀者們說過許多話。\r\n";
    const std::string oldBig5 = inEncoding(traditional, Encoding::Big5);
    const std::string oldGb = inEncoding("旧的文字，从前的简体中文文件，读者们说过许多话。\r\n", Encoding::Gb18030);
    struct Case {
        const std::string* novel;
        OutputEncoding out;
        std::string old, was, now;
    } cases[] = {{&u16, OutputEncoding::Keep, oldUtf8, "UTF-8", "UTF-16LE"},
                 {&u8, OutputEncoding::Keep, oldUtf16, "UTF-16LE", "UTF-8"},
                 {&u16, OutputEncoding::Utf8, oldUtf16, "UTF-16LE", "UTF-8"},
                 {&gb, OutputEncoding::Keep, oldBig5, "Big5", "GB18030"},
                 {&gb, OutputEncoding::Big5, oldGb, "GB18030", "Big5"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.was + " then " + c.now);
        const Outcome r = run(*c.novel, {.out = c.out}, {{"小说(index).txt", c.old}, {"小说01.txt", c.old}},
                              {MsgAnswer::No, MsgAnswer::No});
        EXPECT_EQ(r.split.end, SplitEnd::Failed);
        // Asked first, as for any file there; refused once the answer is to append.
        ASSERT_EQ(r.boxes.size(), 2u);
        const std::string path = (out / "小说(index).txt").string();
        EXPECT_EQ(r.boxes[0], path + "已存在，删除？");
        EXPECT_EQ(r.boxes[1],
                  "输出文件 " + path + " 是 " + c.was + " 编码，本次输出是 " + c.now +
                      " 编码，追加会使一个文件混用两种编码，输出已中止！请删除（覆盖）该文件、换一个输出目录，"
                      "或选用与它相同的输出编码。");
        EXPECT_EQ(r.status, "输出失败！");
        const auto now = contents(out);
        EXPECT_EQ(now.at("小说(index).txt"), c.old);
        EXPECT_EQ(now.at("小说01.txt"), c.old);
        EXPECT_EQ(now.size(), 2u);
    }
}

TEST_P(SplitFeeds, WhatTheOutputEncodingCannotHoldIsMarkedAndCounted) {
    // Big5 has no simplified characters (nor 〓): each one goes out as □, and the user is told how many.
    const pwtest::Novel novel = pwtest::makeNovel({.chapters = 4, .badBytes = false});
    const Outcome r = run(novel.bytes, {.chapters = 100, .out = OutputEncoding::Big5});
    ASSERT_EQ(r.split.end, SplitEnd::Done);
    std::int64_t marks = 0;
    for (const auto& [name, bytes] : contents(out)) {
        const std::string text = toUtf8(Decoder(Encoding::Big5).decode(bytes));
        for (std::size_t at = 0; (at = text.find("□", at)) != std::string::npos; at += 3)
            ++marks;
    }
    EXPECT_GT(marks, 0);
    EXPECT_EQ(r.split.unmappable, marks);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0], "有 " + std::to_string(marks) + " 个字符无法用 Big5 表示，已写作□。");
}

TEST_P(SplitFeeds, RefusalsBeforeWritingLeaveTheFolderAsItWas) {
    const pwtest::Novel novel = pwtest::makeNovel({.chapters = 20});
    const std::map<std::string, std::string> old{{"小说02.txt", "old\r\n"}, {"notes.txt", "mine"}};
    Outcome r = run(novel.bytes, {.pattern = u"第(.){1,10}舟"}, old);
    EXPECT_EQ(r.split.end, SplitEnd::Refused);
    EXPECT_EQ(r.boxes, std::vector<std::string>{"无符合条件的行，无法分割！"});
    EXPECT_EQ(contents(out), old);
    Options all;
    for (std::int64_t row = 0; row < 100; ++row)
        all.excluded.insert(row);
    r = run(novel.bytes, all, old);
    EXPECT_EQ(r.boxes, std::vector<std::string>{"排除全部条件，无法分割！"});
    EXPECT_EQ(r.status, "请重新选择条件！");
    EXPECT_EQ(contents(out), old);

    // The front end says no once it sees the plan (or, reading once, once it knows the headings).
    struct Refusing : SplitReceiver {
        bool atScan;
        explicit Refusing(bool s) : atScan(s) {}
        bool scanned(std::int64_t) override { return !atScan; }
        bool planned(const OutputPlan& plan) override {
            EXPECT_TRUE(plan.files[2].exists);
            return false;
        }
    };
    for (const bool atScan : {true, false}) {
        ScriptedUi ui;
        Refusing refusing(atScan);
        r = runFeed(GetParam(), input, out, {}, ui, refusing);
        EXPECT_TRUE(r.finished);
        EXPECT_EQ(r.split.end, SplitEnd::Refused);
        EXPECT_EQ(contents(out), old);
    }
    // The novel itself where an output file goes: refused before anything is touched.
    put(out / "小说01.txt", novel.bytes);
    ScriptedUi ui;
    r = runFeed(GetParam(), out / "小说01.txt", out, {}, ui);
    EXPECT_EQ(r.split.end, SplitEnd::Refused);
    EXPECT_EQ(r.boxes.back(), "输出文件就是输入文件，无法输出：" + (out / "小说01.txt").string());
    EXPECT_EQ(pwtest::readAll(out / "小说01.txt"), novel.bytes);
    EXPECT_EQ(contents(out).size(), old.size() + 1);
}

TEST_P(SplitFeeds, AFileLinkOrFolderThatTurnsUpAfterThePlanStopsTheRunAndIsLeftAlone) {
    const pwtest::Novel novel = pwtest::makeNovel({.chapters = 20});
    enum Kind { File, Link, Folder };
    for (const Kind kind : {File, Link, Folder}) {
        SCOPED_TRACE(kind == File ? "a file" : kind == Link ? "a link" : "a folder");
        fs::remove_all(out);
        fs::create_directory(out);
        put(input, novel.bytes);
        // Made once the plan has found the folder empty, before the first file is written or placed.
        struct Planting : SplitReceiver {
            Kind kind;
            fs::path input;
            explicit Planting(Kind k, fs::path in) : kind(k), input(std::move(in)) {}
            bool planned(const OutputPlan& plan) override {
                const fs::path second = toPath(plan.file(2).path);
                if (kind == Link)
                    fs::create_symlink(input, second);
                else if (kind == Folder)
                    fs::create_directory(second);
                else
                    put(second, "theirs\r\n");
                return true;
            }
        } planting(kind, input);
        ScriptedUi ui;
        ui.answer({MsgAnswer::No}); // append, were it asked: it must not be
        const Outcome r = runFeed(GetParam(), input, out, {}, ui, planting);
        EXPECT_EQ(r.split.end, SplitEnd::Failed);
        const std::string second = (out / "小说02.txt").string();
        ASSERT_EQ(r.boxes.size(), 1u);
        EXPECT_EQ(r.boxes[0], kind == Folder ? "创建文件失败：" + second + "（" + toUtf8(reasonFromErrno(EISDIR)) + "）"
                                             : "输出文件在检查之后被别的程序创建，输出已中止：" + second);
        // What came before is whole, the planted entry untouched, and no temporary file is left.
        const auto now = contents(out);
        const auto want = expectedFiles(novel.bytes, r.encoding, r.keptLines, {});
        EXPECT_EQ(now.at("小说01.txt"), want.at("小说01.txt"));
        EXPECT_EQ(now.count("小说03.txt"), 0u);
        for (const auto& [name, bytes] : now)
            EXPECT_FALSE(name.starts_with(".pagewright")) << name;
        if (kind == File) {
            EXPECT_EQ(now.at("小说02.txt"), "theirs\r\n");
        } else if (kind == Folder) {
            EXPECT_TRUE(fs::is_empty(second));
        } else {
            EXPECT_TRUE(fs::is_symlink(second));
        }
        EXPECT_EQ(pwtest::readAll(input), novel.bytes);
    }
}

// Reading once, nothing of the user's is touched before the whole input is read.
TEST(OneReadSplit, AStopOrAFullDiskOnTheWayLeavesNothingBehind) {
    const pwtest::Novel novel = pwtest::makeNovel({.chapters = 250});
    pwtest::ScratchDir dir;
    const fs::path input = dir / "novel.txt", out = dir / "out";
    put(input, novel.bytes);
    fs::create_directory(out);
    put(out / "小说05.txt", "old\r\n");
    const auto before = contents(out);
    {
        // Asked to stop as soon as the first file is being written, however fast the machine.
        struct StopOnceWriting : ScriptedUi {
            fs::path dir;
            std::size_t entries = 0;
            bool stopRequested() const override {
                return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {})) > entries;
            }
        } ui;
        ui.dir = out;
        ui.entries = before.size();
        const Outcome r = runFeed(SplitFeed::OneRead, input, out, {.chapters = 1, .capacity = 4096}, ui);
        EXPECT_FALSE(r.finished);
        EXPECT_EQ(r.split.end, SplitEnd::Stopped);
        EXPECT_TRUE(r.boxes.empty());
        EXPECT_EQ(contents(out), before);
    }
    // A real write failure: a child process limited to 64 KiB per file.
    EXPECT_TRUE(pwtest::inChildWithFileSizeLimit(64 * 1024, [&] {
        ScriptedUi ui;
        const Outcome r = runFeed(SplitFeed::OneRead, input, out, {.chapters = 1000}, ui);
        // Named as the user knows the file, not by the name it was written under.
        const std::string want = "写入文件失败：" + (out / "小说01.txt").string() + "（文件太大）";
        return r.split.end == SplitEnd::Failed && r.boxes == std::vector<std::string>{want} && r.status == "输出失败！";
    }));
    EXPECT_EQ(contents(out), before);
}

} // namespace
