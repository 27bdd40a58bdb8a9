// The two feeds of the split held against each other on any bytes: the scan first and the
// one read must leave the same files, with the same outcome. A control byte (chapters per
// file, blank lines, output encoding), a byte of excluded rows, a read size byte, then the
// novel. Headings are lines that start with 第 or #.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "fuzz_input.h"
#include "options/settings.h"
#include "platform/paths.h"
#include "output/split_run.h"
#include "formats/text/text_files.h"

namespace fs = std::filesystem;

namespace {

using QuietUi = pwfuzz::NoUi;

struct NoHeadings : pw::ScanReceiver {
    void heading(const pw::HeadingFound&) override {}
};

std::map<std::string, std::string> contents(const fs::path& dir) {
    std::map<std::string, std::string> all;
    for (const auto& e : fs::directory_iterator(dir)) {
        std::ifstream f(e.path(), std::ios::binary);
        all[e.path().filename().string()] =
            std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    }
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pwfuzz::FuzzInput in(data, size);
    const std::uint8_t control = in.byte(), rows = in.byte(), capacity = in.byte();
    const std::string_view novel = in.rest();

    char pattern[] = "/tmp/pagewright-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) return 0;
    const fs::path dir = pattern, input = dir / "novel.txt";
    std::ofstream(input, std::ios::binary).write(novel.data(), static_cast<std::streamsize>(novel.size()));
    std::vector<std::int64_t> excluded;
    for (int i = 0; i < 8; ++i)
        if (rows >> i & 1) excluded.push_back(i);
    const pw::RowRanges ex = pw::RowRanges::ofRows(excluded);
    pw::ScanOptions so;
    so.readCapacity = 1 + capacity;

    std::map<std::string, std::string> files[2];
    pw::SplitEnd ends[2];
    std::int64_t counts[2];
    for (int feed = 0; feed < 2; ++feed) {
        const fs::path out = dir / (feed == 0 ? "scan-first" : "one-read");
        fs::create_directory(out);
        pw::WorkingState st;
        st.strInFile = pw::fromPath(input);
        st.strFindStr = u"^(第|#)";
        st.strOutDir = pw::fromPath(out);
        st.strOutName = pw::kDefaultOutName;
        st.lngStartNum = 1;
        st.lngNumWidth = 2;
        st.lngChapsPerFile = 1 + control % 4;
        st.blnDeleteSpc = control & 4;
        st.outputEncoding = control & 8 ? pw::OutputEncoding::Utf8 : pw::OutputEncoding::Keep;
        QuietUi ui;
        NoHeadings none;
        pw::SplitReceiver receiver;
        pw::SplitResult r;
        if (feed == 0) {
            const pw::ScanResult scan = pw::runScan(st, ui, none, so);
            if (scan.outcome == pw::ScanOutcome::Finished && pw::precheckSplit(st, st.lngMatchCount, ui))
                r = pw::runSplit(st, pw::analysedInput(st, scan.encoding), ex, pw::TextFiles(st), ui, receiver,
                                 so.readCapacity);
        } else {
            r = pw::runOneReadSplit(st, ex, pw::TextFiles(st), ui, none, receiver, so).split;
        }
        ends[feed] = r.end;
        counts[feed] = r.files;
        files[feed] = contents(out);
    }
    fs::remove_all(dir);
    PW_FUZZ_CHECK(ends[0] == ends[1]);
    PW_FUZZ_CHECK(counts[0] == counts[1]);
    PW_FUZZ_CHECK(files[0] == files[1]);
    return 0;
}
