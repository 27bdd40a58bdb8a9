// The command line itself: the exclusion list, every refusal with its exit status and its
// wording (by the message, never by the text of the window's question), help and
// version, and the progress bar, which only a terminal gets.
#include "cli/console_ui.h"
#include "cli/exclude_list.h"
#include "cli_run.h"

using namespace pwtest;
using pw::MsgAnswer;
using pw::MsgId;
using pw::cli::parseExcludeList;

namespace {

// What the command line answers to `msg` under `opts`, and the line it prints.
std::pair<MsgAnswer, std::string> ask(const pw::cli::CliOptions& opts, const pw::Message& msg) {
    std::FILE* err = std::tmpfile();
    pw::cli::ConsoleUi ui(opts, err, false, false);
    const MsgAnswer answer = ui.messageBox(msg);
    std::fflush(err);
    lseek(fileno(err), 0, SEEK_SET);
    std::string said = pwtest::readRest(fileno(err));
    std::fclose(err);
    return {answer, said};
}

} // namespace

TEST(CliUsage, ExcludeListGivesEachRowOnceInOrderOrAnError) {
    using Rows = std::vector<std::int64_t>;
    // The rows of a list the 12 headings of a scan all have, one by one.
    const auto rows = [](std::string_view list) {
        const pw::cli::ExcludeList x = parseExcludeList(list);
        EXPECT_EQ(x.error + x.rangeError(12), "") << list;
        Rows all;
        for (std::int64_t row = 0; row < 20; ++row)
            if (x.rows.contains(row)) all.push_back(row);
        return all;
    };
    EXPECT_EQ(rows(" 4 , 1-2 ,2,12-12"), (Rows{0, 1, 3, 11}));
    EXPECT_EQ(rows("9-12, 2,5, 10-11,3-6,12"), (Rows{1, 2, 3, 4, 5, 8, 9, 10, 11}));
    EXPECT_EQ(rows("1-3,4-6"), (Rows{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(parseExcludeList("1-3,4-6").rows.ranges().size(), 1u); // one range, not six rows
    const auto none = parseExcludeList("");
    EXPECT_TRUE(none.rows.empty() && none.error.empty() && none.rangeError(0).empty());
    for (const char* bad : {",", "1,", "1,,2", "a", "3-1", "1-2-3", "1-", "+3", "2 3", "99999999999999999999"})
        EXPECT_FALSE(parseExcludeList(bad).error.empty()) << bad;
    // Well-formed, but naming no heading of the twelve.
    for (const char* outside : {"0", "-1", "13", "1-13", "1-3,0-2"}) {
        const auto x = parseExcludeList(outside);
        EXPECT_EQ(x.error, "") << outside;
        EXPECT_FALSE(x.rangeError(12).empty()) << outside;
    }
}

// Usage errors end with 2, refused jobs with 1; neither writes anything, not even into the
// current folder, which is the default output folder.
TEST(CliUsage, RefusalsSayWhyAndWriteNothing) {
    ScratchDir cwd, in;
    writeNovel(in / "ten.txt", kTenChapters);
    const std::string ahq = (in / "ten.txt").string(), hlm = (in / "hui.txt").string();
    const std::string allHui = "1-" + std::to_string(writeNovel(hlm, kHuiNovel).matching(U'回').size());
    std::string runaway; // each line costs a good part of the per-line limit of the pattern engine
    for (int i = 0; i < 2000; ++i)
        runaway += std::string(22, 'x') + "!y\n";
    writeAll(in / "runaway.txt", runaway);
    std::filesystem::copy_file(ahq, cwd / "小说01.txt"); // named like the default first output
    const std::string input = (cwd / "小说01.txt").string(), before = readAll(input);
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{}, 2, ""},                                // the usage comes from the parser, over several lines
        {{"scan", ahq, "-o", "."}, 2, ""},          // an option of split only
        {{"split", ahq, "--existing", "1"}, 2, ""}, // the words only, not the numbers behind them
        {{"split", ahq, "--encoding", "latin1"}, 2, ""},
        // The list's form is checked before anything is read, even a file that is not there...
        {{"split", (cwd / "none.txt").string(), "-x", "2,,5"}, 2, "pagewright-cli: 排除列表格式不正确：2,,5\n"},
        // ...its range after the scan, as the numbers are those it prints.
        {{"split", ahq, "-p", kWindowPattern, "-x", "3,11"}, 2, "pagewright-cli: 排除的编号 11 超出范围 1-10\n"},
        {{"split", (cwd / "none.txt").string()},
         1,
         "pagewright-cli: 输入文件不存在：" + (cwd / "none.txt").string() + "，请检查文件名。\n"},
        {{"scan", in.path().string()},
         1,
         "输入的是一个文件夹：" + in.path().string() + "，请给出其中要处理的文本文件。"},
        {{"split", ahq, "-n", ""}, 1, "pagewright-cli: 输出文件名是空的，请用 -n 给出文件名，如 小说01。\n"},
        {{"scan", ahq, "-p", "第(.{1,10}"}, 1, "查找条件有误：缺少右括号 )（位置 9）"},
        {{"scan", (in / "runaway.txt").string(), "-p", "(x+x+)+y"}, 1, "查找条件过于复杂"},
        // Still one line, naming the presets that would find headings.
        {{"split", hlm, "-p", "no such heading"}, 1, "没有符合条件的标题行，无法分割，请检查查找条件（-p）；可改用预设："},
        {{"split", hlm, "-p", "第(.){1,10}回", "-x", allHui}, 1, "全部标题都被排除（-x），无法分割，请少排除一些。"},
        {{"split", ahq, "-o", (cwd / "new").string()},
         1,
         "pagewright-cli: 输出目录不存在：" + (cwd / "new").string() + "，已停止。加 --create-dir 可创建它。\n"},
        {{"split", ahq, "-o", input + "/sub", "--create-dir"}, 1, "创建目录失败：" + input},
        {{"split", input, "-c", "1", "--existing", "fail"}, 1, "输出文件就是输入文件"},
    };
    for (const auto& [args, status, why] : cases) {
        SCOPED_TRACE(args.empty() ? "(no arguments)" : args.back());
        const CliRun r = runCli(args, {cwd.path()});
        if (!why.empty()) {
            expectRefused(r, why, status);
        } else {
            EXPECT_EQ(r.status, status);
            EXPECT_EQ(r.out, "");
            EXPECT_FALSE(r.err.empty());
        }
    }
    EXPECT_EQ(folderFiles(cwd.path()), (std::map<std::string, std::string>{{"小说01.txt", before}}));

    const CliRun help = runCli({"split", "--help"}, {});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--existing"), std::string::npos);
    EXPECT_EQ(runCli({"--version"}, {}).out, "pagewright-cli 1.0415\n");
}

// A usage error is one Chinese line that says what is wrong and what to do, with status 2,
// before anything is read; a count that is no whole number from 1 up is one.
TEST(CliUsage, UsageErrorsAreStatements) {
    ScratchDir cwd;
    const std::string file = (cwd / "a.txt").string();
    writeNovel(file, kTenChapters);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "没有给出命令，请写上 scan、split、epub 或 presets（用法见 --help）。"},
        {{"scan"}, "没有给出输入文件，请在命令行写上要处理的文件。"},
        {{"scan", file, "extra", "--bogus"}, "多余的参数：extra --bogus，请去掉它（用法见 --help）。"},
        {{"scan", file, "--encoding", "latin1"},
         "--encoding 的值 latin1 不在可选之列，可选的有：auto、big5、gb18030、utf-16be、utf-16le、utf-8。"},
        {{"split", file, "--existing", "1"}, "--existing 的值 1 不在可选之列，可选的有：append、fail、overwrite。"},
        {{"scan", file, "--preset", "x"}, "--preset 的值 x 不是预设的名称，可用的有："},
        {{"scan", file, "--json", "--check"}, "--json 和 --check 不能同时使用，请只用其中一个。"},
        {{"split", file, "-c"}, "--chapters 后面缺少值（用法见 --help）。"},
        {{"split", file, "-c", "abc"}, "--chapters 的值 abc 不是正整数，请给出 1 或更大的整数。"},
        {{"split", file, "-c", "0"}, "--chapters 的值 0 不是正整数"},
        {{"split", file, "-c", "-3"}, "--chapters 的值 -3 不是正整数"},
        {{"split", file, "-c", "1.5"}, "--chapters 的值 1.5 不是正整数"},
        {{"split", file, "-c", " 6"}, "--chapters 的值  6 不是正整数"},
        {{"split", file, "-c", "2147483648"}, "--chapters 的值 2147483648 太大，请给出 1 到 2147483647 之间的整数。"},
        {{"epub", file, "--language", "not a tag"}, "--language 的值 not a tag 不是合格式的语言标记"},
        {{"epub", file, "--language", "zh_CN"}, "--language 的值 zh_CN 不是合格式的语言标记"},
        {{"split", file, "--paragraphs", "wrap"},
         "--paragraphs 的值 wrap 不在可选之列，可选的有：auto、blank、indent、line、unwrap。"},
    };
    for (const auto& [args, said] : cases) {
        SCOPED_TRACE(args.empty() ? "(no arguments)" : args.back());
        expectRefused(runCli(args, {cwd.path()}), "pagewright-cli: " + said, 2);
    }
    EXPECT_EQ(folderFiles(cwd.path()).size(), 1u);
    // Leading zeros still make a whole number.
    EXPECT_EQ(runCli({"split", file, "-c", "010", "-q"}, {cwd.path()}).status, 0);
}

// -q: nothing on success but what was asked for (the list of a scan); a refusal still speaks.
TEST(CliUsage, QuietSaysNothingOnSuccess) {
    ScratchDir cwd;
    const std::string file = (cwd / "a.txt").string();
    const Novel novel = writeNovel(file, kTenChapters);
    const CliRun scan = runCli({"scan", file, "-q"}, {cwd.path()});
    EXPECT_EQ(scan.status, 0);
    EXPECT_EQ(scan.err, "");
    EXPECT_EQ(std::count(scan.out.begin(), scan.out.end(), '\n'), 10) << scan.out;
    EXPECT_EQ(scan.out.find("分析完毕"), std::string::npos);
    const CliRun split = runCli({"split", file, "-q", "-o", "out", "--create-dir"}, {cwd.path()});
    EXPECT_EQ(split.status, 0);
    EXPECT_EQ(split.out + split.err, "");
    EXPECT_FALSE(folderFiles(cwd / "out").empty());
    expectRefused(runCli({"split", file, "-q", "-o", "out"}, {cwd.path()}), "输出文件已存在");
}

TEST(CliUsage, ProgressBarOnlyOnATerminal) {
    ScratchDir dir, in;
    writeNovel(in / "hui.txt", kHuiNovel);
    const std::string novel = (in / "hui.txt").string();
    // Its flagged headings left out: a run that keeps them says so on stderr.
    std::vector<std::string> split = {"split",      novel,       "-p", "第(.){1,10}回", "-o", dir.path().string(),
                                      "--existing", "overwrite", "--exclude-suspects"};
    EXPECT_EQ(runCli(split, {}).err, ""); // not a terminal: nothing, without -q too
    const CliRun bar = runCli(split, {.stderrTerminal = true});
    EXPECT_NE(bar.err.find("\r["), std::string::npos);
    EXPECT_NE(bar.err.find("%"), std::string::npos);
    EXPECT_EQ(bar.err.back(), '\r'); // wiped at the end
    split.push_back("-q");
    EXPECT_EQ(runCli(split, {.stderrTerminal = true}).err, "");

    // With both streams on one terminal, what the terminal shows of each line (the text after
    // its last carriage return) is exactly the piped output: the bar is wiped before a heading
    // is printed, not left in front of it.
    const std::vector<std::string> scan = {"scan", novel, "-p", "第(.){1,10}回"};
    const CliRun shared = runCli(scan, {.stderrTerminal = true, .stdoutTerminal = true});
    EXPECT_NE(shared.err.find("%"), std::string::npos);
    std::string shown;
    for (std::size_t at = 0; at < shared.err.size();) {
        const std::size_t end = std::min(shared.err.find("\r\n", at), shared.err.size());
        const std::string line = shared.err.substr(at, end - at);
        const std::size_t cr = line.rfind('\r');
        if (cr + 1 < line.size()) shown += line.substr(cr == std::string::npos ? 0 : cr + 1) + "\n";
        at = end + 2;
    }
    EXPECT_TRUE(shown == runCli(scan, {}).out) << "differs from the piped output";
}

// No line the command line prints for a message of the core ends in a question, or in the
// window's bare exclamation: each says what happened and what to do. Only the question whether
// to replace a file follows --existing, however another one reads.
TEST(CliUsage, EveryQuestionAndRefusalOfTheSplitIsAStatement) {
    pw::cli::CliOptions overwrite;
    overwrite.existing = pw::cli::Existing::Overwrite;
    EXPECT_EQ(ask(overwrite, {MsgId::OutputExists, u"/out/a.txt已存在，删除？", u"/out/a.txt"}).first, MsgAnswer::Yes);
    EXPECT_EQ(ask(overwrite, {MsgId::SizeChanged, u"/out/a.txt已存在，删除？"}).first, MsgAnswer::Cancel);
    for (const MsgId id : {MsgId::NotAnalyzed, MsgId::NoHeadings, MsgId::NotCurrentFile, MsgId::SizeChanged,
                           MsgId::AllExcluded, MsgId::OutputIsInput, MsgId::OutputExists, MsgId::OutputBusy,
                           MsgId::OutputIsLink, MsgId::OutputAppeared, MsgId::InputShrank, MsgId::NoInputFile,
                           MsgId::NoOutDir, MsgId::BadOutName, MsgId::NameNumberTooBig, MsgId::CountOutOfRange}) {
        const std::string line = ask({}, {id, u"窗口的问题？", u"/out/小说01.txt"}).second;
        SCOPED_TRACE(line);
        EXPECT_EQ(line.find("窗口的问题"), std::string::npos); // worded by its id
        EXPECT_EQ(line.find("？"), std::string::npos);
        EXPECT_EQ(line.find("！"), std::string::npos);
        EXPECT_NE(line.find("。\n"), std::string::npos);
        const bool namesPath = id == MsgId::OutputIsInput || id == MsgId::OutputExists || id == MsgId::OutputBusy ||
                               id == MsgId::OutputIsLink || id == MsgId::OutputAppeared;
        EXPECT_EQ(line.find("/out/小说01.txt") != std::string::npos, namesPath);
    }
}
