#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <sstream>

#include "cli/batch.h"
#include "cli/cli_texts.h"
#include "cli/command.h"
#include "cli/help_format.h"
#include "platform/version.h"

namespace pw::cli {

namespace {

// The name a batch gives an option on to its runs by: the long one, which takes its value
// after "=" whatever the value starts with.
std::string spelledName(const CLI::Option& option) {
    if (!option.get_lnames().empty()) return "--" + option.get_lnames().front();
    return "-" + option.get_snames().front();
}

} // namespace

std::optional<int> parseCommandLine(int argc, const char* const* argv, CliOptions& opts, std::ostream& out,
                                    std::ostream& err) {
    CLI::App app{"书页匠(Pagewright)：按章节标题切割文本文件", "pagewright-cli"};
    // Set before the subcommands are added, which take the formatter from here.
    app.formatter(std::make_shared<ChineseHelp>());
    // Set before the subcommands are added, which take the help flag from here.
    app.set_help_flag("-h,--help", "显示此帮助并退出");
    app.set_version_flag("--version", "pagewright-cli " PAGEWRIGHT_VERSION, "显示版本并退出");
    std::vector<std::string> names;
    for (const auto& command : commands())
        names.push_back(command->name());
    app.failure_message([names](const CLI::App*, const CLI::Error& e) {
        return "pagewright-cli: " + usageErrorText(e.get_name(), e.what(), names) + "\n";
    });
    app.require_subcommand(1, 1);

    // Each command fills options of its own, so that one command's defaults are not another's.
    const auto& all = commands();
    std::vector<CliOptions> filled(all.size());
    std::vector<std::vector<std::pair<const OptionRow*, CLI::Option*>>> added(all.size());
    std::vector<std::vector<OptionRow>> rows(all.size());
    std::vector<CLI::App*> subs;
    for (std::size_t i = 0; i < all.size(); ++i) {
        CLI::App* sub = app.add_subcommand(all[i]->name(), all[i]->about());
        subs.push_back(sub);
        rows[i] = all[i]->options();
        for (const OptionRow& row : rows[i])
            added[i].emplace_back(&row, row.add(*sub, filled[i]));
        for (const OptionRow& row : rows[i])
            if (!row.excludes.empty()) sub->get_option(row.names)->excludes(row.excludes);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end with status 0 and print to `out`; usage errors go to `err`.
        return app.exit(e, out, err) == 0 ? 0 : kExitUsage;
    }
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (!subs[i]->parsed()) continue;
        opts = filled[i];
        opts.command = all[i].get();
        for (const auto& [row, option] : added[i]) {
            if (row->inBatch != InBatch::EachRun || option->count() == 0) continue;
            // Each time it was given, with its value: a flag's, if any ("--vertical=false"), too.
            const bool flag = option->get_expected_max() == 0;
            for (const std::string& value : option->results())
                opts.forwarded.push_back(spelledName(*option) +
                                         (flag && (value.empty() || value == "true") ? "" : "=" + value));
        }
    }
    if (!opts.files.empty()) opts.file = opts.files.front();
    return std::nullopt;
}

int runCommandLine(int argc, const char* const* argv, std::FILE* out, std::FILE* err, bool errIsTerminal,
                   bool outIsTerminal) {
    CliOptions o;
    {
        std::ostringstream helpOut, helpErr;
        const auto rc = parseCommandLine(argc, argv, o, helpOut, helpErr);
        std::fputs(helpOut.str().c_str(), out);
        std::fputs(helpErr.str().c_str(), err);
        if (rc) return *rc;
    }
    if (o.batch()) return runBatch(o, argv[0], out, err, errIsTerminal, outIsTerminal);
    return o.command->run(o, {out, err, errIsTerminal, outIsTerminal});
}

} // namespace pw::cli
