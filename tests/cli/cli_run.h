#pragma once
// Runs the built pagewright-cli as a user would, and the same job on the core in-process as
// the window runs it, so the tests can hold the two side by side.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "options/intake.h"
#include "options/make_out_name.h"
#include "options/settings.h"
#include "platform/paths.h"
#include "scan/scan_pass.h"
#include "output/split_run.h"
#include "formats/text/text_files.h"
#include "support/corpus.h"
#include "support/novel.h"
#include "support/scripted_ui.h"

namespace pwtest {

// Ten headings that the default pattern finds and nothing else it finds: GB18030, CR LF, a preamble.
inline const NovelOptions kTenChapters{.seed = 10, .chapters = 10, .falseHeadings = false};
// A 回 novel in UTF-8 with LF, some prose among its 第(.){1,10}回 lines, and chapters long enough
// that six of them fill more than 64 KiB.
inline const NovelOptions kHuiNovel{.encoding = NovelEncoding::Utf8,
                                    .lineEnds = LineEnds::Lf,
                                    .seed = 7,
                                    .chapters = 30,
                                    .chapterWord = U'回',
                                    .paragraphs = 120};

struct CliRun {
    int status = -1;        // exit status, or 128 + signal
    bool signalled = false; // killed by a signal instead of exiting
    std::string out, err;
    double seconds = 0;
};

struct SpawnOptions {
    std::filesystem::path cwd{};
    std::string stdoutPath{};    // stdout into this file instead of collected
    long fileSizeLimit = 0;      // RLIMIT_FSIZE in bytes for the child, 0 for none
    long addressSpace = 0;       // RLIMIT_AS in bytes for the child, 0 for none
    bool stderrTerminal = false; // stderr on a pseudo-terminal instead of a file
    bool stdoutTerminal = false; // with stderrTerminal: stdout on the same terminal, as in a shell
    bool asNobody = false;       // run as user nobody when the tests run as root (who can read anything)
};

// Everything left to read from `fd`; a pseudo-terminal ends with EIO once the child closed it.
inline std::string readRest(int fd) {
    std::string s;
    char buf[65536];
    for (ssize_t got; (got = read(fd, buf, sizeof buf)) > 0 || (got < 0 && errno == EINTR);)
        if (got > 0) s.append(buf, static_cast<std::size_t>(got));
    return s;
}

// A run under way, for a test that acts while it works.
struct Child {
    pid_t pid = -1;
    std::FILE *out = nullptr, *err = nullptr;
    int term = -1;
    std::chrono::steady_clock::time_point started{};
};

// Starts the program with `args` (no shell in between).
inline Child startCli(const std::vector<std::string>& args, const SpawnOptions& o = {}) {
    Child c{-1, std::tmpfile(), std::tmpfile(), o.stderrTerminal ? posix_openpt(O_RDWR | O_NOCTTY) : -1,
            std::chrono::steady_clock::now()};
    if (!c.out || !c.err || (o.stderrTerminal && (c.term < 0 || grantpt(c.term) || unlockpt(c.term))))
        throw std::runtime_error("no place for the output");
    const std::string slave = c.term >= 0 ? ptsname(c.term) : "";
    std::vector<char*> argv{const_cast<char*>(PW_CLI_PATH)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int outFile = fileno(c.out), errFile = fileno(c.err);

    c.pid = fork();
    if (c.pid == 0) {
        // Only async-signal-safe calls from here to exec.
        const int errFd = c.term >= 0 ? open(slave.c_str(), O_RDWR) : errFile;
        const int outFd = c.term >= 0 && o.stdoutTerminal ? errFd
                          : o.stdoutPath.empty()          ? outFile
                                                          : open(o.stdoutPath.c_str(), O_WRONLY);
        if (errFd < 0 || outFd < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0) _exit(126);
        if (!o.cwd.empty() && chdir(o.cwd.c_str()) != 0) _exit(126);
        const rlimit size{static_cast<rlim_t>(o.fileSizeLimit), static_cast<rlim_t>(o.fileSizeLimit)};
        const rlimit space{static_cast<rlim_t>(o.addressSpace), static_cast<rlim_t>(o.addressSpace)};
        if (o.asNobody && geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(126);
        if (o.fileSizeLimit > 0) setrlimit(RLIMIT_FSIZE, &size);
        if (o.addressSpace > 0) setrlimit(RLIMIT_AS, &space);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return c;
}

// Waits for the run to end and collects both streams.
inline CliRun finishCli(Child& c) {
    CliRun r;
    if (c.term >= 0) { // read while the child writes: a full terminal would stop it
        r.err = readRest(c.term);
        close(c.term);
    }
    int ws = 0;
    waitpid(c.pid, &ws, 0);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - c.started).count();
    r.signalled = WIFSIGNALED(ws);
    r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
    const auto collect = [](std::FILE* f) {
        lseek(fileno(f), 0, SEEK_SET);
        std::string s = readRest(fileno(f));
        std::fclose(f);
        return s;
    };
    r.out = collect(c.out);
    const std::string piped = collect(c.err);
    if (c.term < 0) r.err = piped;
    return r;
}

inline CliRun runCli(const std::vector<std::string>& args, const SpawnOptions& o) {
    Child c = startCli(args, o);
    return finishCli(c);
}

// One job, given the way both front ends take it.
inline const std::string kWindowPattern = "第(.){1,10}章";
struct Job {
    std::filesystem::path file{};
    std::optional<std::string> pattern{}, name{}, chapters{};
    bool keepBlankLines = false;
    std::vector<int> excluded{}; // heading numbers k, as the scan prints "[k]"
    std::optional<pw::Encoding> encoding{};

    std::vector<std::string> args(const std::string& command) const {
        // Without -q: the summary line is held against the core's status.
        // The window's field holds its default pattern when the job names none; the command
        // line would choose a rule for the novel instead.
        std::vector<std::string> a{command, file.string(), "-p", pattern.value_or(kWindowPattern)};
        if (encoding) a.insert(a.end(), {"--encoding", pw::traitsOf(*encoding).id});
        if (command == "scan") return a;
        if (name) a.insert(a.end(), {"-n", *name});
        if (chapters) a.insert(a.end(), {"-c", *chapters});
        if (keepBlankLines) a.push_back("--keep-blank-lines");
        std::string list;
        for (const int k : excluded)
            list.append(list.empty() ? "" : ",").append(std::to_string(k));
        if (!list.empty()) a.insert(a.end(), {"-x", list});
        return a;
    }
};

struct CoreRun {
    nlohmann::json headings; // as the program's JSON has them
    std::string status;      // the last status text: the scan's, or the split's
    std::int64_t lines = 0;
    pw::Encoding encoding = pw::Encoding::Gb18030;
};

// The job in the window after start-up, its fields filled in: the scan, then the split into
// `splitInto` unless that is empty.
inline CoreRun runCore(const Job& job, const std::filesystem::path& splitInto = {}) {
    const std::filesystem::path outDir = splitInto.empty() ? job.file.parent_path() : splitInto;
    pw::WorkingState st;
    if (pw::loadSettings(pw::shippedSettings(), pw::fromPath(outDir), st))
        throw std::runtime_error("settings do not load");
    pw::OptionFields f;
    f.txtFile = pw::fromPath(job.file);
    f.txtOut = pw::fromPath(outDir);
    f.txtFileOut = job.name ? pw::fromUtf8(*job.name) : pw::MakeOutName(st, 1, true);
    f.txtFindStr = job.pattern ? pw::fromUtf8(*job.pattern) : st.strFindStr;
    f.txtNum = job.chapters ? pw::fromUtf8(*job.chapters) : pw::decimal(st.lngChapsPerFile);
    f.chkDeleteSpc = job.keepBlankLines ? 0 : st.blnDeleteSpc;
    f.chkDoEvents = 1;
    ScriptedUi ui;
    pw::FieldWriteBacks back;
    if (!pw::CheckOptions(f, 1, st, ui, back)) throw std::runtime_error("options refused");
    struct : pw::ScanReceiver {
        nlohmann::json found = nlohmann::json::array();
        void heading(const pw::HeadingFound& h) override {
            found.push_back(
                {{"number", h.number}, {"line", h.line}, {"offset", h.offset}, {"text", pw::toUtf8(h.text)}});
        }
    } receiver;
    pw::ScanOptions so;
    so.encoding = job.encoding;
    const pw::ScanResult scan = pw::runScan(st, ui, receiver, so);
    if (!splitInto.empty()) {
        if (!pw::precheckSplit(st, st.lngMatchCount, ui) || !pw::CheckOptions(f, 0, st, ui, back))
            throw std::runtime_error("split refused");
        std::vector<std::int64_t> rows;
        for (const int k : job.excluded)
            rows.push_back(k - 1);
        pw::SplitReceiver none;
        pw::runSplit(st, pw::analysedInput(st, scan.encoding), pw::RowRanges::ofRows(rows), pw::TextFiles(st), ui,
                     none);
    }
    return {receiver.found, ui.lastStatus(), scan.lines, scan.encoding};
}

// A refused job: nothing on stdout, one line on stderr that contains `why`.
inline void expectRefused(const CliRun& r, const std::string& why, int status = 1) {
    EXPECT_EQ(r.status, status);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.err.rfind("pagewright-cli: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
}

// Every file in a folder by its name, with its bytes.
inline std::map<std::string, std::string> folderFiles(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        files[pw::toUtf8(pw::fromPath(e.path().filename()))] = readAll(e.path());
    return files;
}

} // namespace pwtest
