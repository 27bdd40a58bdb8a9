#include "cli/help_format.h"

#include "cli/cli_texts.h"

namespace pw::cli {

namespace {

// The inputs are FILE to the parser (and to its error texts, which usageErrorText reads).
constexpr char kInputsName[] = "文件";

} // namespace

ChineseHelp::ChineseHelp() {
    label("Usage", "用法");
    label("OPTIONS", "选项");
    label("SUBCOMMAND", "命令");
    label("Positionals", "参数");
    label("Options", "选项");
    label("REQUIRED", "必需");
    column_width(30);
}

std::string ChineseHelp::make_usage(const CLI::App* app, std::string name) const {
    std::string usage = get_label("Usage") + "：" + name;
    if (!app->get_options([](const CLI::Option* o) { return o->nonpositional(); }).empty())
        usage += " [" + get_label("OPTIONS") + "]";
    for (const CLI::Option* o : app->get_options([](const CLI::Option* p) { return p->get_positional(); }))
        usage += " " + make_option_usage(o);
    if (!app->get_subcommands({}).empty()) usage += " " + get_label("SUBCOMMAND");
    return usage + "\n";
}

std::string ChineseHelp::make_group(std::string group, bool isPositional, std::vector<const CLI::Option*> opts) const {
    std::string out = "\n" + get_label(group) + "：\n";
    for (const CLI::Option* o : opts)
        out += make_option(o, isPositional);
    return out;
}

std::string ChineseHelp::make_subcommands(const CLI::App* app, CLI::AppFormatMode) const {
    const std::vector<const CLI::App*> subs = app->get_subcommands({});
    if (subs.empty()) return {};
    std::string out = "\n" + get_label("SUBCOMMAND") + "：\n";
    for (const CLI::App* sub : subs)
        out += make_subcommand(sub);
    return out;
}

std::string ChineseHelp::make_subcommand(const CLI::App* sub) const {
    return row("  " + sub->get_name(), sub->get_description());
}

std::string ChineseHelp::make_option(const CLI::Option* opt, bool isPositional) const {
    return row("  " + make_option_name(opt, isPositional) + make_option_opts(opt), make_option_desc(opt));
}

std::string ChineseHelp::make_option_name(const CLI::Option* opt, bool isPositional) const {
    if (isPositional) return kInputsName;
    return opt->get_name(false, true);
}

std::string ChineseHelp::make_option_opts(const CLI::Option* opt) const {
    std::string out;
    if (opt->get_type_size() != 0) {
        // The words a choice takes, as {a,b,c}, where the bash completion finds them; else
        // what the value is.
        const std::string type = opt->get_type_name();
        const std::size_t open = type.find('{');
        if (open != std::string::npos)
            out += " " + type.substr(open, type.find('}', open) - open + 1);
        else if (!type.empty())
            out += " <" + type.substr(0, type.find(':')) + ">";
        if (opt->get_expected_max() == CLI::detail::expected_max_vector_size) out += "...";
        if (opt->get_required()) out += "（" + get_label("REQUIRED") + "）";
    }
    return out;
}

std::string ChineseHelp::make_option_desc(const CLI::Option* opt) const {
    std::string desc = opt->get_description();
    for (const CLI::Option* other : opt->get_excludes())
        desc += "（不能与 " + other->get_name() + " 同用）";
    return desc;
}

std::string ChineseHelp::make_option_usage(const CLI::Option* opt) const {
    std::string usage = make_option_name(opt, true);
    if (opt->get_expected_max() >= CLI::detail::expected_max_vector_size) usage += "...";
    return opt->get_required() ? usage : "[" + usage + "]";
}

std::string ChineseHelp::row(const std::string& left, const std::string& text) const {
    const std::size_t width = terminalColumns(left);
    std::string out = left;
    const std::string indent(column_width_, ' ');
    if (text.empty()) return out + "\n";
    if (width >= column_width_)
        out += "\n" + indent;
    else
        out += std::string(column_width_ - width, ' ');
    for (const char c : text) {
        out += c;
        if (c == '\n') out += indent;
    }
    return out + "\n";
}

} // namespace pw::cli
