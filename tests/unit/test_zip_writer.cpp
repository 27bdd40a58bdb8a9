// The archive writer: entries deflated by any number of workers make the same archive byte
// for byte, in the order they were begun, and unzip reads every entry back as it was written.
#include <gtest/gtest.h>

#include "formats/epub/zip_writer.h"
#include "support/novel.h"
#include "support/split_test_util.h"

using namespace pwtest;
namespace fs = std::filesystem;

namespace {

struct Written {
    std::string name;
    std::string bytes;
    bool deflate;
};

std::string run(const std::string& cmd) {
    std::string out;
    if (FILE* p = popen((cmd + " 2>&1").c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
            out.append(buf, n);
        pclose(p);
    }
    return out;
}

std::string archive(const fs::path& path, const std::vector<Written>& entries, int workers, int level) {
    fs::remove(path);
    pw::OutputFile out;
    EXPECT_FALSE(out.open(pw::fromPath(path), pw::OutputMode::Create));
    {
        pw::ZipWriter zip(out, 1700000000, workers);
        for (const Written& w : entries) {
            EXPECT_TRUE(zip.begin(w.name, w.deflate, level));
            // Written in pieces, as the book writes a page while it grows.
            for (std::size_t at = 0; at < w.bytes.size(); at += 4099)
                EXPECT_TRUE(zip.write(std::string_view(w.bytes).substr(at, 4099)));
        }
        EXPECT_TRUE(zip.finish());
    }
    EXPECT_FALSE(out.close());
    return readAll(path);
}

} // namespace

TEST(ZipWriter, AnyNumberOfWorkersWritesTheSameArchiveThatUnzipReadsBack) {
    const Novel novel = makeNovel({.encoding = NovelEncoding::Utf8, .chapters = 60, .paragraphs = 40});
    std::vector<Written> entries{{"mimetype", "application/epub+zip", false}, {"empty.txt", "", true}};
    // Pages of every size up to a few hundred KB, more of them than the workers hold at once.
    for (std::size_t at = 0, n = 1; at < novel.bytes.size(); at += n, n = n * 7 + 1000)
        entries.push_back({"OEBPS/text/p" + std::to_string(entries.size()) + ".xhtml", novel.bytes.substr(at, n), true});
    entries.push_back({"stored.bin", novel.bytes.substr(0, 70000), false});

    ScratchDir dir;
    for (const int level : {1, 6}) {
        SCOPED_TRACE(level);
        const std::string alone = archive(dir / "alone.zip", entries, 0, level);
        EXPECT_EQ(archive(dir / "one.zip", entries, 1, level), alone);
        EXPECT_EQ(archive(dir / "two.zip", entries, 2, level), alone);
        EXPECT_EQ(archive(dir / "many.zip", entries, 5, level), alone);
        // The mimetype first and stored, its content at offset 38 where readers look for it.
        EXPECT_EQ(alone.substr(30, 8), "mimetype");
        EXPECT_EQ(alone.substr(38, 20), "application/epub+zip");
    }
    EXPECT_NE(run("unzip -tq '" + (dir / "two.zip").string() + "'").find("No errors"), std::string::npos);
    for (const Written& w : entries)
        EXPECT_EQ(run("unzip -p '" + (dir / "two.zip").string() + "' '" + w.name + "'"), w.bytes) << w.name;
}
