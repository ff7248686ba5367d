// The stimulus list driven as a user does: WAV files dropped from the desktop, the row
// commands, clearing, select all and the in-place comment edit.
#include "EditorFixture.h"

#include "WavWriter.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressDialog>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer build also checks for undefined behaviour; a report ends the run, so the
// test that caused it fails instead of passing with the report scrolled by.
extern "C" const char* __ubsan_default_options() {
    return "halt_on_error=1:print_stacktrace=1";
}
#endif

class StimulusEditingTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        NewProject(0);
        w->deviceFormats = {{44100, 2}};
    }

    QString Wav(const QString& name, int rate = 44100) {
        const QString path = files.file(name);
        EXPECT_TRUE(WriteWav(path, WavLayout::pcm(1, rate, 16), PatternBytes(400)));
        return path;
    }

    // Drags the files from the desktop into the list over the heading of column col, on to
    // (col, row), and lets go there; returns whether the list took the drop.
    bool Drop(const QStringList& paths, int col, int row) {
        StringGrid* grid = w->asgdStimulus;
        grid->scrollTo(grid->model()->index(row, col));
        return DragAlong(*Files(paths), {CellPoint(grid, col, 0), CellPoint(grid, col, row)});
    }

    static std::unique_ptr<QMimeData> Files(const QStringList& paths) {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        data->setUrls(urls);
        return data;
    }

    QString FileCell(int row) const { return w->asgdStimulus->Cell(1, row); }
    const CStimulus& Stimulus(int number) const { return (*w->project.GetStimuli())[number - 1]; }

    TestDir files;
};

TEST_F(StimulusEditingTest, DroppedFilesFillTheEmptyRowsFromTheDropRowOn) {
    ASSERT_TRUE(Drop({Wav("a.wav")}, 1, 2));
    ASSERT_TRUE(Drop({Wav("b.wav")}, 1, 4));
    ASSERT_EQ(FileCell(2), QStringLiteral("a.wav"));
    ASSERT_EQ(FileCell(4), QStringLiteral("b.wav"));
    w->projectModified = false;

    ASSERT_TRUE(Drop({Wav("c.wav"), Wav("d.wav"), Wav("e.wav")}, 1, 2));
    EXPECT_EQ(FileCell(3), QStringLiteral("c.wav"));
    EXPECT_EQ(FileCell(5), QStringLiteral("d.wav"));
    EXPECT_EQ(FileCell(6), QStringLiteral("e.wav"));
    EXPECT_EQ(Stimulus(6).orgFileName, files.file("e.wav"));
    EXPECT_TRUE(QFileInfo::exists(w->project.GetWorkFolder() + Stimulus(6).fileName));
    EXPECT_EQ(FileCell(2), QStringLiteral("a.wav")) << "a registered stimulus is never overwritten";
    EXPECT_TRUE(w->projectModified);
    EXPECT_TRUE(ui->messages.empty());

    // Only the file column of data rows takes files.
    EXPECT_FALSE(Drop({Wav("f.wav")}, 2, 7));
    EXPECT_FALSE(Drop({Wav("f.wav")}, 0, 7));
    EXPECT_EQ(FileCell(7), QString());
}

// A drag from the desktop comes in over whatever lies in its way: the list takes it from
// its first point on and decides where the pointer is when it moves and when it is let go.
TEST_F(StimulusEditingTest, FilesDraggedInOverAnyCellAreTakenOnTheFileCellTheyAreLetGoOn) {
    StringGrid* grid = w->asgdStimulus;
    const struct {
        const char* entry;
        int col;
        int row;
    } entries[] = {{"the file column's heading", 1, 0},
                   {"the comment column", 2, 5},
                   {"a row heading", 0, 5},
                   {"the corner", 0, 0}};
    int row = 1;
    for (const auto& e : entries) {
        const QString name = QStringLiteral("s%1.wav").arg(row);
        EXPECT_TRUE(DragAlong(*Files({Wav(name)}), {CellPoint(grid, e.col, e.row), CellPoint(grid, 2, row),
                                                    CellPoint(grid, 1, row)}))
            << "entering over " << e.entry;
        EXPECT_EQ(FileCell(row), name) << "entering over " << e.entry;
        ++row;
    }

    // Over a file cell on the way, let go over a comment: refused, nothing registered.
    EXPECT_FALSE(DragAlong(*Files({Wav("late.wav")}),
                           {CellPoint(grid, 1, 0), CellPoint(grid, 1, 6), CellPoint(grid, 2, 6)}));
    EXPECT_EQ(FileCell(6), QString());
    EXPECT_EQ(w->project.GetStimuli()->GetCount(), 10);
    EXPECT_TRUE((*w->project.GetStimuli())[5].fileName.isEmpty());

    // In a list scrolled down, the headings stay in view above the rows; the drag comes in
    // over them.
    TypeCount(w->edtStmNumber, QStringLiteral("200"));
    QCoreApplication::processEvents(); // the grid lays its new rows out
    grid->scrollTo(grid->model()->index(grid->RowCount() - 1, 1));
    const int far = grid->rowAt(grid->viewport()->height() / 2);
    ASSERT_GT(far, 50);
    const QPoint heading = grid->viewport()->mapTo(
        w.get(), QPoint(grid->visualRect(grid->model()->index(far, 1)).center().x(), 2));
    ASSERT_NE(w->childAt(heading), grid->viewport()) << "the heading is kept in view over the rows";
    EXPECT_FALSE(DragAlong(*Files({Wav("far.wav")}), {heading})) << "a heading takes no files";
    EXPECT_TRUE(
        DragAlong(*Files({Wav("far.wav")}), {heading, CellPoint(grid, 0, far), CellPoint(grid, 1, far)}));
    EXPECT_EQ(FileCell(far), QStringLiteral("far.wav"));
    EXPECT_EQ(FileCell(grid->rowAt(2)), QString()) << "the row under the heading got nothing";
}

TEST_F(StimulusEditingTest, OtherFilesAreSkippedAndUnplayableOnesReported) {
    const QString text = files.file("notes.txt");
    QFile(text).open(QIODevice::WriteOnly);
    ASSERT_TRUE(Drop({text, Wav("rate48.wav", 48000), Wav("ok.wav")}, 1, 1));
    EXPECT_EQ(ShownTexts(), QStringList{"This device cannot play \"rate48.wav\"."});
    EXPECT_EQ(FileCell(1), QStringLiteral("ok.wav"));
    EXPECT_EQ(FileCell(2), QString());

    ui->messages.clear();
    TextTable::Instance().setLanguage(TextTable::Language::Japanese);
    ASSERT_TRUE(Drop({Wav("rate48.wav", 48000)}, 1, 1));
    EXPECT_EQ(ShownTexts(), QStringList{QStringLiteral("\"rate48.wav\" はこのデバイスでは再生できません。")});
}

TEST_F(StimulusEditingTest, AFullListGrowsOnlyAfterOneQuestion) {
    TypeCount(w->edtStmNumber, QStringLiteral("2"));
    ASSERT_TRUE(Drop({Wav("a.wav"), Wav("b.wav")}, 1, 1));
    ASSERT_TRUE(ui->messages.empty());

    ui->answers = {UiServices::Answer::No};
    ASSERT_TRUE(Drop({Wav("c.wav"), Wav("d.wav")}, 1, 2));
    EXPECT_EQ(ShownTexts(),
              QStringList{"The empty cell of the stimulus list is not enough.\r\nIs the number of "
                          "stimuli increased?"});
    EXPECT_EQ(w->project.GetStimuli()->GetCount(), 2) << "No leaves the list as it was";
    EXPECT_EQ(w->asgdStimulus->RowCount(), 3);

    ui->messages.clear();
    ui->answers = {UiServices::Answer::Yes};
    ASSERT_TRUE(Drop({Wav("c.wav"), Wav("d.wav")}, 1, 2));
    EXPECT_EQ(ui->messages.size(), 1u) << "asked once per drop";
    EXPECT_EQ(w->project.GetStimuli()->GetCount(), 4);
    EXPECT_EQ(w->updStmNumber->Position(), 4);
    EXPECT_EQ(w->edtStmNumber->text(), QStringLiteral("4"));
    EXPECT_EQ(FileCell(3), QStringLiteral("c.wav"));
    EXPECT_EQ(FileCell(4), QStringLiteral("d.wav"));
    EXPECT_EQ(w->asgdStimulus->Cell(0, 4), QStringLiteral("Stimulus4"));
}

TEST_F(StimulusEditingTest, InsertAndDeleteRowsMoveStimuliWithTheirFilesAndComments) {
    ASSERT_TRUE(Drop({Wav("a.wav"), Wav("b.wav")}, 1, 1));
    w->asgdStimulus->SetCell(2, 2, QStringLiteral("second"));
    ClickCell(w->asgdStimulus, 1, 1);
    Trigger(w->actStmListInsRow);
    EXPECT_EQ(w->project.GetStimuli()->GetCount(), 11);
    EXPECT_EQ(w->edtStmNumber->text(), QStringLiteral("11"));
    EXPECT_EQ(FileCell(1), QString());
    EXPECT_EQ(FileCell(2), QStringLiteral("a.wav"));
    EXPECT_EQ(FileCell(3), QStringLiteral("b.wav"));
    EXPECT_EQ(w->asgdStimulus->Cell(2, 3), QStringLiteral("second"));
    EXPECT_EQ(Stimulus(3).comment, QStringLiteral("second"));

    Trigger(w->actStmListDelRow);
    EXPECT_EQ(w->project.GetStimuli()->GetCount(), 10);
    EXPECT_EQ(FileCell(1), QStringLiteral("a.wav"));

    TypeCount(w->edtStmNumber, QStringLiteral("1"));
    w->UpdateActions();
    EXPECT_FALSE(w->actStmListDelRow->isEnabled()) << "the only stimulus stays";
    w->actStmListDelRow->setEnabled(true); // a stale menu item still refuses
    w->actStmListDelRow->trigger();
    EXPECT_EQ(ShownTexts(), QStringList{"When the number of stimuli is one, it cannot delete."});
    EXPECT_EQ(w->project.GetStimuli()->GetCount(), 1);
}

TEST_F(StimulusEditingTest, InsertIsRefusedAtTheCountEditorsMaximum) {
    TypeCount(w->edtStmNumber, QStringLiteral("200"));
    ClickCell(w->asgdStimulus, 1, 5);
    w->UpdateActions();
    EXPECT_FALSE(w->actStmListInsRow->isEnabled());
    w->actStmListInsRow->setEnabled(true);
    w->actStmListInsRow->trigger();
    EXPECT_EQ(w->project.GetStimuli()->GetCount(), 200);
    EXPECT_EQ(w->asgdStimulus->RowCount(), 201);
}

TEST_F(StimulusEditingTest, ClearRemovesRegistrationsOnlyWhenTheFileColumnIsSelected) {
    ASSERT_TRUE(Drop({Wav("a.wav"), Wav("b.wav")}, 1, 1));
    const QString copy = w->project.GetWorkFolder() + Stimulus(1).fileName;
    for (int row : {1, 2})
        w->asgdStimulus->SetCell(2, row, QStringLiteral("note%1").arg(row));
    w->StoreStimulusComments();
    w->asgdStimulus->setFocus();

    w->asgdStimulus->SetSelection(QRect(QPoint(2, 2), QPoint(2, 2)));
    Trigger(w->actStmListClear);
    EXPECT_EQ(FileCell(2), QStringLiteral("b.wav"));
    EXPECT_EQ(Stimulus(2).comment, QString());
    EXPECT_TRUE(w->stimulusUndoAvailable);

    w->asgdStimulus->SetSelection(QRect(QPoint(1, 1), QPoint(2, 1)));
    Trigger(w->actStmListClear);
    EXPECT_EQ(FileCell(1), QString());
    EXPECT_EQ(Stimulus(1).fileName, QString());
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_FALSE(w->stimulusUndoAvailable) << "a removed file cannot be undone";

    Trigger(w->actStmListSelectAll);
    EXPECT_EQ(w->asgdStimulus->Selection(), QRect(QPoint(1, 1), QPoint(2, 10)));
}

TEST_F(StimulusEditingTest, CommentsAreTypedInPlaceAndEscapeKeepsTheOldText) {
    StringGrid* grid = w->asgdStimulus;
    ClickCell(grid, 2, 3);
    QTest::keyClicks(nullptr, QStringLiteral("bright"));
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->model()->index(3, 2)));
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(w->edtStmNumber->isEnabled()) << "the count waits while a comment is edited";
    PressEnter(editor);
    EXPECT_EQ(grid->Cell(2, 3), QStringLiteral("bright"));
    EXPECT_EQ(Stimulus(3).comment, QStringLiteral("bright"));
    EXPECT_TRUE(w->edtStmNumber->isEnabled());

    QTest::keyClicks(nullptr, QStringLiteral("dull"));
    editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->model()->index(3, 2)));
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(grid->Cell(2, 3), QStringLiteral("bright"));

    ClickCell(grid, 1, 4);
    QTest::keyClicks(nullptr, QStringLiteral("x"));
    EXPECT_EQ(grid->indexWidget(grid->model()->index(4, 1)), nullptr) << "file names are not typed";
}

TEST_F(StimulusEditingTest, ALongCopyShowsItsProgressAndCanBeCancelled) {
    w->setProperty("copyProgressDelayMs", 0); // every copy counts as long here
    const QString big = files.file("big.wav");
    ASSERT_TRUE(WriteWav(big, WavLayout::pcm(2, 44100, 16), PatternBytes(3 * 1024 * 1024)));
    QString title;
    QTimer watcher;
    watcher.setInterval(0);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* box = w->findChild<QProgressDialog*>(QStringLiteral("dlgCopyProgress"));
        if (box && box->isVisible()) {
            title = box->windowTitle();
            box->cancel();
        }
    });
    watcher.start();
    ASSERT_TRUE(Drop({big, Wav("next.wav")}, 1, 1));
    watcher.stop();
    EXPECT_EQ(title, QStringLiteral("Update stimulus file..."));
    EXPECT_EQ(FileCell(1), QString());
    EXPECT_EQ(Stimulus(1).fileName, QString()) << "a cancelled copy registers nothing";
    EXPECT_EQ(FileCell(2), QString()) << "and ends the drop";
}

TEST_F(StimulusEditingTest, ALineFeedNeverGoesIntoACommentAndAnEditEndsTheSwitch) {
    StringGrid* grid = w->asgdStimulus;
    ClickCell(grid, 2, 2);
    QTest::keyClicks(nullptr, QStringLiteral("ab"));
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->model()->index(2, 2)));
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    QCoreApplication::processEvents();
    ASSERT_EQ(grid->indexWidget(grid->model()->index(2, 2)), editor) << "Ctrl+Enter does not end the edit";
    EXPECT_EQ(editor->text(), QStringLiteral("ab"));
    PressEnter(editor);
    EXPECT_EQ(Stimulus(2).comment, QStringLiteral("ab"));
    EXPECT_FALSE(grid->Editing()) << "the switch goes off with the edit";

    // A typed key turns it on again and opens the editor with that key.
    ClickCell(grid, 2, 3);
    QTest::keyClicks(nullptr, QStringLiteral("c"));
    editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->model()->index(3, 2)));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("c"));
    PressEnter(editor);
}

TEST_F(StimulusEditingTest, ADoubleClickOnACommentAsksTheServiceWhoMayEdit) {
    LogInWithFullRights();
    StringGrid* grid = w->asgdStimulus;
    w->SetFullUser(false); // the switch is off, as after an edit
    const auto doubleClick = [&](int row) {
        const QPoint at = grid->visualRect(grid->model()->index(row, 2)).center();
        // The second press of a double click arrives as the double-click event.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        QCoreApplication::processEvents();
        return qobject_cast<QLineEdit*>(grid->indexWidget(grid->model()->index(row, 2)));
    };
    QLineEdit* editor = doubleClick(2);
    EXPECT_EQ(service->Count("userAuth"), 1u);
    ASSERT_NE(editor, nullptr) << "a full user edits";
    PressEnter(editor);

    service->SetReply("userAuth", "API_RESULT=0,USER_AUTH=1");
    EXPECT_EQ(doubleClick(3), nullptr) << "a restricted user does not";
    EXPECT_EQ(service->Count("userAuth"), 2u);
    EXPECT_FALSE(grid->Editing());
    EXPECT_TRUE(ui->messages.empty());
}

// The window taken apart while a comment is typed: its controls still get events (it is
// deactivated and hidden) once its own members are gone, and nothing of the window may be
// reached from them then. The sanitizer build reports such a reach.
TEST_F(StimulusEditingTest, AWindowTakenApartWhileACommentIsTypedReachesNothingOfIt) {
    ASSERT_TRUE(Drop({Wav("a.wav")}, 1, 1));
    ClickCell(w->asgdStimulus, 2, 1);
    QTest::keyClicks(nullptr, QStringLiteral("half"));
    ASSERT_TRUE(w->asgdStimulus->IsEditorOpen());
    ClickCell(w->asgdSchedule, 1, 1);
    ClickCell(w->asgdStimulus, 2, 2);
    QTest::keyClicks(nullptr, QStringLiteral("typed"));
    ASSERT_TRUE(w->asgdStimulus->IsEditorOpen());
    w.reset();
}
