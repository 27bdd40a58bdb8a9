// The command table: every option that a command gives on to a batch's runs reaches each run
// as it would reach the novel's single run, and what the commands say names only what they
// take. Built from the table itself, so an option or a command added to it is checked without
// a line here.
#include <CLI/CLI.hpp>
#include <sstream>

#include "cli/batch.h"
#include "cli/cli_texts.h"
#include "cli/command.h"
#include "cli/command_line.h"
#include "cli_run.h"

using namespace pw::cli;

namespace {

std::optional<CliOptions> parsed(std::vector<std::string> args) {
    args.insert(args.begin(), "pagewright-cli");
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    CliOptions o;
    std::ostringstream out, err;
    if (parseCommandLine(static_cast<int>(argv.size()), argv.data(), o, out, err)) return std::nullopt;
    return o;
}

// The words an option's help offers ("{a,b,c}"), then values that the text options take.
std::vector<std::string> candidates(const CLI::Option& option) {
    std::vector<std::string> values;
    const std::string type = option.get_type_name();
    if (const auto open = type.find('{'); open != std::string::npos) {
        std::stringstream words(type.substr(open + 1, type.find('}') - open - 1));
        for (std::string w; std::getline(words, w, ',');)
            values.push_back(w);
    }
    values.insert(values.end(), {"3", "第.回", "小说", "zh-TW"});
    return values;
}

} // namespace

TEST(CliCommands, EveryOptionGivenOnToABatchReachesEachRunAsItsSingleRun) {
    pwtest::ScratchDir dir;
    int checked = 0;
    for (const auto& command : commands()) {
        if (!dynamic_cast<const NovelCommand*>(command.get())) continue; // no batch
        const std::string name = command->name();
        const CliOptions plain = *parsed({name, "a.txt"});
        for (const OptionRow& row : command->options()) {
            if (row.inBatch != InBatch::EachRun) continue;
            SCOPED_TRACE(name + " " + row.names);
            CLI::App probe;
            CliOptions scratch;
            const CLI::Option* option = row.add(probe, scratch);
            const std::string spelled = "--" + option->get_lnames().front();
            // A value the option takes and that changes the run, so that a lost option shows.
            std::vector<std::string> given;
            if (option->get_expected_max() == 0) {
                given = {spelled};
            } else {
                for (const std::string& value : candidates(*option)) {
                    const auto o = parsed({name, spelled, value, "a.txt"});
                    if (o && !(*o == plain)) {
                        given = {spelled, value};
                        break;
                    }
                }
            }
            ASSERT_FALSE(given.empty()) << "no value found that the option takes";
            std::vector<std::string> single{name}, batch{name, "-o", dir.path().string()};
            single.insert(single.end(), given.begin(), given.end());
            batch.insert(batch.end(), given.begin(), given.end());
            single.push_back("a.txt");
            batch.insert(batch.end(), {"a.txt", "b.txt"});
            const CliOptions alone = *parsed(single);
            ASSERT_FALSE(alone == plain);
            const CliOptions all = *parsed(batch);
            ASSERT_TRUE(all.batch());
            const pw::Text place = batchPlace(all, "a.txt", pw::fromPath(dir.path()));
            std::vector<std::string> runArgs = singleRunArguments(all, "a.txt", place);
            const auto run = parsed(runArgs);
            ASSERT_TRUE(run);
            // The run differs from the single run only where the batch places it and hears from it.
            CliOptions asAlone = *run;
            asAlone.out = alone.out;
            asAlone.createDir = alone.createDir;
            asAlone.json = alone.json;
            EXPECT_TRUE(asAlone == alone) << "the run is given: " << ::testing::PrintToString(runArgs);
            ++checked;
        }
    }
    EXPECT_GT(checked, 10);
}

// An existing output: the advice names only the words its command's --existing takes.
TEST(CliCommands, AdviceNamesOnlyWhatTheCommandTakes) {
    for (const auto& command : commands()) {
        if (!dynamic_cast<const NovelCommand*>(command.get())) continue; // writes nothing that could exist
        SCOPED_TRACE(command->name());
        CliOptions o = *parsed({command->name(), "a.txt"});
        const std::string said = cliText({pw::MsgId::OutputExists, {}, u"x"}, o);
        int words = 0;
        for (std::size_t at = said.find("--existing "); at != std::string::npos;
             at = said.find("--existing ", at + 1), ++words) {
            const std::size_t from = at + 11;
            const std::string word =
                said.substr(from, said.find_first_not_of("abcdefghijklmnopqrstuvwxyz", from) - from);
            EXPECT_TRUE(parsed({command->name(), "--existing", word, "a.txt"})) << word;
        }
        EXPECT_GT(words, 0) << said;
    }
}

// --create-dir makes the folders above the output folder too, as mkdir -p does, and names
// them; for a single run and a batch, of files and of books.
TEST(CliCommands, CreateDirMakesTheMissingFoldersAboveAndNamesThem) {
    namespace fs = std::filesystem;
    pwtest::ScratchDir dir;
    const std::string a = (dir / "a.txt").string(), b = (dir / "b.txt").string();
    pwtest::writeNovel(a, pwtest::kTenChapters);
    pwtest::writeNovel(b, pwtest::kTenChapters);
    const auto at = [&dir](const char* top, const char* rest) { return std::pair(dir / top, dir / top / rest); };
    const std::tuple<std::vector<std::string>, std::pair<fs::path, fs::path>, std::string> cases[] = {
        {{"split", a}, at("s", "1/2"), ""},
        {{"split", a, b}, at("t", "1"), ""},
        {{"epub", a}, at("e", "1"), "/书.epub"},
        {{"epub", a, b}, at("f", "1/2"), ""},
    };
    for (auto [args, folders, book] : cases) {
        const auto& [top, made] = folders;
        SCOPED_TRACE(made.string());
        args.insert(args.end(), {"-o", made.string() + book, "--create-dir"});
        const pwtest::CliRun r = pwtest::runCli(args, {dir.path()});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_FALSE(fs::is_empty(made));
        EXPECT_NE(r.err.find("pagewright-cli: 已创建目录：" + top.string() + "、"), std::string::npos) << r.err;
    }
}

// The help is Chinese throughout, for the program and for each command, and lists every option
// of the command's table; a missing command is told with every command's name.
TEST(CliCommands, HelpSpeaksChineseAndListsEveryCommandAndOption) {
    const auto help = [](std::vector<std::string> args) {
        args.insert(args.begin(), "pagewright-cli");
        args.push_back("--help");
        std::vector<const char*> argv;
        for (const std::string& a : args)
            argv.push_back(a.c_str());
        CliOptions o;
        std::ostringstream out, err;
        EXPECT_EQ(parseCommandLine(static_cast<int>(argv.size()), argv.data(), o, out, err), 0);
        return out.str();
    };
    const std::string top = help({});
    std::string names;
    for (const auto& command : commands()) {
        const std::string text = help({command->name()});
        for (const char* english : {"Usage", "Options", "OPTIONS", "Positionals", "Subcommand", "SUBCOMMAND",
                                    "REQUIRED", "Excludes", "Needs", "TEXT", "FILE", "CHOICE"}) {
            EXPECT_EQ(text.find(english), std::string::npos) << command->name() << ": " << english;
            EXPECT_EQ(top.find(english), std::string::npos) << english;
        }
        EXPECT_NE(top.find("\n  " + command->name() + " "), std::string::npos) << command->name();
        for (const OptionRow& row : command->options()) {
            const std::string longName = row.names.substr(row.names.find_last_of(',') + 1);
            if (longName != "FILE") {
                EXPECT_NE(text.find(longName), std::string::npos) << longName;
            }
        }
        names += (names.empty() ? "" : "、") + command->name();
    }
    const pwtest::CliRun none = pwtest::runCli({}, {});
    EXPECT_EQ(none.status, 2);
    const std::string last = names.substr(names.rfind("、"));
    EXPECT_NE(none.err.find(names.substr(0, names.rfind("、")) + " 或 " + last.substr(3)), std::string::npos)
        << none.err;
}
