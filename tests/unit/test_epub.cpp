// Books made from generated novels: each one is checked by Debian's epubcheck, and its text,
// read back from the archive, is the novel's kept lines in order, its tables of contents the
// kept headings.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>

#include "options/settings.h"
#include "platform/paths.h"
#include "scan/presets.h"
#include "formats/epub/epub_book.h"
#include "output/split_run.h"
#include "formats/epub/epub_package.h"
#include "formats/epub/epub_text.h"
#include "output/run_stages.h"
#include "stages/separators.h"
#include "support/corpus.h"
#include "support/images.h"
#include "support/novel.h"
#include "support/scripted_ui.h"

using namespace pw;
namespace fs = std::filesystem;

namespace {

struct NoHeadings : ScanReceiver {
    void heading(const HeadingFound&) override {}
};

std::string command(const std::string& cmd, int* status = nullptr) {
    std::string out;
    if (FILE* p = popen((cmd + " 2>&1").c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
            out.append(buf, n);
        const int rc = pclose(p);
        if (status) *status = rc;
    }
    return out;
}

std::string entry(const fs::path& book, const std::string& name) {
    return command("unzip -p '" + book.string() + "' '" + name + "'");
}

// Debian's epubcheck: no error, no warning.
void expectValid(const fs::path& book) {
    int status = -1;
    // A deeper stack than Java's own: epubcheck walks the reading order recursively, and a book of
    // ten thousand chapters overflows the default.
    const std::string said =
        command("java -Xss512m -jar /usr/share/java/epubcheck.jar -q '" + book.string() + "'", &status);
    EXPECT_EQ(status, 0) << said;
    EXPECT_EQ(said.find("WARNING"), std::string::npos) << said;
    EXPECT_EQ(said.find("ERROR"), std::string::npos) << said;
}

std::string unescaped(std::string_view in) {
    std::string s;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '<') { // a tag inside the text (<br/>) says nothing of it
            i = in.find('>', i);
            continue;
        }
        if (in[i] == '&') {
            const std::size_t end = in.find(';', i);
            const std::string_view name = in.substr(i + 1, end - i - 1);
            s += name == "lt" ? '<' : name == "gt" ? '>' : '&';
            i = end;
            continue;
        }
        s += in[i];
    }
    return s;
}

// The inner text of each element that starts with one of `opens`, in order.
std::vector<std::string> elements(std::string_view page, std::initializer_list<std::string_view> opens) {
    std::vector<std::string> out;
    for (std::size_t at = 0;;) {
        std::size_t best = std::string_view::npos, len = 0;
        for (const std::string_view o : opens) {
            const std::size_t f = page.find(o, at);
            if (f < best) best = f, len = o.size();
        }
        if (best == std::string_view::npos) return out;
        const std::size_t close = page.find("</", best + len);
        out.push_back(unescaped(page.substr(best + len, close - best - len)));
        at = close;
    }
}

// The text of the pages in reading order: each heading and paragraph, one line each.
std::vector<std::string> bookLines(const fs::path& book) {
    // Unpacked once: an unzip per page would cost a process for each of thousands of pages.
    const fs::path dir = book.string() + ".unpacked";
    fs::remove_all(dir);
    command("unzip -q -o '" + book.string() + "' -d '" + dir.string() + "'");
    const std::string opf = pwtest::readAll(dir / "OEBPS/content.opf");
    std::map<std::string, std::string> hrefs;
    const std::regex item(R"re(<item id="([^"]+)" href="([^"]+)")re");
    for (auto it = std::sregex_iterator(opf.begin(), opf.end(), item); it != std::sregex_iterator(); ++it)
        hrefs[(*it)[1]] = (*it)[2];
    std::vector<std::string> lines;
    const std::regex itemref(R"re(<itemref idref="([^"]+)")re");
    for (auto it = std::sregex_iterator(opf.begin(), opf.end(), itemref); it != std::sregex_iterator(); ++it) {
        if ((*it)[1] == "cover") continue;
        for (std::string& l : elements(pwtest::readAll(dir / "OEBPS" / hrefs.at((*it)[1])), {"<h1>", "<h2>", "<p>"}))
            lines.push_back(std::move(l));
    }
    fs::remove_all(dir);
    return lines;
}

std::vector<std::string> navTitles(const fs::path& book) {
    std::vector<std::string> titles;
    for (const std::string& a : elements(entry(book, "OEBPS/nav.xhtml"), {"<a href="}))
        titles.push_back(a.substr(a.find('>') + 1));
    return titles;
}

// The shape of a table of contents, read back: "title(child,child),title". `item` opens an
// entry and `close` ends it; the entry's title is the text after the first `titleTag` in it.
std::string tocTree(std::string_view xml, std::string_view item, std::string_view close, std::string_view titleTag) {
    std::string tree;
    std::vector<int> entries{0}; // entries so far at each open level
    for (std::size_t at = 0;;) {
        const std::size_t open = xml.find(item, at), end = xml.find(close, at);
        if (end == std::string_view::npos) break;
        if (open < end) {
            tree += entries.size() > 1 && entries.back() == 0 ? "(" : entries.back() > 0 ? "," : "";
            ++entries.back();
            const std::size_t from = xml.find('>', xml.find(titleTag, open)) + 1;
            tree += xml.substr(from, xml.find('<', from) - from);
            entries.push_back(0);
            at = open + item.size();
        } else {
            if (entries.back() > 0) tree += ')';
            entries.pop_back();
            at = end + close.size();
        }
    }
    return tree;
}

std::string navTree(std::string_view nav) {
    return tocTree(nav.substr(nav.find("<ol>")), "<li>", "</li>", "<a href=");
}

std::string ncxTree(std::string_view ncx) {
    return tocTree(ncx.substr(ncx.find("<navMap>")), "<navPoint ", "</navPoint>", "<text>");
}

// The shape the contents must have: a volume holds the chapters after it, up to the next
// volume; what comes before the first volume stays at the top.
std::string expectedTree(const std::vector<std::string>& titles, Regex* volume) {
    std::string tree;
    bool inVolume = false;
    int children = 0;
    for (const std::string& title : titles) {
        if (volume && volume->test(fromUtf8(title)) == MatchResult::Match) {
            if (inVolume && children) tree += ')';
            tree += tree.empty() ? "" : ",";
            inVolume = true;
            children = 0;
        } else if (inVolume) {
            tree += children++ ? "," : "(";
        } else {
            tree += tree.empty() ? "" : ",";
        }
        tree += title;
    }
    if (inVolume && children) tree += ')';
    return tree;
}

std::string trimmedUtf8(const std::string& s, bool end) {
    return std::string(end ? withoutSurroundingSpaces(s) : withoutLeadingSpaces(s));
}

struct Made {
    SplitResult split;
    std::vector<std::int64_t> keptLines; // line numbers of the kept headings
    std::vector<std::string> boxes;
    std::string status;
};

struct Book {
    pwtest::Novel novel;
    fs::path path;
    Made made;
};

Made makeBook(const fs::path& input, const EpubSettings& s, SplitFeed feed, const Text& pattern, bool dropBlank,
              const std::set<std::int64_t>& excluded = {}, const StageList& stages = {}) {
    WorkingState st;
    st.strInFile = fromPath(input);
    st.strFindStr = pattern;
    st.strOutDir = fromPath(input.parent_path());
    st.blnDeleteSpc = dropBlank;
    pwtest::ScriptedUi ui;
    NoHeadings none;
    SplitReceiver quiet;
    const RowRanges rows = RowRanges::ofRows({excluded.begin(), excluded.end()});
    const EpubBook book(s);
    Made m;
    if (feed == SplitFeed::ScanFirst) {
        const ScanResult scan = runScan(st, ui, none);
        EXPECT_EQ(scan.outcome, ScanOutcome::Finished);
        m.split = runSplit(st, analysedInput(st, scan.encoding), rows, book, ui, quiet, LineReader::kDefaultCapacity,
                           stages);
    } else {
        m.split = runOneReadSplit(st, rows, book, ui, none, quiet, {}, stages).split;
    }
    for (std::int64_t k = 1; k <= st.lngMatchCount; ++k)
        if (!excluded.count(k - 1)) m.keptLines.push_back(st.lngMatchLines[static_cast<std::size_t>(k)]);
    m.boxes = ui.boxTexts();
    m.status = ui.lastStatus();
    return m;
}

// The lines the book must hold: the text before the first kept heading when it holds anything,
// then each chapter, its heading trimmed and every other line without its leading spaces.
std::vector<std::string> keptLines(const pwtest::Novel& n, const std::vector<std::int64_t>& kept, bool dropBlank) {
    std::vector<std::string> out;
    const std::set<std::int64_t> headings(kept.begin(), kept.end());
    bool prefaceHasText = false;
    for (std::int64_t i = 1; i < kept.front(); ++i)
        prefaceHasText |= !trimmedUtf8(n.lines[static_cast<std::size_t>(i - 1)], false).empty();
    for (std::size_t i = 0; i < n.lines.size(); ++i) {
        const auto line = static_cast<std::int64_t>(i + 1);
        if (line < kept.front() && !prefaceHasText) continue;
        const std::string& text = n.lines[i];
        if (headings.count(line)) {
            out.push_back(trimmedUtf8(text, true));
            continue;
        }
        const std::string body = trimmedUtf8(text, false);
        if (body.empty() && dropBlank) continue;
        out.push_back(body);
    }
    // A preface of blank lines before its first text keeps them only once it has text.
    if (prefaceHasText && !dropBlank) {
        std::size_t first = 0;
        while (out[first].empty())
            ++first;
        out.erase(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(first));
    }
    return out;
}

std::string cover(bool png) {
    return png ? pwtest::pngPixel() : pwtest::jpegPixel();
}

struct BookCase {
    const char* name;
    pwtest::NovelOptions novel;
    SplitFeed feed = SplitFeed::ScanFirst;
    bool dropBlank = true;
    bool volumes = false;
    bool vertical = false;
    int cover = 0; // 1 PNG, 2 JPEG
    std::set<std::int64_t> excluded{};
};

// Makes the book of each case and holds it against epubcheck and the novel's lines.
void expectGoodBooks(std::initializer_list<BookCase> cases) {
    pwtest::ScratchDir dir;
    int i = 0;
    for (const BookCase& c : cases) {
        SCOPED_TRACE(c.name);
        const pwtest::Novel novel = pwtest::makeNovel(c.novel);
        const fs::path input = dir / ("novel" + std::to_string(++i) + ".txt");
        pwtest::writeAll(input, novel.bytes);
        EpubSettings s;
        s.path = fromPath(dir / ("book" + std::to_string(i) + ".epub"));
        s.title = u"测试 & <书>";
        s.author = i % 2 ? u"某某" : u"";
        s.vertical = c.vertical;
        if (c.volumes) s.volumePattern = defaultVolumePattern();
        if (c.cover) {
            const fs::path img = dir / (c.cover == 1 ? "cover.png" : "cover.jpg");
            pwtest::writeAll(img, cover(c.cover == 1));
            s.cover = fromPath(img);
        }
        ASSERT_FALSE(checkEpubSettings(s));
        // With volumes, the heading pattern finds them too.
        const Text pattern = c.volumes ? findPreset("volume")->pattern : kDefaultPattern;
        const Made m = makeBook(input, s, c.feed, pattern, c.dropBlank, c.excluded);
        ASSERT_EQ(m.split.end, SplitEnd::Done) << m.status;
        const fs::path book = toPath(s.path);
        // Nothing else is left in the folder: the book was written under a temporary name.
        for (const auto& e : fs::directory_iterator(dir.path()))
            EXPECT_FALSE(e.path().filename().string().starts_with(".pagewright")) << e.path();
        expectValid(book);
        EXPECT_EQ(entry(book, "mimetype"), "application/epub+zip");
        EXPECT_TRUE(bookLines(book) == keptLines(novel, m.keptLines, c.dropBlank)) << "the text differs";
        std::vector<std::string> titles;
        bool prefaceHasText = false;
        for (std::int64_t l = 1; l < m.keptLines.front(); ++l)
            prefaceHasText |= !trimmedUtf8(novel.lines[static_cast<std::size_t>(l - 1)], false).empty();
        if (prefaceHasText) titles.push_back("前言");
        for (const std::int64_t l : m.keptLines)
            titles.push_back(trimmedUtf8(novel.lines[static_cast<std::size_t>(l - 1)], true));
        EXPECT_EQ(navTitles(book), titles);
        const std::string opf = entry(book, "OEBPS/content.opf");
        const bool big5 = c.novel.encoding == pwtest::NovelEncoding::Big5;
        EXPECT_NE(opf.find(big5 ? "<dc:language>zh-TW" : "<dc:language>zh-CN"), std::string::npos);
        EXPECT_NE(opf.find("<dc:title>测试 &amp; &lt;书&gt;</dc:title>"), std::string::npos);
        // The contents' shape, read back from both tables: each volume holds the chapters after it.
        auto volume = std::get<Regex>(Regex::compile(defaultVolumePattern()));
        // Titles as XML has them: the tables hold them escaped.
        std::vector<std::string> escaped;
        for (const std::string& title : titles) {
            std::int64_t dropped = 0;
            appendXmlText(escaped.emplace_back(), title, dropped);
        }
        const std::string expected = expectedTree(escaped, c.volumes ? &volume : nullptr);
        EXPECT_EQ(navTree(entry(book, "OEBPS/nav.xhtml")), expected);
        EXPECT_EQ(ncxTree(entry(book, "OEBPS/toc.ncx")), expected);
    }
}

} // namespace

TEST(Epub, BooksOfEveryKindAreValidAndHoldTheKeptLinesInOrder) {
    expectGoodBooks({
        {"gb18030", {.chapters = 30}},
        {"utf16 read once, blanks kept, no preface",
         {.encoding = pwtest::NovelEncoding::Utf16LeBom, .lineEnds = pwtest::LineEnds::Mixed, .preamble = false},
         SplitFeed::OneRead,
         false},
        {"big5 with excluded headings",
         {.encoding = pwtest::NovelEncoding::Big5, .seed = 3},
         SplitFeed::OneRead,
         true,
         false,
         false,
         0,
         {1, 4}},
        {"volumes, png cover, vertical",
         {.encoding = pwtest::NovelEncoding::Utf8Bom, .chapters = 25},
         SplitFeed::ScanFirst,
         true,
         true,
         true,
         1},
        {"jpeg cover", {.seed = 7, .chapters = 5}, SplitFeed::OneRead, true, false, false, 2},
    });
}

// Apart, so that the two long epubcheck runs go beside the other tests.
TEST(Epub, TenThousandChaptersMakeAValidBook) {
    expectGoodBooks({{"ten thousand chapters",
                      {.seed = 9,
                       .chapters = 10000,
                       .volumes = false,
                       .sections = false,
                       .falseHeadings = false,
                       .paragraphs = 1}}});
}

TEST(Epub, AChapterOfFiveMegabytesGoesOnInFurtherPages) {
    expectGoodBooks(
        {{"a chapter of five megabytes", {.seed = 11, .chapters = 2, .paragraphs = 30000}, SplitFeed::OneRead}});
}

TEST(Epub, TheSameInputAndOptionsGiveTheSameBook) {
    pwtest::ScratchDir dir;
    const pwtest::Novel novel = pwtest::makeNovel({.chapters = 8});
    const fs::path input = dir / "n.txt";
    pwtest::writeAll(input, novel.bytes);
    std::string books[3];
    for (int i = 0; i < 3; ++i) {
        EpubSettings s;
        const std::string name = std::string("b") + char('0' + i) + ".epub";
        s.path = fromPath(dir / name);
        s.title = i < 2 ? u"书" : u"另一本";
        ASSERT_EQ(
            makeBook(input, s, i == 0 ? SplitFeed::ScanFirst : SplitFeed::OneRead, kDefaultPattern, true).split.end,
            SplitEnd::Done);
        books[i] = pwtest::readAll(toPath(s.path));
    }
    EXPECT_TRUE(books[0] == books[1]); // either feed, byte for byte
    const std::regex id("urn:uuid:[0-9a-f-]{36}");
    std::smatch a, b;
    const std::string opfA = entry(dir / "b0.epub", "OEBPS/content.opf"),
                      opfC = entry(dir / "b2.epub", "OEBPS/content.opf");
    ASSERT_TRUE(std::regex_search(opfA, a, id) && std::regex_search(opfC, b, id));
    EXPECT_NE(a.str(), b.str()); // another title, another book
}

TEST(EpubPackage, ContentsNestUnderVolumesInNavAndNcx) {
    struct Row {
        std::vector<TocEntry> toc;
        std::string tree;
    } rows[] = {
        {{{0, "a", "a.xhtml"}, {0, "b", "b.xhtml"}}, "a,b"},
        {{{0, "前言", "p.xhtml"}, {0, "卷一", "v1.xhtml"}, {1, "c1", "c1.xhtml"}, {1, "c2", "c2.xhtml"}}, "前言,卷一(c1,c2)"},
        {{{0, "v1", "v1"}, {0, "v2", "v2"}, {1, "c", "c"}, {0, "v3", "v3"}}, "v1,v2(c),v3"},
        {{{0, "c0", "c0"}, {0, "v", "v"}, {1, "c1", "c1"}, {0, "v2", "v2"}, {1, "c2", "c2"}, {1, "c3", "c3"}},
         "c0,v(c1),v2(c2,c3)"},
    };
    for (const Row& r : rows) {
        PackageInfo book;
        book.id = "urn:uuid:x";
        book.language = "zh-CN";
        EXPECT_EQ(navTree(renderNav(r.toc, "zh-CN")), r.tree);
        const std::string ncx = renderNcx(r.toc, book);
        EXPECT_EQ(ncxTree(ncx), r.tree);
        const bool nested = r.tree.find('(') != std::string::npos;
        EXPECT_NE(ncx.find(nested ? "dtb:depth\" content=\"2" : "dtb:depth\" content=\"1"), std::string::npos);
        // playOrder counts the entries in reading order.
        const std::regex order(R"re(playOrder="(\d+)")re");
        int expect = 0;
        for (auto it = std::sregex_iterator(ncx.begin(), ncx.end(), order); it != std::sregex_iterator(); ++it)
            EXPECT_EQ(std::stoi((*it)[1]), ++expect);
        EXPECT_EQ(expect, static_cast<int>(r.toc.size()));
    }
}

TEST(Epub, TheLastLineWithoutALineEndIsTheBooksLastParagraph) {
    pwtest::ScratchDir dir;
    for (const pwtest::NovelEncoding enc : {pwtest::NovelEncoding::Gb18030, pwtest::NovelEncoding::Utf16LeBom})
        for (const SplitFeed feed : {SplitFeed::ScanFirst, SplitFeed::OneRead}) {
            pwtest::Novel novel = pwtest::makeNovel({.encoding = enc, .chapters = 3});
            // Without the last line's end: the line that ends the file is text all the same.
            const std::string end(traitsOf(pwtest::coreEncoding(enc)).crlf);
            ASSERT_TRUE(novel.bytes.ends_with(end));
            novel.bytes.resize(novel.bytes.size() - end.size());
            std::string last = novel.lines.back();
            for (std::size_t i = novel.lines.size(); i-- > 0 && trimmedUtf8(last, false).empty();)
                last = novel.lines[i];
            const fs::path input = dir / "n.txt";
            pwtest::writeAll(input, novel.bytes);
            EpubSettings s;
            s.path = fromPath(dir / "b.epub");
            s.title = u"书";
            fs::remove(dir / "b.epub");
            ASSERT_EQ(makeBook(input, s, feed, kDefaultPattern, true).split.end, SplitEnd::Done);
            const auto lines = bookLines(dir / "b.epub");
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines.back(), trimmedUtf8(last, false));
        }
}

TEST(Epub, RowsOfMarksAreSceneBreaksAndLeftOutUnderAHeading) {
    struct {
        std::string line;
        bool separator;
    } rows[] = {{"-----", true}, {"＊　＊　＊", true}, {" ~~~ ", true}, {"———", true},    {"···", true},
                {"=*=*=", true}, {"——", false},        {"……", false},   {"3.14", false},  {"--好--", false},
                {"", false},     {"...", true},        {"_ _ _", true}, {"a---", false},  {"－－－－－－", true},
                {"☆☆☆", true},   {"★　★　★", true},    {"※※※", true},   {"＝＝＝", true}, {"☆☆", false},
                {"☆好☆", false}, {"－１－", false}};
    for (const auto& r : rows)
        EXPECT_EQ(isSeparatorLine(r.line), r.separator) << r.line;

    pwtest::ScratchDir dir;
    const fs::path input = dir / "n.txt";
    pwtest::writeAll(input, "第一章 开始\r\n＊＊＊＊＊\r\n他来了。\r\n----------\r\n她走了。\r\n－－－－－－\r\n"
                            "又来了。\r\n☆☆☆\r\n第二章 再见\r\n\r\n~~~~~~\r\n——\r\n完。\r\n");
    for (const SplitFeed feed : {SplitFeed::ScanFirst, SplitFeed::OneRead}) {
        EpubSettings s;
        s.path = fromPath(dir / "b.epub");
        s.title = u"书";
        s.vertical = feed == SplitFeed::OneRead; // its rule runs down the page
        fs::remove(dir / "b.epub");
        ASSERT_EQ(makeBook(input, s, feed, kDefaultPattern, true, {}, {separatorStage()}).split.end, SplitEnd::Done);
        expectValid(dir / "b.epub");
        EXPECT_EQ(bookLines(dir / "b.epub"), (std::vector<std::string>{"第一章 开始", "他来了。", "她走了。",
                                                                       "又来了。", "第二章 再见", "——", "完。"}));
        EXPECT_NE(entry(dir / "b.epub", "OEBPS/text/c00001.xhtml")
                      .find("<p>他来了。</p>\n<hr/>\n<p>她走了。</p>\n<hr/>\n<p>又来了。</p>\n<hr/>\n"),
                  std::string::npos);
        EXPECT_EQ(entry(dir / "b.epub", "OEBPS/text/c00002.xhtml").find("<hr/>"), std::string::npos);
    }
}

TEST(Epub, BadSettingsAreRefusedBeforeAnythingIsWritten) {
    pwtest::ScratchDir dir;
    pwtest::writeAll(dir / "notes.txt", "not an image");
    const Text folder = fromPath(dir.path());
    const auto refusal = [&](EpubSettings s) {
        const auto r = checkEpubSettings(s);
        return r ? toUtf8(r->message.text) : std::string();
    };
    EpubSettings ok;
    ok.path = folder + u"/书.epub";
    ok.title = u"书";
    EXPECT_EQ(refusal(ok), "");
    auto s = ok;
    s.title.clear();
    EXPECT_EQ(refusal(s), "书名不能为空！");
    s = ok;
    s.volumePattern = u"第(卷";
    EXPECT_EQ(refusal(s).rfind("卷标题条件不是正确的正则表达式：", 0), 0u);
    s = ok;
    s.cover = folder + u"/notes.txt";
    EXPECT_EQ(refusal(s), "封面图片不是 JPEG 或 PNG 格式：" + toUtf8(s.cover));
    s.cover = folder + u"/missing.png";
    EXPECT_EQ(refusal(s).rfind("无法读取封面图片：" + toUtf8(s.cover), 0), 0u);
    s = ok;
    s.path = folder + u"/没有的目录/书.epub";
    EXPECT_EQ(refusal(s), "电子书的输出目录不存在：" + toUtf8(folder) + "/没有的目录");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

TEST(EpubText, EscapesMarkupDropsWhatXmlForbidsAndReadsNamesFromFiles) {
    struct {
        std::string in, out;
        std::int64_t dropped;
    } rows[] = {{"a&b<c>d", "a&amp;b&lt;c&gt;d", 0},
                {"tab\tstays", "tab\tstays", 0},
                {std::string("nul\0bell\a", 9) + "\x1F", "nulbell", 3},
                {"\xEF\xBF\xBE\xEF\xBF\xBF\xEF\xBF\xBD", "\xEF\xBF\xBD", 2}, // U+FFFE, U+FFFF gone; U+FFFD stays
                {"中文\"'", "中文\"'", 0}};
    for (const auto& r : rows) {
        std::string out;
        std::int64_t dropped = 0;
        appendXmlText(out, r.in, dropped);
        EXPECT_EQ(out, r.out);
        EXPECT_EQ(dropped, r.dropped);
    }
    EXPECT_EQ(withoutSurroundingSpaces("\xE3\x80\x80 第一章 \xE3\x80\x80"), "第一章");
    EXPECT_EQ(withoutLeadingSpaces("\xE3\x80\x80\xE3\x80\x80正文 "), "正文 ");
    struct {
        Text stem, title, author;
    } names[] = {{u"《斗破苍穹》作者：天蚕土豆", u"斗破苍穹", u"天蚕土豆"},
                 {u"凡人修仙传 作者：忘语", u"凡人修仙传", u"忘语"},
                 {u"【雪中悍刀行】（校对版全本）", u"雪中悍刀行", u""},
                 {u"The Story by Someone", u"The Story", u"Someone"},
                 {u"全集", u"全集", u""}};
    for (const auto& n : names) {
        const BookName b = bookNameFromFile(n.stem);
        EXPECT_EQ(b.title, n.title) << toUtf8(n.stem);
        EXPECT_EQ(b.author, n.author) << toUtf8(n.stem);
    }
}

// A classical text as scans give it: the title of a chapter on the line under its number,
// volumes on lines the chapter pattern does not match, paragraphs wrapped with an indent, and a
// row of marks between two scenes. The book reads it back as a book: titled headings, volumes
// holding their chapters in both contents lists, whole paragraphs, the break as a break.
TEST(Epub, TitlesVolumesAndParagraphsAsTheBookReadsThem) {
    pwtest::ScratchDir dir;
    const fs::path input = dir / "n.txt";
    pwtest::writeAll(input, "书名\r\n第一卷 风起\r\n第一回\r\n\r\n夜宿古寺\r\n　　他走进山门，天色\r\n已晚。\r\n-----\r\n"
                            "　　她说：“走吧。”\r\n第二回\r\n　　“你来了。”\r\n第二卷\r\n第三回 归去\r\n　　完。\r\n");
    EpubSettings s;
    s.path = fromPath(dir / "b.epub");
    s.title = u"书";
    s.volumePattern = u"^第.{1,5}卷";
    const RunStages stages = stagesFor({true, ParagraphMode::Indent, true, input, std::nullopt, s.volumePattern});
    for (const SplitFeed feed : {SplitFeed::ScanFirst, SplitFeed::OneRead}) {
        fs::remove(dir / "b.epub");
        const Made m = makeBook(input, s, feed, u"第.{1,10}回", true, {}, stages.stages);
        ASSERT_EQ(m.split.end, SplitEnd::Done);
        EXPECT_EQ(m.split.figures.volumes, 2);
        EXPECT_EQ(m.split.figures.chapters, 3);
        expectValid(dir / "b.epub");
        EXPECT_EQ(bookLines(dir / "b.epub"),
                  (std::vector<std::string>{"书名", "第一卷　风起", "第一回　夜宿古寺", "他走进山门，天色已晚。", "她说：“走吧。”",
                                            "第二回", "“你来了。”", "第二卷", "第三回　归去", "完。"}));
        // Every label and its title one full-width space apart, however the file spaced them.
        const std::string tree = "前言,第一卷　风起(第一回　夜宿古寺,第二回),第二卷(第三回　归去)";
        EXPECT_EQ(navTree(entry(dir / "b.epub", "OEBPS/nav.xhtml")), tree);
        EXPECT_EQ(ncxTree(entry(dir / "b.epub", "OEBPS/toc.ncx")), tree);
        const std::string page = entry(dir / "b.epub", "OEBPS/text/c00001.xhtml");
        EXPECT_NE(page.find("<p>他走进山门，天色已晚。</p>\n<hr/>\n<p>她说"), std::string::npos) << page;
    }
}

// Readers stall on, or refuse, page files of more than 200 KB: a long chapter goes on in
// further files, each cut between two paragraphs.
TEST(Epub, PagesStayUnderTwoHundredKilobytesCutBetweenParagraphs) {
    pwtest::ScratchDir dir;
    const fs::path input = dir / "n.txt";
    std::string text = "第一章 长\r\n";
    for (int i = 0; i < 20000; ++i)
        text += "　　这一段有些长，" + std::to_string(i) + "，好让一章远远超过一页所能容下的字数。\r\n";
    pwtest::writeAll(input, text);
    EpubSettings s;
    s.path = fromPath(dir / "b.epub");
    s.title = u"书";
    ASSERT_EQ(makeBook(input, s, SplitFeed::OneRead, kDefaultPattern, true).split.end, SplitEnd::Done);
    expectValid(dir / "b.epub");
    const std::string listing = command("unzip -l '" + (dir / "b.epub").string() + "' 'OEBPS/text/*'");
    const std::regex row(R"re(^\s*(\d+)\s+\S+\s+\S+\s+(OEBPS/text/\S+)$)re", std::regex::multiline);
    int pages = 0;
    for (auto it = std::sregex_iterator(listing.begin(), listing.end(), row); it != std::sregex_iterator(); ++it) {
        ++pages;
        EXPECT_LE(std::stoul((*it)[1]), 200u * 1024) << (*it)[2];
        const std::string page = entry(dir / "b.epub", (*it)[2]);
        EXPECT_TRUE(page.ends_with("</p>\n</body>\n</html>\n")) << (*it)[2];
    }
    EXPECT_GT(pages, 5);
    EXPECT_EQ(bookLines(dir / "b.epub").size(), 20001u); // every paragraph whole, none cut
}
