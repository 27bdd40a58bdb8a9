// UTF-16 through the scan and the split: a needle's bytes across two characters never make a
// candidate, and half a unit at the end of a file is told about and kept.
#include <gtest/gtest.h>

#include "platform/paths.h"
#include "scan/scan_pass.h"
#include "support/split_test_util.h"

using namespace pw;

TEST(Utf16Lines, NeedleBytesAcrossTwoCharactersAreNoCandidate) {
    // U+2C41 U+7B7B hold 2C 7B, the bytes of 第, across their boundary; 第一章 is on line 3.
    const std::u16string text = u"\u2C41\u7B7B\r\n\u2C41\u7B7B第\r\n第一章";
    for (const Encoding e : {Encoding::Utf16Le, Encoding::Utf16Be}) {
        Decoder d(e);
        std::string bytes;
        for (const char16_t c : text)
            bytes += d.encode(c);
        pwtest::SplitSetup s(bytes, 1, [](const Text& l) { return l.find(u"第") != Text::npos; });
        ASSERT_EQ(s.encoding, e) << traitsOf(e).name;
        for (const bool prefilter : {true, false}) {
            WorkingState st;
            st.strInFile = fromPath(s.input);
            st.strFindStr = u"第";
            pwtest::ScriptedUi ui;
            struct : ScanReceiver {
                std::vector<std::int64_t> lines;
                void heading(const HeadingFound& h) override { lines.push_back(h.line); }
            } got;
            ScanOptions o;
            o.prefilter = prefilter;
            o.encoding = e;
            const ScanResult r = runScan(st, ui, got, o);
            ASSERT_EQ(r.outcome, ScanOutcome::Finished);
            EXPECT_FALSE(r.encodingDetected);
            EXPECT_EQ(r.lines, 3);
            EXPECT_EQ(got.lines, (std::vector<std::int64_t>{2, 3})) << traitsOf(e).name << prefilter;
        }
    }
}

TEST(Utf16Lines, HalfAUnitAtTheEndIsToldAndKept) {
    Decoder d(Encoding::Utf16Le);
    std::string bytes = "\xFF\xFE";
    for (const char16_t c : std::u16string(u"第一章\r\n正文\r\n第二章\r\n正文"))
        bytes += d.encode(c);
    bytes += "\x41";
    pwtest::SplitSetup s(bytes, 1, pwtest::looksLikeHeading);
    s.st.strFindStr = u"第(.){1,10}章";
    struct : ScanReceiver {
        void heading(const HeadingFound&) override {}
    } none;
    const ScanResult r = runScan(s.st, s.ui, none);
    ASSERT_EQ(r.outcome, ScanOutcome::Finished);
    EXPECT_EQ(r.lines, 4);
    ASSERT_EQ(s.ui.boxes.size(), 1u);
    EXPECT_EQ(s.ui.boxes[0].id, MsgId::OddTrailingByte);
    EXPECT_EQ(s.ui.boxes[0].style, MsgStyle::Notice);
    EXPECT_EQ(s.ui.boxes[0].text, u"文件末尾多出一个字节，凑不成完整的 UTF-16LE 字符：" + fromPath(s.input) +
                                      u"（该字节算作最后一行的内容，输出时原样保留）");
    // The status is the usual one, and the byte goes out with the last line.
    EXPECT_EQ(s.ui.lastStatus(), "分析完毕！文件大小：0KB，共 2 行符合条件");
    s.ui.boxes.clear();
    ASSERT_EQ(s.run().end, SplitEnd::Done) << s.ui.lastStatus();
    EXPECT_EQ(s.file(2), "\xFF\xFE" + bytes.substr(bytes.size() - 15) + std::string("\x0D\x00\x0A\x00", 4));
    // In UTF-8 it is one U+FFFD, and counted.
    std::filesystem::remove_all(s.out);
    std::filesystem::create_directories(s.out);
    s.st.outputEncoding = OutputEncoding::Utf8;
    const SplitResult u8 = s.run();
    ASSERT_EQ(u8.end, SplitEnd::Done);
    EXPECT_EQ(u8.replaced, 1);
    EXPECT_EQ(s.file(2), "第二章\r\n正文\uFFFD\r\n");
    EXPECT_EQ(s.ui.boxes.size(), 1u);
}
