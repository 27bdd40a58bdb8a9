// An open input file's length is the length of the file that was opened, whatever its name
// points to by the time it is asked.
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
