// List plays and the selection text of both kinds of start.

#include "Cstim.h"
#include "ExecObserver.h"
#include "SelectionText.h"

#include <QString>

namespace {

std::vector<int> Selected(const std::vector<uint8_t>& mask) {
    std::vector<int> numbers;
    for (size_t i = 0; i < mask.size(); ++i)
        if (mask[i])
            numbers.push_back(static_cast<int>(i) + 1);
    return numbers;
}

std::vector<int> Range(int first, int last) {
    std::vector<int> numbers;
    for (int n = first; n <= last; ++n)
        numbers.push_back(n);
    return numbers;
}

TEST(Selection, TableOfExamplesWithCountTen) {
    struct Case {
        const char* text;
        std::vector<int> selected;
    };
    const std::vector<Case> cases{
        {"1,3,5-7", {1, 3, 5, 6, 7}},
        {"7-5", {5, 6, 7}},
        {"-3", Range(1, 3)},
        {"8-", Range(8, 10)},
        {"0-99", Range(1, 10)},
        {"12", {}},
        {"0", {}},
        {"5 -7", Range(1, 7)}, // two items: 5 and -7
        {"-", Range(1, 10)},
        {"", Range(1, 10)},
        {" \t\r\n", Range(1, 10)},
        {"3,3,1", {1, 3}},
        {" 2 , 4 ", {2, 4}},
        {",,9,", {9}},
        {"x,2", {2}},
        {"x-3", Range(1, 3)},
        {"8-y", Range(8, 10)},
        {"\"4 - 6\"", {4, 5, 6}}, // a quoted item keeps its blanks
        {"\"2\"\"\",5", {5}},     // a doubled quote stands for one: 2" is no number
        {"99999999999,1", {1}},
        // Only the first '-' divides a range: the last end "5-7" is no number (the count).
        {"-5-7", Range(1, 10)},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> mask;
        ASSERT_TRUE(BuildSelectionMask(QString::fromUtf8(c.text), 10, mask)) << c.text;
        EXPECT_EQ(mask.size(), 10u);
        EXPECT_EQ(Selected(mask), c.selected) << "selection \"" << c.text << "\"";
    }
}

TEST(Selection, CountsAtTheEdges) {
    std::vector<uint8_t> mask{1, 1};
    EXPECT_TRUE(BuildSelectionMask(QString(), 0, mask));
    EXPECT_TRUE(mask.empty());
    EXPECT_FALSE(BuildSelectionMask(QStringLiteral("1"), -1, mask));
    EXPECT_TRUE(mask.empty());

    CExecTable exec;
    EXPECT_TRUE(exec.SetSelection(QStringLiteral("2-3"), 4));
    EXPECT_EQ(exec.selectionMask(), (std::vector<uint8_t>{0, 1, 1, 0}));
}

class ListPlay : public ::testing::Test {
protected:
    void SetUp() override {
        stimuli.SetCount(3);
        exec.setNotifyWindow(observer.Handle());
    }

    std::vector<ExecPost> Play(const QString& selection, ExecDriver::React react) {
        ExecDriver driver(observer, ExecListEnded, std::move(react));
        EXPECT_TRUE(exec.StartStimuli(&stimuli, selection));
        EXPECT_TRUE(driver.Join()) << "the list play did not end";
        EXPECT_TRUE(observer.SkipTo(ExecIdle));
        std::vector<ExecPost> posts = observer.All();
        while (!posts.empty() && posts.front().state != ExecListBegin)
            posts.erase(posts.begin());
        return posts;
    }

    static std::vector<std::pair<int, int>> StatesAndNumbers(const std::vector<ExecPost>& posts) {
        std::vector<std::pair<int, int>> out;
        for (const ExecPost& p : posts)
            out.emplace_back(p.state, p.a);
        return out;
    }

    CStimuli stimuli;
    ExecObserver observer;
    CExecTable exec;
};

TEST_F(ListPlay, PlaysTheSelectedStimuliInOrder) {
    const auto posts = Play(QStringLiteral("3,1"), ProceedOnEveryWait(exec));
    EXPECT_EQ(StatesAndNumbers(posts),
              (std::vector<std::pair<int, int>>{{1, 0}, {2, 1}, {4, 0}, {2, 3}, {4, 0}, {7, 0}, {0, 0}}));
}

TEST_F(ListPlay, HaltsAfterEachStimulusButTheLast) {
    exec.setPauseEachStimulus(true);
    const auto posts = Play(QStringLiteral("1,3"), ProceedOnEveryWait(exec));
    EXPECT_EQ(StatesAndNumbers(posts),
              (std::vector<std::pair<int, int>>{
                  {1, 0}, {2, 1}, {4, 0}, {3, 1}, {4, 0}, {2, 3}, {4, 0}, {7, 0}, {0, 0}}));
}

TEST_F(ListPlay, NothingSelectedOrNoStimuli) {
    EXPECT_EQ(StatesOfRun(observer), std::vector<int>{});
    Play(QStringLiteral("0"), [](const ExecPost&) {});
    EXPECT_EQ(StatesOfRun(observer), (std::vector<int>{1, 7}));
    stimuli.SetCount(0);
    Play(QString(), [](const ExecPost&) {});
    EXPECT_EQ(StatesOfRun(observer), (std::vector<int>{1, 7}));
}

TEST_F(ListPlay, PauseResumePlaysTheSameStimulusAgainAndStopEndsThePlay) {
    // Pause while stimulus 2 plays; a second Pause while paused changes nothing; Resume
    // plays stimulus 2 again; a Pause during the replay is ended by Stop.
    int stimulusPosts = 0;
    const auto posts = Play(QString(), [&](const ExecPost& p) {
        if (p.state == ExecListStimulus) {
            ++stimulusPosts;
            if (p.a == 2) {
                EXPECT_TRUE(exec.Pause());
                // The stimulus has ended too: true while the state is still 2, posting
                // nothing; false once the thread has paused.
                exec.Proceed();
            } else {
                EXPECT_TRUE(exec.Proceed());
            }
        } else if (p.state == ExecListPaused) {
            EXPECT_TRUE(exec.Pause()) << "already paused";
            if (stimulusPosts == 2) {
                EXPECT_TRUE(tamvik_test::StaysFalse([&] { return exec.state() != ExecListPaused; }, 100ms))
                    << "a second Pause must not end the pause";
                EXPECT_TRUE(exec.Resume());
            } else {
                EXPECT_TRUE(exec.Stop());
            }
        }
    });
    EXPECT_EQ(StatesAndNumbers(posts),
              (std::vector<std::pair<int, int>>{
                  {1, 0}, {2, 1}, {4, 0}, {2, 2}, {5, 2}, {6, 0}, {2, 2}, {5, 2}, {7, 0}, {0, 0}}));
    EXPECT_FALSE(exec.Stop()) << "Stop when idle";
}

TEST_F(ListPlay, StopWhileHalted) {
    exec.setPauseEachStimulus(true);
    const auto posts = Play(QString(), [&](const ExecPost& p) {
        if (p.state == ExecListStimulus) {
            exec.Proceed();
        } else if (p.state == ExecListHalt) {
            EXPECT_TRUE(exec.Stop());
        }
    });
    EXPECT_EQ(StatesAndNumbers(posts),
              (std::vector<std::pair<int, int>>{{1, 0}, {2, 1}, {4, 0}, {3, 1}, {7, 0}, {0, 0}}));
}

TEST_F(ListPlay, WithoutAWindowTheStateIsStillKept) {
    exec.setNotifyWindow(0);
    const size_t before = observer.All().size();
    ASSERT_TRUE(exec.StartStimuli(&stimuli, QStringLiteral("2")));
    EXPECT_TRUE(tamvik_test::WaitUntil([&] { return exec.state() == ExecListStimulus; }));
    EXPECT_EQ(exec.stimuliRequest(), &stimuli);
    EXPECT_FALSE(exec.StartStimuli(&stimuli, QString())) << "busy";
    EXPECT_TRUE(exec.Stop());
    EXPECT_TRUE(tamvik_test::WaitUntil([&] { return exec.state() == ExecIdle; }));
    EXPECT_EQ(observer.All().size(), before) << "nothing reaches a window that is not set";
}

} // namespace
