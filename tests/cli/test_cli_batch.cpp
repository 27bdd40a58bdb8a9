// Many novels in one command: each ends exactly as its single run would, in a place of its
// own; places two inputs would share are refused up front; bad inputs fail alone with the
// single run's message; a stop signal ends the batch with a summary; and GNU parallel's
// recipe for several machines gives the same files as the batch on one.
#include <csignal>
#include <functional>
#include <thread>

#include "cli/cli_texts.h"
#include "cli_run.h"

using namespace pwtest;
namespace fs = std::filesystem;

namespace {

// The JSON lines of a run's stdout, by their "file".
std::map<std::string, nlohmann::json> jsonLines(const std::string& out) {
    std::map<std::string, nlohmann::json> byFile;
    for (std::size_t at = 0; at < out.size();) {
        const std::size_t end = out.find('\n', at);
        const auto doc = nlohmann::json::parse(out.substr(at, end - at));
        byFile[doc["file"].get<std::string>()] = doc;
        at = end + 1;
    }
    return byFile;
}

// Every file under a folder, by its path inside it.
std::map<std::string, std::string> treeFiles(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) files[fs::relative(e.path(), dir).string()] = readAll(e.path());
    return files;
}

std::string stemOf(int i) {
    std::string stem = "n";
    return stem.append(std::to_string(i));
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Three novels of different shapes, one named with a character no output name may hold.
struct Library {
    ScratchDir dir;
    std::vector<std::pair<std::string, Novel>> novels;
    Library() {
        NovelOptions utf8 = kTenChapters;
        utf8.encoding = NovelEncoding::Utf8;
        utf8.lineEnds = LineEnds::Lf;
        const std::pair<std::string, NovelOptions> shapes[] = {
            {"《剑来》作者：烽火.txt", NovelOptions{.seed = 3, .chapters = 25}},
            {"a:b.txt", utf8},
            {"长篇.txt", NovelOptions{.encoding = NovelEncoding::Utf16Le, .seed = 5, .chapters = 40}},
        };
        for (const auto& [name, options] : shapes)
            novels.emplace_back((dir / name).string(), writeNovel(dir / name, options));
    }
    std::vector<std::string> files() const {
        std::vector<std::string> all;
        for (const auto& n : novels)
            all.push_back(n.first);
        return all;
    }
};

} // namespace

TEST(CliBatch, EachNovelEndsAsItsSingleRunWouldInAPlaceOfItsOwn) {
    const Library lib;
    const std::vector<std::string> files = lib.files();
    ScratchDir work;
    const std::vector<std::string> options = {"-p", kWindowPattern,       "-c",  "3", "-n", "第01卷",
                                              "--keep-blank-lines", "--output-encoding", "utf-8"};
    std::vector<std::string> batch = {"split"};
    batch.insert(batch.end(), files.begin(), files.end());
    batch.insert(batch.end(), {"-o", (work / "out").string(), "--create-dir", "-j", "2", "--json"});
    batch.insert(batch.end(), options.begin(), options.end());
    const CliRun r = runCli(batch, {});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = jsonLines(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    const std::string stems[] = {"《剑来》作者：烽火", "ab", "长篇"};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& [file, novel] = lib.novels[i];
        SCOPED_TRACE(file);
        const fs::path place = work / "out" / stems[i];
        std::vector<std::string> single = {"split", file, "-o", (work / ("single" + std::to_string(i))).string(),
                                           "--create-dir"};
        single.insert(single.end(), options.begin(), options.end());
        const CliRun alone = runCli(single, {});
        ASSERT_EQ(alone.status, 0) << alone.err;
        EXPECT_TRUE(treeFiles(place) == treeFiles(work / ("single" + std::to_string(i)))) << "differs from alone";

        const nlohmann::json& j = lines.at(file);
        EXPECT_EQ(j["status"], "done");
        EXPECT_EQ(j["encoding"], pw::traitsOf(coreEncoding(novel.options.encoding)).id);
        EXPECT_EQ(j["headings"], novel.matching(U'章').size());
        EXPECT_EQ(j["chapters"], novel.matching(U'章').size());
        EXPECT_EQ(j["message"], alone.out.substr(0, alone.out.size() - 1)); // the single run's status line
        EXPECT_EQ(j["outputs"].size(), treeFiles(place).size());
        for (const auto& output : j["outputs"])
            EXPECT_EQ(fs::path(output.get<std::string>()).parent_path(), place);
        const int kept = j["kept_suspects"];
        EXPECT_TRUE(contains(r.err, "完成：" + file + " → " + place.string() + "（" +
                                        std::to_string(j["outputs"].size()) + " 个文件，" +
                                        std::to_string(novel.matching(U'章').size()) + " 章" +
                                        (kept ? "，其中可疑标题 " + std::to_string(kept) + " 个" : "") + "）\n"))
            << r.err;
    }
    EXPECT_TRUE(contains(r.err, "共 3 本：完成 3 本；写出 ")) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 4) << r.err;

    // A single FILE with --json: its line, and nothing else on stdout.
    const CliRun one = runCli({"split", lib.files()[1], "-o", (work / "one").string(), "--create-dir", "--json"}, {});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(jsonLines(one.out).at(lib.files()[1])["status"], "done");
    EXPECT_EQ(std::count(one.out.begin(), one.out.end(), '\n'), 1);

    // Books: <title>.epub in the folder, each byte for byte the single run's.
    fs::create_directory(work / "books");
    std::vector<std::string> epub = {"epub"};
    epub.insert(epub.end(), files.begin(), files.end());
    const std::vector<std::string> bookOptions = {"--author", "某某", "--vertical", "--language", "zh-TW"};
    epub.insert(epub.end(), {"-o", (work / "books").string(), "-q", "-j", "2"});
    epub.insert(epub.end(), bookOptions.begin(), bookOptions.end());
    const CliRun books = runCli(epub, {});
    ASSERT_EQ(books.status, 0) << books.err;
    EXPECT_EQ(books.out + books.err, ""); // -q: nothing when all were done
    const std::string titles[] = {"剑来", "a_b", "长篇"};
    for (std::size_t i = 0; i < 3; ++i) {
        const fs::path alone = work / ("alone" + std::to_string(i) + ".epub");
        std::vector<std::string> single = {"epub", files[i], "-o", alone.string()};
        single.insert(single.end(), bookOptions.begin(), bookOptions.end());
        ASSERT_EQ(runCli(single, {}).status, 0);
        EXPECT_TRUE(readAll(work / "books" / (titles[i] + ".epub")) == readAll(alone)) << titles[i];
    }
    EXPECT_EQ(folderFiles(work / "books").size(), 3u);
}

// Refused before any run starts: nothing is written, the one line names both inputs.
TEST(CliBatch, InputsThatWouldShareAPlaceAreRefusedBeforeAnythingIsWritten) {
    ScratchDir in, out;
    for (const char* name : {"a/x.txt", "b/x.txt", "a:b.txt", "ab.txt", "《书》作者：甲.txt", "《书》作者：乙.txt"}) {
        fs::create_directories((in / name).parent_path());
        writeNovel(in / name, kTenChapters);
    }
    const auto at = [&](const char* name) { return (in / name).string(); };
    const std::string dir = out.path().string();
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{"split", at("a/x.txt"), at("b/x.txt"), "-o", dir},
         1,
         at("a/x.txt") + " 和 " + at("b/x.txt") + " 会输出到同一个目录：" + dir + "/x，已停止，没有写出任何文件。"},
        {{"split", at("ab.txt"), at("a:b.txt"), "-o", dir}, 1, at("ab.txt") + " 和 " + at("a:b.txt")},
        {{"split", at("ab.txt"), at("ab.txt"), "-o", dir}, 1, "会输出到同一个目录：" + dir + "/ab，"},
        {{"epub", at("《书》作者：甲.txt"), at("《书》作者：乙.txt"), "-o", dir},
         1,
         "作者：乙.txt 会写成同一本电子书：" + dir + "/书.epub，"},
        {{"epub", at("ab.txt"), at("a/x.txt"), "-o", dir, "--title", "合集"}, 1, "会写成同一本电子书"},
        // A book's name is no place for several books; a folder that is not there is refused
        // as a single run refuses it.
        {{"epub", at("ab.txt"), at("a/x.txt"), "-o", dir + "/合集.epub"}, 1, "-o 要给出放电子书的已有目录"},
        {{"split", at("ab.txt"), at("a/x.txt"), "-o", dir + "/new"}, 1, "输出目录不存在：" + dir + "/new"},
        {{"split", at("ab.txt"), at("a/x.txt"), "-o", dir, "-j", "0"}, 2, "--jobs 的值 0 不是正整数"},
        {{"split", at("ab.txt"), at("a/x.txt"), "-o", dir, "-x", "2,,3"}, 2, "排除列表格式不正确：2,,3"},
    };
    for (const auto& [args, status, why] : cases) {
        SCOPED_TRACE(args[0] + " " + args.back());
        expectRefused(runCli(args, {}), why, status);
        EXPECT_TRUE(fs::is_empty(out.path()));
    }
}

// Every novel's folder lies inside -o, whatever its file is called: a stem of dots is no "."
// or "..", and a link in a novel's place is not followed. What lies beside -o stays as it was.
TEST(CliBatch, EveryNovelsFolderLiesInsideTheOutputFolder) {
    ScratchDir in, base, away;
    const fs::path out = base / "x";
    fs::create_directory(out);
    writeAll(base / "小说01.txt", "PRECIOUS\n");
    fs::create_directory_symlink(away.path(), out / "linked");
    const std::pair<const char*, const char*> cases[] = {
        {"...txt", "__"}, {"..txt", "_"}, {" ....txt", "___"}, {"b.txt", "b"},
    };
    std::vector<std::string> batch = {"split"};
    for (const auto& [name, folder] : cases) {
        const fs::path file = in / name;
        writeNovel(file, kTenChapters);
        batch.push_back(file.string());
    }
    writeNovel(in / "linked.txt", kTenChapters);
    batch.push_back((in / "linked.txt").string());
    batch.insert(batch.end(), {"-o", out.string(), "--existing", "overwrite"});
    const CliRun r = runCli(batch, {});
    EXPECT_EQ(r.status, 1) << r.err;
    for (const auto& [name, folder] : cases) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(fs::is_directory(out / folder)) << r.err;
        EXPECT_FALSE(fs::is_empty(out / folder));
    }
    EXPECT_TRUE(
        contains(r.err, "失败：" + (in / "linked.txt").string() + "：输出位置是一个链接：" + (out / "linked").string()))
        << r.err;
    EXPECT_TRUE(fs::is_empty(away.path()));
    EXPECT_EQ(readAll(base / "小说01.txt"), "PRECIOUS\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(base.path()), fs::directory_iterator()), 2);
    for (const auto& e : fs::directory_iterator(out))
        EXPECT_TRUE(e.is_directory() || e.is_symlink()) << e.path() << " written loose into -o";
}

// Each bad input is its own novel's failure, with the single run's message, and the good
// novel beside them is done.
TEST(CliBatch, BadInputsFailTheirNovelAloneWithTheSingleRunsMessage) {
    ScratchDir dir;
    // The runs go as nobody when the tests run as root, so that an unreadable file is one;
    // where nobody cannot reach this build, they go as root, without that row.
    const bool unreadable = geteuid() != 0 || runCli({"--version"}, {.asNobody = true}).status == 0;
    const SpawnOptions as{.asNobody = unreadable};
    fs::permissions(dir.path(), fs::perms::all);
    for (const char* folder : {"out", "alone"}) {
        fs::create_directory(dir / folder);
        fs::permissions(dir / folder, fs::perms::all);
    }
    std::string binary(70000, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>((i * 2654435761u) >> 13);
    const std::pair<std::string, std::function<void(const fs::path&)>> bad[] = {
        {"missing.txt", [](const fs::path&) {}},
        {"folder.txt", [](const fs::path& p) { fs::create_directory(p); }},
        {"binary.txt", [&](const fs::path& p) { writeAll(p, binary); }},
        {"unreadable.txt",
         [](const fs::path& p) {
             writeNovel(p, kTenChapters);
             fs::permissions(p, fs::perms::none);
         }},
        {"noheading.txt", [](const fs::path& p) { writeAll(p, "只有正文。\r\n没有标题。\r\n"); }},
    };
    std::vector<std::string> batch = {"split", (dir / "good.txt").string()};
    writeNovel(dir / "good.txt", kTenChapters);
    for (const auto& [name, make] : bad) {
        if (name == "unreadable.txt" && !unreadable) continue;
        make(dir / name);
        batch.push_back((dir / name).string());
    }
    batch.insert(batch.end(), {"-o", (dir / "out").string(), "--json", "-j", "2"});
    const CliRun r = runCli(batch, as);
    EXPECT_EQ(r.status, 1) << r.err;
    const auto lines = jsonLines(r.out);
    EXPECT_EQ(lines.at(batch[1])["status"], "done");
    for (const auto& [name, make] : bad) {
        if (name == "unreadable.txt" && !unreadable) continue;
        SCOPED_TRACE(name);
        const std::string file = (dir / name).string();
        const CliRun alone = runCli({"split", file, "-o", (dir / "alone" / name).string(), "--create-dir"}, as);
        ASSERT_EQ(alone.status, 1);
        ASSERT_EQ(alone.err.rfind("pagewright-cli: ", 0), 0u) << alone.err;
        const std::string message = alone.err.substr(16, alone.err.size() - 17);
        EXPECT_EQ(lines.at(file)["status"], "failed");
        EXPECT_EQ(lines.at(file)["message"], message);
        EXPECT_TRUE(contains(r.err, "失败：" + file + "：" + message + "\n")) << r.err;
        // A novel that failed before writing leaves no folder of its own behind.
        EXPECT_FALSE(fs::exists(dir / "out" / fs::path(name).stem()));
    }
    EXPECT_TRUE(contains(r.err, unreadable ? "共 6 本：完成 1 本，失败 5 本；" : "共 5 本：完成 1 本，失败 4 本；"))
        << r.err;
    EXPECT_FALSE(folderFiles(dir / "out" / "good").empty());
}

// Ctrl-C or a kill: no new novel starts, the one in flight stops as it would alone, the
// summary says what became of each, and the batch ends with 128 + the signal.
TEST(CliBatch, AStopSignalEndsTheBatchWithASummaryOfWhatWasDone) {
    ScratchDir in, alone;
    const fs::path first = in / "n0.txt";
    writeNovel(first, NovelOptions{.seed = 11, .chapters = 1500, .falseHeadings = false, .paragraphs = 80});
    ASSERT_EQ(runCli({"split", first.string(), "-q", "-o", alone.path().string()}, {}).status, 0);
    const auto reference = folderFiles(alone.path());
    std::vector<std::string> files;
    for (int i = 0; i < 6; ++i) {
        files.push_back((in / (stemOf(i) + ".txt")).string());
        if (i > 0) fs::copy_file(first, files.back());
    }
    for (const int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig);
        ScratchDir out;
        std::vector<std::string> args = {"split"};
        args.insert(args.end(), files.begin(), files.end());
        args.insert(args.end(), {"-o", out.path().string(), "-j", "1"});
        CliRun e;
        // On a busy machine the whole batch may end between the second run starting and the
        // signal: then it goes again.
        for (int attempt = 0;; ++attempt) {
            ASSERT_LT(attempt, 5) << "the batch always ended before the signal";
            for (const auto& f : fs::directory_iterator(out.path()))
                fs::remove_all(f.path());
            Child c = startCli(args);
            // One at a time: once the second novel's run has made its folder, the first has ended.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (std::chrono::steady_clock::now() < deadline && !fs::exists(out / "n1"))
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            kill(c.pid, sig);
            e = finishCli(c);
            if (e.signalled || e.status != 0) break;
        }
        ASSERT_FALSE(e.signalled);
        EXPECT_EQ(e.status, 128 + sig) << e.err;
        int done = 0, stopped = 0, waiting = 0;
        for (int i = 0; i < 6; ++i) {
            const std::string stem = stemOf(i);
            if (contains(e.err, "完成：" + files[i])) {
                ++done;
                EXPECT_TRUE(folderFiles(out / stem) == reference) << stem;
            } else if (contains(e.err, "中断：" + files[i] + "：已中断，")) {
                ++stopped;
                // As a run alone leaves it: nothing in place before the whole input is read, then
                // whole files only, put in place one by one.
                if (fs::exists(out / stem)) {
                    for (const auto& [name, bytes] : folderFiles(out / stem))
                        EXPECT_TRUE(reference.at(name) == bytes) << name << " is not whole";
                }
            } else {
                EXPECT_TRUE(contains(e.err, "未开始：" + files[i] + "\n")) << e.err;
                EXPECT_FALSE(fs::exists(out / stem));
                ++waiting;
            }
        }
        EXPECT_GE(done, 1);
        EXPECT_LE(stopped, 1);
        EXPECT_GE(waiting, 1);
        EXPECT_TRUE(contains(e.err, "共 6 本：完成 " + std::to_string(done) + " 本")) << e.err;
    }
}

// A terminal gets a progress line (novels, megabytes, the novels in flight), wiped before the
// summary; a pipe does not, nor does -q.
TEST(CliBatch, ProgressOnlyOnATerminal) {
    const Library lib;
    const std::vector<std::string> files = lib.files();
    ScratchDir out;
    std::vector<std::string> args = {"split"};
    args.insert(args.end(), files.begin(), files.end());
    args.insert(args.end(), {"-o", out.path().string(), "--existing", "overwrite", "-j", "1"});
    const CliRun piped = runCli(args, {});
    EXPECT_FALSE(contains(piped.err, "\r")) << piped.err;
    const CliRun shown = runCli(args, {.stderrTerminal = true});
    EXPECT_EQ(shown.status, 0);
    EXPECT_TRUE(contains(shown.err, "\r\033[K[")) << shown.err;
    EXPECT_TRUE(contains(shown.err, " 本  ") && contains(shown.err, " MB")) << shown.err;
    EXPECT_TRUE(contains(shown.err, "\r\033[K完成：")); // wiped before the summary
    args.push_back("-q");
    EXPECT_EQ(runCli(args, {.stderrTerminal = true}).err, "");
}

// The novels in flight share the line: every one of them, long names shortened in the middle
// so that their ends (which tell volumes apart) stay; when there is no room for all, those
// that fit and how many there are.
TEST(CliBatch, ProgressNamesEveryNovelInFlightAndKeepsTheEndsOfLongNames) {
    const std::string a = "xiyouji_pg23962_1.txt", b = "xiyouji_pg23962_2.txt", wide = "西游记第一卷全本校对版.txt";
    const std::tuple<std::vector<std::string>, std::size_t, std::string> cases[] = {
        {{a, b}, 60, a + "、" + b},
        {{a, b}, 30, "xiyo…62_1.txt、xiyo…62_2.txt"},
        {{"a.txt", a}, 24, "a.txt、xiyou…3962_1.txt"}, // what the short name leaves goes to the long one
        {{wide}, 16, "西游…校对版.txt"},
        {{a, b, a, b, a}, 30, "xi…_1.txt、xi…_2.txt 等 5 本"},
        {{a}, 4, ""},
    };
    for (const auto& [names, width, want] : cases) {
        const std::string got = pw::cli::inFlightText(names, width);
        EXPECT_EQ(got, want) << width;
        EXPECT_LE(pw::cli::terminalColumns(got), width);
    }
    // A real batch of two at once on a terminal: a line shows both, by the ends of their names.
    ScratchDir dir;
    NovelOptions big = kHuiNovel;
    big.chapters = 600;
    std::vector<std::string> args = {"split", "-p", "第(.){1,10}回", "-o", (dir / "out").string(), "--create-dir",
                                     "-j",    "2"};
    for (const char* name :
         {"a_rather_long_name_of_a_novel_in_a_library_1.txt", "a_rather_long_name_of_a_novel_in_a_library_2.txt"}) {
        writeNovel(dir / name, big);
        args.push_back((dir / name).string());
    }
    const CliRun shown = runCli(args, {.stderrTerminal = true});
    EXPECT_EQ(shown.status, 0) << shown.err;
    bool both = false;
    for (std::size_t at = 0; (at = shown.err.find("\r\033[K", at)) != std::string::npos; ++at) {
        const std::string line = shown.err.substr(at, shown.err.find('\r', at + 1) - at);
        both = both || (contains(line, "…") && contains(line, "_1.txt、") && contains(line, "_2.txt"));
    }
    EXPECT_TRUE(both) << shown.err;
}

// The recipe for a library spread over several machines, run with GNU parallel on this one
// (-S : is this machine, without ssh): the same files, byte for byte, as the batch.
TEST(CliBatch, GnuParallelsRecipeGivesTheBatchsFiles) {
    if (std::system("command -v parallel >/dev/null 2>&1") != 0) GTEST_SKIP() << "GNU parallel is not installed";
    const Library lib;
    const std::vector<std::string> files = lib.files();
    ScratchDir work;
    std::vector<std::string> batch = {"split"};
    batch.insert(batch.end(), files.begin(), files.end());
    batch.insert(batch.end(), {"-o", (work / "batch").string(), "--create-dir", "-c", "4", "-q"});
    ASSERT_EQ(runCli(batch, {}).status, 0);
    // Inputs named as output names may be: "a:b" would keep its ":" in {/.}.
    fs::remove_all(work / "batch" / "ab");
    std::string inputs;
    for (const std::string& f : lib.files())
        if (!contains(f, "a:b")) inputs += " '" + f + "'";
    // The README's recipe, this machine for the hosts, this build for the installed program.
    const std::string recipe = "cd '" + work.path().string() + "' && parallel --will-cite -S : --transferfile {} " +
                               "--return '分卷/{/.}' --cleanup \"mkdir -p 分卷 && '" + PW_CLI_PATH +
                               "' split {} -o 分卷/{/.} --create-dir -c 4 --json\" ::: " + inputs + " > 书库.jsonl";
    ASSERT_EQ(std::system(recipe.c_str()), 0) << recipe;
    EXPECT_EQ(jsonLines(readAll(work / "书库.jsonl")).size(), 2u);
    const auto got = treeFiles(work / "分卷"), want = treeFiles(work / "batch");
    EXPECT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want);
}
