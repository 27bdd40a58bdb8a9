// The heading scan on generated novels (and the real ones when given): what was planted and what
// another regex engine finds, the prefilter proven against the plain decode-every-line scan, the
// edge cases of the heading table, and the refusals and stops that must leave the working state sound.
#include <gtest/gtest.h>

#include <regex>
#include <unicode/unistr.h>

#include "options/settings.h"
#include "platform/paths.h"
#include "scan/scan_pass.h"
#include "support/corpus.h"
#include "support/novel.h"
#include "support/scripted_ui.h"

using namespace pw;

namespace {

struct Found {
    std::int64_t number, line, offset;
    Text text;
    bool operator==(const Found&) const = default;
};

class Recorder : public ScanReceiver {
public:
    void started(Encoding e, std::int64_t) override {
        ++starts;
        encoding = e;
        got.clear();
    }
    void heading(const HeadingFound& h) override { got.push_back({h.number, h.line, h.offset, Text(h.text)}); }
    void flush() override { ++flushes; }

    std::vector<Found> got;
    int starts = 0, flushes = 0;
    Encoding encoding = Encoding::Gb18030;
};

using Table = std::vector<std::int64_t>;
using Hit = std::pair<std::int64_t, std::string>;

class Scan : public ::testing::Test {
protected:
    std::filesystem::path write(const std::string& name, std::string_view bytes) {
        const auto p = dir / name;
        pwtest::writeAll(p, bytes);
        return p;
    }
    ScanResult run(const std::filesystem::path& p, TextView pattern = kDefaultPattern, bool prefilter = true,
                   std::size_t capacity = LineReader::kDefaultCapacity) {
        st.strInFile = fromPath(p);
        st.strFindStr = Text(pattern);
        ScanOptions o;
        o.prefilter = prefilter;
        o.readCapacity = capacity;
        return runScan(st, ui, rec, o);
    }

    pwtest::ScratchDir dir;
    WorkingState st;
    pwtest::ScriptedUi ui;
    Recorder rec;

    // Without the prefilter (every line decoded), with it, and with it over many small blocks
    // (lines cut by refills, UTF-16 units cut in two), the scan finds `want` in the file.
    void expectFinds(const std::filesystem::path& p, const Text& pattern, const std::vector<Hit>& want, Encoding enc,
                     std::int64_t lines) {
        const ScanResult first = run(p, pattern, false);
        ASSERT_EQ(first.outcome, ScanOutcome::Finished);
        EXPECT_EQ(found(), want);
        EXPECT_EQ(st.lngMatchCount, static_cast<std::int64_t>(want.size()));
        EXPECT_EQ(std::tuple(first.encoding, st.lngMatchLines.back(), st.lngFileSize),
                  std::tuple(enc, lines + 1, static_cast<std::int64_t>(std::filesystem::file_size(p))));
        const auto table = st.lngMatchLines;
        ASSERT_EQ(run(p, pattern).outcome, ScanOutcome::Finished);
        EXPECT_EQ(std::tuple(found(), st.lngMatchLines), std::tuple(want, table));
        ASSERT_EQ(run(p, pattern, true, 4093).outcome, ScanOutcome::Finished);
        EXPECT_EQ(found(), want);
    }

    // The last scan's findings as (line, text).
    std::vector<Hit> found() const {
        std::vector<Hit> all;
        for (const Found& f : rec.got)
            all.emplace_back(f.line, toUtf8(f.text));
        return all;
    }
};

std::wstring wide(const std::string& utf8) {
    const icu::UnicodeString u = icu::UnicodeString::fromUTF8(utf8);
    std::wstring w(static_cast<std::size_t>(u.countChar32()), L'\0');
    UErrorCode status = U_ZERO_ERROR;
    static_assert(sizeof(wchar_t) == sizeof(UChar32));
    u.toUTF32(reinterpret_cast<UChar32*>(w.data()), static_cast<int32_t>(w.size()), status);
    return w;
}

// The lines (from 1) that the standard library's regex engine finds the pattern in: an engine
// that shares nothing with the scan's.
std::vector<Hit> linesMatching(const std::vector<std::string>& lines, const Text& pattern) {
    const std::wregex re(wide(toUtf8(pattern)), std::regex::ECMAScript | std::regex::icase);
    std::vector<Hit> found;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (std::regex_search(wide(lines[i]), re)) found.emplace_back(static_cast<std::int64_t>(i) + 1, lines[i]);
    return found;
}

// The decoded lines of a whole file: CR LF, LF and CR end them, a UTF-8 byte-order mark is dropped.
std::vector<std::string> decodeLines(std::string_view bytes, Encoding enc) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    Decoder decoder(enc);
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t end = std::min(bytes.find_first_of("\r\n", i), bytes.size());
        lines.push_back(toUtf8(decoder.decode(bytes.substr(i, end - i))));
        i = end + (bytes.substr(end, 2) == "\r\n" ? 2 : 1);
    }
    return lines;
}

// GBK / GB18030 bytes of the characters the tests use.
const std::string kDi = "\xB5\xDA", kZhang = "\xD5\xC2", kYi = "\xD2\xBB", kEr = "\xB6\xFE", kSan = "\xC8\xFD";
const std::string kRiLuo = "\xC8\xD5\xC2\xE4"; // 日落: holds D5 C2, the bytes of 章, across two characters

} // namespace

TEST_F(Scan, GeneratedNovelsGiveTheirTruthAndThePrefilterFindsExactlyWhatDecodingEveryLineFinds) {
    using pwtest::LineEnds;
    using pwtest::NovelEncoding;
    // Every encoding (each detected) and line end; with and without a preamble, 回 novels, more than
    // a hundred chapters, a heading as the last line without a line end.
    std::vector<pwtest::NovelOptions> novels = pwtest::everyShapeOfNovel();
    novels.insert(novels.end(), {
        {.encoding = NovelEncoding::Utf16Le, .lineEnds = LineEnds::Mixed, .seed = 6, .finalLineEnd = false},
        {.encoding = NovelEncoding::Utf16LeBom, .lineEnds = LineEnds::Cr, .seed = 7},
        {.encoding = NovelEncoding::Utf16Be, .lineEnds = LineEnds::Lf, .seed = 8, .chapterWord = U'回'},
        {.encoding = NovelEncoding::Utf16BeBom, .lineEnds = LineEnds::Mixed, .seed = 9, .preamble = false},
        {.encoding = NovelEncoding::Big5, .lineEnds = LineEnds::Mixed, .seed = 10, .finalLineEnd = false},
    });
    // The first two find the planted lines; "^" finds every line, so its texts are the whole decode.
    const Text patterns[] = {u"第(.){1,10}章", u"第(.){1,10}回", u"回$", u"^\u3000*第", u"曰：", u"1\\d", u"^"};
    const char32_t words[] = {U'章', U'回'};
    for (const pwtest::NovelOptions& o : novels) {
        const pwtest::Novel novel = pwtest::makeNovel(o);
        const auto path = write("novel.txt", novel.bytes);
        for (std::size_t i = 0; i < std::size(patterns); ++i) {
            const Text& pattern = patterns[i];
            SCOPED_TRACE("seed " + std::to_string(o.seed) + " " + toUtf8(pattern));
            const std::vector<Hit> want = linesMatching(novel.lines, pattern);
            if (i < 2) {
                std::vector<Hit> planted;
                for (const pwtest::PlantedLine& p : novel.matching(words[i]))
                    planted.push_back({p.line, p.text});
                ASSERT_EQ(want, planted);
            }
            expectFinds(path, pattern, want, pwtest::coreEncoding(o.encoding),
                        static_cast<std::int64_t>(novel.lines.size()));
        }
        EXPECT_TRUE(ui.boxes.empty()) << ui.boxTexts().front();
    }
}

TEST_F(Scan, CorpusCountsAndThePrefilterFindsExactlyWhatDecodingEveryLineFinds) {
    if (pwtest::corpusDir().empty()) GTEST_SKIP() << pwtest::kNoCorpus;
    struct Expect {
        std::string name;
        std::int64_t zhang, hui, lines;
    };
    const Expect expected[] = {
        {"ahq_zhengzhuan_pg25332.txt", 10, 1, 689}, {"duanhong_lingyanji_pg23983.txt", 27, 0, 1741},
        {"hongloumeng_pg24264.txt", 0, 127, 28411}, {"sanguo_pg23950.txt", 0, 120, 21295},
        {"shuihu_pg23863.txt", 0, 74, 16909},       {"xiyouji_pg23962.txt", 0, 100, 27121},
    };
    // The first two patterns give the counts above; all are held against another regex engine.
    const Text patterns[] = {u"第(.){1,10}章", u"第(.){1,10}回", u"回$", u"^\u3000*第", u"曰：", u"1\\d"};
    const std::int64_t Expect::*counts[] = {&Expect::zhang, &Expect::hui};
    for (const auto& [sub, enc] : {std::pair{"utf8", Encoding::Utf8}, std::pair{"gb18030", Encoding::Gb18030}}) {
        for (const Expect& e : expected) {
            const auto path = pwtest::corpusDir() / sub / e.name;
            const std::vector<std::string> lines = decodeLines(pwtest::readAll(path), enc);
            ASSERT_EQ(static_cast<std::int64_t>(lines.size()), e.lines);
            for (std::size_t i = 0; i < std::size(patterns); ++i) {
                const Text& pattern = patterns[i];
                SCOPED_TRACE(std::string(sub) + "/" + e.name + " " + toUtf8(pattern));
                const std::vector<Hit> want = linesMatching(lines, pattern);
                if (i < 2) {
                    EXPECT_EQ(static_cast<std::int64_t>(want.size()), e.*counts[i]);
                }
                expectFinds(path, pattern, want, enc, e.lines);
            }
        }
    }
}

TEST_F(Scan, GbkBytesOfAHeadingAcrossTwoCharactersAreNoHeading) {
    // 第一日落 and 第十日落了 hold the bytes of 第 and 章 but not the character 章.
    const auto p = write("riluo.txt", kDi + kYi + kRiLuo + "\r\n" + kDi + "\xCA\xAE" + kRiLuo + "\xC1\xCB\r\n");
    for (const bool prefilter : {true, false}) { // with it, the lines are candidates the pattern rejects
        ASSERT_EQ(run(p, kDefaultPattern, prefilter).outcome, ScanOutcome::Finished);
        EXPECT_EQ(st.lngMatchLines, (Table{1, 3}));
    }
}

TEST_F(Scan, HeadingTableEdgesAndTheReportedText) {
    // An empty file: no lines, the table {1, 1}, the closing status with two zeros.
    ASSERT_EQ(run(write("empty.txt", "")).outcome, ScanOutcome::Finished);
    EXPECT_EQ(st.lngMatchLines, (Table{1, 1}));
    EXPECT_EQ(ui.statuses, (std::vector<Text>{u"正在分析文件...", u"分析完毕！文件大小：0KB，共 0 行符合条件"}));
    EXPECT_TRUE(ui.boxes.empty());

    // The first line matches; CR alone and LF alone end lines too; the last line has no end.
    const std::string heading1 = kDi + kYi + kZhang, heading2 = kDi + kEr + kZhang, heading3 = kDi + kSan + kZhang;
    run(write("mixed.txt", heading1 + "\r" + heading2 + "\n\n" + heading3 + "\r\n" + "tail"));
    EXPECT_EQ(st.lngMatchLines, (Table{1, 1, 2, 4, 6}));
    ASSERT_EQ(rec.got.size(), 3u);
    EXPECT_EQ((Table{rec.got[0].offset, rec.got[1].offset, rec.got[2].offset}), (Table{0, 7, 15}));
    EXPECT_EQ(rec.got[2], (Found{3, 4, 15, u"第三章"}));
    // A file ending in CR LF has no extra line; the size is shown in whole KB, the remainder dropped.
    run(write("2047.txt", heading1 + std::string(2047 - heading1.size() - 2, 'x') + "\r\n"));
    EXPECT_EQ(st.lngMatchLines, (Table{1, 1, 2}));
    EXPECT_EQ(ui.statuses.back(), u"分析完毕！文件大小：1KB，共 1 行符合条件");

    // The text is reported untrimmed, without a UTF-8 byte-order mark, bad bytes as U+FFFD.
    run(write("indent.txt", "\xA1\xA1" + heading2 + "\x80"));
    EXPECT_EQ(rec.got.at(0).text, u"\u3000第二章\uFFFD");
    run(write("bom.txt", "\xEF\xBB\xBF\xE7\xAC\xAC\xE4\xB8\x80\xE7\xAB\xA0\n\xE7\xAC\xAC\xE4\xBA\x8C\xE7\xAB\xA0"),
        u"^第");
    EXPECT_EQ(rec.encoding, Encoding::Utf8);
    ASSERT_EQ(rec.got.size(), 2u);
    EXPECT_EQ(rec.got[0], (Found{1, 1, 0, u"第一章"}));
    EXPECT_EQ(rec.got[1].offset, 13);
}

TEST_F(Scan, RefusalsLeaveTheEarlierResultsWhole) {
    const auto good = write("good.txt", kDi + kYi + kZhang + "\r\n" + kDi + kEr + kZhang);
    ASSERT_EQ(run(good).outcome, ScanOutcome::Finished);
    EXPECT_TRUE(st.blnAnalyzed);
    EXPECT_EQ(st.strAnalyzedFile, fromPath(good));
    const auto results = [&] {
        return std::tuple(st.lngMatchCount, st.lngMatchLines, st.lngFileSize, st.strAnalyzedFile, st.blnAnalyzed,
                          rec.starts);
    };
    const auto before = results();

    // Missing file, a folder, and a wildcard that would find a file: all "not there".
    write("a1.txt", "x");
    for (const auto& p : {dir / "missing.txt", dir.path(), dir / "a?.txt", dir / "*.txt"}) {
        ui.boxes.clear();
        EXPECT_EQ(run(p).outcome, ScanOutcome::Refused);
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].text, u"输入文件不存在！");
        EXPECT_EQ(ui.boxes[0].style, MsgStyle::Refusal);
        EXPECT_EQ(ui.statuses.back(), u"输入文件不存在，无法分析！");
        EXPECT_EQ(results(), before);
    }

    // A pattern the engine refuses: its message and the position.
    EXPECT_EQ(run(good, u"第(.){1,10}章(").outcome, ScanOutcome::Refused);
    EXPECT_EQ(ui.boxes.back().text.rfind(u"查找条件有误：", 0), 0u);
    EXPECT_NE(ui.boxes.back().text.find(u"（位置 12）"), Text::npos);
    EXPECT_EQ(ui.statuses.back(), u"查找条件有误，无法分析！");
    EXPECT_EQ(results(), before);
}

TEST_F(Scan, RunawayPatternStopsTheScanCleanly) {
    ASSERT_EQ(run(write("ok.txt", "aaa\r\n")).outcome, ScanOutcome::Finished);
    const Text analyzed = st.strAnalyzedFile;
    const auto p = write("runaway.txt", "b\r\naa\r\n" + std::string(40, 'a') + "!\r\naaa\r\n");
    const ScanResult r = run(p, u"(a+)+$");
    EXPECT_EQ(r.outcome, ScanOutcome::Aborted);
    EXPECT_EQ(ui.boxTexts(), std::vector<std::string>{"查找条件过于复杂，第 3 行的匹配超出限度，分析已中止！"});
    EXPECT_EQ(ui.boxes[0].style, MsgStyle::Refusal);
    EXPECT_EQ(ui.statuses.back(), u"分析已中止！");
    // The earlier results are gone, the new table is unfinished: nothing may be cut from it.
    EXPECT_FALSE(st.blnAnalyzed);
    EXPECT_EQ(st.strAnalyzedFile, analyzed);
    EXPECT_EQ(st.lngMatchLines, (Table{1, 2}));
}

TEST_F(Scan, EventsRunNowAndThenAndClosingStopsThePass) {
    std::string text;
    for (int i = 0; i < 100000; ++i)
        text += kDi + kYi + kZhang + "\r\n";
    const auto p = write("big.txt", text);

    st.blnDoEvents = false;
    run(p);
    EXPECT_EQ(ui.pumps, 0);

    st.blnDoEvents = true;
    run(p);
    EXPECT_EQ(st.lngMatchCount, 100000); // far beyond 16 bits
    EXPECT_EQ(st.lngMatchLines.back(), 100001);
    EXPECT_EQ(rec.got.back().number, 100000);
    EXPECT_GE(ui.pumps, 1);           // at once, before the first line
    EXPECT_LT(ui.pumps, 100000 / 10); // not before every line
    EXPECT_GT(rec.flushes, ui.pumps); // the receiver shows its batch before every turn

    // The window closes during a turn: the pass stops, nothing is claimed as analysed.
    ui.onPump = [&] { ui.stop = true; };
    ui.boxes.clear();
    EXPECT_EQ(run(p).outcome, ScanOutcome::Aborted);
    EXPECT_FALSE(st.blnAnalyzed);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_LT(st.lngMatchCount, 100000);
}
