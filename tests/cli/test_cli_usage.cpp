// The command line itself: the exclusion list, usage errors (status 2), help and version,
// and the progress bar, which only a terminal gets.
#include <gtest/gtest.h>

#include "cli/exclude_list.h"
#include "cli_run.h"
#include "support/corpus.h"

using namespace pwtest;
using pw::cli::parseExcludeList;

TEST(CliUsage, ExcludeListNumbersRangesAndErrors) {
    using Rows = std::vector<std::int64_t>;
    EXPECT_EQ(parseExcludeList("3", 12).rows, Rows{2});
    EXPECT_EQ(parseExcludeList("2,5,9-12", 12).rows, (Rows{1, 4, 8, 9, 10, 11}));
    EXPECT_EQ(parseExcludeList(" 4 , 1-2 ,2,12-12", 12).rows, (Rows{0, 1, 3, 11}));
    const auto none = parseExcludeList("", 12);
    EXPECT_TRUE(none.rows.empty() && none.error.empty());
    for (const char* bad : {",", "1,", ",1", "1,,2", "a", "3-1", "1-2-3", "1-", "-", "+3", "2 3", "0", "13", "1-13",
                            "-1", "99999999999999999999"}) {
        EXPECT_FALSE(parseExcludeList(bad, 12).error.empty()) << bad;
    }
}

TEST(CliUsage, UsageErrorsEndWithTwoAndWriteNothing) {
    ScratchDir cwd;
    const std::string novel = (corpusDir() / "gb18030" / "ahq_zhengzhuan_pg25332.txt").string();
    const std::vector<std::vector<std::string>> usage = {
        {},
        {"scan"},
        {"frobnicate", novel},
        {"split", novel, "--bogus"},
        {"scan", novel, "-o", "."}, // an option of split only
        {"split", novel, "--existing", "ask"},
        {"split", novel, "--existing", "1"}, // the words only, not the numbers behind them
        {"split", novel, "--encoding", "latin1"},
        {"split", novel, "-x", "2,,5"},
        {"split", novel, "-x", "0"},
        {"split", novel, "-x", "3,11"}, // ten headings
    };
    for (const auto& args : usage) {
        const CliRun r = runCli(args, {cwd.path()});
        std::string shown;
        for (const auto& a : args)
            shown += a + " ";
        EXPECT_EQ(r.status, 2) << shown << r.err;
        EXPECT_EQ(r.out, "") << shown;
        EXPECT_FALSE(r.err.empty()) << shown;
    }
    EXPECT_TRUE(std::filesystem::is_empty(cwd.path()));

    const CliRun help = runCli({"--help"}, {});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("split"), std::string::npos);
    const CliRun splitHelp = runCli({"split", "--help"}, {});
    EXPECT_NE(splitHelp.out.find("--existing"), std::string::npos);
    const CliRun version = runCli({"--version"}, {});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "pagewright-cli 1.0415\n");
}

TEST(CliUsage, ProgressBarOnlyOnATerminal) {
    ScratchDir dir;
    const std::string novel = (corpusDir() / "utf8" / "hongloumeng_pg24264.txt").string();
    const std::vector<std::string> split = {"split",      novel,      "-p", "第(.){1,10}回", "-o", dir.path().string(),
                                            "--existing", "overwrite"};
    // Not a terminal: nothing on stderr, without -q too.
    const CliRun quietPipe = runCli(split, {});
    EXPECT_EQ(quietPipe.status, 0);
    EXPECT_EQ(quietPipe.err, "");

    const CliRun bar = runCli(split, {.stderrTerminal = true});
    EXPECT_EQ(bar.status, 0);
    EXPECT_NE(bar.err.find("\r["), std::string::npos);
    EXPECT_NE(bar.err.find("%"), std::string::npos);
    EXPECT_EQ(bar.err.back(), '\r'); // wiped at the end
    std::vector<std::string> quiet = split;
    quiet.push_back("-q");
    EXPECT_EQ(runCli(quiet, {.stderrTerminal = true}).err, "");

    // With both streams on one terminal, what the terminal shows of each line (the text
    // after its last carriage return) is exactly the piped output: the bar is wiped before
    // a heading is printed, not left in front of it.
    const std::vector<std::string> scan = {"scan", novel, "-p", "第(.){1,10}回"};
    const CliRun shared = runCli(scan, {.stderrTerminal = true, .stdoutTerminal = true});
    EXPECT_EQ(shared.status, 0);
    EXPECT_NE(shared.err.find("%"), std::string::npos);
    std::vector<std::string> shown;
    for (std::size_t at = 0; at < shared.err.size();) {
        const std::size_t end = std::min(shared.err.find("\r\n", at), shared.err.size());
        const std::string line = shared.err.substr(at, end - at);
        const std::size_t cr = line.rfind('\r');
        if (cr + 1 < line.size()) shown.push_back(line.substr(cr == std::string::npos ? 0 : cr + 1));
        at = end + 2;
    }
    const std::string piped = runCli(scan, {}).out;
    EXPECT_EQ(shown.size(), static_cast<std::size_t>(std::count(piped.begin(), piped.end(), '\n')));
    for (std::size_t i = 0, at = 0; i < shown.size(); ++i) {
        const std::size_t end = piped.find('\n', at);
        if (shown[i] == piped.substr(at, end - at)) {
            at = end + 1;
            continue;
        }
        ADD_FAILURE() << "line " << i + 1 << " on the terminal: " << shown[i];
        break;
    }
}
