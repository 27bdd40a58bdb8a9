// What the split pass tells its receiver, the output plan it shows before touching a file,
// and a question the front end refuses (Cancel) rather than answers.
#include <gtest/gtest.h>

#include "support/split_test_util.h"

using namespace pwtest;
using pw::MsgAnswer;
using pw::MsgId;
using pw::SplitEnd;

namespace {

struct Opened {
    std::int64_t index;
    pw::Text path;
    bool appended;
    bool operator==(const Opened&) const = default;
};

class Recorder : public pw::SplitReceiver {
public:
    bool planned(const pw::OutputPlan& p) override {
        plan = p;
        return goOn;
    }
    void fileOpened(std::int64_t index, pw::TextView path, bool appended) override {
        opened.push_back({index, pw::Text(path), appended});
    }
    void progress(int percent) override { percents.push_back(percent); }
    void finished(std::int64_t files) override { finishedWith = files; }
    void refused(MsgId why) override { refusals.push_back(why); }

    bool goOn = true;
    pw::OutputPlan plan;
    std::vector<Opened> opened;
    std::vector<int> percents;
    std::int64_t finishedWith = -1;
    std::vector<MsgId> refusals;
};

// Lines "Ln", the ones in `headings` written "CHn".
std::string novel(int last, std::initializer_list<int> headings) {
    std::string s;
    for (int n = 1; n <= last; ++n)
        s += (std::find(headings.begin(), headings.end(), n) != headings.end() ? "CH" : "L") + std::to_string(n) +
             "\r\n";
    return s;
}

} // namespace

TEST(SplitReceiver, PlanOpenedFilesProgressAndTheEnd) {
    SplitSetup s(novel(12, {3, 6, 9}), 1);
    writeAll(s.pathOf(1), "old one\r\n");
    writeAll(s.pathOf(2), "old two\r\n");
    s.ui.answer({MsgAnswer::No, MsgAnswer::Yes}); // append to 01, make 02 anew
    Recorder r;
    ASSERT_EQ(pw::runSplit(s.st, {}, s.ui, r).end, SplitEnd::Done);

    ASSERT_EQ(r.plan.files.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(r.plan.files[i].index, static_cast<std::int64_t>(i));
        EXPECT_EQ(r.plan.files[i].path, pw::fromPath(s.pathOf(static_cast<std::int64_t>(i))));
        EXPECT_EQ(r.plan.files[i].exists, i == 1 || i == 2) << i;
    }
    EXPECT_EQ(r.plan.files[0].name, u"小说(index)");
    EXPECT_FALSE(r.plan.sameAsInput);

    EXPECT_EQ(r.opened, (std::vector<Opened>{{0, r.plan.files[0].path, false},
                                             {1, r.plan.files[1].path, true},
                                             {2, r.plan.files[2].path, false},
                                             {3, r.plan.files[3].path, false}}));
    // The same per cents as the bar, without its closing reset.
    EXPECT_EQ(r.percents, std::vector<int>(s.ui.progress.begin(), s.ui.progress.end() - 1));
    EXPECT_EQ(r.finishedWith, 4);
    EXPECT_TRUE(r.refusals.empty());
    EXPECT_EQ(s.file(1), "old one\r\n" + novel(5, {3, 6, 9}).substr(std::string("L1\r\nL2\r\n").size()));
    EXPECT_EQ(s.file(2), "CH6\r\nL7\r\nL8\r\n");
    ASSERT_EQ(s.ui.boxes.size(), 2u);
    EXPECT_EQ(s.ui.boxes[0].text, r.plan.files[1].path + u"已存在，删除？");
    EXPECT_EQ(s.ui.boxes[1].text, r.plan.files[2].path + u"已存在，删除？");
    EXPECT_EQ(s.ui.boxes[0].style, pw::MsgStyle::Warning);
    EXPECT_EQ(s.ui.lastStatus(), "处理完毕，一共 4 个文件！"); // appended-to files count
}

TEST(SplitReceiver, RefusalsReachTheReceiverAndAPlanRefusedTouchesNothing) {
    // The receiver says no to the plan: no file, no box, no question.
    SplitSetup s(novel(8, {3, 6}), 1);
    writeAll(s.pathOf(1), "kept\r\n");
    Recorder r;
    r.goOn = false;
    EXPECT_EQ(pw::runSplit(s.st, {}, s.ui, r).end, SplitEnd::Refused);
    EXPECT_EQ(s.outputs(), (std::map<std::int64_t, std::string>{{1, "kept\r\n"}}));
    EXPECT_TRUE(s.ui.boxes.empty());
    EXPECT_TRUE(r.opened.empty());

    // A refusal before the plan reaches the receiver by its id.
    SplitSetup all(novel(8, {3, 6}), 1);
    Recorder r2;
    EXPECT_EQ(pw::runSplit(all.st, {0, 1}, all.ui, r2).end, SplitEnd::Refused);
    EXPECT_EQ(r2.refusals, std::vector<MsgId>{MsgId::AllExcluded});
    EXPECT_TRUE(r2.plan.files.empty());
}

TEST(SplitReceiver, AQuestionRefusedStopsThePassWithoutAppending) {
    // A front end that may not answer "exists, delete?" for the user refuses it: the file is
    // left as it was, the files before it stay written, and the run ends refused, not done.
    SplitSetup s(novel(9, {4, 7}), 1);
    writeAll(s.pathOf(2), "not mine\r\n");
    s.ui.answer({MsgAnswer::Cancel});
    Recorder r;
    const pw::SplitResult res = pw::runSplit(s.st, {}, s.ui, r);
    EXPECT_EQ(res.end, SplitEnd::Refused);
    EXPECT_EQ(res.files, 2);
    EXPECT_EQ(s.file(2), "not mine\r\n");
    EXPECT_EQ(s.outputs().size(), 3u); // (index), 01, and the untouched 02
    ASSERT_EQ(s.ui.boxes.size(), 1u);
    EXPECT_EQ(s.ui.boxes[0].id, MsgId::OutputExists);
    EXPECT_EQ(s.ui.lastStatus(), "输出已中止。");
    EXPECT_EQ(r.refusals, std::vector<MsgId>{MsgId::OutputExists});
    EXPECT_EQ(r.finishedWith, -1);
}
