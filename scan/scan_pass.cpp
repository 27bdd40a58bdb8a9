// The heading scan pass.
#include "scan/scan_pass.h"

#include <variant>

#include "platform/paths.h"
#include "scan/analysis_behind.h"
#include "scan/prefilter.h"

namespace pw {

namespace {

// What the scan says to the user, in one place.
constexpr char16_t kMissingStatus[] = u"输入文件不存在，无法分析！";
constexpr char16_t kNotRegularStatus[] = u"输入的不是普通文件，无法分析！";
constexpr char16_t kScanning[] = u"正在分析文件...";
constexpr char16_t kBadPatternStatus[] = u"查找条件有误，无法分析！";
constexpr char16_t kCannotReadStatus[] = u"文件无法读取，无法分析！";
constexpr char16_t kAbortedStatus[] = u"分析已中止！";

Text badPatternText(const RegexError& e) {
    return u"查找条件有误：" + e.message + u"（位置 " + decimal(static_cast<std::int64_t>(e.offset)) + u"）";
}
Text openFailedText(const FileError& e) {
    return failureText(u"打开文件失败：", e);
}
Text oddByteText(TextView path, const EncodingTraits& t) {
    return u"文件末尾多出一个字节，凑不成完整的 " + fromUtf8(t.name) + u" 字符：" + Text(path) +
           u"（该字节算作最后一行的内容，输出时原样保留）";
}
Text utf32Text(TextView path) {
    return u"输入文件是 UTF-32 编码，本程序不能读取：" + Text(path) + u"。请先把它转换为 UTF-8 或 UTF-16 再分析。";
}
Text runawayText(std::int64_t line) {
    return u"查找条件过于复杂，第 " + decimal(line) + u" 行的匹配超出限度，分析已中止！";
}
Text slowPatternText(TextView pattern) {
    return u"查找条件过于复杂，用时过长（超过 " + decimal(Regex::kTimeBudgetNs / 1'000'000'000) + u" 秒），分析已中止：" +
           Text(pattern);
}
Text longLineText(std::int64_t line, std::size_t maxBytes) {
    return u"第 " + decimal(line) + u" 行超过 " + decimal(static_cast<std::int64_t>(maxBytes >> 20)) +
           u" MB，这不像是文本文件，分析已中止！";
}
Text engineFailedText(std::int64_t line, const Text& why) {
    return u"第 " + decimal(line) + u" 行匹配失败：" + why + u"，分析已中止！";
}

// Hands each turn of the event loop to the receiver first, so that what it batches shows.
class FlushingPort : public UiPort {
public:
    FlushingPort(UiPort& inner, ScanReceiver& receiver) : m_inner(inner), m_receiver(receiver) {}
    MsgAnswer messageBox(const Message& msg) override { return m_inner.messageBox(msg); }
    void setStatus(TextView text) override { m_inner.setStatus(text); }
    void setProgress(int percent) override { m_inner.setProgress(percent); }
    void pumpEvents() override {
        m_receiver.flush();
        m_inner.pumpEvents();
    }
    bool stopRequested() const override { return m_inner.stopRequested(); }

private:
    UiPort& m_inner;
    ScanReceiver& m_receiver;
};

// The first bytes, enough to decide the encoding; false on a read error.
bool readHead(InputFile& in, std::string& head) {
    head.resize(kEncodingSample + 1);
    std::size_t got = 0;
    while (got < head.size()) {
        const auto n = in.read(head.data() + got, head.size() - got);
        if (!n) return false;
        if (*n == 0) break;
        got += *n;
    }
    head.resize(got);
    return true;
}

Prefilter makePrefilter(const Regex& re, Decoder& decoder, std::size_t unitWidth) {
    std::vector<std::string> needles;
    for (char16_t c : re.requiredLiterals()) {
        // A line never holds a line end; and a needle that does not come back as itself from
        // its own bytes could miss a line. Leaving a needle out only adds candidates.
        if (c == u'\n' || c == u'\r') continue;
        std::string bytes = decoder.encode(c);
        if (bytes.empty() || decoder.decode(bytes) != Text(1, c)) continue;
        needles.push_back(std::move(bytes));
    }
    return Prefilter(std::move(needles), unitWidth);
}

class Pass {
public:
    Pass(WorkingState& state, UiPort& ui, ScanReceiver& receiver, Regex& re, Encoding enc, std::size_t bomLength)
        : m_state(state), m_ui(ui), m_port(ui, receiver), m_throttle(m_port), m_receiver(receiver), m_re(re),
          m_traits(traitsOf(enc)), m_decoder(enc), m_bomLength(bomLength) {}

    void begin(LineReader& reader, bool usePrefilter, bool analyse) {
        m_reader = &reader;
        m_analyse = analyse;
        m_filter = usePrefilter ? makePrefilter(m_re, m_decoder, m_traits.unitWidth) : Prefilter();
    }

    // Tests the candidate lines of one block; false when the scan stops.
    bool block(const LineBlock& block) {
        if (!m_learned) m_filter.learn(block.bytes);
        m_learned = true;
        const std::string_view b = block.bytes;
        std::size_t pos = 0; // always a line start
        for (std::size_t hit; (hit = m_filter.find(b, pos)) != std::string_view::npos;) {
            const std::size_t start = findLineStart(b, pos, hit, m_traits);
            m_lines += countLineEnds(b.substr(pos, start - pos), m_traits) + 1;
            const LineEnd end = findLineEnd(b, hit, m_traits);
            const std::string_view line = b.substr(start, end.end - start);
            pos = end.end + end.termLen;
            if (!m_filter.accepts(line)) continue;
            if (turn()) return false;
            if (!test(line, block.offset + static_cast<std::int64_t>(start))) return false;
        }
        m_lines += countLines(b.substr(pos), m_traits);
        return !turn();
    }

    // After the reader's last block: whether it ended at the end of the file.
    bool readToEnd() {
        if (m_reader->stoppedAtLongLine()) {
            // Every line before it has been counted: the long one is the next.
            m_ui.messageBox({MsgId::LineTooLong, longLineText(m_lines + 1, LineReader::kMaxLineBytes)});
            return false;
        }
        if (m_reader->error()) {
            m_ui.messageBox({MsgId::ReadFailed, failureText(kReadFailedText, *m_reader->error())});
            return false;
        }
        return true;
    }

    // A turn of the event loop when the user wants one; true when the window is closing.
    bool turn() {
        if (!m_state.blnDoEvents) return m_ui.stopRequested();
        m_receiver.progress(m_reader->consumed());
        return m_throttle.tick();
    }

    std::int64_t lines() const { return m_lines; }
    HeadingAnalysis finishAnalysis(std::int64_t fileSize) { return m_analyzer.finish(fileSize, m_lines); }

private:
    // Decodes and tests one candidate line (line number m_lines); false stops the scan.
    bool test(std::string_view bytes, std::int64_t offset) {
        if (offset == 0) bytes.remove_prefix(std::min(m_bomLength, bytes.size()));
        m_decoder.decode(bytes, m_text);
        switch (m_re.test(m_text)) {
        case MatchResult::NoMatch:
            return true;
        case MatchResult::Match:
            ++m_state.lngMatchCount;
            m_state.lngMatchLines.push_back(m_lines);
            m_receiver.heading({m_state.lngMatchCount, m_lines, offset, m_text});
            if (m_analyse) m_analyzer.add(m_text, m_re.matchStart(), m_lines, offset);
            return true;
        case MatchResult::LimitHit:
            m_ui.messageBox(
                {MsgId::PatternRunaway, m_re.outOfTime() ? slowPatternText(m_state.strFindStr) : runawayText(m_lines)});
            return false;
        case MatchResult::Failed:
            m_ui.messageBox({MsgId::MatchFailed, engineFailedText(m_lines, m_re.lastError())});
            return false;
        }
        return false;
    }

    WorkingState& m_state;
    UiPort& m_ui;
    FlushingPort m_port;
    EventThrottle m_throttle;
    ScanReceiver& m_receiver;
    Regex& m_re;
    const EncodingTraits& m_traits;
    Decoder m_decoder;
    std::size_t m_bomLength;
    std::int64_t m_lines = 0;
    Text m_text;
    LineReader* m_reader = nullptr;
    Prefilter m_filter;
    bool m_learned = false;
    AnalysisBehind m_analyzer;
    bool m_analyse = true;
};

void refuse(UiPort& ui, Message box, TextView status) {
    ui.messageBox(box);
    ui.setStatus(status);
}

} // namespace

struct ScanFeed::Impl {
    Impl(WorkingState& state, UiPort& port, ScanReceiver& rec, Regex&& regex, InputFile& input, const EncodingGuess& g,
         std::size_t readCapacity)
        : st(state), ui(port), receiver(rec), re(std::move(regex)), guess(g),
          reader(input, traitsOf(g.encoding), readCapacity), pass(state, port, rec, re, g.encoding, g.bomLength) {}

    WorkingState& st;
    UiPort& ui;
    ScanReceiver& receiver;
    Regex re;
    EncodingGuess guess;
    LineReader reader;
    Pass pass;
};

Text scanDoneStatus(std::int64_t fileSize, std::int64_t matchCount) {
    return u"分析完毕！文件大小：" + decimal(fileSize / 1024) + u"KB，共 " + decimal(matchCount) + u" 行符合条件";
}

ScanFeed::ScanFeed() = default;
ScanFeed::~ScanFeed() = default;

std::unique_ptr<ScanFeed> ScanFeed::start(WorkingState& state, UiPort& ui, ScanReceiver& receiver,
                                          const ScanOptions& options) {
    // Everything that can refuse comes first, so that a refusal leaves the earlier results whole.
    // A real test of a regular file: a path with wildcards is just a name here.
    if (!isRegularFile(state.strInFile)) {
        if (isNonRegularEntry(state.strInFile))
            refuse(ui, {MsgId::InputNotRegular, kInputNotRegularText, state.strInFile}, kNotRegularStatus);
        else
            refuse(ui, {MsgId::InputMissing, kInputMissingText}, kMissingStatus);
        return nullptr;
    }
    auto compiled = Regex::compile(state.strFindStr, options.matchLimit);
    if (const auto* err = std::get_if<RegexError>(&compiled)) {
        refuse(ui, {MsgId::BadPattern, badPatternText(*err)}, kBadPatternStatus);
        return nullptr;
    }
    std::unique_ptr<ScanFeed> feed(new ScanFeed);
    InputFile& in = feed->m_in;
    if (const auto err = in.open(state.strInFile)) {
        refuse(ui, {MsgId::OpenFailed, openFailedText(*err)}, kCannotReadStatus);
        return nullptr;
    }
    std::string head;
    if (!readHead(in, head)) {
        refuse(ui, {MsgId::ReadFailed, failureText(kReadFailedText, *in.error())}, kCannotReadStatus);
        return nullptr;
    }
    const EncodingGuess guess = options.encoding ? chosenEncoding(head, *options.encoding)
                                                 : detectEncoding(head, head.size() <= kEncodingSample);
    if (guess.utf32) {
        refuse(ui, {MsgId::Utf32, utf32Text(state.strInFile), state.strInFile}, kCannotReadStatus);
        return nullptr;
    }
    // Read again from the start: the line reader wants the file whole.
    if (const auto err = in.open(state.strInFile)) {
        refuse(ui, {MsgId::OpenFailed, openFailedText(*err)}, kCannotReadStatus);
        return nullptr;
    }

    // From here on the earlier results are replaced.
    state.lngMatchCount = 0;
    state.lngMatchLines.assign(1, 1);
    state.lngFileSize = in.size();
    receiver.started(guess.encoding, state.lngFileSize);
    ui.setStatus(kScanning);
    feed->m = std::make_unique<Impl>(state, ui, receiver, std::get<Regex>(std::move(compiled)), in, guess,
                                     options.readCapacity);
    feed->m->pass.begin(feed->m->reader, options.prefilter, options.analysis);
    return feed;
}

LineReader& ScanFeed::reader() {
    return m->reader;
}

Encoding ScanFeed::encoding() const {
    return m->guess.encoding;
}

bool ScanFeed::turn() {
    return !m->pass.turn();
}

bool ScanFeed::scan(const LineBlock& block) {
    return m->pass.block(block);
}

ScanResult ScanFeed::finish(bool complete) {
    WorkingState& state = m->st;
    UiPort& ui = m->ui;
    const EncodingGuess& guess = m->guess;
    m->receiver.flush();
    if (complete) complete = m->pass.readToEnd();
    m_in.close();
    if (!complete) {
        // The earlier results are gone and the table is half-built: the output must not use it.
        state.blnAnalyzed = false;
        ui.setStatus(kAbortedStatus);
        return {ScanOutcome::Aborted, m->pass.lines(), guess.encoding, {}, guess.detected};
    }
    state.lngMatchLines.push_back(m->pass.lines() + 1);
    ui.setStatus(scanDoneStatus(state.lngFileSize, state.lngMatchCount));
    state.blnAnalyzed = true;
    state.strAnalyzedFile = state.strInFile;
    // Nothing is lost: the byte stays in the last line, and the writer copies it.
    const EncodingTraits& traits = traitsOf(guess.encoding);
    if (state.lngFileSize % static_cast<std::int64_t>(traits.unitWidth) != 0)
        ui.messageBox({MsgId::OddTrailingByte, oddByteText(state.strInFile, traits)});
    return {ScanOutcome::Finished, m->pass.lines(), guess.encoding, m->pass.finishAnalysis(state.lngFileSize),
            guess.detected};
}

ScanResult runScan(WorkingState& state, UiPort& ui, ScanReceiver& receiver, const ScanOptions& options) {
    const auto feed = ScanFeed::start(state, ui, receiver, options);
    if (!feed) return {ScanOutcome::Refused, 0, Encoding::Gb18030, {}, true};
    bool going = feed->turn();
    LineBlock block;
    while (going && feed->reader().nextBlock(block))
        going = feed->scan(block);
    return feed->finish(going);
}

} // namespace pw
