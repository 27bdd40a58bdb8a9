// Writes one generated novel to a file, for benchmark input when no real novels are at hand;
// prints to stderr how many lines it planted and how many of them the default pattern finds.
// Usage: pw-make-novel OUT [--chapters N] [--seed S] [--encoding gb18030|utf-8|utf-8-bom|utf-16le|big5|...]
//                          [--line-ends crlf|lf|cr|mixed] [--word 章|回] [--paragraphs N]
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "support/novel.h"

using namespace pwtest;

int main(int argc, char** argv) {
    // An option where the file name belongs (--help) would otherwise become the file written.
    if (argc < 2 || argv[1][0] == '-') {
        const bool asked = argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
        std::fprintf(asked ? stdout : stderr,
                     "usage: %s OUT [--chapters N] [--seed S] [--encoding E] [--line-ends L] [--word W] [--paragraphs N]\n",
                     argv[0]);
        return asked ? 0 : 2;
    }
    NovelOptions o;
    o.badBytes = false; // the benchmarks compare counts with tools that may read them otherwise
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        if (key == "--chapters") {
            o.chapters = std::stoi(value);
        } else if (key == "--seed") {
            o.seed = static_cast<std::uint32_t>(std::stoul(value));
        } else if (key == "--paragraphs") {
            o.paragraphs = std::stoi(value);
        } else if (key == "--encoding") {
            bool known = false;
            for (const NovelEncoding e : kAllNovelEncodings) {
                if (nameOf(e) != value) continue;
                o.encoding = e;
                known = true;
            }
            if (!known) {
                std::fprintf(stderr, "unknown encoding %s\n", value.c_str());
                return 2;
            }
        } else if (key == "--line-ends") {
            o.lineEnds = value == "lf"      ? LineEnds::Lf
                         : value == "cr"    ? LineEnds::Cr
                         : value == "mixed" ? LineEnds::Mixed
                                            : LineEnds::CrLf;
        } else if (key == "--word") {
            o.chapterWord = value == "回" ? U'回' : U'章';
        } else {
            std::fprintf(stderr, "unknown option %s\n", key.c_str());
            return 2;
        }
    }
    const Novel novel = makeNovel(o);
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(novel.bytes.data(), static_cast<std::streamsize>(novel.bytes.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    int trueLines = 0, falseLines = 0, falseFound = 0;
    for (const PlantedLine& p : novel.planted) {
        (p.kind == PlantedLine::Kind::True ? trueLines : falseLines)++;
        if (p.kind == PlantedLine::Kind::False && diPatternMatches(p.text, U'章')) ++falseFound;
    }
    std::fprintf(stderr,
                 "%zu bytes, %zu lines; planted %d headings and %d false ones, %d of which 第(.){1,10}章 finds\n",
                 novel.bytes.size(), novel.lines.size(), trueLines, falseLines, falseFound);
    return 0;
}
