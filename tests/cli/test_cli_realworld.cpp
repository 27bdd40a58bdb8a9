// Real downloads against the structure counted by hand (tests/realworld/manifest.json): each novel
// made into a book with no options, its contents held against the chapters and volumes of the
// count, and the scan with the rule the book chose held against the true heading lines. The
// novels stay outside the repository; PAGEWRIGHT_REALWORLD names the folder that holds them.
#include <fstream>
#include <regex>
#include <set>

#include "cli_run.h"

using namespace pwtest;
namespace fs = std::filesystem;

namespace {

struct Volume {
    std::string title;
    int chapters = 0, others = 0;
};

struct Novel {
    std::string id, file, repository, path, sha256;
    std::optional<int> chapters, chaptersBeforeVolumes;
    int others = 0;
    std::vector<Volume> volumes;
    std::vector<std::vector<std::int64_t>> headings; // each: the lines it may stand on
    std::optional<std::pair<std::int64_t, std::int64_t>> contents;
    std::vector<std::int64_t> notChapters;
};

// The test's name says which novel; its file is enough beside it.
void PrintTo(const Novel& n, std::ostream* os) {
    *os << n.file;
}

std::vector<Novel> manifest() {
    std::ifstream in(PW_REALWORLD_MANIFEST);
    const nlohmann::json doc = nlohmann::json::parse(in, nullptr, false);
    std::vector<Novel> novels;
    if (!doc.is_object()) return novels;
    for (const auto& n : doc["novels"]) {
        Novel v;
        v.id = n["id"], v.file = n["file"], v.repository = n["repository"], v.path = n["path"], v.sha256 = n["sha256"];
        if (n["chapters"].is_number()) v.chapters = n["chapters"].get<int>();
        if (n["chapters_before_volumes"].is_number()) v.chaptersBeforeVolumes = n["chapters_before_volumes"].get<int>();
        v.others = static_cast<int>(n["other_sections"].size());
        for (const auto& vol : n["volumes"])
            v.volumes.push_back({vol["text"], vol["chapters"], vol["other_sections"]});
        for (const auto& h : n["heading_lines"])
            v.headings.push_back(h.is_array() ? h.get<std::vector<std::int64_t>>()
                                              : std::vector{h.get<std::int64_t>()});
        if (n["contents"].is_object()) v.contents = {{n["contents"]["first_line"], n["contents"]["last_line"]}};
        for (const auto& x : n["not_chapters"])
            v.notChapters.push_back(x["line"]);
        novels.push_back(std::move(v));
    }
    return novels;
}

std::string shell(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[65536];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
            out.append(buf, n);
        pclose(p);
    }
    return out;
}

// The book's contents as a reader meets them: volumes with their chapters, and the chapters
// outside any volume; the front pages (前言, a contents page 目录) are not chapters.
struct Contents {
    int chaptersBeforeVolumes = 0, chapters = 0;
    std::vector<Volume> volumes;
};

Contents contentsOf(const std::string& page) {
    const std::size_t from = page.find("epub:type=\"toc\"");
    const std::string nav = from == std::string::npos ? "" : page.substr(from, page.find("</nav>", from) - from);
    static const std::regex token(R"(<ol>|</ol>|<li><a href="[^"]*">([^<]*)</a>(\s*<ol>)?)");
    Contents c;
    int depth = 0;
    for (auto it = std::sregex_iterator(nav.begin(), nav.end(), token); it != std::sregex_iterator(); ++it) {
        const std::string t = (*it)[0];
        if (t == "<ol>" || t == "</ol>") {
            depth += t == "<ol>" ? 1 : -1;
            continue;
        }
        const std::string title = (*it)[1];
        if ((*it)[2].matched) { // an entry with entries under it
            c.volumes.push_back({title});
            ++depth;
        } else if (depth > 1 && !c.volumes.empty()) {
            ++c.volumes.back().chapters, ++c.chapters;
        } else if (!((title == "前言" || title == "目录") && c.chapters == 0)) {
            ++c.chapters;
            if (c.volumes.empty()) ++c.chaptersBeforeVolumes;
        }
    }
    return c;
}

class RealWorld : public testing::TestWithParam<Novel> {};

TEST_P(RealWorld, BookWithNoOptionsHasTheChaptersAndVolumesCountedByHand) {
    const fs::path dir = realworldDir();
    if (dir.empty()) GTEST_SKIP() << kNoRealworld;
    const Novel& n = GetParam();
    const fs::path file = dir / fs::u8path(n.file);
    ASSERT_TRUE(fs::exists(file)) << n.file << " is missing: download " << n.path << " from " << n.repository;
    ASSERT_EQ(shell("sha256sum < '" + file.string() + "'").substr(0, 64), n.sha256)
        << n.file << " is not the download the count was made on (" << n.repository << ", " << n.path << ")";

    ScratchDir out;
    const CliRun book = runCli({"epub", "--json", file.string(), "-o", (out / "b.epub").string()}, {});
    ASSERT_EQ(book.status, 0) << book.err;
    // Debian's epubcheck, as for the generated books (a deeper stack: it walks the reading order recursively).
    const std::string check =
        shell("java -Xss512m -jar /usr/share/java/epubcheck.jar -q '" + (out / "b.epub").string() + "' 2>&1");
    EXPECT_EQ(check.find("ERROR"), std::string::npos) << check;
    EXPECT_EQ(check.find("WARNING"), std::string::npos) << check;
    const Contents got = contentsOf(shell("unzip -p '" + (out / "b.epub").string() + "' OEBPS/nav.xhtml"));
    // Sections outside the novel's heading shape (an appended essay, 附录) may have a chapter or not.
    if (n.chapters) {
        EXPECT_GE(got.chapters, *n.chapters) << "chapters in the book\n" << book.err;
        EXPECT_LE(got.chapters, *n.chapters + n.others) << "chapters in the book\n" << book.err;
    }
    EXPECT_EQ(got.volumes.size(), n.volumes.size()) << "volumes in the book";
    if (n.chaptersBeforeVolumes) {
        EXPECT_EQ(got.chaptersBeforeVolumes, *n.chaptersBeforeVolumes) << "chapters before the first volume";
    }
    for (std::size_t i = 0; i < n.volumes.size() && got.volumes.size() == n.volumes.size(); ++i) {
        EXPECT_GE(got.volumes[i].chapters, n.volumes[i].chapters) << n.volumes[i].title;
        EXPECT_LE(got.volumes[i].chapters, n.volumes[i].chapters + n.volumes[i].others) << n.volumes[i].title;
    }

    // The scan with the rule the book chose: every true heading found and not suspected, no
    // contents line and no line known not to be a heading taken for one unless it is suspected.
    const nlohmann::json said = nlohmann::json::parse(book.out.substr(0, book.out.find('\n')), nullptr, false);
    std::vector<std::string> args{"scan", "--json", file.string()};
    if (said.is_object() && said.contains("pattern") && said["pattern"].is_string())
        args.insert(args.end(), {"-p", said["pattern"]});
    else if (said.is_object() && said.contains("preset") && said["preset"].is_string())
        args.insert(args.end(), {"--preset", said["preset"]});
    const CliRun scan = runCli(args, {});
    ASSERT_EQ(scan.status, 0) << scan.err;
    std::map<std::int64_t, std::vector<std::string>> found; // line → why it is suspected
    const nlohmann::json listed = nlohmann::json::parse(scan.out);
    for (const auto& h : listed["headings"])
        found[h["line"]] = h["suspect"].get<std::vector<std::string>>();
    std::vector<std::int64_t> missed, suspected, taken;
    for (const auto& lines : n.headings) {
        const auto at = std::find_if(lines.begin(), lines.end(), [&](std::int64_t l) { return found.count(l); });
        if (at == lines.end())
            missed.push_back(lines.front());
        else if (std::none_of(lines.begin(), lines.end(),
                              [&](std::int64_t l) { return found.count(l) && found[l].empty(); }))
            suspected.push_back(*at);
    }
    for (const auto& [line, why] : found)
        if (why.empty() && ((n.contents && line >= n.contents->first && line <= n.contents->second) ||
                            std::count(n.notChapters.begin(), n.notChapters.end(), line)))
            taken.push_back(line);
    EXPECT_EQ(missed, std::vector<std::int64_t>{}) << "true headings the scan did not find";
    EXPECT_EQ(suspected, std::vector<std::int64_t>{}) << "true headings flagged";
    EXPECT_EQ(taken, std::vector<std::int64_t>{}) << "contents or other lines taken for headings";
}

INSTANTIATE_TEST_SUITE_P(Downloads, RealWorld, testing::ValuesIn(manifest()),
                         [](const testing::TestParamInfo<Novel>& p) { return p.param.id; });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RealWorld);

} // namespace
