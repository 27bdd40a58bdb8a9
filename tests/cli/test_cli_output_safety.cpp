// The built program where the output could go astray: links planted in the output folder,
// a second run into the same folder, and Ctrl-C or a kill in the middle of a run.
#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <thread>

#include "cli_run.h"

namespace {

using namespace pwtest;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A run in the background, for a test that acts while it works.
struct Child {
    pid_t pid = -1;
    std::FILE* err = nullptr;
};

struct Ended {
    bool exited = false; // by exit(), not killed by a signal
    int status = -1;     // the exit status, or the signal that killed it
    std::string err;
};

Child start(const std::vector<std::string>& args) {
    Child c;
    c.err = std::tmpfile();
    std::vector<char*> argv{const_cast<char*>(PW_CLI_PATH)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int errFd = fileno(c.err);
    c.pid = fork();
    if (c.pid == 0) {
        const int out = open("/dev/null", O_WRONLY);
        if (out < 0 || dup2(out, 1) < 0 || dup2(errFd, 2) < 0) _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return c;
}

Ended finish(Child& c) {
    Ended e;
    int ws = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(120);
    while (waitpid(c.pid, &ws, WNOHANG) == 0) {
        if (Clock::now() > deadline) kill(c.pid, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    e.exited = WIFEXITED(ws);
    e.status = e.exited ? WEXITSTATUS(ws) : WTERMSIG(ws);
    lseek(fileno(c.err), 0, SEEK_SET);
    e.err = readRest(fileno(c.err));
    std::fclose(c.err);
    return e;
}

bool stillRunning(const Child& c) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(c.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
}

// Waits, polling closely, until `ready` holds; false when the child ended first.
bool whenReady(const Child& c, const std::function<bool()>& ready) {
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (Clock::now() < deadline && stillRunning(c)) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
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
        return {"split", file.string(), "-q", "-c", "10", "-o", out.string(), "--existing", existing};
    }
    std::map<std::string, std::string> files() const { return folderFiles(reference.path()); }
};

const BigNovel& bigNovel() {
    static const BigNovel novel;
    return novel;
}

// Ten chapters in GB18030: "小说(index).txt", then 小说01.txt to 小说10.txt with -c 1.
struct SmallJob {
    ScratchDir in, reference;
    fs::path file = in / "ten.txt";
    SmallJob() {
        writeNovel(file, kTenChapters);
        if (runCli(args(reference.path(), "fail"), {}).status != 0) throw std::runtime_error("reference");
    }
    std::vector<std::string> args(const fs::path& out, const std::string& existing) const {
        return {"split", file.string(), "-q", "-c", "1", "-o", out.string(), "--existing", existing};
    }
};

} // namespace

// A link where an output file goes, dangling or pointing at a real file elsewhere: whatever
// --existing says, nothing reaches the other folder. Fail refuses, overwrite replaces the
// link itself, append refuses to write through it.
TEST(CliOutputLinks, NothingIsWrittenThroughALinkInAnyExistingMode) {
    const SmallJob job;
    ScratchDir away;
    const fs::path real = away / "real.txt", planted = away / "planted.txt";
    writeAll(real, "KEEP\r\n");
    for (const fs::path& target : {planted, real})
        for (const std::string existing : {"fail", "overwrite", "append"}) {
            SCOPED_TRACE(target.filename().string() + " --existing " + existing);
            ScratchDir out;
            const fs::path link = out / "小说02.txt";
            fs::create_symlink(target, link);
            const CliRun r = runCli(job.args(out.path(), existing), {});
            if (existing == "fail") {
                expectRefused(r, "输出文件已存在：" + link.string() + "，已停止。");
                EXPECT_EQ(entriesIn(out.path()), 1u); // nothing written before the refusal
            } else if (existing == "append") {
                expectRefused(r, "输出文件是一个链接：" + link.string() + "，不会通过链接追加，已停止。");
                EXPECT_FALSE(fs::exists(out / "小说03.txt"));
            } else {
                EXPECT_EQ(r.status, 0) << r.err;
                EXPECT_FALSE(fs::is_symlink(link));
                EXPECT_EQ(folderFiles(out.path()), folderFiles(job.reference.path()));
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
    const SmallJob small;
    ScratchDir out;
    Child first = start(big.split(out.path()));
    ASSERT_TRUE(whenReady(first, [&] { return entriesIn(out.path()) > 0; })) << "the first run ended too soon";
    kill(first.pid, SIGSTOP); // holds the folder while the second one starts
    const auto before = folderFiles(out.path());
    for (const std::string existing : {"fail", "overwrite", "append"}) {
        SCOPED_TRACE(existing);
        const CliRun second = runCli(small.args(out.path(), existing), {});
        expectRefused(second, "另一个输出正在写入输出目录：" + out.path().string());
        EXPECT_NE(second.err.find("请等它结束后再运行。"), std::string::npos) << second.err;
    }
    EXPECT_EQ(folderFiles(out.path()), before);
    kill(first.pid, SIGCONT);
    const Ended done = finish(first);
    EXPECT_TRUE(done.exited && done.status == 0) << done.err;
    EXPECT_TRUE(folderFiles(out.path()) == big.files()) << "the outputs were mixed";
}

// Ctrl-C or a kill during the split: the run stops at its next turn, closes its files, names
// the one it left incomplete and exits 128 + the signal. The files before it are whole.
TEST(CliInterrupt, ASignalDuringTheSplitNamesTheIncompleteFileAndEndsWith128PlusIt) {
    const BigNovel& big = bigNovel();
    const auto reference = big.files();
    for (const int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig);
        ScratchDir out;
        Child c = start(big.split(out.path()));
        ASSERT_TRUE(whenReady(c, [&] { return entriesIn(out.path()) > 1; })) << "the run ended too soon";
        kill(c.pid, sig);
        const Ended e = finish(c);
        ASSERT_TRUE(e.exited) << "killed by the signal instead of stopping";
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

// Stopped while it scans, a run writes nothing, and says so.
TEST(CliInterrupt, ASignalDuringTheScanWritesNothing) {
    const BigNovel& big = bigNovel();
    for (const auto& [sig, command] : {std::pair{SIGINT, "split"}, std::pair{SIGTERM, "scan"}}) {
        SCOPED_TRACE(command);
        ScratchDir out;
        std::vector<std::string> args = big.split(out.path());
        if (std::string(command) == "scan") args = {"scan", big.file.string(), "-q"};
        Child c = start(args);
        ASSERT_TRUE(whenReady(c, [&] { return catchesStopSignals(c); }));
        kill(c.pid, sig);
        const Ended e = finish(c);
        ASSERT_TRUE(e.exited);
        EXPECT_EQ(e.status, 128 + sig);
        EXPECT_EQ(e.err, std::string("pagewright-cli: 已中断，分析未完成，") +
                             (sig == SIGINT ? "没有写出任何文件。\n" : "列出的标题不全。\n"));
        EXPECT_TRUE(fs::is_empty(out.path()));
    }
}
