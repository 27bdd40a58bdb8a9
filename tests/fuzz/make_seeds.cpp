// Writes the fuzz targets' first inputs, made by the novel generator: novels in every
// encoding and line-end style, their heading lines, and the fields a user types. Usage:
// fuzz_seeds <folder>; each target's inputs go into <folder>/<target>/.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/images.h"
#include "support/novel.h"

namespace fs = std::filesystem;

namespace {

void put(const fs::path& dir, int n, const std::string& bytes) {
    fs::create_directories(dir);
    std::ofstream(dir / ("seed-" + std::to_string(n)), std::ios::binary) << bytes;
}

char encodingIndex(pwtest::NovelEncoding e) {
    const auto it = std::find(std::begin(pw::kAllEncodings), std::end(pw::kAllEncodings), pwtest::coreEncoding(e));
    return static_cast<char>(it - std::begin(pw::kAllEncodings));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const fs::path out = argv[1];
    int n = 0;
    for (const pwtest::NovelEncoding enc : pwtest::kAllNovelEncodings)
        for (const pwtest::LineEnds ends : {pwtest::LineEnds::CrLf, pwtest::LineEnds::Lf, pwtest::LineEnds::Mixed}) {
            const pwtest::Novel novel = pwtest::makeNovel({.encoding = enc,
                                                           .lineEnds = ends,
                                                           .seed = static_cast<std::uint32_t>(++n),
                                                           .chapters = 2,
                                                           .paragraphs = 2,
                                                           .paragraphChars = 30});
            const std::string bytes = novel.bytes.substr(0, 3000);
            put(out / "encoding", n, std::string(1, static_cast<char>(n)) + bytes);
            put(out / "table_decoder", n, std::string(1, static_cast<char>(n)) + bytes);
            put(out / "line_reader", n,
                std::string{encodingIndex(enc), static_cast<char>(n * 7), static_cast<char>(n * 13)} + bytes);
            put(out / "split_feeds", n,
                std::string{static_cast<char>(n), static_cast<char>(n * 5), static_cast<char>(n * 31)} + bytes);
            std::string lines(1, static_cast<char>(n % 3));
            for (const pwtest::PlantedLine& p : novel.planted)
                lines += p.text + "\n";
            put(out / "heading", n, lines);
        }
    const char* fields[] = {
        "\x01novel.txt\x01/tmp\x01小说01\x01第(.){1,10}章\x01"
        "6\x01"
        "1,3-5",
        "\x02/tmp/a b.txt\x01.\x01(index)\x01第\\d+章\x01"
        "0\x01"
        "2-1,x",
        "\x41\x01\x01小说0099\x01\x01 12 \x01",
        "\x00全集.ini\x01/nonexistent/dir\x01a*b\x01[\x01"
        "2147483648\x01"
        "9223372036854775807",
    };
    for (const char* f : fields)
        put(out / "intake", ++n, std::string(f, f + std::char_traits<char>::length(f + 1) + 1));
    put(out / "out_name", ++n, std::string("\x01\0\0\0\x06\x01\0\0", 8) + "/tmp/out\x01小说");
    // The book's text: lines of a novel with markup and control characters, and file names.
    put(out / "epub_text", ++n, "　　他说：<b>“A & B”</b>\t\x01\x1F结束");
    put(out / "epub_text", ++n, "《斗破苍穹》作者：天蚕土豆");
    put(out / "epub_text", ++n, "【雪中悍刀行】 by 烽火");
    put(out / "out_name", ++n, std::string("\xff\xff\xff\x7f\x27\x7f\x01\0", 8) + "C:\\书\\\x01全集");
    // Rule lists in both of legado's formats, and the covers the tests use.
    put(out / "clean_rules", ++n,
        R"([{"name":"价","pattern":"(\\d+)元","replacement":"$1块","isRegex":true,"scopeContent":true,"order":1},)"
        R"({"replaceSummary":"旧","regex":"\\u3000+广告","replacement":"","enable":true,"serialNumber":2}])");
    put(out / "toc_rules", ++n,
        R"([{"name":"目录","rule":"(?<=[　\\s])第.{1,8}章.{0,30}$","enable":true,"example":"第一章"},)"
        R"({"name":"等","rule":"(?<=\\={3,6})第.章","enable":false,"serialNumber":1}])");
    put(out / "cover_check", ++n, pwtest::pngPixel());
    put(out / "cover_check", ++n, pwtest::jpegPixel());
    return 0;
}
