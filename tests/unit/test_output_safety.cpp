// Output files and links, files that turn up behind the plan's back, and the folder lock: real
// files, real links and a real named pipe on disk; what the split pass tells its receiver, the
// output plan it shows before touching a file, and a question the front end refuses (Cancel).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "platform/files.h"
#include "platform/write_behind.h"
#include "support/file_size_limit.h"
#include "support/split_test_util.h"

using namespace pwtest;
using pw::EntryKind;
using pw::FileFault;
using pw::MsgAnswer;
using pw::MsgId;
using pw::OutputFile;
using pw::OutputMode;
using pw::SplitEnd;
namespace fs = std::filesystem;

namespace {

pw::Text textOf(const fs::path& p) {
    return pw::fromPath(p);
}

bool put(OutputFile& out, std::string_view s) {
    return out.write(s.data(), s.size()) && !out.close();
}

// A folder elsewhere with a file that must never change, and the path of one that must
// never come to be.
struct Elsewhere {
    ScratchDir dir;
    fs::path real = dir / "real.txt";
    fs::path planted = dir / "planted.txt";
    Elsewhere() { writeAll(real, "KEEP\n"); }
    void expectUntouched() const {
        EXPECT_EQ(readAll(real), "KEEP\n");
        EXPECT_FALSE(fs::exists(fs::symlink_status(planted)));
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    }
};

} // namespace

TEST(OutputFiles, NeitherModeWritesThroughALinkAndCreateNeverTakesWhatIsThere) {
    ScratchDir dir;
    Elsewhere away;
    fs::create_symlink(away.planted, dir / "dangling.txt");
    fs::create_symlink(away.real, dir / "real-link.txt");
    writeAll(dir / "old.txt", "old\n");
    OutputFile out;
    for (const char* name : {"dangling.txt", "real-link.txt"}) {
        SCOPED_TRACE(name);
        const auto made = out.open(textOf(dir / name), OutputMode::Create);
        ASSERT_TRUE(made);
        EXPECT_EQ(made->fault, FileFault::Exists);
        const auto appended = out.open(textOf(dir / name), OutputMode::Append);
        ASSERT_TRUE(appended);
        EXPECT_EQ(appended->fault, FileFault::Link);
        EXPECT_FALSE(out.isOpen());
        EXPECT_EQ(pw::entryAt(textOf(dir / name)), EntryKind::Link);
    }
    away.expectUntouched();

    const auto taken = out.open(textOf(dir / "old.txt"), OutputMode::Create);
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->fault, FileFault::Exists);
    ASSERT_FALSE(out.open(textOf(dir / "old.txt"), OutputMode::Append));
    EXPECT_TRUE(put(out, "more\n"));
    EXPECT_EQ(readAll(dir / "old.txt"), "old\nmore\n");
    ASSERT_FALSE(out.open(textOf(dir / "new.txt"), OutputMode::Create));
    EXPECT_TRUE(put(out, "new\n"));
    EXPECT_EQ(readAll(dir / "new.txt"), "new\n");

    // A named pipe is refused at once instead of waiting for a reader.
    ASSERT_EQ(mkfifo((dir / "pipe.txt").c_str(), 0600), 0);
    const auto pipe = out.open(textOf(dir / "pipe.txt"), OutputMode::Append);
    ASSERT_TRUE(pipe);
    EXPECT_EQ(pipe->fault, FileFault::Other);

    // What is at a path; deleting a link removes the link, not its target.
    EXPECT_EQ(pw::entryAt(textOf(dir / "none.txt")), EntryKind::None);
    EXPECT_EQ(pw::entryAt(textOf(dir / "none" / "deeper.txt")), EntryKind::None);
    EXPECT_EQ(pw::entryAt(textOf(dir / "old.txt")), EntryKind::File);
    EXPECT_EQ(pw::entryAt(textOf(dir.path())), EntryKind::Folder);
    EXPECT_FALSE(pw::removeFile(textOf(dir / "dangling.txt")));
    EXPECT_FALSE(pw::removeFile(textOf(dir / "real-link.txt")));
    EXPECT_EQ(pw::entryAt(textOf(dir / "real-link.txt")), EntryKind::None);
    away.expectUntouched();
}

namespace {

// Lines "Ln", lines 3, 6 and 9 headings "CHn": the preamble, then files 01 to 03.
std::string twelveLines() {
    std::string s;
    for (int n = 1; n <= 12; ++n)
        s += (n % 3 == 0 ? "CH" : "L") + std::to_string(n) + "\r\n";
    return s;
}

// Records what the split pass tells its receiver, and may act when the plan is made and before
// the first file opens, as another program might.
class Recorder : public pw::SplitReceiver {
public:
    struct Opened {
        std::int64_t index;
        pw::Text path;
        bool appended;
        bool operator==(const Opened&) const = default;
    };
    bool planned(const pw::OutputPlan& p) override {
        plan = p;
        if (act) act(p);
        return goOn;
    }
    void fileOpened(std::int64_t index, pw::TextView path, bool appended) override {
        opened.push_back({index, pw::Text(path), appended});
    }
    void progress(int percent) override { percents.push_back(percent); }
    void finished(std::int64_t files) override { finishedWith = files; }
    void refused(MsgId why) override { refusals.push_back(why); }

    std::function<void(const pw::OutputPlan&)> act;
    bool goOn = true;
    pw::OutputPlan plan;
    std::vector<Opened> opened;
    std::vector<int> percents;
    std::int64_t finishedWith = -1;
    std::vector<MsgId> refusals;
};

} // namespace

TEST(SplitOutputSafety, AFolderThereBeforeThePlanFailsItsFileWithoutAQuestion) {
    SplitSetup s(twelveLines(), 1);
    fs::create_directory(s.pathOf(2));
    EXPECT_EQ(s.run().end, SplitEnd::Failed);
    const pw::Text path = pw::fromPath(s.pathOf(2));
    ASSERT_EQ(s.ui.boxes.size(), 1u);
    EXPECT_EQ(s.ui.boxes[0].text, u"创建文件失败：" + path + u"（" + pw::reasonFromErrno(EISDIR) + u"）");
    EXPECT_TRUE(fs::is_empty(s.pathOf(2)));
    EXPECT_FALSE(fs::exists(s.pathOf(3)));
}

TEST(SplitOutputSafety, ALinkInTheWayIsDeletedItselfOrRefusedNeverWrittenThrough) {
    Elsewhere away;
    for (const fs::path& target : {away.planted, away.real}) {
        SCOPED_TRACE(target.filename().string());
        SplitSetup deleted(twelveLines(), 1);
        fs::create_symlink(target, deleted.pathOf(2));
        deleted.ui.answer({MsgAnswer::Yes});
        EXPECT_EQ(deleted.run().end, SplitEnd::Done);
        EXPECT_EQ(pw::entryAt(pw::fromPath(deleted.pathOf(2))), EntryKind::File);
        EXPECT_EQ(readAll(deleted.pathOf(2)), "CH6\r\nL7\r\nL8\r\n");

        SplitSetup appended(twelveLines(), 1);
        fs::create_symlink(target, appended.pathOf(2));
        appended.ui.answer({MsgAnswer::No});
        EXPECT_EQ(appended.run().end, SplitEnd::Failed);
        EXPECT_EQ(boxesAndStatus(appended.ui),
                  (std::vector<std::string>{pw::toUtf8(pw::fromPath(appended.pathOf(2))) + "已存在，删除？",
                                            "输出文件是一个链接，不会通过链接写入：" +
                                                pw::toUtf8(pw::fromPath(appended.pathOf(2))),
                                            "输出失败！"}));
        EXPECT_EQ(pw::entryAt(pw::fromPath(appended.pathOf(2))), EntryKind::Link);
        EXPECT_FALSE(fs::exists(appended.pathOf(3)));
    }
    away.expectUntouched();
}

TEST(SplitOutputSafety, ASecondPassIntoAFolderInUseIsRefusedBeforeItLooks) {
    SplitSetup s(twelveLines(), 1);
    pw::FolderLock other, third;
    ASSERT_TRUE(other.tryLock(s.st.strOutDir + u"/")); // another spelling of the same folder
    EXPECT_FALSE(third.tryLock(s.st.strOutDir));
    // A folder that cannot be opened is no lock to wait for: the first file fails with the reason.
    EXPECT_TRUE(third.tryLock(pw::fromPath(s.out / "missing")));
    EXPECT_EQ(s.run().end, SplitEnd::Refused);
    EXPECT_EQ(boxesAndStatus(s.ui),
              (std::vector<std::string>{"输出目录正被另一个输出使用，无法输出：" + pw::toUtf8(s.st.strOutDir),
                                        "请等另一个输出结束后再试！"}));
    EXPECT_TRUE(fs::is_empty(s.out));
    other.release();
    s.ui.boxes.clear();
    EXPECT_EQ(s.run().end, SplitEnd::Done);
    EXPECT_EQ(s.joined(), twelveLines());
}

// The window's append (No to "exists, delete?") that meets a full disk part-way: every file
// appended to is cut back to what it was, the files the run made go, and a box after the
// failure says so. What the user had is left exactly as it was.
TEST(SplitOutputSafety, AnAppendThatFailsIsTakenBackWholeAndSaysSo) {
    SplitSetup s(twelveLines(), 1);
    const std::string old(100'000, 'x');
    writeAll(s.pathOf(1), "old one\r\n");
    writeAll(s.pathOf(2), old);
    const auto before = s.outputs();
    s.ui.answer({MsgAnswer::No, MsgAnswer::No});
    const auto path = [&](int i) { return pw::toUtf8(pw::fromPath(s.pathOf(i))); };
    EXPECT_TRUE(inChildWithFileSizeLimit(old.size() + 2, [&] {
        const pw::SplitResult r = s.run();
        const std::vector<std::string> want{
            path(1) + "已存在，删除？", path(2) + "已存在，删除？", "写入文件失败：" + path(2) + "（文件太大）",
            "已撤回本次追加：2 个文件恢复到追加前的内容，本次新建的 1 个文件已删除，输出目录与运行前相同。",
            "输出失败！"};
        return r.end == SplitEnd::Failed && boxesAndStatus(s.ui) == want;
    }));
    EXPECT_EQ(s.outputs(), before);
}

TEST(SplitReceiver, PlanOpenedFilesProgressAndTheEnd) {
    SplitSetup s(twelveLines(), 1);
    writeAll(s.pathOf(1), "old one\r\n");
    writeAll(s.pathOf(2), "old two\r\n");
    s.ui.answer({MsgAnswer::No, MsgAnswer::Yes}); // append to 01, make 02 anew
    Recorder r;
    ASSERT_EQ(s.run({}, r).end, SplitEnd::Done);

    ASSERT_EQ(r.plan.files.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(r.plan.files[i].index, static_cast<std::int64_t>(i));
        EXPECT_EQ(r.plan.files[i].path, pw::fromPath(s.pathOf(static_cast<std::int64_t>(i))));
        EXPECT_EQ(r.plan.files[i].exists, i == 1 || i == 2) << i;
    }
    EXPECT_EQ(r.plan.files[0].name, u"小说(index)");
    EXPECT_FALSE(r.plan.sameAsInput);

    EXPECT_EQ(r.opened, (std::vector<Recorder::Opened>{{0, r.plan.files[0].path, false},
                                                       {1, r.plan.files[1].path, true},
                                                       {2, r.plan.files[2].path, false},
                                                       {3, r.plan.files[3].path, false},
                                                       {4, r.plan.files[4].path, false}}));
    // The same per cents as the bar, without its closing reset.
    EXPECT_EQ(r.percents, std::vector<int>(s.ui.progress.begin(), s.ui.progress.end() - 1));
    EXPECT_EQ(r.finishedWith, 5);
    EXPECT_TRUE(r.refusals.empty());
    EXPECT_EQ(s.file(1), "old one\r\nCH3\r\nL4\r\nL5\r\n");
    EXPECT_EQ(s.file(2), "CH6\r\nL7\r\nL8\r\n");
    ASSERT_EQ(s.ui.boxes.size(), 2u);
    EXPECT_EQ(s.ui.boxes[0].text, r.plan.files[1].path + u"已存在，删除？");
    EXPECT_EQ(s.ui.boxes[1].text, r.plan.files[2].path + u"已存在，删除？");
    EXPECT_EQ(s.ui.boxes[0].style, pw::MsgStyle::Warning);
    EXPECT_EQ(s.ui.lastStatus(), "处理完毕，一共 5 个文件！"); // appended-to files count
}

TEST(SplitReceiver, RefusalsReachTheReceiverAndAPlanRefusedTouchesNothing) {
    // The receiver says no to the plan: no file, no box, no question.
    SplitSetup s(twelveLines(), 1);
    writeAll(s.pathOf(1), "kept\r\n");
    Recorder r;
    r.goOn = false;
    EXPECT_EQ(s.run({}, r).end, SplitEnd::Refused);
    EXPECT_EQ(s.outputs(), (std::map<std::int64_t, std::string>{{1, "kept\r\n"}}));
    EXPECT_TRUE(s.ui.boxes.empty());
    EXPECT_TRUE(r.opened.empty());

    // A refusal before the plan reaches the receiver by its id.
    SplitSetup all(twelveLines(), 1);
    Recorder r2;
    EXPECT_EQ(all.run({0, 1, 2, 3}, r2).end, SplitEnd::Refused);
    EXPECT_EQ(r2.refusals, std::vector<MsgId>{MsgId::AllExcluded});
    EXPECT_TRUE(r2.plan.files.empty());
}

TEST(SplitReceiver, AQuestionRefusedStopsThePassWithoutAppending) {
    // A front end that may not answer "exists, delete?" for the user refuses it: the file is
    // left as it was, the files before it stay written, and the run ends refused, not done.
    SplitSetup s(twelveLines(), 1);
    writeAll(s.pathOf(2), "not mine\r\n");
    s.ui.answer({MsgAnswer::Cancel});
    Recorder r;
    const pw::SplitResult res = s.run({}, r);
    EXPECT_EQ(res.end, SplitEnd::Refused);
    EXPECT_EQ(res.files, 2);
    EXPECT_EQ(s.file(2), "not mine\r\n");
    EXPECT_EQ(s.outputs().size(), 3u); // (index), 01, and the untouched 02
    ASSERT_EQ(s.ui.boxes.size(), 1u);
    EXPECT_EQ(s.ui.boxes[0].id, MsgId::OutputExists);
    EXPECT_EQ(s.ui.lastStatus(), "输出已中止。");
    EXPECT_EQ(r.refusals, std::vector<MsgId>{MsgId::OutputExists});
    EXPECT_EQ(r.finishedWith, -1);
}

namespace {

TEST(OutputFiles, WrittenBehindEveryByteLandsInItsOwnFileAndAFailureNamesTheFileItHit) {
    // Pieces of every size, three files in turn, one thread writing: each file gets exactly
    // its bytes, in order, however the buffers were cut.
    ScratchDir dir;
    const auto file = [&](int f) { return dir / std::string{'f', static_cast<char>('0' + f)}; };
    std::string want[3];
    {
        pw::WriteBehind behind(3u << 20);
        OutputFile out;
        out.writeBehind(&behind);
        for (int f = 0; f < 3; ++f) {
            ASSERT_FALSE(out.open(textOf(file(f)), OutputMode::Create));
            for (std::size_t size : {std::size_t{1}, std::size_t{4096}, std::size_t{(1u << 20) - 7}, std::size_t{3u << 20},
                                     std::size_t{77}}) {
                const std::string piece(size, static_cast<char>('a' + f + size % 7));
                ASSERT_TRUE(out.write(piece.data(), piece.size()));
                want[f] += piece;
            }
            EXPECT_EQ(out.written(), static_cast<std::int64_t>(want[f].size()));
            ASSERT_FALSE(out.close());
        }
        behind.drain();
        EXPECT_FALSE(behind.failed());
    }
    for (int f = 0; f < 3; ++f)
        EXPECT_TRUE(readAll(file(f)) == want[f]) << f;

    // A real full disk: the first file outgrows the limit; the failure is told by a later write
    // or close, naming the first file as the user knows it, and nothing more is written.
    ScratchDir full;
    EXPECT_TRUE(inChildWithFileSizeLimit(64 * 1024, [&] {
        pw::WriteBehind behind;
        OutputFile out;
        out.writeBehind(&behind);
        const std::string big(1u << 20, 'x');
        if (out.open(textOf(full / "a.part"), OutputMode::Create)) return false;
        out.nameInErrors(u"第一个.txt");
        const bool firstWriteQueued = out.write(big.data(), big.size());
        (void)out.close();
        behind.drain();
        if (out.open(textOf(full / "b.part"), OutputMode::Create)) return false;
        const bool secondRefused = !out.write("y", 1);
        const auto e = out.error();
        (void)out.close();
        behind.drain();
        return firstWriteQueued && secondRefused && e && e->path == u"第一个.txt" && e->reason == u"文件太大";
    }));
    EXPECT_EQ(fs::file_size(full / "a.part"), 64u * 1024u);
    EXPECT_EQ(fs::file_size(full / "b.part"), 0u);
}

} // namespace
