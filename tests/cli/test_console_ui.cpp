// The command line's answers come from the message's id and the options, never from its text.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/console_ui.h"

using namespace pw;
using pw::cli::CliOptions;
using pw::cli::ConsoleUi;
using pw::cli::Existing;

namespace {

struct Console {
    CliOptions opts;
    std::FILE* err = std::tmpfile();
    ~Console() { std::fclose(err); }
    MsgAnswer ask(const Message& msg) {
        ConsoleUi ui(opts, err, false, false);
        return ui.messageBox(msg);
    }
    std::string said() {
        std::fflush(err);
        std::rewind(err);
        std::string s;
        for (int c; (c = std::fgetc(err)) != EOF;)
            s += static_cast<char>(c);
        return s;
    }
};

} // namespace

TEST(ConsoleUi, ExistingFileQuestionFollowsTheOptionAndOthersAreRefused) {
    const Message exists{MsgId::OutputExists, u"/out/小说01.txt已存在，删除？", u"/out/小说01.txt"};
    for (const auto& [existing, answer] :
         {std::pair{Existing::Overwrite, MsgAnswer::Yes}, std::pair{Existing::Append, MsgAnswer::No}}) {
        Console c;
        c.opts.existing = existing;
        EXPECT_EQ(c.ask(exists), answer);
        EXPECT_EQ(c.said(), "");
    }
    // Refused, the question becomes a statement of the stop and of the way on.
    Console fail;
    EXPECT_EQ(fail.ask(exists), MsgAnswer::Cancel);
    EXPECT_EQ(fail.said(), "pagewright-cli: 输出文件已存在：/out/小说01.txt，已停止。"
                           "可用 --existing overwrite 覆盖，或 --existing append 追加。\n");

    // Another question that happens to read the same is not waved through by --existing,
    // and is said by its own id, whatever its text.
    Console other;
    other.opts.existing = Existing::Overwrite;
    EXPECT_EQ(other.ask({MsgId::SizeChanged, exists.text}), MsgAnswer::Cancel);
    EXPECT_EQ(other.ask({MsgId::SizeChanged, u"文件被修改，继续输出？"}), MsgAnswer::Cancel);
    const std::string changed = "pagewright-cli: 输入文件在分析之后被修改，已停止，请重新分析。\n";
    EXPECT_EQ(other.said(), changed + changed);

    // The folder offer follows --create-dir; a refusal is answered OK.
    Console offer;
    offer.opts.out = "/no/such";
    offer.opts.file = "/in/\xB2\xE2.txt"; // a GBK name: printed in its own bytes
    EXPECT_EQ(offer.ask({MsgId::OfferCreateFolder, u"目录不存在，创建吗？"}), MsgAnswer::Cancel);
    offer.opts.createDir = true;
    EXPECT_EQ(offer.ask({MsgId::OfferCreateFolder, u"目录不存在，创建吗？"}), MsgAnswer::Yes);
    EXPECT_EQ(offer.ask({MsgId::InputMissing, u"输入文件不存在！"}), MsgAnswer::Ok);
    EXPECT_EQ(offer.said(), "pagewright-cli: 输出目录不存在：/no/such，已停止。加 --create-dir 可创建它。\n"
                            "pagewright-cli: 输入文件不存在：/in/\xB2\xE2.txt，请检查文件名。\n");
}

// No line the command line prints for a message of the core ends in a question, or in the
// window's bare exclamation: each says what happened and what to do.
TEST(ConsoleUi, EveryQuestionAndRefusalOfTheSplitIsAStatement) {
    const Text path = u"/out/小说01.txt";
    for (const MsgId id : {MsgId::NotAnalyzed, MsgId::NoHeadings, MsgId::NotCurrentFile, MsgId::SizeChanged,
                           MsgId::AllExcluded, MsgId::OutputIsInput, MsgId::OutputExists, MsgId::OutputBusy,
                           MsgId::OutputIsLink, MsgId::OutputAppeared, MsgId::InputShrank, MsgId::NoInputFile,
                           MsgId::NoOutDir, MsgId::BadOutName, MsgId::NameNumberTooBig, MsgId::CountOutOfRange}) {
        Console c;
        c.ask({id, u"窗口的问题？", path});
        const std::string line = c.said();
        SCOPED_TRACE(line);
        EXPECT_EQ(line.find("窗口的问题"), std::string::npos); // worded by its id
        EXPECT_EQ(line.find("？"), std::string::npos);
        EXPECT_EQ(line.find("！"), std::string::npos);
        EXPECT_NE(line.find("。\n"), std::string::npos);
        const bool namesPath = id == MsgId::OutputIsInput || id == MsgId::OutputExists || id == MsgId::OutputBusy ||
                               id == MsgId::OutputIsLink || id == MsgId::OutputAppeared;
        EXPECT_EQ(line.find("/out/小说01.txt") != std::string::npos, namesPath);
    }
}
