// The split that scans as it writes, held against the scan followed by the split: the same
// files byte for byte, the same texts, the same questions; and a refusal or failure on the
// way leaves the output folder exactly as it was.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "options/settings.h"
#include "platform/paths.h"
#include "split/one_read_split.h"
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
};

WorkingState stateFor(const fs::path& input, const fs::path& out, const Options& o) {
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
    return st;
}

struct Outcome {
    bool finished = false; // the scan
    SplitResult split;
    std::vector<std::string> boxes;
    std::string status;
};

// Scan, then split: what the window and the command line with suspects left out do.
Outcome twoPass(const fs::path& input, const fs::path& out, const Options& o, ScriptedUi& ui) {
    WorkingState st = stateFor(input, out, o);
    NoHeadings none;
    ScanOptions so;
    so.readCapacity = o.capacity;
    Outcome r;
    r.finished = runScan(st, ui, none, so).outcome == ScanOutcome::Finished;
    if (r.finished && precheckSplit(st, st.lngMatchCount, ui))
        r.split = runSplit(st, {o.excluded.begin(), o.excluded.end()}, ui, o.capacity);
    r.boxes = ui.boxTexts();
    r.status = ui.lastStatus();
    return r;
}

Outcome oneRead(const fs::path& input, const fs::path& out, const Options& o, ScriptedUi& ui, SplitReceiver& receiver) {
    WorkingState st = stateFor(input, out, o);
    NoHeadings none;
    ScanOptions so;
    so.readCapacity = o.capacity;
    const auto excluded = [&](std::int64_t row) { return o.excluded.count(row) > 0; };
    const OneReadResult got = runOneReadSplit(st, excluded, ui, none, receiver, so);
    Outcome r{got.scan.outcome == ScanOutcome::Finished, got.split, ui.boxTexts(), ui.lastStatus()};
    return r;
}

Outcome oneRead(const fs::path& input, const fs::path& out, const Options& o, ScriptedUi& ui) {
    SplitReceiver none;
    return oneRead(input, out, o, ui, none);
}

// Both ways on the same input, each into its own copy of `before`: the same files, boxes and status.
void expectAlike(const std::string& bytes, const Options& o, const std::map<std::string, std::string>& before = {},
                 std::initializer_list<MsgAnswer> answers = {}) {
    pwtest::ScratchDir dir;
    const fs::path input = dir / "novel.txt", a = dir / "a", b = dir / "b";
    put(input, bytes);
    for (const fs::path& d : {a, b}) {
        fs::create_directory(d);
        for (const auto& [name, content] : before)
            put(d / name, content);
    }
    ScriptedUi uiA, uiB;
    uiA.answer(answers);
    uiB.answer(answers);
    Outcome ra = twoPass(input, a, o, uiA), rb = oneRead(input, b, o, uiB);
    // The boxes name the files in their own folders.
    for (auto [run, folder] : {std::pair{&ra, a.string()}, std::pair{&rb, b.string()}})
        for (std::string& box : run->boxes)
            for (std::size_t at; (at = box.find(folder)) != std::string::npos;)
                box.replace(at, folder.size(), "<out>");
    EXPECT_EQ(ra.finished, rb.finished);
    EXPECT_EQ(ra.split.end, rb.split.end);
    EXPECT_EQ(ra.split.files, rb.split.files);
    EXPECT_EQ(ra.boxes, rb.boxes);
    EXPECT_EQ(ra.status, rb.status);
    const auto ca = contents(a), cb = contents(b);
    EXPECT_EQ(ca.size(), cb.size());
    EXPECT_TRUE(ca == cb) << "the files differ";
}

} // namespace

TEST(OneReadSplit, WritesWhatScanThenSplitWritesForEveryShapeOfNovel) {
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
                    SCOPED_TRACE("shape " + std::to_string(seed) + " n=" + std::to_string(n) + (drop ? " drop" : "") +
                                 " capacity=" + std::to_string(capacity));
                    expectAlike(novel.bytes, o);
                }
    }
}

TEST(OneReadSplit, EveryEncodingAndLineEndAlike) {
    std::uint32_t seed = 100;
    for (const pwtest::NovelEncoding enc : pwtest::kAllNovelEncodings)
        for (const pwtest::LineEnds ends : {pwtest::LineEnds::CrLf, pwtest::LineEnds::Mixed}) {
            const pwtest::Novel novel = pwtest::makeNovel({.encoding = enc, .lineEnds = ends, .seed = ++seed});
            for (const OutputEncoding out : {OutputEncoding::Keep, OutputEncoding::Utf8}) {
                SCOPED_TRACE(pwtest::nameOf(enc) + (out == OutputEncoding::Utf8 ? " to UTF-8" : " kept"));
                expectAlike(novel.bytes, {.chapters = 3, .out = out, .capacity = 256});
            }
        }
}

TEST(OneReadSplit, ExistingFilesAreReplacedOrAppendedToAsTheTwoPassRunDoes) {
    const std::string gb = pwtest::makeNovel({.chapters = 14}).bytes;
    const std::string u16 = pwtest::makeNovel({.encoding = pwtest::NovelEncoding::Utf16LeBom, .chapters = 14}).bytes;
    const std::map<std::string, std::string> old{{"小说01.txt", "old one\r\n"}, {"小说03.txt", ""}, {"notes.txt", "x"}};
    for (const std::string* bytes : {&gb, &u16}) {
        SCOPED_TRACE(bytes == &gb ? "GB18030" : "UTF-16 with its mark");
        expectAlike(*bytes, {}, old, {MsgAnswer::Yes, MsgAnswer::Yes});   // replaced
        expectAlike(*bytes, {}, old, {MsgAnswer::No, MsgAnswer::No});     // appended after the old text
        expectAlike(*bytes, {}, old, {MsgAnswer::No, MsgAnswer::Cancel}); // stopped at the second
    }
}

TEST(OneReadSplit, RefusalsAfterTheReadLeaveTheFolderAsItWas) {
    const pwtest::Novel novel = pwtest::makeNovel({.chapters = 20});
    const std::map<std::string, std::string> old{{"小说02.txt", "old\r\n"}, {"notes.txt", "mine"}};
    // No heading at all; every heading left out.
    expectAlike(novel.bytes, {.pattern = u"第(.){1,10}舟"}, old);
    Options all;
    for (std::int64_t row = 0; row < 100; ++row)
        all.excluded.insert(row);
    expectAlike(novel.bytes, all, old);

    pwtest::ScratchDir dir;
    const fs::path input = dir / "novel.txt", out = dir / "out";
    put(input, novel.bytes);
    fs::create_directory(out);
    for (const auto& [name, content] : old)
        put(out / name, content);
    // The front end says no once it knows the headings, or once it sees the plan.
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
        const Outcome r = oneRead(input, out, {}, ui, refusing);
        EXPECT_TRUE(r.finished);
        EXPECT_EQ(r.split.end, SplitEnd::Refused);
        EXPECT_EQ(contents(out), old);
    }
    // The novel itself where an output file goes: refused before anything is touched.
    put(out / "小说01.txt", novel.bytes);
    ScriptedUi ui;
    const Outcome r = oneRead(out / "小说01.txt", out, {}, ui);
    EXPECT_EQ(r.split.end, SplitEnd::Refused);
    EXPECT_EQ(r.boxes.back(), "输出文件就是输入文件，无法输出：" + (out / "小说01.txt").string());
    EXPECT_EQ(pwtest::readAll(out / "小说01.txt"), novel.bytes);
    EXPECT_EQ(contents(out).size(), old.size() + 1);
}

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
        const Outcome r = oneRead(input, out, {.chapters = 1, .capacity = 4096}, ui);
        EXPECT_FALSE(r.finished);
        EXPECT_EQ(r.split.end, SplitEnd::Stopped);
        EXPECT_TRUE(r.boxes.empty());
        EXPECT_EQ(contents(out), before);
    }
    // A real write failure: a child process limited to 64 KiB per file.
    EXPECT_TRUE(pwtest::inChildWithFileSizeLimit(64 * 1024, [&] {
        ScriptedUi ui;
        const Outcome r = oneRead(input, out, {.chapters = 1000}, ui);
        // Named as the user knows the file, not by the name it was written under.
        const std::string want = "写入文件失败：" + (out / "小说01.txt").string() + "（文件太大）";
        return r.split.end == SplitEnd::Failed && r.boxes == std::vector<std::string>{want} && r.status == "输出失败！";
    }));
    EXPECT_EQ(contents(out), before);
}

TEST(OneReadSplit, AFileLinkOrFolderThatTurnsUpAfterThePlanStopsThePlacingAndIsLeftAlone) {
    const pwtest::Novel novel = pwtest::makeNovel({.chapters = 20});
    enum Kind { File, Link, Folder };
    for (const Kind kind : {File, Link, Folder}) {
        SCOPED_TRACE(kind == File ? "a file" : kind == Link ? "a link" : "a folder");
        pwtest::ScratchDir dir;
        const fs::path input = dir / "novel.txt", out = dir / "out";
        put(input, novel.bytes);
        fs::create_directory(out);
        // Made once the plan has found the folder empty, before the first file is placed.
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
        const Outcome r = oneRead(input, out, {}, ui, planting);
        EXPECT_EQ(r.split.end, SplitEnd::Failed);
        const std::string second = (out / "小说02.txt").string();
        ASSERT_EQ(r.boxes.size(), 1u);
        EXPECT_EQ(r.boxes[0], kind == Folder ? "创建文件失败：" + second + "（" + toUtf8(reasonFromErrno(EISDIR)) + "）"
                                             : "输出文件在检查之后被别的程序创建，输出已中止：" + second);
        // The first file is in place, the planted entry untouched, and no temporary file is left.
        const auto now = contents(out);
        EXPECT_EQ(now.count("小说01.txt"), 1u);
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
