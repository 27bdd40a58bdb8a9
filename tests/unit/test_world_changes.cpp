// What the world does to a run while it works: the input cut, rewritten, grown or replaced
// during the one read; the output folder moved away and another put in its place; temporary
// files that a killed run left behind. Real files, changed for real at a point in the run
// that the test picks, so every case happens every time.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>

#include "options/settings.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "output/split_run.h"
#include "formats/text/text_files.h"
#include "support/corpus.h"
#include "support/novel.h"
#include "support/scripted_ui.h"

using namespace pw;
using pwtest::ScriptedUi;
namespace fs = std::filesystem;

namespace {

std::map<std::string, std::string> contents(const fs::path& dir) {
    std::map<std::string, std::string> all;
    for (const auto& e : fs::directory_iterator(dir))
        all[toUtf8(fromPath(e.path().filename()))] = e.is_regular_file() ? pwtest::readAll(e.path()) : "<folder>";
    return all;
}

// Acts once, at the scan's `at`-th heading: the middle of the one read.
struct AtHeading : ScanReceiver {
    std::int64_t at = 0;
    std::function<void()> act;
    void heading(const HeadingFound& h) override {
        if (h.number == at && act) act();
    }
};

struct LiveRun {
    pwtest::ScratchDir dir;
    fs::path input = dir / "novel.txt", out = dir / "out";
    pwtest::Novel novel = pwtest::makeNovel({.seed = 5, .chapters = 120});
    ScriptedUi ui;
    LiveRun() {
        pwtest::writeAll(input, novel.bytes);
        fs::create_directory(out);
    }
    WorkingState state() const {
        WorkingState st;
        st.strInFile = fromPath(input);
        st.strFindStr = kDefaultPattern;
        st.strOutDir = fromPath(out);
        st.strOutName = kDefaultOutName;
        st.lngStartNum = 1;
        st.lngNumWidth = 2;
        st.lngChapsPerFile = 4;
        st.blnDeleteSpc = true;
        return st;
    }
    SplitResult oneRead(ScanReceiver& scan, SplitReceiver& split) {
        WorkingState st = state();
        ScanOptions so;
        so.readCapacity = 4096; // many blocks, so the change lands half-way through the read
        return runOneReadSplit(st, {}, TextFiles(st), ui, scan, split, so).split;
    }
    SplitResult oneRead(ScanReceiver& scan) {
        SplitReceiver none;
        return oneRead(scan, none);
    }
    SplitResult scanFirst(SplitReceiver& split) {
        WorkingState st = state();
        AtHeading none;
        const ScanResult scan = runScan(st, ui, none);
        if (scan.outcome != ScanOutcome::Finished) return {};
        return runSplit(st, analysedInput(st, scan.encoding), {}, TextFiles(st), ui, split);
    }
    // The files a run with nothing going on makes.
    std::map<std::string, std::string> undisturbed() {
        LiveRun calm;
        AtHeading none;
        EXPECT_EQ(calm.oneRead(none).end, SplitEnd::Done);
        return contents(calm.out);
    }
};

} // namespace

TEST(InputFile, ReadsNoFurtherThanTheLengthAtOpenAndTellsWhetherTheFileHeldStill) {
    pwtest::ScratchDir dir;
    const fs::path p = dir / "a.txt";
    pwtest::writeAll(p, "abcdef");
    InputFile in;
    ASSERT_FALSE(in.open(fromPath(p)));
    EXPECT_FALSE(in.changedSinceOpen());
    std::ofstream(p, std::ios::app) << "ghij";
    char buf[64];
    std::string got;
    for (std::optional<std::size_t> n; (n = in.read(buf, sizeof buf)) && *n > 0;)
        got.append(buf, *n);
    EXPECT_EQ(got, "abcdef");
    EXPECT_TRUE(in.changedSinceOpen());
}

// Cut, rewritten in place at the same length, grown, or another file renamed over it, after
// the read began: nothing is put in place, and the run says why.
TEST(OneReadSplit, AnInputThatChangesDuringTheReadIsRefusedAndTheFolderLeftAsItWas) {
    enum Change { Cut, Rewrite, Grow, Replace };
    for (const Change change : {Cut, Rewrite, Grow, Replace}) {
        SCOPED_TRACE(change);
        LiveRun run;
        pwtest::writeAll(run.out / "小说02.txt", "old\r\n");
        pwtest::writeAll(run.out / "notes.txt", "mine");
        const auto before = contents(run.out);
        AtHeading hook;
        hook.at = 10;
        hook.act = [&] {
            const std::string& b = run.novel.bytes;
            if (change == Cut) {
                fs::resize_file(run.input, b.size() / 2);
            } else if (change == Rewrite) { // the same length, the second half another text
                std::fstream f(run.input, std::ios::in | std::ios::out | std::ios::binary);
                f.seekp(static_cast<std::streamoff>(b.size() / 2));
                f << std::string(b.size() - b.size() / 2, 'x');
            } else if (change == Grow) {
                std::ofstream(run.input, std::ios::app | std::ios::binary) << b;
            } else {
                pwtest::writeAll(run.dir / "new.txt", b.substr(0, b.size() / 3));
                fs::rename(run.dir / "new.txt", run.input);
            }
        };
        const SplitResult r = run.oneRead(hook);
        EXPECT_EQ(r.end, SplitEnd::Refused);
        EXPECT_EQ(run.ui.boxTexts(),
                  std::vector<std::string>{"输入文件在读取时被修改，输出已中止！输出目录没有改动。"});
        EXPECT_EQ(run.ui.lastStatus(), "文件已被修改，请重新分析！");
        EXPECT_EQ(contents(run.out), before);
    }
}

// The output folder renamed and a new one made under its name while the run writes: the run
// keeps to the folder it locked, wherever that now is, and leaves no temporary file there;
// the newcomer gets nothing.
TEST(OutputFolder, MovedAndReplacedDuringARunStillGetsEveryFileAndNoTemporaryOne) {
    const auto want = LiveRun().undisturbed();
    ASSERT_GT(want.size(), 10u);
    for (const SplitFeed feed : {SplitFeed::ScanFirst, SplitFeed::OneRead}) {
        SCOPED_TRACE(feed == SplitFeed::ScanFirst ? "scan first" : "one read");
        LiveRun run;
        const fs::path moved = run.dir / "moved";
        const auto swap = [&] {
            fs::rename(run.out, moved);
            fs::create_directory(run.out);
        };
        struct AtFile : SplitReceiver {
            std::function<void()> act;
            void fileOpened(std::int64_t index, TextView, bool) override {
                if (index == 3 && act) act();
            }
        } atFile;
        AtHeading atHeading;
        atHeading.at = 20;
        SplitResult r;
        if (feed == SplitFeed::ScanFirst) {
            atFile.act = swap;
            r = run.scanFirst(atFile);
        } else {
            atHeading.act = swap;
            r = run.oneRead(atHeading, atFile);
        }
        EXPECT_EQ(r.end, SplitEnd::Done);
        EXPECT_EQ(contents(moved), want);
        EXPECT_TRUE(fs::is_empty(run.out));
    }
}

// What a killed run left goes, and the user hears how many; the files of a run still alive
// (it holds its mark), and nothing else of that look, are touched.
TEST(OutputFolder, TemporaryFilesOfAKilledRunAreRemovedAndCounted) {
    for (const SplitFeed feed : {SplitFeed::ScanFirst, SplitFeed::OneRead}) {
        SCOPED_TRACE(feed == SplitFeed::ScanFirst ? "scan first" : "one read");
        LiveRun run;
        pwtest::writeAll(run.out / ".pagewright-0badf00d.lock", ""); // held by nobody now
        pwtest::writeAll(run.out / ".pagewright-0badf00d-1.part", "half a file");
        pwtest::writeAll(run.out / ".pagewright-0badf00d-2-1.part", "");
        HeldFile alive;
        ASSERT_FALSE(alive.create(pw::fromPath(run.out / ".pagewright-a11fe000.lock")));
        pwtest::writeAll(run.out / ".pagewright-a11fe000-1.part", "being written");
        fs::create_directory(run.out / ".pagewright-folder.part");
        pwtest::writeAll(run.out / ".pagewright-notes", "mine");
        fs::create_symlink(run.input, run.out / ".pagewright-link.part");
        SplitReceiver none;
        AtHeading noHook;
        const SplitResult r = feed == SplitFeed::ScanFirst ? run.scanFirst(none) : run.oneRead(noHook);
        EXPECT_EQ(r.end, SplitEnd::Done);
        ASSERT_FALSE(run.ui.boxes.empty());
        EXPECT_EQ(run.ui.boxes[0].style, MsgStyle::Notice);
        EXPECT_EQ(toUtf8(run.ui.boxes[0].text),
                  "输出目录中有 2 个上次中断的输出留下的临时文件（.pagewright-*.part），已删除。");
        const auto now = contents(run.out);
        EXPECT_FALSE(now.contains(".pagewright-0badf00d-1.part"));
        EXPECT_FALSE(now.contains(".pagewright-0badf00d-2-1.part"));
        EXPECT_FALSE(now.contains(".pagewright-0badf00d.lock"));
        EXPECT_EQ(now.at(".pagewright-a11fe000-1.part"), "being written");
        EXPECT_TRUE(now.contains(".pagewright-a11fe000.lock"));
        EXPECT_EQ(now.at(".pagewright-folder.part"), "<folder>");
        EXPECT_EQ(now.at(".pagewright-notes"), "mine");
        EXPECT_TRUE(fs::is_symlink(run.out / ".pagewright-link.part"));
        EXPECT_EQ(pwtest::readAll(run.input), run.novel.bytes);
    }
}
