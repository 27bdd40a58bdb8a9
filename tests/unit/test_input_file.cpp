// An open input file's length is the length of the file that was opened, whatever its name
// points to by the time it is asked; the start of a novel is decoded once.
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/input_head.h"
#include "platform/paths.h"
#include "support/corpus.h"

using namespace pwtest;

TEST(InputFile, SizeIsTheOpenFilesEvenAfterItsNameIsReplaced) {
    ScratchDir dir;
    const auto path = dir / "novel.txt";
    writeAll(path, std::string(1000, 'a'));
    pw::InputFile in;
    ASSERT_FALSE(in.open(pw::fromPath(path)));
    EXPECT_EQ(in.size(), 1000);
    // Another program saves a new version by writing a new file and renaming it over the name.
    writeAll(dir / "new.txt", std::string(10, 'b'));
    std::filesystem::rename(dir / "new.txt", path);
    EXPECT_EQ(in.size(), 1000);
    std::string head(4, '\0');
    EXPECT_EQ(in.read(head.data(), head.size()).value_or(0), 4u);
    EXPECT_EQ(head, "aaaa");
    in.close();
    EXPECT_EQ(pw::InputFile().size(), -1);
}

// The system's reasons come in Chinese for the causes people meet; a rarer one keeps the
// system's own words after a Chinese lead.
TEST(InputFile, SystemReasonsAreSaidInChinese) {
    ScratchDir dir;
    pw::InputFile in;
    const auto missing = in.open(pw::fromPath(dir / "none.txt"));
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->reason, u"文件或文件夹不存在");
    writeAll(dir / "file", "x");
    const auto underFile = in.open(pw::fromPath(dir / "file" / "a.txt"));
    ASSERT_TRUE(underFile);
    EXPECT_EQ(underFile->reason, u"路径中有一项不是文件夹");
    const std::pair<int, const char16_t*> said[] = {
        {EACCES, u"没有权限"},        {EPERM, u"没有权限"},           {ENOSPC, u"磁盘空间不足"},
        {EROFS, u"文件系统是只读的"}, {EEXIST, u"文件已存在"},        {EISDIR, u"这是一个文件夹"},
        {EDQUOT, u"超出磁盘配额"},    {EMFILE, u"打开的文件太多"},    {ENFILE, u"系统打开的文件太多"},
        {EFBIG, u"文件太大"},         {EIO, u"读写出错（I/O 错误）"},
    };
    for (const auto& [err, text] : said)
        EXPECT_EQ(pw::reasonFromErrno(err), text) << err;
    EXPECT_EQ(pw::reasonFromErrno(ENOTSUP), u"系统错误：" + pw::fromUtf8(std::strerror(ENOTSUP)));
}

// The start of a novel is decoded once for everyone who looks at it (the rule's choice, the
// paragraph layout, the script): the same file read again is the same lines, and a file saved
// anew under the same name, or asked for in another encoding, is read anew.
TEST(InputHead, DecodedOnceAndReadAnewWhenTheFileChanges) {
    ScratchDir dir;
    const auto path = dir / "novel.txt";
    writeAll(path, "第一章\r\n正文\n");
    const auto first = pw::readInputHead(path);
    ASSERT_FALSE(first->error);
    EXPECT_EQ(first->lines, (std::vector<pw::Text>{u"第一章", u"正文"}));
    EXPECT_EQ(pw::readInputHead(path), first);
    EXPECT_EQ(pw::readInputHead(path, first->encoding), first) << "the encoding found, given back";
    EXPECT_NE(pw::readInputHead(path, pw::Encoding::Big5), first);
    EXPECT_EQ(pw::readInputHead(path), pw::readInputHead(path)) << "asked for as the scan finds it";

    // Same size, new bytes, written by renaming a new file over the name.
    writeAll(dir / "new.txt", "第二章\r\n新文\n");
    std::filesystem::rename(dir / "new.txt", path);
    EXPECT_EQ(pw::readInputHead(path)->lines, (std::vector<pw::Text>{u"第二章", u"新文"}));
    EXPECT_TRUE(pw::readInputHead(dir / "none.txt")->error);
}
