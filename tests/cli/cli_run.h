#pragma once
// Runs the built pagewright-cli as a user would, and the same job on the core in-process
// as the window runs it, so the tests can hold the two side by side.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/encoding.h"

namespace pwtest {

struct CliRun {
    int status = -1; // exit status, or 128 + signal
    std::string out, err;
};

struct SpawnOptions {
    std::filesystem::path cwd{};
    long fileSizeLimit = 0;      // RLIMIT_FSIZE in bytes for the child, 0 for none
    bool stderrTerminal = false; // stderr on a pseudo-terminal instead of a pipe
    bool stdoutTerminal = false; // with stderrTerminal: stdout on the same terminal, as in a shell
};

// Runs the program with `args` (no shell in between) and collects both streams.
CliRun runCli(const std::vector<std::string>& args, const SpawnOptions& o);

// One job, given the way both front ends take it.
struct Job {
    std::filesystem::path file{};
    std::optional<std::string> pattern{}, name{}, chapters{};
    bool keepBlankLines = false;
    std::vector<int> excluded{}; // heading numbers k, as the scan prints "[k]"
    std::optional<pw::Encoding> encoding{};

    std::vector<std::string> args(const std::string& command) const;
};

struct Heading {
    std::int64_t number, line, offset;
    std::string text;
    bool operator==(const Heading&) const = default;
};

struct CoreScan {
    std::vector<Heading> headings;
    std::string status;
    std::int64_t lines = 0;
    pw::Encoding encoding = pw::Encoding::Gb18030;
};

// What the window's scan finds for `job`.
CoreScan coreScan(const Job& job);
// Runs the window's scan and split for `job` into `outDir`; returns the final status text.
std::string coreSplit(const Job& job, const std::filesystem::path& outDir);

// Every file in a folder by its name, with its bytes.
std::map<std::string, std::string> folderFiles(const std::filesystem::path& dir);

} // namespace pwtest
