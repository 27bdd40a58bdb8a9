// The built program where the output could go astray: links planted in the output folder,
// a second run into the same folder, and Ctrl-C or a kill in the middle of a run.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include "cli_run.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/paths.h"

namespace {

using namespace pwtest;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Waits, polling closely, until `ready` holds; false when the child ended first.
bool whenReady(const Child& c, const std::function<bool()>& ready) {
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    siginfo_t info{};
    while (Clock::now() < deadline &&
           waitid(P_PID, static_cast<id_t>(c.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

// Stops the child and waits until it really is stopped (the signal arrives a little later);
// false when it had ended by then.
bool stopped(const Child& c) {
    kill(c.pid, SIGSTOP);
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(c.pid), &info, WSTOPPED | WEXITED | WNOWAIT) == 0 &&
           info.si_code == CLD_STOPPED;
}

std::size_t entriesIn(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

// Both stop signals caught: the program is past its first lines and will stop cleanly.
bool catchesStopSignals(const Child& c) {
    std::ifstream status("/proc/" + std::to_string(c.pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("SigCgt:", 0) == 0) {
            const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
            const auto bit = [](int sig) { return 1ULL << (sig - 1); };
            return (mask & bit(SIGINT)) && (mask & bit(SIGTERM));
        }
    return false;
}

// A novel whose split takes a while: about 20 MB, 2,000 chapters, in files of 10 chapters.
struct BigNovel {
    ScratchDir in, reference;
    fs::path file = in / "big.txt";
    BigNovel() {
        writeNovel(file, NovelOptions{.seed = 11, .chapters = 2000, .falseHeadings = false, .paragraphs = 80});
        const CliRun full = runCli(split(reference.path()), {});
        if (full.status != 0) throw std::runtime_error("the reference split failed: " + full.err);
    }
    std::vector<std::string> split(const fs::path& out, const std::string& existing = "fail") const {
        return {"split", file.string(), "-p", kWindowPattern, "-q", "-c", "10", "-o", out.string(), "--existing", existing};
    }
    std::map<std::string, std::string> files() const { return folderFiles(reference.path()); }
};

const BigNovel& bigNovel() {
    static const BigNovel novel;
    return novel;
}

} // namespace

// A link where an output file goes, dangling or pointing at a real file elsewhere: whatever
// --existing says, nothing reaches the other folder. Fail refuses, overwrite replaces the
// link itself, append refuses to write through it.
TEST(CliOutputLinks, NothingIsWrittenThroughALinkInAnyExistingMode) {
    const BigNovel& big = bigNovel();
    ScratchDir away;
    const fs::path real = away / "real.txt", planted = away / "planted.txt";
    writeAll(real, "KEEP\r\n");
    for (const fs::path& target : {planted, real})
        for (const std::string existing : {"fail", "overwrite", "append"}) {
            SCOPED_TRACE(target.filename().string() + " --existing " + existing);
            ScratchDir out;
            const fs::path link = out / "小说02.txt";
            fs::create_symlink(target, link);
            const CliRun r = runCli(big.split(out.path(), existing), {});
            if (existing == "fail") {
                expectRefused(r, "输出文件已存在：" + link.string() +
                                     "，已停止。可用 --existing overwrite 覆盖，或 --existing append 追加。\n");
                EXPECT_EQ(entriesIn(out.path()), 1u); // nothing written before the refusal
            } else if (existing == "append") {
                expectRefused(r, "输出文件是一个链接：" + link.string() + "，不会通过链接追加，已停止。");
                EXPECT_FALSE(fs::exists(out / "小说03.txt"));
            } else {
                EXPECT_EQ(r.status, 0) << r.err;
                EXPECT_FALSE(fs::is_symlink(link));
                EXPECT_TRUE(folderFiles(out.path()) == big.files());
            }
            if (existing != "overwrite") {
                EXPECT_TRUE(fs::is_symlink(link));
            }
            EXPECT_EQ(readAll(real), "KEEP\r\n");
            EXPECT_FALSE(fs::exists(fs::symlink_status(planted)));
            EXPECT_EQ(entriesIn(away.path()), 1u);
        }
}

// While one run writes into a folder, a second one into the same folder is refused at once
// and touches nothing, whatever --existing says; the first finishes as if alone.
TEST(CliOutputLock, ASecondRunIntoAFolderInUseIsRefusedAndTheFirstIsUndisturbed) {
    const BigNovel& big = bigNovel();
    ScratchDir out;
    // The first run holds the folder, stopped half-way. On a busy machine it may finish between
    // the first file showing and the stop: then it is started again into an emptied folder.
    Child first;
    for (int attempt = 0;; ++attempt) {
        ASSERT_LT(attempt, 5) << "the first run always ended before it could be stopped";
        first = startCli(big.split(out.path()), {.stdoutPath = "/dev/null"});
        if (whenReady(first, [&] { return entriesIn(out.path()) > 0; }) && stopped(first)) break;
        finishCli(first);
        for (const auto& e : fs::directory_iterator(out.path()))
            fs::remove(e.path());
    }
    const auto before = folderFiles(out.path());
    for (const std::string existing : {"fail", "overwrite", "append"}) {
        SCOPED_TRACE(existing);
        const CliRun second = runCli(big.split(out.path(), existing), {});
        expectRefused(second, "另一个输出正在写入输出目录：" + out.path().string());
        EXPECT_NE(second.err.find("请等它结束后再运行。"), std::string::npos) << second.err;
    }
    EXPECT_EQ(folderFiles(out.path()), before);
    kill(first.pid, SIGCONT);
    const CliRun done = finishCli(first);
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_TRUE(folderFiles(out.path()) == big.files()) << "the outputs were mixed";
}

// A book holds its folder only to plan and to place. A second book goes into the folder while
// the first is half written, and its clearing of killed runs' leftovers leaves the first's
// temporary file alone; a run that holds the folder is waited for, not refused. Every book is
// the one its run makes alone.
TEST(CliOutputLock, BooksShareTheirFolderWhileTheyAreWritten) {
    const BigNovel& big = bigNovel();
    ScratchDir out, alone;
    const fs::path small = alone / "小.txt";
    writeNovel(small, kTenChapters);
    const auto book = [](const fs::path& in, const fs::path& to) {
        return std::vector<std::string>{"epub", in.string(), "-q", "-o", to.string()};
    };
    for (const fs::path& in : {big.file, small})
        ASSERT_EQ(runCli(book(in, alone / (in.stem().string() + ".epub")), {}).status, 0);
    const auto parts = [&] {
        return std::ranges::count_if(fs::directory_iterator(out.path()),
                                     [](const auto& f) { return f.path().extension() == ".part"; });
    };
    Child first;
    for (int attempt = 0;; ++attempt) {
        ASSERT_LT(attempt, 5) << "the first book was always done before it could be stopped";
        first = startCli(book(big.file, out / "big.epub"), {.stdoutPath = "/dev/null"});
        if (whenReady(first, [&] { return parts() > 0; }) && stopped(first)) break;
        finishCli(first);
        fs::remove_all(out.path());
        fs::create_directory(out.path());
    }
    const CliRun second = runCli(book(small, out / "小.epub"), {});
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.err.find("临时文件"), std::string::npos) << second.err; // the first's is no orphan
    EXPECT_EQ(parts(), 1);

    // Another run holding the folder (the window splitting into it, say) is waited for.
    std::optional<pw::FolderLock> other(std::in_place);
    ASSERT_TRUE(other->tryLock(pw::fromPath(out.path())));
    Child third = startCli(book(small, out / "又.epub"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(fs::exists(out / "又.epub"));
    other.reset();
    const CliRun waited = finishCli(third);
    EXPECT_EQ(waited.status, 0) << waited.err;

    kill(first.pid, SIGCONT);
    const CliRun done = finishCli(first);
    EXPECT_EQ(done.status, 0) << done.err;
    const auto books = folderFiles(out.path());
    ASSERT_EQ(books.size(), 3u) << "a temporary file or its run's mark stayed behind";
    EXPECT_TRUE(books.at("big.epub") == readAll(alone / "big.epub"));
    EXPECT_TRUE(books.at("小.epub") == readAll(alone / "小.epub"));
    EXPECT_TRUE(books.at("又.epub") == readAll(alone / "小.epub"));
}

// Ctrl-C or a kill while a split that scanned first writes its files: the run stops at its
// next turn, closes its files, names the one it left incomplete and exits 128 + the signal.
// The files before it are whole. (Leaving out the suspects needs the whole scan first.)
TEST(CliInterrupt, ASignalDuringTheSplitNamesTheIncompleteFileAndEndsWith128PlusIt) {
    const BigNovel& big = bigNovel();
    const auto args = [&](const fs::path& out) {
        auto a = big.split(out);
        a.push_back("--exclude-suspects");
        return a;
    };
    ScratchDir uninterrupted;
    ASSERT_EQ(runCli(args(uninterrupted.path()), {}).status, 0);
    const auto reference = folderFiles(uninterrupted.path());
    for (const int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig);
        ScratchDir out;
        CliRun e;
        // On a busy machine the run may end between the second file showing and the signal:
        // then it goes again into an emptied folder.
        for (int attempt = 0;; ++attempt) {
            ASSERT_LT(attempt, 5) << "the run always ended before the signal";
            Child c = startCli(args(out.path()));
            const bool ready = whenReady(c, [&] { return entriesIn(out.path()) > 1; });
            if (ready) kill(c.pid, sig);
            e = finishCli(c);
            if (ready && !(e.status == 0 && !e.signalled)) break;
            for (const auto& f : fs::directory_iterator(out.path()))
                fs::remove(f.path());
        }
        ASSERT_FALSE(e.signalled) << "killed by the signal instead of stopping";
        EXPECT_EQ(e.status, 128 + sig);
        EXPECT_EQ(std::count(e.err.begin(), e.err.end(), '\n'), 1) << e.err;
        const std::string lead = "pagewright-cli: 已中断，文件没有写完：", tail = "，其后的文件未写出。";
        ASSERT_EQ(e.err.rfind(lead, 0), 0u) << e.err;
        const std::size_t end = e.err.find(tail);
        ASSERT_NE(end, std::string::npos) << e.err;
        const fs::path incomplete = e.err.substr(lead.size(), end - lead.size());
        EXPECT_EQ(incomplete.parent_path(), out.path());

        const auto files = folderFiles(out.path());
        EXPECT_LT(files.size(), reference.size());
        const std::string name = incomplete.filename().string();
        ASSERT_EQ(files.count(name), 1u) << name;
        for (const auto& [file, bytes] : files) {
            const std::string& whole = reference.at(file);
            if (file == name) {
                EXPECT_LT(bytes.size(), whole.size());
                EXPECT_EQ(whole.compare(0, bytes.size(), bytes), 0) << "not the start of " << file;
            } else {
                EXPECT_TRUE(bytes == whole) << file << " is not whole";
                EXPECT_LT(file, name) << "written after the incomplete file";
            }
        }
    }
}

// A split that scans as it writes keeps its files under temporary names until the whole
// input is read: stopped on the way, it leaves the folder exactly as it found it, an old
// output that --existing overwrite would have replaced included, and says nothing was written.
TEST(CliInterrupt, ASignalDuringAOneReadSplitLeavesTheFolderAsItWas) {
    const BigNovel& big = bigNovel();
    const std::string planned = big.files().rbegin()->first; // the last file the run would write
    const auto write = [](const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; };
    for (const int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig);
        ScratchDir out;
        std::map<std::string, std::string> before;
        CliRun e;
        for (int attempt = 0;; ++attempt) {
            ASSERT_LT(attempt, 5) << "the run always ended before the signal";
            for (const auto& f : fs::directory_iterator(out.path()))
                fs::remove(f.path());
            write(out / fs::u8path(planned), "old output\r\n");
            write(out / "notes.txt", "mine\r\n");
            before = folderFiles(out.path());
            Child c = startCli(big.split(out.path(), "overwrite"));
            const bool ready = whenReady(c, [&] { return entriesIn(out.path()) > before.size() + 1; });
            if (ready) kill(c.pid, sig);
            e = finishCli(c);
            if (ready && !(e.status == 0 && !e.signalled)) break;
        }
        ASSERT_FALSE(e.signalled) << "killed by the signal instead of stopping";
        EXPECT_EQ(e.status, 128 + sig);
        EXPECT_EQ(e.err, "pagewright-cli: 已中断，分析未完成，没有写出任何文件。\n");
        EXPECT_TRUE(folderFiles(out.path()) == before);
    }
}

// Stopped while it scans, a run writes nothing, and says so.
TEST(CliInterrupt, ASignalDuringTheScanWritesNothing) {
    const BigNovel& big = bigNovel();
    for (const auto& [sig, command] : {std::pair{SIGINT, "split"}, std::pair{SIGTERM, "scan"}}) {
        SCOPED_TRACE(command);
        ScratchDir out;
        std::vector<std::string> args = big.split(out.path());
        if (std::string(command) == "scan") args = {"scan", big.file.string(), "-q"};
        Child c = startCli(args);
        ASSERT_TRUE(whenReady(c, [&] { return catchesStopSignals(c); }));
        kill(c.pid, sig);
        const CliRun e = finishCli(c);
        ASSERT_FALSE(e.signalled);
        EXPECT_EQ(e.status, 128 + sig);
        EXPECT_EQ(e.err, std::string("pagewright-cli: 已中断，分析未完成，") +
                             (sig == SIGINT ? "没有写出任何文件。\n" : "列出的标题不全。\n"));
        EXPECT_TRUE(fs::is_empty(out.path()));
    }
}

namespace {

bool holdsTemporaryFile(const fs::path& dir) {
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().starts_with(".pagewright-")) return true;
    return false;
}

} // namespace

// The novel cut in half by another program while the one read is under way: refused, the
// folder left as it was, instead of short files and success.
TEST(CliWorldChanges, AnInputCutDuringTheOneReadIsRefusedAndNothingPlaced) {
    const BigNovel& big = bigNovel();
    ScratchDir in, out;
    const fs::path file = in / "big.txt";
    CliRun e;
    for (int attempt = 0;; ++attempt) {
        ASSERT_LT(attempt, 5) << "the run always ended before the cut";
        fs::copy_file(big.file, file, fs::copy_options::overwrite_existing);
        Child c = startCli({"split", file.string(), "-p", kWindowPattern, "-q", "-c", "10", "-o", out.path().string()});
        const bool ready = whenReady(c, [&] { return holdsTemporaryFile(out.path()); });
        if (ready) fs::resize_file(file, fs::file_size(file) / 2);
        e = finishCli(c);
        if (ready && e.status != 0) break;
        for (const auto& f : fs::directory_iterator(out.path()))
            fs::remove(f.path());
    }
    EXPECT_EQ(e.status, 1) << e.err;
    EXPECT_EQ(e.err,
              "pagewright-cli: 输入文件在读取时被修改，输出已中止，输出目录没有改动，请在文件不再变化后重新运行。\n");
    EXPECT_TRUE(fs::is_empty(out.path()));
}

// The output folder renamed away, and another made under its name, during a run: every file
// goes to the folder the run locked, where it is now, and no temporary file stays there.
TEST(CliWorldChanges, AnOutputFolderMovedDuringTheRunGetsEveryFileAndNoTemporaryOne) {
    const BigNovel& big = bigNovel();
    ScratchDir base;
    const fs::path out = base / "out", moved = base / "moved";
    CliRun e;
    for (int attempt = 0;; ++attempt) {
        ASSERT_LT(attempt, 5) << "the run always ended before the move";
        fs::remove_all(out);
        fs::remove_all(moved);
        fs::create_directory(out);
        Child c = startCli(big.split(out));
        const bool ready = whenReady(c, [&] { return holdsTemporaryFile(out); });
        if (ready) {
            ASSERT_EQ(std::system(("mv '" + out.string() + "' '" + moved.string() + "'").c_str()), 0);
            fs::create_directory(out);
        }
        e = finishCli(c);
        if (ready) break;
    }
    EXPECT_EQ(e.status, 0) << e.err;
    EXPECT_TRUE(folderFiles(moved) == big.files());
    EXPECT_TRUE(fs::is_empty(out));
}

// Killed outright (no chance to clean up), a one-read run leaves its temporary files; the next
// run into that folder removes them, says how many, and makes the files whole.
TEST(CliWorldChanges, TemporaryFilesOfAKilledRunAreRemovedByTheNextAndCounted) {
    const BigNovel& big = bigNovel();
    ScratchDir out;
    std::size_t left = 0;
    for (int attempt = 0; left == 0; ++attempt) {
        ASSERT_LT(attempt, 5) << "the run always ended before the kill";
        Child c = startCli(big.split(out.path()));
        const bool ready = whenReady(c, [&] { return entriesIn(out.path()) > 2; });
        if (ready) kill(c.pid, SIGKILL);
        const CliRun killed = finishCli(c);
        if (ready && killed.signalled)
            left = std::ranges::count_if(fs::directory_iterator(out.path()),
                                         [](const auto& f) { return f.path().extension() == ".part"; });
        else
            for (const auto& f : fs::directory_iterator(out.path()))
                fs::remove(f.path());
    }
    for (const auto& f : fs::directory_iterator(out.path()))
        ASSERT_TRUE(f.path().filename().string().starts_with(".pagewright-")) << f.path();
    std::vector<std::string> args = big.split(out.path());
    args.erase(std::find(args.begin(), args.end(), "-q"));
    const CliRun again = runCli(args, {});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.err, "pagewright-cli: 输出目录中有 " + std::to_string(left) +
                             " 个上次中断的输出留下的临时文件（.pagewright-*.part），已删除。\n");
    EXPECT_TRUE(folderFiles(out.path()) == big.files());
}

namespace {

// The folder made exactly as `files` says again, after a run that changed it.
void restoreFolder(const fs::path& dir, const std::map<std::string, std::string>& files) {
    for (const auto& e : fs::directory_iterator(dir))
        fs::remove_all(e.path());
    for (const auto& [name, bytes] : files)
        writeAll(dir / fs::u8path(name), bytes);
}

} // namespace

// --existing append that meets a full disk (a file-size limit, as a full disk fails the same
// write) half-way takes back what it appended: every file is as it was, and the message says
// so. Either feed: the files placed when all is read, or written in place.
TEST(CliAppend, AnAppendThatFailsIsTakenBackAndSaysSo) {
    ScratchDir in, out;
    const fs::path novel = in / "n.txt";
    writeNovel(novel, NovelOptions{.seed = 5, .chapters = 30, .falseHeadings = false, .paragraphs = 20});
    ASSERT_EQ(runCli({"split", novel.string(), "-p", kWindowPattern, "-q", "-c", "10", "-o", out.path().string()}, {}).status, 0);
    // The second file grown large: its append is the one the limit stops part-way.
    std::ofstream(out / "小说02.txt", std::ios::binary | std::ios::app) << std::string(1 << 20, 'x') << "\r\n";
    const auto before = folderFiles(out.path());
    ASSERT_EQ(before.size(), 4u) << "the index and three files";
    const long limit = static_cast<long>(fs::file_size(out / "小说02.txt")) + 100;
    for (const bool scanFirst : {false, true}) {
        SCOPED_TRACE(scanFirst ? "scan first" : "one read");
        std::vector<std::string> args{"split", novel.string(), "-p", kWindowPattern, "-q", "-c", "10",
                                      "-o", out.path().string(), "--existing", "append"};
        if (scanFirst) args.push_back("--exclude-suspects");
        const CliRun r = runCli(args, {.fileSizeLimit = limit});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "pagewright-cli: 写入文件失败：" + (out / "小说02.txt").string() +
                             "（文件太大）\npagewright-cli: 已撤回本次追加：3 个文件恢复到追加前的内容，"
                             "输出目录与运行前相同。\n");
        EXPECT_TRUE(folderFiles(out.path()) == before);
    }
}

// Ctrl-C or a kill while an append is under way: every file goes back to what it was, and the
// advice never is --existing overwrite, which would destroy what the append was to keep.
TEST(CliAppend, AStopDuringAnAppendTakesItBackAndNeverAdvisesOverwrite) {
    const BigNovel& big = bigNovel();
    const auto reference = big.files();
    const std::string first = reference.begin()->first;
    for (const bool scanFirst : {false, true})
        for (const int sig : {SIGINT, SIGTERM}) {
            SCOPED_TRACE(std::string(scanFirst ? "scan first, " : "one read, ") + strsignal(sig));
            ScratchDir out;
            std::vector<std::string> args = big.split(out.path(), "append");
            if (scanFirst) args.push_back("--exclude-suspects");
            CliRun e;
            for (int attempt = 0;; ++attempt) {
                ASSERT_LT(attempt, 5) << "the run always ended before the signal";
                restoreFolder(out.path(), reference);
                Child c = startCli(args);
                // The first file grows once the appends begin.
                const bool ready =
                    whenReady(c, [&] { return fs::file_size(out / fs::u8path(first)) > reference.at(first).size(); });
                if (ready) kill(c.pid, sig);
                e = finishCli(c);
                if (ready && !(e.status == 0 && !e.signalled)) break;
            }
            ASSERT_FALSE(e.signalled) << "killed by the signal instead of stopping";
            EXPECT_EQ(e.status, 128 + sig);
            EXPECT_EQ(e.err.rfind("pagewright-cli: 已中断，已撤回本次追加：", 0), 0u) << e.err;
            EXPECT_NE(e.err.find("输出目录与运行前相同。可重新运行同一命令。\n"), std::string::npos) << e.err;
            EXPECT_EQ(e.err.find("overwrite"), std::string::npos) << e.err;
            EXPECT_TRUE(folderFiles(out.path()) == reference);
        }
}

// Out of memory (an address-space limit) during a split or a book: each run either finishes
// (a thread that cannot start means the work is done on the run's own) or ends with a clear
// error and status 1, never an abort, and leaves no temporary file or run mark in the folder.
// Where the limit bites moves with the system's layout, so a few limits are tried.
TEST(CliResources, RunningOutOfMemoryEndsAsAnErrorWithNothingLeftBehind) {
    const BigNovel& big = bigNovel();
    const std::vector<std::string> runs[] = {
        {"split", big.file.string(), "-p", kWindowPattern, "-q", "-c", "10"},
        {"split", big.file.string(), "-p", kWindowPattern, "-q", "-c", "10", "--exclude-suspects"},
        {"epub", big.file.string(), "-q"},
    };
    int refused = 0;
    for (const long megabytes : {44L, 50L, 60L})
        for (const auto& given : runs) {
            SCOPED_TRACE(given.back() + " under " + std::to_string(megabytes) + " MB");
            ScratchDir out;
            std::vector<std::string> args = given;
            args.insert(args.end(), {"-o", out.path().string()});
            const CliRun r = runCli(args, {.addressSpace = megabytes << 20});
            if (r.status == 127) continue; // too little to load the program's libraries at all
            ASSERT_FALSE(r.signalled) << r.err;
            EXPECT_FALSE(holdsTemporaryFile(out.path()));
            if (r.status == 0) {
                EXPECT_FALSE(fs::is_empty(out.path()));
                continue;
            }
            ++refused;
            EXPECT_EQ(r.status, 1) << r.err;
            EXPECT_TRUE(r.err == "pagewright-cli: " + pw::toUtf8(pw::kOutOfMemoryText) + "\n" ||
                        r.err.starts_with("pagewright-cli: " + pw::toUtf8(pw::kNoResourcesBefore)))
                << r.err;
        }
    EXPECT_GT(refused, 0) << "no limit was tight enough to matter";
}
