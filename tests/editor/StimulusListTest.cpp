// The stimulus list: the WAV acceptance rule, the grid's exchange with the project and the
// audition of selected stimuli.
#include "MainWindowFixture.h"

#include "AlsaTestHome.h"

#include "Cexectable.h"
#include "CountEditor.h"
#include "StringGrid.h"
#include "TextFits.h"
#include "WavWriter.h"

#include <QApplication>
#include <QFont>
#include <QMenu>
#include <QTest>

class StimulusListTest : public MainWindowTest {
protected:
    // Auditions play to ALSA's "default", which this configuration makes a silent file.
    void BeforeWindow() override { alsa = std::make_unique<AlsaTestHome>(); }
    std::unique_ptr<AlsaTestHome> alsa;

    QString Wav(const char* name, const WavLayout& layout, size_t dataBytes) {
        const QString path = files.file(QString::fromLatin1(name));
        EXPECT_TRUE(WriteWav(path, layout, PatternBytes(dataBytes)));
        return path;
    }
    TestDir files;
};

TEST_F(StimulusListTest, ProbeWaveFileAcceptsWhatTheDevicePlays) {
    WavLayout zeroChannels = WavLayout::pcm(1, 44100, 16);
    zeroChannels.channels = 0;
    zeroChannels.blockAlign = 2;
    const QString text = files.file("notes.wav");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("just some text, not a wave file");
    }
    struct Case {
        const char* what;
        QString path;
        DeviceFormatMap device;
        bool accepted;
        int channels = 0, bits = 0, rate = 0;
        uint32_t frames = 0;
    };
    const Case cases[] = {
        {"44.1 kHz stereo on a stereo device",
         Wav("s16.wav", WavLayout::pcm(2, 44100, 16), 4000),
         {{44100, 2}},
         true,
         2,
         16,
         44100,
         1000},
        {"44.1 kHz on a 48 kHz device",
         Wav("s16b.wav", WavLayout::pcm(2, 44100, 16), 4000),
         {{48000, 8}},
         false},
        {"stereo on a mono device", Wav("s16c.wav", WavLayout::pcm(2, 44100, 16), 4000), {{44100, 1}}, false},
        {"8-bit mono: no output path plays it",
         Wav("u8.wav", WavLayout::pcm(1, 44100, 8), 88200),
         {{44100, 2}},
         false},
        {"24-bit stereo",
         Wav("s24.wav", WavLayout::pcm(2, 48000, 24), 600),
         {{48000, 2}},
         true,
         2,
         24,
         48000,
         100},
        {"float extensible",
         Wav("f32.wav", WavLayout::extensible(2, 96000, 32, WavLayout::SubFormat::Float), 800),
         {{96000, 4}},
         true,
         2,
         32,
         96000,
         100},
        {"no channel", Wav("zero.wav", zeroChannels, 400), {{44100, 2}}, false},
        {"4 bits", Wav("s4.wav", WavLayout::pcm(1, 44100, 4), 400), {{44100, 2}}, false},
        {"missing file", files.file("missing.wav"), {{44100, 2}}, false},
        {"not a wave file", text, {{44100, 2}}, false},
    };
    for (const Case& c : cases) {
        w->deviceFormats = c.device;
        int channels = -7, bits = -7, rate = -7;
        uint32_t frames = 7;
        EXPECT_EQ(w->ProbeWaveFile(c.path, &channels, &bits, &rate, &frames), c.accepted) << c.what;
        if (c.accepted) {
            EXPECT_EQ(channels, c.channels) << c.what;
            EXPECT_EQ(bits, c.bits) << c.what;
            EXPECT_EQ(rate, c.rate) << c.what;
            EXPECT_EQ(frames, c.frames) << c.what;
            EXPECT_TRUE(w->ProbeWaveFile(c.path, nullptr, nullptr, nullptr, nullptr)) << c.what;
        } else {
            EXPECT_EQ(channels, -7) << c.what << ": nothing written on refusal";
            EXPECT_EQ(frames, 7u) << c.what;
        }
    }
}

TEST_F(StimulusListTest, GridAndProjectFollowEachOther) {
    w->NewProject(0);
    StringGrid* grid = w->asgdStimulus;
    ASSERT_EQ(grid->RowCount(), 11);
    EXPECT_EQ(grid->Cell(0, 10), QStringLiteral("Stimulus10"));

    w->projectModified = w->stimulusUndoAvailable = false;
    EXPECT_TRUE(w->ResizeStimulusGrid(10, 10));
    EXPECT_FALSE(w->projectModified) << "the same count changes nothing";
    grid->SetCell(2, 9, QStringLiteral("kept"));
    grid->SetCell(2, 10, QStringLiteral("dropped"));
    w->stimulusUndoAvailable = true;
    EXPECT_TRUE(w->ResizeStimulusGrid(10, 9));
    EXPECT_TRUE(w->projectModified);
    EXPECT_FALSE(w->stimulusUndoAvailable);
    EXPECT_EQ(w->stimulusUndo.size(), 9u);
    EXPECT_TRUE(w->ResizeStimulusGrid(9, 12));
    EXPECT_EQ(grid->RowCount(), 13);
    EXPECT_EQ(grid->Cell(0, 12), QStringLiteral("Stimulus12"));
    EXPECT_EQ(grid->Cell(2, 10), QString()) << "a row dropped comes back empty";
    EXPECT_EQ(grid->Cell(2, 9), QStringLiteral("kept"));

    EXPECT_FALSE(w->ShowStimulusList()) << "12 rows, 10 stimuli";
    EXPECT_TRUE(w->StoreStimulusComments());
    ASSERT_EQ(w->project.GetStimuli()->GetCount(), 12);
    EXPECT_EQ((*w->project.GetStimuli())[8].comment, QStringLiteral("kept"));

    const QString wav = Wav("take.wav", WavLayout::pcm(1, 44100, 16), 100);
    ASSERT_FALSE(w->project.SetStimulusFile(1, wav, false).isEmpty());
    (*w->project.GetStimuli())[1].comment = QStringLiteral("second");
    grid->SetCell(2, 9, QString());
    EXPECT_TRUE(w->ShowStimulusList());
    EXPECT_EQ(grid->Cell(1, 2), QStringLiteral("take.wav"));
    EXPECT_EQ(grid->Cell(2, 2), QStringLiteral("second"));
    EXPECT_EQ(grid->Cell(2, 9), QStringLiteral("kept"));
}

TEST_F(StimulusListTest, AuditionOfSelectedStimuli) {
    w->NewProject(0);
    for (int i = 0; i < 7; ++i)
        ASSERT_FALSE(
            w->project.SetStimulusFile(i, Wav("s.wav", WavLayout::pcm(1, 44100, 16), 100), false).isEmpty());
    w->ShowStimulusList();
    StringGrid* grid = w->asgdStimulus;

    grid->SetSelection(QRect(QPoint(1, 6), QPoint(2, 8)));
    w->actStmListListenExecute();
    EXPECT_EQ(ShownTexts(), QStringList{"The sound stimulus file is not appointed."}) << "row 8 has no file";
    EXPECT_EQ(w->execTable->state(), ExecIdle);

    ui->messages.clear();
    grid->SetSelection(QRect(QPoint(1, 3), QPoint(2, 7)));
    w->actStmListListenExecute();
    EXPECT_TRUE(ui->messages.empty());
    EXPECT_EQ(w->execTable->stimuliRequest(), w->project.GetStimuli());
    EXPECT_EQ(w->execTable->notifyWindow(), w->handle());
    const std::vector<uint8_t> mask = w->execTable->selectionMask();
    EXPECT_EQ(mask, (std::vector<uint8_t>{0, 0, 1, 1, 1, 1, 1, 0, 0, 0})) << "the text 3-7";
    w->execTable->Stop();
    EXPECT_TRUE(PumpUntil([&] { return w->execTable->state() == ExecIdle; }, 5000));
}

TEST_F(StimulusListTest, WhileAnAuditionRunsPopupItemsAreOffAndThePlayedRowIsHighlighted) {
    w->NewProject(0);
    // With a halt after each stimulus the audition of two holds after the first one has
    // played, for as long as the test looks, however fast the output takes the sound.
    for (int i = 0; i < 2; ++i)
        ASSERT_FALSE(
            w->project.SetStimulusFile(i, Wav("s.wav", WavLayout::pcm(1, 44100, 16), 200), false).isEmpty());
    w->execTable->setPauseEachStimulus(true);
    auto* insert = Find<QAction>("popStmListInsRow");
    w->asgdStimulus->SetCurrentCell(1, 1);
    emit w->popStmMenu->aboutToShow();
    EXPECT_EQ(w->popStmMenu->property("Tag").toInt(), 0);
    EXPECT_EQ(insert->isEnabled(), w->actStmListInsRow->isEnabled()) << "an item shows its command";

    QColor background(Qt::white), text(Qt::black);
    w->playStimulusRow = 1;
    w->asgdStimulusGetCellColor(1, 1, background, text);
    EXPECT_EQ(background, QColor(Qt::white)) << "nothing plays";

    w->asgdStimulus->SetSelection(QRect(QPoint(1, 1), QPoint(1, 2)));
    w->actStmListListenExecute();
    ASSERT_TRUE(PumpUntil([&] { return w->execTable->state() == ExecListHalt; }));
    ASSERT_TRUE(DrainPosted());
    emit w->popStmMenu->aboutToShow();
    EXPECT_NE(w->popStmMenu->property("Tag").toInt(), 0);
    EXPECT_FALSE(insert->isEnabled());
    EXPECT_FALSE(w->actStmListInsRow->isEnabled()) << "the item shows its action's state";
    ASSERT_EQ(w->execTable->state(), ExecListHalt) << "held until it is told to go on";
    w->asgdStimulusGetCellColor(1, 1, background, text);
    EXPECT_EQ(background, QApplication::palette().color(QPalette::ToolTipBase));
    QColor other(Qt::white);
    w->asgdStimulusGetCellColor(1, 2, other, text);
    EXPECT_EQ(other, QColor(Qt::white)) << "another row";
    // The row is shown in bold, its header included.
    const auto bold = [&](int col, int row) {
        return w->asgdStimulus->model()
            ->data(w->asgdStimulus->model()->index(row, col), Qt::FontRole)
            .value<QFont>()
            .bold();
    };
    EXPECT_TRUE(bold(0, 1));
    EXPECT_TRUE(bold(2, 1));
    EXPECT_FALSE(bold(1, 2));
    for (const auto language : {TextTable::Language::Japanese, TextTable::Language::English}) {
        TextTable::Instance().setLanguage(language);
        const QStringList cut = TextsThatDoNotFit(w->asgdStimulus);
        EXPECT_TRUE(cut.isEmpty()) << "the bold row shown whole: " << cut.join(" | ").toStdString();
    }
    w->execTable->Stop();
    EXPECT_TRUE(PumpUntil([&] { return w->execTable->state() == ExecIdle; }, 5000));
}

TEST_F(StimulusListTest, OnlyCommentsAreEditedAndAnEditReachesTheProject) {
    w->NewProject(0);
    w->SetFullUser(true);
    StringGrid* grid = w->asgdStimulus;
    const QModelIndex file = grid->model()->index(3, 1);
    const QModelIndex comment = grid->model()->index(3, 2);
    EXPECT_FALSE(grid->model()->flags(file) & Qt::ItemIsEditable);
    ASSERT_TRUE(grid->model()->flags(comment) & Qt::ItemIsEditable);
    w->projectModified = false;
    ASSERT_TRUE(grid->model()->setData(comment, QStringLiteral("bright"), Qt::EditRole));
    EXPECT_EQ((*w->project.GetStimuli())[2].comment, QStringLiteral("bright"));
    EXPECT_TRUE(w->projectModified);
    EXPECT_TRUE(w->stimulusUndoAvailable);

    w->SetFullUser(false);
    EXPECT_FALSE(grid->model()->flags(comment) & Qt::ItemIsEditable) << "restricted users do not edit";
}

// The playing row's heading turns bold and is still shown whole, also where it is the
// widest heading of the list, in either language.
TEST_F(StimulusListTest, ThePlayingRowsBoldHeadingIsShownWhole) {
    w->show();
    w->activateWindow();
    Find<QAction>("actPrjTrn")->trigger();
    w->SetFullUser(true);
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->edtStmNumber->setFocus();
    w->edtStmNumber->selectAll();
    QTest::keyClicks(w->edtStmNumber, QStringLiteral("2"));
    QTest::keyClick(w->edtStmNumber, Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return w->asgdStimulus->RowCount() == 3; }))
        << w->asgdStimulus->RowCount() << " " << ShownTexts().join(" | ").toStdString();
    for (int i = 0; i < 2; ++i)
        ASSERT_FALSE(
            w->project.SetStimulusFile(i, Wav("s.wav", WavLayout::pcm(1, 44100, 16), 200), false).isEmpty());
    w->execTable->setPauseEachStimulus(true);
    w->asgdStimulus->SetSelection(QRect(QPoint(1, 1), QPoint(1, 2)));
    w->actStmListListenExecute();
    ASSERT_TRUE(PumpUntil([&] { return w->execTable->state() == ExecListHalt; }));
    ASSERT_TRUE(DrainPosted());
    // As the row lights up, and once the texts have been put in either language.
    for (const auto language :
         {TextTable::Language::English, TextTable::Language::Japanese, TextTable::Language::English}) {
        const QStringList cut = TextsThatDoNotFit(w->asgdStimulus);
        EXPECT_TRUE(cut.isEmpty()) << cut.join(" | ").toStdString();
        TextTable::Instance().setLanguage(language);
    }
    w->execTable->Stop();
    EXPECT_TRUE(PumpUntil([&] { return w->execTable->state() == ExecIdle; }, 5000));
}
