#pragma once
// The help in Chinese throughout: CLI11's own formatter says "Usage", "Options", "REQUIRED",
// "Excludes" and "TEXT", whatever language the descriptions are in.
#include <CLI/CLI.hpp>

namespace pw::cli {

class ChineseHelp : public CLI::Formatter {
public:
    ChineseHelp();
    std::string make_usage(const CLI::App* app, std::string name) const override;
    std::string make_group(std::string group, bool isPositional, std::vector<const CLI::Option*> opts) const override;
    std::string make_subcommands(const CLI::App* app, CLI::AppFormatMode mode) const override;
    std::string make_subcommand(const CLI::App* sub) const override;
    std::string make_option(const CLI::Option* opt, bool isPositional) const override;
    std::string make_option_name(const CLI::Option* opt, bool isPositional) const override;
    std::string make_option_opts(const CLI::Option* opt) const override;
    std::string make_option_desc(const CLI::Option* opt) const override;
    std::string make_option_usage(const CLI::Option* opt) const override;

private:
    // A name, padded to the column of the descriptions by what a terminal shows, then its text.
    std::string row(const std::string& left, const std::string& text) const;
};

} // namespace pw::cli
