// The stimulus card's audition on the low-latency path, through libvantrel.so and its
// null driver.
#include "AuditionFixture.h"

#include "CardUnit.h"

#include <QAction>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

namespace {

constexpr uint32_t Rate = 192000;

} // namespace

class CardAuditionTest : public AuditionTest {
protected:
    TfrmCard* card() const { return w->frmCard; }

    // The card shown through the list's command on stimulus number.
    void ShowCard(int number) {
        w->asgdStimulus->SetCurrentCell(2, number);
        w->UpdateActions();
        ASSERT_TRUE(w->actStmListShowCard->isEnabled());
        w->actStmListShowCard->trigger();
        ASSERT_TRUE(PumpUntil([&] { return card()->isVisible(); }));
    }

    void Listen() {
        ASSERT_TRUE(card()->btnListen->isEnabled());
        card()->btnListen->click();
        ASSERT_TRUE(PumpUntil([&] { return w->cardPlaying; }, 5000))
            << ShownTexts().join(" | ").toStdString();
    }

    // A report of the library, handled as the card's message loop would.
    void Report(uint32_t msg, int kind, int channel, intptr_t lParam) {
        PostedMessageEvent event(msg, (intptr_t(kind) << 16) | channel, lParam);
        QCoreApplication::sendEvent(card(), &event);
    }
};

// A mono stimulus goes to the first two channels of the stored order, sample for sample,
// and the card is idle again once the library reports the end.
TEST_F(CardAuditionTest, MonoStimulusPlaysOnTheOrderedOutputsAndEnds) {
    const std::vector<uint8_t> data = PatternBytes(40000 * 2, 9);
    MakeProject({{WavLayout::pcm(1, Rate, 16), data}});
    card()->output.asioChannelOrder = {3, 2, 0, 1, 4, 5, 6, 7};
    ShowCard(1);
    Listen();
    EXPECT_TRUE(card()->pgsCheck->isVisible());
    EXPECT_TRUE(card()->btnStop->isEnabled());
    ASSERT_TRUE(PumpUntil([&] { return !w->cardPlaying; }, 10000));
    EXPECT_EQ(card()->Playback().ChannelMap(), (std::vector<int>{3, 2}));
    EXPECT_EQ(Played(3, 40000 * 2), data);
    EXPECT_EQ(Played(2, 40000 * 2), data);
    EXPECT_FALSE(card()->pgsCheck->isVisible());
    EXPECT_TRUE(card()->btnListen->isEnabled());
    EXPECT_TRUE(ShownTexts().isEmpty()) << ShownTexts().join(" | ").toStdString();
}

TEST_F(CardAuditionTest, ProgressStopAndCloseOfTheCardsOwnPlayback) {
    MakeProject({{WavLayout::pcm(1, 44100, 16), PatternBytes(44100 * 2, 3)},
                 {WavLayout::pcm(2, Rate, 16), PatternBytes(size_t(Rate) * 3 * 4, 4)}});
    ShowCard(1);
    Listen();
    // Half a second played of a one-second file; reports of other outputs do not count.
    Report(WM_ASIO_OUTPUT_EVENT, VANTREL_OUTPUT_POSITION, 0, 500);
    EXPECT_EQ(card()->pgsCheck->value(), 50);
    Report(WM_ASIO_OUTPUT_EVENT, VANTREL_OUTPUT_POSITION, 1, 900);
    EXPECT_EQ(card()->pgsCheck->value(), 50);
    card()->btnStop->click();
    EXPECT_EQ(VANTREL_IsWorking(), 0);
    ASSERT_TRUE(PumpUntil([&] { return !w->cardPlaying; }));
    EXPECT_TRUE(card()->btnListen->isEnabled());
    EXPECT_FALSE(card()->btnStop->isEnabled());

    // Closing the card while it plays ends that playback.
    card()->sbtnNext->click();
    ASSERT_TRUE(PumpUntil([&] { return card()->windowTitle().endsWith(QLatin1String("2/10")); }));
    Listen();
    card()->close();
    EXPECT_EQ(VANTREL_IsWorking(), 0);
    ASSERT_TRUE(PumpUntil([&] { return !w->cardPlaying; }));
    EXPECT_FALSE(card()->isVisible());
    EXPECT_TRUE(ShownTexts().isEmpty()) << ShownTexts().join(" | ").toStdString();
}

// The card shares the reader with the main window: closing it while the main window
// auditions must not take the reader from under that audition.
TEST_F(CardAuditionTest, ClosingTheCardLeavesTheMainWindowsAuditionAlone) {
    // Longer than the reader's ring, so that the reader is still at work at the close.
    const std::vector<uint8_t> data = PatternBytes(size_t(Rate) * 3 * 4, 5);
    MakeProject({{WavLayout::pcm(2, Rate, 16), data}});
    ShowCard(2);
    ListenToStimuli(1, 1);
    ASSERT_TRUE(PumpUntil([&] { return State() == ExecListStimulus && VANTREL_IsWorking() == 1; }, 5000));
    EXPECT_FALSE(card()->edtComment->isEnabled()) << "no editing on the card while the window auditions";
    EXPECT_FALSE(card()->sbtnNext->isEnabled());
    card()->close();
    ASSERT_TRUE(RunToIdle());
    EXPECT_EQ(Played(0, size_t(Rate) * 3 * 2), Channel16(data, 2, 0));
    // Afterwards the card offers what its stimulus allows.
    EXPECT_TRUE(card()->sbtnNext->isEnabled());
    EXPECT_EQ(card()->btnListen->isEnabled(), !card()->edtDataFile->text().isEmpty());
    EXPECT_TRUE(ShownTexts().isEmpty()) << ShownTexts().join(" | ").toStdString();
}

// A file without samples has no length: a position report leaves the bar at 0.
TEST_F(CardAuditionTest, ProgressOfAnEmptyFileStaysAtZero) {
    MakeProject({{WavLayout::pcm(1, 44100, 16), {}}});
    ShowCard(1);
    Listen();
    Report(WM_ASIO_OUTPUT_EVENT, VANTREL_OUTPUT_POSITION, 0, 500);
    EXPECT_EQ(card()->pgsCheck->value(), 0);
    ASSERT_TRUE(PumpUntil([&] { return !w->cardPlaying; }, 10000));
}
