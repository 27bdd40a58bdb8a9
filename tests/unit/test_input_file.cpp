// An open input file's length is the length of the file that was opened, whatever its name
// points to by the time it is asked.
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

#include "platform/files.h"
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
