#pragma once
// A command of pagewright-cli: its name, what it does, its options as a table (option_rows.h)
// and its run. Each command is a class of its own in cmd_<name>.cpp and one line of the
// registry in commands.cpp; the parser, the help, the batch and the messages that name the
// commands all read them from there.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/option_rows.h"
#include "formats/epub/book_settings.h"
#include "job/job.h"

namespace pw::cli {

// Where a run says what it has to say.
struct Streams {
    std::FILE* out;
    std::FILE* err;
    bool errIsTerminal;
    bool outIsTerminal;
};

class Command {
public:
    virtual ~Command() = default;
    virtual std::string name() const = 0;
    // The command's line in the help.
    virtual std::string about() const = 0;
    // Its options, in the order the help lists them.
    virtual std::vector<OptionRow> options() const = 0;
    // Whether its run makes a book: one file, which -o names or the folder of, rather than
    // files in the folder -o names. A batch places each novel's run by it.
    virtual bool makesBook() const { return false; }
    // Whether it writes the novel out (text files or a book), not only lists it.
    virtual bool writesNovel() const { return false; }
    // The run of one input (or of none); `o.command` is this command. Returns the exit status.
    virtual int run(const CliOptions& o, const Streams& streams) const = 0;
};

// A command that writes a novel out (split, epub): its options, the format its job makes and,
// for a book, the book its options ask for; the run itself is the same for every such command.
class NovelCommand : public Command {
public:
    int run(const CliOptions& o, const Streams& streams) const final;
    virtual JobFormat format() const = 0;
    bool makesBook() const final { return format() == JobFormat::Book; }
    bool writesNovel() const final { return true; }
    virtual std::optional<BookRequest> book(const CliOptions& /*o*/, const Text& /*cwd*/) const { return std::nullopt; }
};

// Every command, in the order the help lists them.
const std::vector<std::unique_ptr<Command>>& commands();

} // namespace pw::cli
