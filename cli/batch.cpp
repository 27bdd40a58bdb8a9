#include "cli/batch.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "cli/book_settings.h"
#include "cli/cli_texts.h"
#include "cli/command.h"
#include "cli/exclude_list.h"
#include "cli/folders.h"
#include "cli/interrupt.h"
#include "cli/novel_report.h"
#include "cli/clean_counts.h"
#include "options/intake.h"
#include "platform/paths.h"

extern char** environ;

namespace pw::cli {

// Each novel is a child process: this very program, run with that novel's file alone and the
// batch's options. So each novel's run is the single run itself, whatever it grows into (the
// folder lock, the checks, the temporary files, every message by its id), and its memory is
// a single run's; a crash or a stuck novel ends that novel, not the library. Threads in one
// process would share the stop flag, stdout and the progress bar, and a fault of one novel
// would take all the others with it. The cost, one exec per novel, is a few milliseconds
// against the tens that a novel's read and write take.

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char kPrefix[] = "pagewright-cli: ";

// The lines a run wrote on stderr, each without the program's name, joined by spaces.
std::string saidOnStderr(const std::string& err) {
    std::string said;
    for (std::size_t at = 0; at < err.size();) {
        std::size_t end = err.find('\n', at);
        if (end == std::string::npos) end = err.size();
        std::string line = err.substr(at, end - at);
        if (line.rfind(kPrefix, 0) == 0) line.erase(0, sizeof kPrefix - 1);
        if (!line.empty()) said.append(said.empty() ? "" : " ").append(line);
        at = end + 1;
    }
    return said;
}

struct Novel {
    std::string file;
    Text place;
    std::int64_t bytes = 0;
    bool placeExisted = false; // a split's folder was there before its run
    enum class State { Waiting, Running, Ended } state = State::Waiting;
    NovelReport report;
};

struct Run {
    std::size_t novel = 0;
    pid_t pid = -1;
    int outFd = -1, errFd = -1;
    std::string out, err;
};

class Batch {
public:
    Batch(const CliOptions& o, bool book, std::string self, std::FILE* out, std::FILE* err, bool bar,
          bool wipeForOutput)
        : m_o(o), m_book(book), m_self(std::move(self)), m_out(out), m_err(err), m_bar(bar),
          m_wipeForOutput(wipeForOutput) {}

    int run(std::vector<Novel> novels, std::size_t jobs);

private:
    void start(std::size_t index);
    void ended(Run& run, int waitStatus);
    void readFrom(int& fd, std::string& into);
    void drawProgress(bool force);
    void clearProgress();
    int summary();

    const CliOptions& m_o;
    const bool m_book; // each run makes a book in the batch's folder, else files in a folder of its own
    std::string m_self;
    std::FILE* m_out;
    std::FILE* m_err;
    bool m_bar, m_wipeForOutput;
    bool m_drawn = false;
    Clock::time_point m_lastDraw{};
    std::vector<Novel> m_novels;
    std::vector<Run> m_runs;
    int m_forwarded = 0; // rounds of stop signals passed on to the runs
};

void Batch::start(std::size_t index) {
    Novel& n = m_novels[index];
    n.state = Novel::State::Running;
    n.report.file = n.file;
    std::error_code ec;
    const fs::file_status there = fs::symlink_status(toPath(n.place), ec);
    n.placeExisted = fs::exists(there);
    const auto failWith = [&](std::string message) {
        n.state = Novel::State::Ended;
        n.report.status = NovelStatus::Failed;
        n.report.message = std::move(message);
    };
    const auto fail = [&](int error) { failWith(batchStartFailedText(reasonFromErrno(error))); };
    // The run would take a link for the folder it names and write wherever it points: outside -o.
    if (!m_book && fs::is_symlink(there)) return failWith(batchPlaceIsLinkText(n.place));
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) return fail(errno);
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        const int e = errno;
        close(outPipe[0]);
        close(outPipe[1]);
        return fail(e);
    }
    std::vector<std::string> args = singleRunArguments(m_o, n.file, n.place);
    args.insert(args.begin(), m_self);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    // A group of its own: Ctrl-C on the terminal reaches the batch alone, which passes each
    // stop on to its runs once, so that the first stops them cleanly and only a second ends them.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // The stop signals wait, blocked, until the run has its handlers (catchStopSignals()
    // unblocks them): a stop passed on to a run just started stops it as cleanly as any other.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setsigmask(&attr, &stops);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, m_self.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(outPipe[1]);
    close(errPipe[1]);
    if (spawned != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return fail(spawned);
    }
    m_runs.push_back({index, pid, outPipe[0], errPipe[0], {}, {}});
}

void Batch::readFrom(int& fd, std::string& into) {
    char buf[16384];
    const ssize_t got = read(fd, buf, sizeof buf);
    if (got > 0) {
        into.append(buf, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
        close(fd);
        fd = -1;
    }
}

void Batch::ended(Run& run, int waitStatus) {
    Novel& n = m_novels[run.novel];
    n.state = Novel::State::Ended;
    const int status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus);
    // The run's own line is the last one on its stdout.
    std::string last = run.out;
    while (!last.empty() && last.back() == '\n')
        last.pop_back();
    last = last.substr(last.rfind('\n') == std::string::npos ? 0 : last.rfind('\n') + 1);
    std::optional<NovelReport> told = parseNovelJson(last);
    if (told) {
        n.report = *told;
        n.report.file = n.file;
    } else {
        // It ended without its line: killed, or it could not start (the rest of the report
        // stays as the batch knew it).
        n.report.status = statusOfExit(status);
        if (WIFSIGNALED(waitStatus) && !(stopSignal() && n.report.status == NovelStatus::Interrupted))
            n.report.status = NovelStatus::Failed;
        n.report.message = saidOnStderr(run.err);
        if (n.report.message.empty())
            n.report.message = WIFSIGNALED(waitStatus) ? batchRunKilledText(WTERMSIG(waitStatus))
                                                       : batchStartFailedText(decimal(status));
    }
    if (n.report.message.empty()) n.report.message = saidOnStderr(run.err);
    // The folder the batch had the run make stays only with something in it: a novel that
    // failed before it wrote leaves no empty folder behind (remove() takes empty ones only).
    if (!m_book && n.report.status == NovelStatus::Failed && !n.placeExisted) {
        std::error_code ec;
        fs::remove(toPath(n.place), ec);
    }
    if (m_o.json) {
        if (m_wipeForOutput) clearProgress();
        std::fprintf(m_out, "%s\n", novelJsonLine(n.report).c_str());
        std::fflush(m_out);
    }
}

void Batch::drawProgress(bool force) {
    if (!m_bar) return;
    const auto now = Clock::now();
    if (!force && now - m_lastDraw < std::chrono::milliseconds(100)) return;
    m_lastDraw = now;
    std::int64_t done = 0, bytesDone = 0, bytesAll = 0;
    std::vector<std::string> inFlight;
    for (const Novel& n : m_novels) {
        bytesAll += n.bytes;
        if (n.state == Novel::State::Ended) {
            ++done;
            bytesDone += n.bytes;
        } else if (n.state == Novel::State::Running) {
            inFlight.push_back(toNativeBytes(fromPath(fs::path(n.file).filename())));
        }
    }
    const int width = 20;
    const auto all = static_cast<std::int64_t>(m_novels.size());
    const auto filled = static_cast<std::size_t>(all ? done * width / all : width);
    std::string bar = "[";
    bar.append(filled, '#').append(width - filled, '-').append("] ");
    const std::string text = bar + batchProgressText(done, all, bytesDone, bytesAll, "");
    // One line of a common terminal: the names share what is left of 80 columns.
    std::string names;
    if (!inFlight.empty() && terminalColumns(text) + 14 < 79)
        names = inFlightText(inFlight, 79 - 14 - terminalColumns(text));
    std::fprintf(m_err, "\r\033[K%s", (bar + batchProgressText(done, all, bytesDone, bytesAll, names)).c_str());
    std::fflush(m_err);
    m_drawn = true;
}

void Batch::clearProgress() {
    if (!m_drawn) return;
    std::fputs("\r\033[K", m_err);
    std::fflush(m_err);
    m_drawn = false;
}

int Batch::run(std::vector<Novel> novels, std::size_t jobs) {
    m_novels = std::move(novels);
    std::size_t next = 0;
    for (;;) {
        // One round per signal, a loop apart, so that a second Ctrl-C reaches each run after
        // its first, as the second would reach a run alone.
        if (const int sig = stopSignal(); sig != 0 && m_forwarded < std::max(1, stopSignalCount())) {
            for (const Run& r : m_runs)
                kill(r.pid, sig);
            ++m_forwarded;
        }
        while (!stopSignal() && m_runs.size() < jobs && next < m_novels.size())
            start(next++);
        if (m_runs.empty() && (stopSignal() || next == m_novels.size())) break;

        std::vector<pollfd> fds;
        for (const Run& r : m_runs)
            for (const int fd : {r.outFd, r.errFd})
                if (fd >= 0) fds.push_back({fd, POLLIN, 0});
        if (!fds.empty() && poll(fds.data(), fds.size(), 100) > 0) {
            for (Run& r : m_runs)
                for (const pollfd& p : fds) {
                    if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
                    if (p.fd == r.outFd) readFrom(r.outFd, r.out);
                    if (p.fd == r.errFd) readFrom(r.errFd, r.err);
                }
        }
        // A run whose streams are both closed has ended, or is about to.
        for (auto it = m_runs.begin(); it != m_runs.end();) {
            int ws = 0;
            if (it->outFd < 0 && it->errFd < 0 && waitpid(it->pid, &ws, 0) == it->pid) {
                ended(*it, ws);
                it = m_runs.erase(it);
            } else {
                ++it;
            }
        }
        drawProgress(false);
    }
    clearProgress();
    return summary();
}

int Batch::summary() {
    BatchTotals t;
    t.novels = static_cast<std::int64_t>(m_novels.size());
    std::vector<std::string> lines;
    std::vector<std::pair<std::string, std::int64_t>> cleaned; // the rules' counts over every novel
    for (const Novel& n : m_novels) {
        const NovelReport& r = n.report;
        if (r.clean)
            for (const auto& rule : *r.clean) {
                auto it = std::find_if(cleaned.begin(), cleaned.end(),
                                       [&rule](const auto& c) { return c.first == rule.first; });
                if (it == cleaned.end()) cleaned.push_back(rule);
                else it->second += rule.second;
            }
        if (n.state != Novel::State::Ended) {
            ++t.notStarted;
            lines.push_back(batchNotStartedLine(n.file));
        } else if (r.status == NovelStatus::Done) {
            ++t.done;
            t.outputs += static_cast<std::int64_t>(r.outputs.size());
            t.chapters += r.chapters.value_or(0);
            t.keptSuspects += r.keptSuspects.value_or(0);
            if (!m_o.quiet)
                // Books per volume are named by their volumes: the place to name is their folder.
                lines.push_back(batchDoneLine(n.file, m_o.perVolume ? fromPath(toPath(n.place).parent_path()) : n.place,
                                              static_cast<std::int64_t>(r.outputs.size()), r.chapters.value_or(0),
                                              m_book, r.keptSuspects.value_or(0)));
        } else if (r.status == NovelStatus::Interrupted) {
            ++t.interrupted;
            lines.push_back(batchInterruptedLine(n.file, r.message));
        } else {
            ++t.failed;
            lines.push_back(batchFailedLine(n.file, r.message));
        }
    }
    // -q: nothing when every novel was done, as a single run says nothing on success.
    if (!m_o.quiet || t.done < t.novels) {
        for (const std::string& line : lines)
            std::fprintf(m_err, "%s\n", line.c_str());
        std::fprintf(m_err, "%s\n", batchTotalsLine(t, m_book).c_str());
        if (m_o.clean || !m_o.cleanRules.empty()) std::fprintf(m_err, "%s\n", cleanCountsText(cleaned).c_str());
        std::fflush(m_err);
    }
    if (stopSignal()) return interruptedStatus();
    return t.done == t.novels ? 0 : kExitRefused;
}

// The program itself, to run once per novel: the file the kernel started, not a name that a
// changed PATH or folder would make another program.
std::string selfPath(const char* argv0) {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && !exe.empty()) return exe.native();
    return argv0;
}

} // namespace

Text batchFolderName(TextView stem) {
    // Cleaned as an output name is: the characters no file name can hold are dropped.
    Text name;
    for (const char16_t c : trimSpaces(Text(stem)))
        if (!isForbiddenNameChar(c) && c >= 0x20) name.push_back(c);
    if (trimSpaces(name).empty()) return u"_";
    // "." and ".." are no names but the folder itself and the one above it: a novel called
    // "...txt" would write beside -o. A name of dots alone becomes as many underscores.
    if (name.find_first_not_of(u'.') == Text::npos) return Text(name.size(), u'_');
    return name;
}

Text batchPlace(const CliOptions& o, const std::string& file, const Text& dir) {
    if (o.command->makesBook()) {
        // Into the folder `dir`, which --create-dir may not have made yet: as a book run
        // without -o names its book in its current folder.
        CliOptions one = o;
        one.file = file;
        one.out.reset();
        return bookSettings(one, dir).path;
    }
    return fromPath(toPath(dir) / toPath(batchFolderName(fromPath(toPath(fromNativeBytes(file)).stem()))));
}

std::vector<std::string> singleRunArguments(const CliOptions& o, const std::string& file, const Text& place) {
    std::vector<std::string> a{o.command->name()};
    a.insert(a.end(), o.forwarded.begin(), o.forwarded.end());
    if (o.command->makesBook()) {
        // The book's folder: the run names the book in it as it does alone.
        a.insert(a.end(), {"-o", toNativeBytes(fromPath(toPath(place).parent_path()))});
    } else {
        // The novel's own folder, one level inside the batch's, made by the run.
        a.insert(a.end(), {"-o", toNativeBytes(place), "--create-dir"});
    }
    a.insert(a.end(), {"--json", "--", file});
    return a;
}

int runBatch(const CliOptions& o, const char* self, std::FILE* out, std::FILE* err, bool errIsTerminal,
             bool outIsTerminal) {
    const auto refuse = [err](const std::string& line, int status) {
        std::fprintf(err, "%s%s\n", kPrefix, line.c_str());
        return status;
    };
    // What every run would refuse alike is said once, before any starts.
    if (const ExcludeList x = parseExcludeList(o.exclude); !x.error.empty()) return refuse(x.error, kExitUsage);

    std::error_code ec;
    const Text cwd = fromPath(fs::current_path(ec));
    const Text dir = o.out ? fromNativeBytes(*o.out) : cwd;
    const fs::path dirPath = toPath(dir);
    const bool isFolder = fs::is_directory(dirPath, ec);
    const bool existsAsOther = !isFolder && fs::exists(fs::symlink_status(dirPath, ec));
    const bool book = o.command->makesBook();
    if (book && !isFolder && (!o.createDir || existsAsOther)) return refuse(batchBookFolderText(dir), kExitRefused);
    if (existsAsOther) return refuse(batchNotAFolderText(dir), kExitRefused);
    if (!isFolder && !o.createDir) return refuse(cliText({MsgId::OfferCreateFolder, {}, {}}, o), kExitRefused);

    // Two novels that would share a place are refused before anything is written.
    std::vector<Novel> novels;
    std::map<Text, std::size_t> byPlace;
    for (const std::string& file : o.files) {
        Novel n;
        n.file = file;
        n.place = batchPlace(o, file, dir);
        const Text key = fromPath(toPath(n.place).lexically_normal());
        if (const auto [it, fresh] = byPlace.emplace(key, novels.size()); !fresh)
            return refuse(batchSharedPlaceText(novels[it->second].file, file, n.place, book), kExitRefused);
        const auto size = fs::file_size(toPath(fromNativeBytes(file)), ec);
        n.bytes = ec ? 0 : static_cast<std::int64_t>(size);
        novels.push_back(std::move(n));
    }
    // What --create-dir makes goes again when no novel writes into it.
    MadeFolders made(isFolder ? Text() : dir);
    if (int error = 0; !made.make(error)) {
        // Said as the single run says it when it cannot make its folder.
        return refuse(toNativeBytes(u"创建目录失败：" + dir + u"（" + reasonFromErrno(error) + u"）"), kExitRefused);
    }
    if (made.missing().size() > 1 && !o.quiet)
        std::fprintf(err, "%s%s\n", kPrefix, madeFoldersText(made.missing()).c_str());

    catchRepeatedStopSignals();
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    // Every book of a batch goes into the one folder: a book run holds it only to plan and to
    // place, so the books are made side by side like the split folders.
    const std::size_t jobs = o.jobs > 0 ? static_cast<std::size_t>(o.jobs) : cores;
    Batch batch(o, book, selfPath(self), out, err, errIsTerminal && !o.quiet, outIsTerminal);
    return batch.run(std::move(novels), jobs);
}

} // namespace pw::cli
