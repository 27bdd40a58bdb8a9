// The split pass alone, for timing against cat: `scan` records a heading table once
// (第, one to ten characters, 章 or 回, the default pattern's reach), `split` loads it
// and runs the pass with the shipped options, so only the copy is timed.
//
//   pw-split-bench scan  <input> <table>
//   pw-split-bench split <input> <table> <outdir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "options/settings.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/line_reader.h"
#include "platform/paths.h"
#include "output/split_run.h"
#include "formats/text/text_files.h"

using namespace pw;

namespace {

bool isHeading(const Text& line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != u'第') continue;
        for (std::size_t k = 2; k <= 11 && i + k < line.size(); ++k)
            if (line[i + k] == u'章' || line[i + k] == u'回') return true;
    }
    return false;
}

int scan(const char* inPath, const char* tablePath) {
    InputFile in;
    if (in.open(fromUtf8(inPath))) return std::fprintf(stderr, "cannot open %s\n", inPath), 1;
    std::string head(kEncodingSample, '\0');
    head.resize(in.read(head.data(), head.size()).value_or(0));
    const EncodingGuess guess = detectEncoding(head, static_cast<std::int64_t>(head.size()) == in.size());
    in.open(fromUtf8(inPath));
    Decoder decoder(guess.encoding);
    // Only lines holding the bytes of 第 are decoded: the others cannot match.
    const std::string di = decoder.encode(U'第');
    const EncodingTraits& traits = traitsOf(guess.encoding);
    LineReader reader(in, traits);
    Text text;
    std::int64_t n = 0;
    std::ofstream table(tablePath);
    table << (guess.encoding == Encoding::Utf8 ? "utf8" : "gb18030") << ' ' << in.size() << "\n1\n";
    for (LineBlock block; reader.nextBlock(block);) {
        for (std::size_t pos = 0; pos < block.bytes.size();) {
            const LineEnd end = findLineEnd(block.bytes, pos, traits);
            const std::string_view line = block.bytes.substr(pos, end.end - pos);
            pos = end.end + end.termLen;
            ++n;
            if (line.find(di) == std::string_view::npos) continue;
            decoder.decode(line, text);
            if (isHeading(text)) table << n << '\n';
        }
    }
    table << n + 1 << '\n';
    return table ? 0 : 1;
}

// Answers every question Yes, shows nothing.
class QuietUi : public UiPort {
public:
    MsgAnswer messageBox(const Message& msg) override {
        if (msg.style() == MsgStyle::Refusal) std::fprintf(stderr, "%s\n", toUtf8(msg.text).c_str());
        return msg.style() == MsgStyle::Refusal ? MsgAnswer::Ok : MsgAnswer::Yes;
    }
    void setStatus(TextView text) override { last = text; }
    void setProgress(int) override {}
    void pumpEvents() override {}
    Text last;
};

int split(const char* inPath, const char* tablePath, const char* outDir) {
    WorkingState st;
    if (loadSettings(shippedSettings(), fromUtf8(outDir), st)) return 1;
    st.strOutDir = fromUtf8(outDir);
    // PW_BENCH_KEEP_BLANK=1 times the pass with blank lines kept: whole chapters are then one run.
    if (const char* keep = std::getenv("PW_BENCH_KEEP_BLANK"); keep && std::strcmp(keep, "1") == 0)
        st.blnDeleteSpc = false;
    std::ifstream table(tablePath);
    std::string enc;
    table >> enc >> st.lngFileSize;
    const Encoding encoding = enc == "utf8" ? Encoding::Utf8 : Encoding::Gb18030;
    for (std::int64_t v; table >> v;)
        st.lngMatchLines.push_back(v);
    st.lngMatchCount = static_cast<std::int64_t>(st.lngMatchLines.size()) - 2;
    st.strInFile = st.strAnalyzedFile = fromUtf8(inPath);
    st.blnAnalyzed = true;
    QuietUi ui;
    if (!precheckSplit(st, st.lngMatchCount, ui)) return 1;
    SplitReceiver none;
    const SplitResult r = runSplit(st, analysedInput(st, encoding), {}, TextFiles(st), ui, none);
    std::fprintf(stderr, "%s\n", toUtf8(ui.last).c_str());
    return r.end == SplitEnd::Done ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "scan") == 0) return scan(argv[2], argv[3]);
    if (argc == 5 && std::strcmp(argv[1], "split") == 0) return split(argv[2], argv[3], argv[4]);
    std::fprintf(stderr, "usage: %s scan <input> <table> | split <input> <table> <outdir>\n", argv[0]);
    return 2;
}
