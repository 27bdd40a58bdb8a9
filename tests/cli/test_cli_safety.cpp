// The built program against inputs and surroundings that break careless tools: names that
// are not UTF-8, a file of zeros with no line end, an exclude list of huge overlapping
// ranges, a runaway pattern, a stdout that cannot be written.
#include <chrono>
#include <csignal>
#include <thread>

#include "cli/exclude_list.h"
#include "cli_run.h"

namespace {

using pwtest::readAll;
using pwtest::writeAll;
namespace fs = std::filesystem;

const std::string kGbk = "\xB2\xE2\xCA\xD4"; // "测试" in GBK: not UTF-8
// Two headings in GBK, "第1章" and "第2章", with CR LF.
const std::string kGbkNovel = "\xB5\xDA" "1\xD5\xC2\r\nabc\r\n\xB5\xDA" "2\xD5\xC2\r\nxyz\r\n";

struct Surroundings {
    fs::path cwd{};
    std::string stdoutPath = "/dev/null";
    long addressSpace = 0; // RLIMIT_AS in bytes, 0 for none
    int timeoutSeconds = 120;
};

struct Ended {
    int status = -1; // exit status, 128 + signal, or -1 when it had to be killed
    std::string err;
    double seconds = 0;
};

// Runs the program with stdout on `stdoutPath` and stderr collected; kills it when it runs
// past the timeout, so a test of a hang fails instead of hanging itself.
Ended runIn(const std::vector<std::string>& args, const Surroundings& s) {
    std::FILE* err = std::tmpfile();
    std::vector<char*> argv{const_cast<char*>(PW_CLI_PATH)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(s.stdoutPath.c_str(), O_WRONLY);
        if (out < 0 || dup2(out, 1) < 0 || dup2(fileno(err), 2) < 0) _exit(126);
        if (!s.cwd.empty() && chdir(s.cwd.c_str()) != 0) _exit(126);
        const rlimit lim{static_cast<rlim_t>(s.addressSpace), static_cast<rlim_t>(s.addressSpace)};
        if (s.addressSpace > 0) setrlimit(RLIMIT_AS, &lim);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Ended r;
    int ws = 0;
    while (waitpid(pid, &ws, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(s.timeoutSeconds)) {
            kill(pid, SIGKILL);
            waitpid(pid, &ws, 0);
            ws = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.status = ws == -1 ? -1 : WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
    lseek(fileno(err), 0, SEEK_SET);
    r.err = pwtest::readRest(fileno(err));
    std::fclose(err);
    return r;
}

std::vector<std::string> namesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().native());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(CliNames, AGbkNamedInputAndOutputFolderAreUsedByTheirBytes) {
    pwtest::ScratchDir dir;
    const fs::path input = dir.path() / (kGbk + ".txt");
    const fs::path out = dir.path() / ("out" + kGbk);
    writeAll(input, kGbkNovel);
    fs::create_directory(out);

    const Ended scan = runIn({"scan", input.native(), "-q"}, {});
    EXPECT_EQ(scan.status, 0) << scan.err;

    const Ended split = runIn({"split", input.native(), "-q", "-o", out.native(), "-c", "1"}, {});
    EXPECT_EQ(split.status, 0) << split.err;
    EXPECT_EQ(namesIn(out), (std::vector<std::string>{"小说01.txt", "小说02.txt"}));
    EXPECT_EQ(readAll(out / "小说02.txt"), "\xB5\xDA" "2\xD5\xC2\r\nxyz\r\n");
    // Nothing was made under some other spelling of the folder's name.
    std::vector<std::string> both{input.filename().native(), out.filename().native()};
    std::sort(both.begin(), both.end());
    EXPECT_EQ(namesIn(dir.path()), both);

    // A missing folder with such a name is created under that very name.
    const fs::path made = dir.path() / ("new" + kGbk);
    const Ended create = runIn({"split", input.native(), "-q", "-o", made.native(), "--create-dir"}, {});
    EXPECT_EQ(create.status, 0) << create.err;
    EXPECT_EQ(namesIn(made), std::vector<std::string>{"小说01.txt"});
}

TEST(CliNames, RunInAGbkNamedFolderTheOutputLandsThere) {
    pwtest::ScratchDir dir;
    const fs::path here = dir.path() / kGbk;
    fs::create_directory(here);
    writeAll(here / "novel.txt", kGbkNovel);
    const Ended r = runIn({"split", "novel.txt", "-q"}, {here});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(namesIn(here), (std::vector<std::string>{"novel.txt", "小说01.txt"}));
}

TEST(CliNames, APatternOrNameThatIsNotUtf8IsRefusedNotMangled) {
    pwtest::ScratchDir dir;
    const fs::path input = dir / "novel.txt";
    writeAll(input, kGbkNovel);
    for (const std::string option : {"-p", "-n", "-c"}) {
        const Ended r = runIn({"split", input.native(), "-q", "-o", dir.path().native(), option, kGbk + "01"}, {});
        EXPECT_EQ(r.status, 2) << option;
        EXPECT_NE(r.err.find("UTF-8"), std::string::npos) << r.err;
    }
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"novel.txt"});
}

TEST(CliEndlessLine, AThreeGigabyteFileOfZerosIsRefusedByLineNumberWithinLittleMemory) {
    pwtest::ScratchDir dir;
    const fs::path zeros = dir / "disk.img";
    writeAll(zeros, "");
    ASSERT_EQ(truncate(zeros.c_str(), 3LL << 30), 0); // sparse: no disk spent
    const fs::path late = dir / "late.txt";
    writeAll(late, "第1章\nabc\n");
    ASSERT_EQ(truncate(late.c_str(), 40 << 20), 0);

    const Surroundings tight{.addressSpace = 1L << 30, .timeoutSeconds = 60};
    const Ended whole = runIn({"scan", zeros.native(), "-q"}, tight);
    EXPECT_EQ(whole.status, 1) << whole.err;
    EXPECT_NE(whole.err.find("第 1 行超过 16 MB"), std::string::npos) << whole.err;
    EXPECT_LT(whole.seconds, 20);

    const Ended third = runIn({"split", late.native(), "-q", "-o", dir.path().native()}, tight);
    EXPECT_EQ(third.status, 1) << third.err;
    EXPECT_NE(third.err.find("第 3 行超过 16 MB"), std::string::npos) << third.err;
    EXPECT_FALSE(fs::exists(dir / "小说01.txt"));
}

TEST(CliExcludeList, HugeOverlappingRangesCostTheListNotTheirSpan) {
    pwtest::ScratchDir dir;
    const fs::path input = dir / "novel.txt";
    std::string novel, crlf;
    for (int k = 1; k <= 20000; ++k) {
        novel += "第" + std::to_string(k) + "章\n";
        crlf += "第" + std::to_string(k) + "章\r\n";
    }
    writeAll(input, novel);
    std::string list;
    for (int i = 0; i < 10000; ++i)
        list += "2-20000,";
    list += "3-5";
    // 10,000 spans of 19,999 rows spelled out would need 1.6 GB.
    const Ended r = runIn({"split", input.native(), "-q", "-o", dir.path().native(), "-c", "100", "-x", list},
                          {.addressSpace = 512L << 20, .timeoutSeconds = 60});
    EXPECT_EQ(r.status, 0) << r.err;
    // Excluded headings stay in the text of the one chapter that is left.
    EXPECT_TRUE(readAll(dir / "小说01.txt") == crlf);
    EXPECT_FALSE(fs::exists(dir / "小说02.txt"));
}

TEST(CliExcludeList, MergedRangesGiveEachRowOnceInOrder) {
    using pw::cli::parseExcludeList;
    EXPECT_EQ(parseExcludeList("9-12, 2,5, 10-11,3-6,12", 12).rows,
              (std::vector<std::int64_t>{1, 2, 3, 4, 5, 8, 9, 10, 11}));
    EXPECT_EQ(parseExcludeList("1-3,4-6", 6).rows, (std::vector<std::int64_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(parseExcludeList("7", 7).rows, std::vector<std::int64_t>{6});
    const auto out = parseExcludeList("1-3,0-2", 6);
    EXPECT_FALSE(out.error.empty());
    EXPECT_TRUE(out.rows.empty());
    EXPECT_TRUE(parseExcludeList("", 6).rows.empty());
}

TEST(CliRunaway, APatternJustUnderTheLineLimitOnEveryLineEndsWithTheRunawayMessage) {
    pwtest::ScratchDir dir;
    const fs::path input = dir / "runaway.txt";
    std::string text;
    // Each line costs a good part of the per-line limit; 2,000 of them took minutes.
    for (int i = 0; i < 2000; ++i)
        text += std::string(22, 'x') + "!y\n";
    writeAll(input, text);
    const Ended r = runIn({"scan", input.native(), "-q", "-p", "(x+x+)+y"}, {.timeoutSeconds = 90});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("查找条件过于复杂"), std::string::npos) << r.err;
    EXPECT_LT(r.seconds, 30);
}

TEST(CliStdout, AStdoutThatCannotBeWrittenFailsTheRun) {
    pwtest::ScratchDir dir;
    const fs::path input = dir / "novel.txt";
    writeAll(input, kGbkNovel);
    const Surroundings full{.stdoutPath = "/dev/full"};
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"scan", input.native(), "-q"},
             {"scan", input.native(), "-q", "--json"},
             {"split", input.native(), "-q", "-o", dir.path().native()},
             {"--help"}}) {
        const Ended r = runIn(args, full);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_NE(r.err.find("标准输出"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    }
    // The same runs into a stdout that takes the text succeed.
    EXPECT_EQ(runIn({"scan", input.native(), "-q"}, {}).status, 0);
}
