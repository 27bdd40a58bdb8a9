// The command table: every option that a command gives on to a batch's runs reaches each run
// as it would reach the novel's single run. Built from the table itself, so an option added
// to it is checked without a line here.
#include <CLI/CLI.hpp>
#include <gtest/gtest.h>
#include <sstream>

#include "cli/batch.h"
#include "cli/command.h"
#include "platform/paths.h"
#include "support/corpus.h"

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
    values.insert(values.end(), {"3", "第.回", "小说"});
    return values;
}

} // namespace

TEST(CliCommands, EveryOptionGivenOnToABatchReachesEachRunAsItsSingleRun) {
    pwtest::ScratchDir dir;
    int checked = 0;
    for (const auto& command : commands()) {
        if (command->output() == Output::Listing) continue; // no batch
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
            const pw::Text place = batchPlace(all, "a.txt", pw::fromPath(dir.path()), pw::fromPath(dir.path()));
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
