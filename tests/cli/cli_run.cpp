#include "cli_run.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "options/intake.h"
#include "options/make_out_name.h"
#include "options/settings.h"
#include "platform/paths.h"
#include "scan/scan_pass.h"
#include "split/split_pass.h"
#include "support/corpus.h"
#include "support/scripted_ui.h"

namespace pwtest {

namespace {

// Drains every descriptor until each is closed; a pseudo-terminal ends with EIO instead.
void drain(std::vector<std::pair<int, std::string*>> fds) {
    while (!fds.empty()) {
        std::vector<pollfd> p;
        for (const auto& [fd, sink] : fds)
            p.push_back({fd, POLLIN, 0});
        if (poll(p.data(), p.size(), -1) < 0 && errno != EINTR) throw std::runtime_error("poll failed");
        for (std::size_t i = p.size(); i-- > 0;) {
            if (p[i].revents == 0) continue;
            char buf[65536];
            const ssize_t got = read(p[i].fd, buf, sizeof buf);
            if (got > 0) {
                fds[i].second->append(buf, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                close(p[i].fd);
                fds.erase(fds.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
    }
}

} // namespace

CliRun runCli(const std::vector<std::string>& args, const SpawnOptions& o) {
    int out[2], err[2] = {-1, -1}, term = -1;
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    std::string slave;
    if (o.stderrTerminal) {
        term = posix_openpt(O_RDWR | O_NOCTTY);
        if (term < 0 || grantpt(term) != 0 || unlockpt(term) != 0) throw std::runtime_error("no pseudo-terminal");
        slave = ptsname(term);
    } else if (pipe(err) != 0) {
        throw std::runtime_error("pipe failed");
    }
    std::vector<char*> argv{const_cast<char*>(PW_CLI_PATH)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        // Only async-signal-safe calls from here to exec.
        const int errFd = o.stderrTerminal ? open(slave.c_str(), O_RDWR) : err[1];
        const int outFd = o.stderrTerminal && o.stdoutTerminal ? errFd : out[1];
        if (errFd < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0) _exit(126);
        if (!o.cwd.empty() && chdir(o.cwd.c_str()) != 0) _exit(126);
        if (o.fileSizeLimit > 0) {
            const rlimit lim{static_cast<rlim_t>(o.fileSizeLimit), static_cast<rlim_t>(o.fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &lim);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    if (err[1] >= 0) close(err[1]);
    CliRun r;
    drain({{out[0], &r.out}, {o.stderrTerminal ? term : err[0], &r.err}});
    int ws = 0;
    waitpid(pid, &ws, 0);
    r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
    return r;
}

std::vector<std::string> Job::args(const std::string& command) const {
    std::vector<std::string> a{command, file.string(), "-q"};
    if (pattern) a.insert(a.end(), {"-p", *pattern});
    if (encoding) a.insert(a.end(), {"--encoding", *encoding == pw::Encoding::Utf8 ? "utf-8" : "gb18030"});
    if (command == "scan") return a;
    if (name) a.insert(a.end(), {"-n", *name});
    if (chapters) a.insert(a.end(), {"-c", *chapters});
    if (keepBlankLines) a.push_back("--keep-blank-lines");
    if (!excluded.empty()) {
        std::string list;
        for (const int k : excluded) {
            if (!list.empty()) list += ',';
            list += std::to_string(k);
        }
        a.insert(a.end(), {"-x", list});
    }
    return a;
}

namespace {

class Collect : public pw::ScanReceiver {
public:
    void heading(const pw::HeadingFound& h) override {
        headings.push_back({h.number, h.line, h.offset, pw::toUtf8(h.text)});
    }
    std::vector<Heading> headings;
};

// The window after start-up, its fields filled in as the job says, then the scan.
struct Window {
    pw::WorkingState st;
    pw::OptionFields fields;
    ScriptedUi ui;
    Collect found;
    pw::ScanResult scan;

    Window(const Job& job, const std::filesystem::path& outDir) {
        if (pw::loadSettings(pw::shippedSettings(), pw::fromPath(outDir), st))
            throw std::runtime_error("settings do not load");
        fields.txtFile = pw::fromPath(job.file);
        fields.txtOut = pw::fromPath(outDir);
        fields.txtFileOut = job.name ? pw::fromUtf8(*job.name) : pw::MakeOutName(st, 1, true);
        fields.txtFindStr = job.pattern ? pw::fromUtf8(*job.pattern) : st.strFindStr;
        fields.txtNum = job.chapters ? pw::fromUtf8(*job.chapters) : pw::decimal(st.lngChapsPerFile);
        fields.chkDeleteSpc = job.keepBlankLines ? 0 : st.blnDeleteSpc;
        fields.chkDoEvents = 1;
        pw::FieldWriteBacks back;
        if (!pw::CheckOptions(fields, 1, st, ui, back)) throw std::runtime_error("options refused");
        pw::ScanOptions so;
        so.encoding = job.encoding;
        scan = pw::runScan(st, ui, found, so);
    }
};

} // namespace

CoreScan coreScan(const Job& job) {
    ScratchDir dir;
    Window w(job, dir.path());
    return {w.found.headings, w.ui.lastStatus(), w.scan.lines, w.scan.encoding};
}

std::string coreSplit(const Job& job, const std::filesystem::path& outDir) {
    Window w(job, outDir);
    pw::FieldWriteBacks back;
    if (!pw::precheckSplit(w.st, w.st.lngMatchCount, w.ui) || !pw::CheckOptions(w.fields, 0, w.st, w.ui, back))
        return "refused";
    std::vector<std::int64_t> rows;
    for (const int k : job.excluded)
        rows.push_back(k - 1);
    pw::runSplit(w.st, rows, w.ui);
    return w.ui.lastStatus();
}

std::map<std::string, std::string> folderFiles(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        files[pw::toUtf8(pw::fromPath(e.path().filename()))] = readAll(e.path());
    return files;
}

} // namespace pwtest
