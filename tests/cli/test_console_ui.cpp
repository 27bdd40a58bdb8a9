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
    MsgAnswer ask(MsgId id, const Text& text) {
        ConsoleUi ui(opts, err, false, false);
        return ui.messageBox({id, text});
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
    const Text exists = u"/out/小说01.txt已存在，删除？";
    for (const auto& [existing, answer] :
         {std::pair{Existing::Overwrite, MsgAnswer::Yes}, std::pair{Existing::Append, MsgAnswer::No}}) {
        Console c;
        c.opts.existing = existing;
        EXPECT_EQ(c.ask(MsgId::OutputExists, exists), answer);
        EXPECT_EQ(c.said(), "");
    }
    Console fail;
    EXPECT_EQ(fail.ask(MsgId::OutputExists, exists), MsgAnswer::Cancel);
    EXPECT_EQ(fail.said(), "pagewright-cli: /out/小说01.txt已存在，删除\n");

    // Another question that happens to read the same is not waved through by --existing.
    Console other;
    other.opts.existing = Existing::Overwrite;
    EXPECT_EQ(other.ask(MsgId::SizeChanged, exists), MsgAnswer::Cancel);
    EXPECT_EQ(other.ask(MsgId::SizeChanged, u"文件被修改，继续输出？"), MsgAnswer::Cancel);
    EXPECT_EQ(other.said(), "pagewright-cli: /out/小说01.txt已存在，删除\npagewright-cli: 文件被修改，继续输出\n");

    // The folder offer follows --create-dir; a refusal is said as it is and answered OK.
    Console offer;
    EXPECT_EQ(offer.ask(MsgId::OfferCreateFolder, u"目录不存在，创建吗？"), MsgAnswer::Cancel);
    offer.opts.createDir = true;
    EXPECT_EQ(offer.ask(MsgId::OfferCreateFolder, u"目录不存在，创建吗？"), MsgAnswer::Yes);
    EXPECT_EQ(offer.ask(MsgId::InputMissing, u"输入文件不存在！"), MsgAnswer::Ok);
    EXPECT_EQ(offer.said(),
              "pagewright-cli: 输出目录不存在（加 --create-dir 可创建）：\npagewright-cli: 输入文件不存在！\n");
}
