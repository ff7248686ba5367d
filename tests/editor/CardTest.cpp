// The stimulus card: showing a stimulus, following the list, committing and navigating,
// registering a file, and auditioning on the wave-out path.
#include "EditorFixture.h"

#include "AlsaTestHome.h"
#include "CardUnit.h"
#include "OptionIni.h"
#include "PanelStatusBar.h"
#include "TextTable.h"
#include "WavWriter.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>

class CardTest : public EditorTest {
protected:
    // Auditions play to ALSA's "default", which this configuration makes a silent file.
    void BeforeWindow() override { alsa = std::make_unique<AlsaTestHome>(); }

    TfrmCard* card() const { return w->frmCard; }

    QString Wav(const char* name, uint32_t rate, double seconds, uint16_t channels = 1) {
        const QString path = files.file(QString::fromLatin1(name));
        const size_t frames = static_cast<size_t>(rate * seconds);
        EXPECT_TRUE(WriteWav(path, WavLayout::pcm(channels, rate, 16), PatternBytes(frames * channels * 2)));
        return path;
    }

    // A training project of ten stimuli; the numbers given have files.
    void ProjectWithFiles(std::initializer_list<std::pair<int, QString>> registered) {
        NewProject(0);
        ASSERT_EQ(w->project.GetStimuli()->GetCount(), 10);
        for (const auto& [number, path] : registered)
            ASSERT_FALSE(w->project.SetStimulusFile(number - 1, path, false).isEmpty());
        w->ShowStimulusList();
    }

    // The card shown through the list's command on stimulus row.
    void ShowCardAt(int row) {
        ClickCell(w->asgdStimulus, 2, row);
        Trigger(w->actStmListShowCard);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(card()));
    }

    static void Click(QAbstractButton* button) {
        ASSERT_TRUE(button->isVisible() && button->isEnabled()) << button->objectName().toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }

    bool WaitTitle(const QString& title) {
        return PumpUntil([&] { return card()->windowTitle() == title; });
    }

    std::unique_ptr<AlsaTestHome> alsa;
    TestDir files;
};

TEST_F(CardTest, ShowsTheStimulusOfTheListRowInBothLanguages) {
    ProjectWithFiles({{3, Wav("three.wav", 44100, 2.0)}, {4, Wav("four.wav", 48000, 0.5)}});
    ShowCardAt(3);
    EXPECT_TRUE(card()->windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(card()->windowTitle(), QStringLiteral("Card display:Stimulus3/10"));
    EXPECT_EQ(card()->edtDataFile->text(), files.file(QStringLiteral("three.wav")));
    EXPECT_EQ(card()->lblFs->text(), QStringLiteral("44.1 [kHz]")) << "the rate in the unit it names";
    EXPECT_EQ(card()->lblBit->text(), QStringLiteral("16 [bit]"));
    EXPECT_EQ(card()->lblTime->text(), QStringLiteral("2.00 [sec]"));
    EXPECT_EQ(card()->lblCh->text(), QStringLiteral("1 [ch]"));
    EXPECT_FALSE(card()->lblFileUpdate->text().isEmpty());
    EXPECT_TRUE(card()->btnChange->isVisible());
    EXPECT_FALSE(card()->btnRegist->isVisible());
    EXPECT_TRUE(card()->btnListen->isEnabled());
    EXPECT_FALSE(card()->btnStop->isEnabled());
    EXPECT_FALSE(card()->pgsCheck->isVisible());
    w->UpdateActions();
    EXPECT_FALSE(w->actStmListShowCard->isEnabled()) << "the card is shown already";

    // The card follows the list's row; a stimulus without a file offers Register.
    ClickCell(w->asgdStimulus, 2, 4);
    EXPECT_EQ(card()->lblFs->text(), QStringLiteral("48 [kHz]"));
    EXPECT_EQ(card()->lblTime->text(), QStringLiteral("0.50 [sec]"));
    ClickCell(w->asgdStimulus, 2, 5);
    EXPECT_EQ(card()->windowTitle(), QStringLiteral("Card display:Stimulus5/10"));
    EXPECT_EQ(card()->lblTime->text(), QString());
    EXPECT_TRUE(card()->btnRegist->isVisible());
    EXPECT_FALSE(card()->btnChange->isVisible());
    EXPECT_FALSE(card()->btnListen->isEnabled());
    EXPECT_FALSE(card()->sbtnExportWav->isEnabled());

    Find<QAction>("mnuViewLanguageJapanese")->trigger();
    EXPECT_EQ(card()->windowTitle(), QStringLiteral("カード表示：刺激5/10"));
    EXPECT_EQ(card()->btnRegist->text(), QStringLiteral("登録 ..."));
    EXPECT_EQ(card()->btnListen->text(), QStringLiteral("試聴"));
    Find<QAction>("mnuViewLanguageEnglish")->trigger();
    EXPECT_EQ(card()->btnListen->text(), QStringLiteral("Play"));
    EXPECT_EQ(card()->lblDataFile->text(), QStringLiteral("Data file"));

    // The pin keeps the card above other windows, and lets it go again.
    Click(card()->sbtnUnFixWin);
    EXPECT_TRUE(card()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(card()->sbtnFixWin->isVisible());
    EXPECT_FALSE(card()->sbtnUnFixWin->isVisible());
    Click(card()->sbtnFixWin);
    EXPECT_FALSE(card()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(card()->sbtnUnFixWin->isVisible());
}

// A project opened or made while the card is shown replaces what the card shows: a later
// commit must not carry the old project's file into the new one.
TEST_F(CardTest, ANewProjectReplacesWhatTheCardShows) {
    ProjectWithFiles({{1, Wav("one.wav", 44100, 0.1)}});
    ShowCardAt(1);
    ASSERT_FALSE(card()->edtDataFile->text().isEmpty());
    NewProject(1);
    EXPECT_TRUE(card()->edtDataFile->text().isEmpty());
    EXPECT_TRUE(card()->btnRegist->isVisible());
    EXPECT_EQ(card()->windowTitle(), QStringLiteral("Card display:Stimulus1/10"));
    Click(card()->sbtnNext);
    ASSERT_TRUE(WaitTitle(QStringLiteral("Card display:Stimulus2/10")));
    EXPECT_TRUE((*w->project.GetStimuli())[0].fileName.isEmpty());
    EXPECT_TRUE(w->asgdStimulus->Cell(1, 1).isEmpty());
}

TEST_F(CardTest, NavigationCommitsTheStimulusShownAndMoves) {
    ProjectWithFiles({});
    ShowCardAt(3);
    card()->edtComment->setText(QStringLiteral("third"));
    Click(card()->sbtnNext);
    ASSERT_TRUE(WaitTitle(QStringLiteral("Card display:Stimulus4/10")));
    EXPECT_EQ((*w->project.GetStimuli())[2].comment, QStringLiteral("third"));
    EXPECT_EQ(w->asgdStimulus->Cell(2, 3), QStringLiteral("third"));
    EXPECT_EQ(w->asgdStimulus->Row(), 4);
    EXPECT_TRUE(w->projectModified);

    // Enter in the comment stores it without moving.
    card()->edtComment->setFocus();
    card()->edtComment->setText(QStringLiteral("fourth"));
    QTest::keyClick(card()->edtComment, Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return (*w->project.GetStimuli())[3].comment == QLatin1String("fourth"); }));
    EXPECT_EQ(card()->windowTitle(), QStringLiteral("Card display:Stimulus4/10"));

    // Keys move like the buttons; the buttons say where the card can go.
    struct Case {
        Qt::Key key;
        int number;
        bool back, forward;
    };
    const Case cases[] = {{Qt::Key_End, 10, true, false},
                          {Qt::Key_PageUp, 9, true, true},
                          {Qt::Key_Home, 1, false, true},
                          {Qt::Key_Down, 2, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        QTest::keyClick(card()->edtComment, c.key);
        ASSERT_TRUE(WaitTitle(QStringLiteral("Card display:Stimulus%1/10").arg(c.number)));
        EXPECT_EQ(w->asgdStimulus->Row(), c.number);
        EXPECT_EQ(card()->sbtnFirst->isEnabled(), c.back);
        EXPECT_EQ(card()->sbtnPrevious->isEnabled(), c.back);
        EXPECT_EQ(card()->sbtnNext->isEnabled(), c.forward);
        EXPECT_EQ(card()->sbtnLast->isEnabled(), c.forward);
    }

    TypeCount(w->edtStmNumber, QStringLiteral("1"));
    EXPECT_EQ(card()->windowTitle(), QStringLiteral("Card display:Stimulus1/1"));
    for (QToolButton* b : {card()->sbtnFirst, card()->sbtnPrevious, card()->sbtnNext, card()->sbtnLast})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
}

TEST_F(CardTest, RegisterChecksTheFileAndTheListShowsWhatIsRegistered) {
    const QString high = Wav("high.wav", 96000, 0.1);
    const QString good = Wav("good.wav", 44100, 0.1);
    ProjectWithFiles({});
    ShowCardAt(2);
    card()->output.deviceFormats = {{44100, 2}, {48000, 2}};
    // A stimulus without a file starts where projects are kept, then where the last file was.
    const QString library = files.file(QStringLiteral("library"));
    ASSERT_TRUE(QDir().mkpath(library));
    ASSERT_TRUE(SaveOptionSettings(library, QString(), QString(), QString(), QStringLiteral("0"), QString(),
                                   QString()));

    ui->fileNames.push_back(high);
    Click(card()->btnRegist);
    EXPECT_EQ(ui->fileDialogStarts.last(), library + QLatin1Char('/'));
    EXPECT_EQ(ShownTexts(), QStringList{"It cannot play back this file."});
    ASSERT_TRUE(DrainPosted());
    EXPECT_TRUE((*w->project.GetStimuli())[1].fileName.isEmpty());
    EXPECT_TRUE(card()->edtDataFile->text().isEmpty());

    // Enter in the path field commits only a path that names a file.
    card()->edtDataFile->setText(files.file(QStringLiteral("gone.wav")));
    QTest::keyClick(card()->edtDataFile, Qt::Key_Return);
    EXPECT_EQ(ShownTexts(), (QStringList{"It cannot play back this file.", "File not found."}));
    card()->edtDataFile->clear();

    ui->messages.clear();
    ui->fileNames.push_back(good);
    Click(card()->btnRegist);
    EXPECT_EQ(ui->fileDialogStarts.last(), QFileInfo(high).absolutePath() + QLatin1Char('/'));
    ASSERT_TRUE(PumpUntil([&] { return !(*w->project.GetStimuli())[1].fileName.isEmpty(); }));
    EXPECT_EQ(w->asgdStimulus->Cell(1, 2), QStringLiteral("good.wav"));
    ASSERT_TRUE(PumpUntil([&] { return card()->btnChange->isVisible(); }));
    EXPECT_FALSE(card()->btnRegist->isVisible());
    EXPECT_TRUE(card()->btnListen->isEnabled());
    EXPECT_EQ(card()->lblTime->text(), QStringLiteral("0.10 [sec]"));
    EXPECT_TRUE(ui->messages.empty());

    // A dropped file that cannot be registered leaves the registered one in the list.
    card()->edtComment->setText(QStringLiteral("dropped"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(files.file(QStringLiteral("missing.wav")))});
    // Qt hands the drop to the widget that took the drag's entry.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(card(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(card(), &drop);
    ASSERT_TRUE(PumpUntil([&] { return (*w->project.GetStimuli())[1].comment == QLatin1String("dropped"); }));
    EXPECT_EQ(card()->edtDataFile->text(), good);
    EXPECT_EQ(w->asgdStimulus->Cell(1, 2), QStringLiteral("good.wav"));
    EXPECT_EQ((*w->project.GetStimuli())[1].orgFileName, good);
    EXPECT_TRUE(card()->btnChange->isVisible());
}

TEST_F(CardTest, AuditionOnTheWaveOutPlayerShowsProgressAndEnds) {
    ASSERT_TRUE(w->useMME) << "no low-latency driver in this test";
    ProjectWithFiles({{1, Wav("one.wav", 44100, 0.5, 2)}});
    ShowCardAt(1);
    Click(card()->btnListen);
    // The file device takes the samples as fast as they come: the playing state is seen
    // right after the click, and the end soon after.
    EXPECT_TRUE(card()->Playing());
    EXPECT_TRUE(card()->pgsCheck->isVisible());
    EXPECT_TRUE(card()->btnStop->isEnabled());
    EXPECT_FALSE(card()->btnListen->isEnabled());
    EXPECT_FALSE(card()->sbtnNext->isEnabled());
    ASSERT_TRUE(PumpUntil([&] { return !card()->Playing(); }, 10000))
        << ShownTexts().join(" | ").toStdString();
    EXPECT_TRUE(PumpUntil([&] { return !w->cardPlaying; }));
    EXPECT_FALSE(card()->pgsCheck->isVisible());
    EXPECT_TRUE(card()->btnListen->isEnabled());
    EXPECT_FALSE(card()->btnStop->isEnabled());
    EXPECT_TRUE(card()->sbtnNext->isEnabled());
    EXPECT_TRUE(ui->messages.empty()) << ShownTexts().join(" | ").toStdString();
    EXPECT_GE(QFileInfo(alsa->defaultFile()).size(), 44100 / 2 * 4) << "the samples reached the device";
}
