#pragma once
// A novel on disk, its heading table, an output folder and a scripted UI: what every
// split-writer test starts from.
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "options/make_out_name.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "output/split_run.h"
#include "formats/text/text_files.h"
#include "support/corpus.h"
#include "support/heading_table.h"
#include "support/scripted_ui.h"

namespace pwtest {

// Simple inputs mark their headings with "CH" at the start of the line.
inline bool chLine(const pw::Text& l) {
    return l.rfind(u"CH", 0) == 0;
}

// Names a file to copy in as the input (rather than the input's bytes).
struct CopyOf {
    std::filesystem::path source;
};

struct SplitSetup {
    ScratchDir dir;
    std::filesystem::path input = dir / "novel.txt";
    std::filesystem::path out = dir / "out";
    pw::WorkingState st;
    ScriptedUi ui;
    pw::Encoding encoding = pw::Encoding::Gb18030;
    std::vector<std::int64_t> offsets; // of each heading's line, index k for heading k

    explicit SplitSetup(std::string_view bytes, std::int32_t n = 6, const HeadingTest& isHeading = chLine)
        : SplitSetup(CopyOf{}, n, isHeading, bytes) {}
    SplitSetup(const CopyOf& file, std::int32_t n, const HeadingTest& isHeading, std::string_view bytes = {}) {
        if (file.source.empty())
            writeAll(input, bytes);
        else
            std::filesystem::copy_file(file.source, input);
        std::filesystem::create_directories(out);
        offsets = headingTable(st, input, isHeading, &encoding);
        st.strOutDir = pw::fromPath(out);
        st.strOutName = u"小说";
        st.lngStartNum = 1;
        st.lngNumWidth = 2;
        st.lngChapsPerFile = n;
        st.blnDeleteSpc = false;
    }

    pw::SplitResult run(const std::vector<std::int64_t>& excluded = {},
                        std::size_t capacity = pw::LineReader::kDefaultCapacity) {
        pw::SplitReceiver none;
        return run(excluded, none, capacity);
    }
    pw::SplitResult run(const std::vector<std::int64_t>& excluded, pw::SplitReceiver& receiver,
                        std::size_t capacity = pw::LineReader::kDefaultCapacity) {
        lastExcluded = excluded;
        return pw::runSplit(st, pw::analysedInput(st, encoding), pw::RowRanges::ofRows(excluded), pw::TextFiles(st), ui,
                            receiver, capacity);
    }

    // The kept table of the last run, and the files it planned.
    pw::KeptTable kept() const { return pw::buildKeptTable(st.lngMatchLines, pw::RowRanges::ofRows(lastExcluded)); }
    std::vector<std::int64_t> plannedIndexes() const { return pw::TextFiles(st).fileIndexes(kept()); }
    std::vector<std::int64_t> lastExcluded;

    std::filesystem::path pathOf(std::int64_t index) { return pw::toPath(pw::MakeOutName(st, index, false)); }
    std::string file(std::int64_t index) { return outputs().try_emplace(index, "<missing>").first->second; }

    // Every file in the output folder by its index ("(index)" is 0), so a stray file shows.
    std::map<std::int64_t, std::string> outputs() {
        std::map<std::int64_t, std::string> files;
        const std::string base = pw::toUtf8(st.strOutName);
        for (const auto& e : std::filesystem::directory_iterator(out)) {
            const std::string name = pw::toUtf8(pw::fromPath(e.path().filename()));
            std::string number = name.substr(base.size(), name.size() - base.size() - 4);
            files[number == "(index)" ? 0 : std::stoll(number)] = readAll(e.path());
        }
        return files;
    }
    // The output files joined in index order.
    std::string joined() {
        std::string all;
        for (const auto& [k, bytes] : outputs())
            all += bytes;
        return all;
    }
};

// The texts of the boxes shown, then the status left, as UTF-8.
inline std::vector<std::string> boxesAndStatus(const ScriptedUi& ui) {
    std::vector<std::string> all = ui.boxTexts();
    all.push_back(ui.lastStatus());
    return all;
}

// What the joined output must be, worked out without the line reader: every line end
// becomes CR LF (one is added after a last line without one); with `dropBlank`, lines
// whose decoded text is empty after trimming spaces are left out.
inline std::string expectedJoin(std::string_view in, pw::Encoding enc, bool dropBlank) {
    pw::Decoder decoder(enc);
    std::string out;
    std::size_t i = 0;
    while (i < in.size()) {
        std::size_t j = i;
        while (j < in.size() && in[j] != '\r' && in[j] != '\n')
            ++j;
        const std::string_view line = in.substr(i, j - i);
        if (j < in.size()) j += (in[j] == '\r' && j + 1 < in.size() && in[j + 1] == '\n') ? 2 : 1;
        i = j;
        if (dropBlank && pw::trimSpaces(decoder.decode(line)).empty()) continue;
        out.append(line);
        out += "\r\n";
    }
    return out;
}

} // namespace pwtest
