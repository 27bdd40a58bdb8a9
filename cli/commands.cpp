#include "cli/command.h"

namespace pw::cli {

// Each made in its own cmd_<name>.cpp.
std::unique_ptr<Command> scanCommand();
std::unique_ptr<Command> splitCommand();
std::unique_ptr<Command> epubCommand();
std::unique_ptr<Command> presetsCommand();

const std::vector<std::unique_ptr<Command>>& commands() {
    static const std::vector<std::unique_ptr<Command>> all = [] {
        std::vector<std::unique_ptr<Command>> list;
        list.push_back(scanCommand());
        list.push_back(splitCommand());
        list.push_back(epubCommand());
        list.push_back(presetsCommand());
        return list;
    }();
    return all;
}

} // namespace pw::cli
