// Cut, copy, paste, undo and batch change of the stimulus list and the schedule grid,
// driven through their keys and commands.
#include "EditorFixture.h"

#include "TestDir.h"
#include "TextTable.h"
#include "WavWriter.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>

namespace {

const QString kOwnCellsMime = QStringLiteral("application/x-tamvik-grid-cells");

QString ClipboardText() {
    return QGuiApplication::clipboard()->text();
}

// Text put there by another program: no mark of ours.
void ForeignText(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}

} // namespace

class ClipboardTest : public EditorTest {
protected:
    StringGrid* sdl() const { return w->asgdSchedule; }
    StringGrid* stm() const { return w->asgdStimulus; }

    // A training project with two presentations: 1 repeat, 2 start, 3 stimulus 1,
    // 4 interval 1, 5 stimulus 2, 6 limit, 7 correct button.
    void TrainingProject() {
        NewProject(0);
        TypeCount(w->edtPrsNumber, QStringLiteral("2"));
        ASSERT_EQ(sdl()->ColCount(), 8);
        ui->messages.clear();
        w->projectModified = false;
    }

    void Select(StringGrid* grid, int left, int top, int right, int bottom) {
        ClickCell(grid, left, top);
        grid->SetSelection(QRect(QPoint(left, top), QPoint(right, bottom)));
    }

    // Ctrl + key on the grid, as the user presses it there.
    void Key(StringGrid* grid, Qt::Key key) {
        grid->setFocus();
        w->UpdateActions();
        QTest::keyClick(grid, key, Qt::ControlModifier);
    }

    QStringList Row(StringGrid* grid, int row, int from, int to) const {
        QStringList cells;
        for (int c = from; c <= to; ++c)
            cells << grid->Cell(c, row);
        return cells;
    }
};

TEST_F(ClipboardTest, CopyPutsTabSeparatedRowsAndEachKeyReachesTheFocusedList) {
    TrainingProject();
    sdl()->SetCell(3, 1, QStringLiteral("a"));
    sdl()->SetCell(4, 1, QStringLiteral("b"));
    sdl()->SetCell(3, 2, QStringLiteral("c"));
    sdl()->SetCell(4, 2, QStringLiteral("d"));
    stm()->SetCell(2, 1, QStringLiteral("x"));
    stm()->SetCell(2, 2, QStringLiteral("y"));

    Select(sdl(), 3, 1, 4, 2);
    Key(sdl(), Qt::Key_C);
    EXPECT_EQ(ClipboardText(), QStringLiteral("a\tb\r\nc\td"));
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(kOwnCellsMime));

    // The same key with the stimulus list focused copies the list's comments.
    Select(stm(), 2, 1, 2, 2);
    Key(stm(), Qt::Key_C);
    EXPECT_EQ(ClipboardText(), QStringLiteral("x\r\ny"));

    // Stimulus comments do not go into the schedule, until another program's text is there.
    ClickCell(sdl(), 3, 3);
    w->UpdateActions();
    EXPECT_FALSE(w->actSdlListPaste->isEnabled());
    ForeignText(QStringLiteral("5"));
    w->UpdateActions();
    EXPECT_TRUE(w->actSdlListPaste->isEnabled());
    EXPECT_EQ(w->actStmListCopy->property("Tag").toInt(), 0);

    // The Edit menu holds the same commands.
    Select(sdl(), 4, 1, 4, 2);
    w->UpdateActions();
    QAction* item = Find<QAction>("popSdlListCopy_a");
    ASSERT_TRUE(item && item->isEnabled());
    item->trigger();
    EXPECT_EQ(ClipboardText(), QStringLiteral("b\r\nd"));
    EXPECT_TRUE(w->mnuStimulus->actions().contains(Find<QAction>("popStmListPaste")));
    EXPECT_FALSE(w->projectModified) << "copying changes nothing";
}

TEST_F(ClipboardTest, OwnCellsGoOnlyIntoColumnsOfTheirKindAndTheSelection) {
    TrainingProject();
    const auto put = [this](int row, QStringList cells) {
        for (int c = 0; c < cells.size(); ++c)
            sdl()->SetCell(3 + c, row, cells.at(c));
    };
    put(1, {"1", "0.5", "2"});
    put(2, {"3", "1.5", "4"});
    put(3, {"5", "2.5", "6"});

    struct Case {
        const char* what;
        QRect source, target;
        int row;           // row checked after the paste
        QStringList cells; // columns 3..5 of that row
        bool partial;
    };
    const Case cases[] = {
        {"one row into one cell fills to the right",
         {QPoint(3, 1), QPoint(5, 1)},
         {QPoint(3, 4), QPoint(3, 4)},
         4,
         {"1", "0.5", "2"},
         false},
        {"rows below the last trial are dropped",
         {QPoint(3, 1), QPoint(3, 2)},
         {QPoint(3, 10), QPoint(3, 10)},
         10,
         {"1", "1.0", ""},
         true},
        {"a 3x3 text fills only a 2x2 selection",
         {QPoint(3, 1), QPoint(5, 3)},
         {QPoint(3, 6), QPoint(4, 7)},
         7,
         {"3", "1.5", ""},
         true},
        {"a stimulus number does not go into an interval",
         {QPoint(3, 1), QPoint(3, 1)},
         {QPoint(4, 8), QPoint(4, 8)},
         8,
         {"", "1.0", ""},
         true},
        {"an interval goes into a start time",
         {QPoint(4, 2), QPoint(4, 2)},
         {QPoint(2, 9), QPoint(2, 9)},
         9,
         {"", "1.0", ""},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui->messages.clear();
        Select(sdl(), c.source.left(), c.source.top(), c.source.right(), c.source.bottom());
        Key(sdl(), Qt::Key_C);
        Select(sdl(), c.target.left(), c.target.top(), c.target.right(), c.target.bottom());
        Key(sdl(), Qt::Key_V);
        EXPECT_EQ(Row(sdl(), c.row, 3, 5), c.cells);
        EXPECT_EQ(ShownTexts().size(), c.partial ? 1 : 0) << ShownTexts().join(" | ").toStdString();
    }
    EXPECT_EQ(sdl()->Cell(3, 7), QStringLiteral("3")) << "row 7 of the selection";
    EXPECT_EQ(sdl()->Cell(3, 8), QString()) << "nothing below the selection";
    EXPECT_EQ(sdl()->Cell(2, 9), QStringLiteral("1.5"));
    EXPECT_TRUE(w->projectModified);
    EXPECT_TRUE(w->scheduleUndoAvailable);
}

// The source column is read when the paste happens: a column that no longer exists is
// of no kind, and the cell is skipped.
TEST_F(ClipboardTest, OwnCellsFromAColumnThatIsGoneAreSkipped) {
    TrainingProject();
    sdl()->SetCell(7, 1, QStringLiteral("2"));
    Select(sdl(), 7, 1, 7, 1);
    Key(sdl(), Qt::Key_C);
    TypeCount(w->edtPrsNumber, QStringLiteral("1")); // the correct button is column 5 now
    ASSERT_EQ(sdl()->ColCount(), 6);
    ui->messages.clear();
    Select(sdl(), 5, 2, 5, 2);
    Key(sdl(), Qt::Key_V);
    EXPECT_EQ(sdl()->Cell(5, 2), QStringLiteral("-1"));
    ASSERT_EQ(ShownTexts().size(), 1);
    EXPECT_EQ(
        ShownTexts().first(),
        QStringLiteral("The copy origin and size of arrangement ahead the copy differ, or because the data "
                       "element differs, \r\nthey were not possible to stick the one part of the data."));
}

TEST_F(ClipboardTest, ForeignTextIsCheckedAgainstTheTargetColumn) {
    TrainingProject();
    // Own cells first: another program's text replaces them and is foreign.
    Select(sdl(), 2, 1, 2, 1);
    Key(sdl(), Qt::Key_C);
    struct Case {
        const char* text;
        int col;
        const char* cell; // the cell afterwards; nullptr: refused, unchanged
    };
    const Case cases[] = {
        {"2.5", 1, nullptr},  {"2.5", 3, nullptr},   {"-1", 1, nullptr}, {"0", 7, nullptr},
        {"abc", 3, nullptr},  {"-0.5", 2, nullptr},  {"2", 3, "2"},      {"0.5", 2, "0.5"},
        {"i", 1, "Infinity"}, {"Pause", 6, "Pause"}, {"4", 7, "4"},      {"x", 6, nullptr},
    };
    const QString refused =
        QStringLiteral("Because of the illegitimate prescribed form, sticking is skipped.");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " into column " + std::to_string(c.col));
        ui->messages.clear();
        ForeignText(QString::fromLatin1(c.text));
        const QString before = sdl()->Cell(c.col, 3);
        Select(sdl(), c.col, 3, c.col, 3);
        Key(sdl(), Qt::Key_V);
        EXPECT_EQ(sdl()->Cell(c.col, 3), c.cell ? QString::fromLatin1(c.cell) : before);
        EXPECT_EQ(ShownTexts(), c.cell ? QStringList() : QStringList{refused});
    }
    // A NUL inside another program's text is no part of a number: "2", NUL, "1" once went
    // in whole and left a cell that the schedule could not read.
    for (const int col : {1, 2, 3, 7}) {
        SCOPED_TRACE("NUL into column " + std::to_string(col));
        ui->messages.clear();
        ForeignText(QStringLiteral("2") + QChar(0) + QStringLiteral("1"));
        const QString before = sdl()->Cell(col, 3);
        Select(sdl(), col, 3, col, 3);
        Key(sdl(), Qt::Key_V);
        EXPECT_EQ(sdl()->Cell(col, 3), before);
        EXPECT_EQ(ShownTexts(), QStringList{refused});
    }
}

TEST_F(ClipboardTest, BatchChangeChecksAndNormalisesItsValueAndUndoesOnce) {
    TrainingProject();
    struct Case {
        const char* input; // nullptr: cancelled
        int col;
        const char* cell; // rows 1..3 afterwards; nullptr: unchanged
        const char* message;
    };
    const Case cases[] = {
        {"3", 2, "3.0", nullptr},
        {"2.", 2, "2.0", nullptr},
        {"P", 6, "Pause", nullptr},
        {"I", 1, "Infinity", nullptr},
        {"-2", 2, nullptr, "It cannot input negative value."},
        {"abc", 2, nullptr, "\"abc\" is not numerical value."},
        // What typing refuses in a count, stimulus or button column.
        {"2.5", 1, nullptr, "The prescribed form is illegitimate."},
        {"2.5", 3, nullptr, "The prescribed form is illegitimate."},
        {"2.5", 7, nullptr, "The prescribed form is illegitimate."},
        {"0", 5, nullptr, "The prescribed form is illegitimate."},
        {" 2", 7, nullptr, "The prescribed form is illegitimate."},
        {"2.25", 4, "2.25", nullptr},
        {nullptr, 2, nullptr, nullptr},
        {"7", 3, "7", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input ? c.input : "(cancel)");
        ui->messages.clear();
        if (c.input)
            ui->inputs.push_back(QString::fromLatin1(c.input));
        const QStringList before = {sdl()->Cell(c.col, 1), sdl()->Cell(c.col, 2), sdl()->Cell(c.col, 3)};
        const QString below = sdl()->Cell(c.col, 4);
        Select(sdl(), c.col, 1, c.col, 3);
        Trigger(w->actSdlListBatch);
        const QStringList after = {sdl()->Cell(c.col, 1), sdl()->Cell(c.col, 2), sdl()->Cell(c.col, 3)};
        EXPECT_EQ(after, c.cell ? QStringList(3, QString::fromLatin1(c.cell)) : before);
        EXPECT_EQ(ShownTexts(), c.message ? QStringList{QString::fromUtf8(c.message)} : QStringList());
        EXPECT_EQ(sdl()->Cell(c.col, 4), below) << "only the selected rows";
    }

    // Undo gives back the cells before the last change, marks the project changed, and
    // is then unavailable.
    w->projectModified = false;
    Select(sdl(), 3, 1, 3, 1);
    Key(sdl(), Qt::Key_Z);
    EXPECT_EQ(sdl()->Cell(3, 1), QString());
    EXPECT_EQ(sdl()->Cell(1, 2), QStringLiteral("Infinity")) << "earlier changes stay";
    EXPECT_TRUE(w->projectModified);
    w->UpdateActions();
    EXPECT_FALSE(w->actSdlListUndo->isEnabled());
}

// In self-training the answer column is hidden, yet its cells are in the snapshot and
// come back with the others.
TEST_F(ClipboardTest, UndoRestoresTheHiddenAnswerColumnToo) {
    w->selfTraining = true;
    TrainingProject();
    w->HideAnswerColumns();
    ASSERT_TRUE(sdl()->IsHiddenColumn(7));
    sdl()->SetCell(7, 1, QStringLiteral("2"));
    const QString limit = sdl()->Cell(6, 1);
    Select(sdl(), 6, 1, 6, 1);
    ForeignText(QStringLiteral("4\t1"));
    Key(sdl(), Qt::Key_V);
    EXPECT_EQ(sdl()->Cell(6, 1), QStringLiteral("4"));
    EXPECT_EQ(sdl()->Cell(7, 1), QStringLiteral("2")) << "nothing goes into the hidden column";
    sdl()->SetCell(7, 1, QStringLiteral("3"));
    ui->messages.clear();
    Key(sdl(), Qt::Key_Z);
    EXPECT_TRUE(ui->messages.empty()) << ShownTexts().join(" | ").toStdString();
    EXPECT_EQ(sdl()->Cell(6, 1), limit);
    EXPECT_EQ(sdl()->Cell(7, 1), QStringLiteral("2"));
}

TEST_F(ClipboardTest, StimulusCommentsPasteCutBatchAndUndo) {
    NewProject(0);
    // Lines of another program fill the comment column downward; a second cell of a row
    // has no column to go to.
    ForeignText(QStringLiteral("one\ntwo\tmore\r\nthree\n"));
    Select(stm(), 2, 2, 2, 2);
    Key(stm(), Qt::Key_V);
    EXPECT_EQ(Row(stm(), 2, 2, 2) + Row(stm(), 3, 2, 2) + Row(stm(), 4, 2, 2),
              (QStringList{"one", "two", "three"}));
    EXPECT_EQ(ShownTexts().size(), 1);
    EXPECT_EQ((*w->project.GetStimuli())[2].comment, QStringLiteral("two")) << "the project follows";
    EXPECT_TRUE(w->stimulusUndoAvailable);

    // Cut takes the comments out, and the clipboard holds them for a paste elsewhere.
    ui->messages.clear();
    Select(stm(), 2, 2, 2, 3);
    Key(stm(), Qt::Key_X);
    EXPECT_EQ(ClipboardText(), QStringLiteral("one\r\ntwo"));
    EXPECT_EQ(stm()->Cell(2, 2), QString());
    Select(stm(), 2, 6, 2, 6);
    Key(stm(), Qt::Key_V);
    EXPECT_EQ(stm()->Cell(2, 7), QStringLiteral("two"));

    // Batch change: an empty text changes nothing; a text goes into every selected row.
    ui->inputs = {QString()};
    Select(stm(), 2, 1, 2, 3);
    Trigger(w->actStmListBatch);
    EXPECT_EQ(stm()->Cell(2, 1), QString());
    ui->inputs = {QStringLiteral("same")};
    Trigger(w->actStmListBatch);
    EXPECT_EQ(Row(stm(), 1, 2, 2) + Row(stm(), 3, 2, 2), (QStringList{"same", "same"}));
    EXPECT_EQ((*w->project.GetStimuli())[0].comment, QStringLiteral("same"));
    Key(stm(), Qt::Key_Z);
    EXPECT_EQ(stm()->Cell(2, 1), QString());
    EXPECT_EQ(stm()->Cell(2, 4), QStringLiteral("three"));
    EXPECT_TRUE(ui->messages.empty()) << ShownTexts().join(" | ").toStdString();

    // The commands are for the comment column only.
    Select(stm(), 1, 1, 1, 1);
    w->UpdateActions();
    for (QAction* a : {w->actStmListCut, w->actStmListCopy, w->actStmListPaste, w->actStmListBatch})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
}

// Alt+E gives the keyboard to the menu bar; the Edit menu still offers the commands of the
// list that had it, as the user left that list.
TEST_F(ClipboardTest, TheEditMenuFromTheKeyboardOffersTheCommandsOfTheListLeftLast) {
    TrainingProject();
    w->deviceFormats = {{44100, 2}};
    TestDir files;
    QMimeData wavs;
    for (const char* name : {"a.wav", "b.wav"}) {
        const QString path = files.file(QString::fromLatin1(name));
        ASSERT_TRUE(WriteWav(path, WavLayout::pcm(1, 44100, 16), PatternBytes(400)));
        wavs.setUrls(wavs.urls() << QUrl::fromLocalFile(path));
    }
    ASSERT_TRUE(DragAlong(wavs, {CellPoint(stm(), 1, 1)}));
    ForeignText(QStringLiteral("text"));

    const auto item = [this](const char* name) {
        QAction* found = w->mnuEdit->findChild<QAction*>(QString::fromLatin1(name));
        if (!found)
            found = w->findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    };
    const char* const stimulusItems[] = {"popStmListListen", "popStmListCut",   "popStmListCopy",
                                         "popStmListPaste",  "popStmListClear", "popStmListSelectAll"};
    const char* const scheduleItems[] = {"popSdlListCut_a", "popSdlListCopy_a", "popSdlListPaste_a",
                                         "popSdlListClear_a", "popSdlListSelectAll_a"};
    // Alt+E on the focused list; the menu shows, the menu bar has the keyboard, and the
    // commands are looked at again while it shows.
    const auto openEditMenu = [this] {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::AltModifier);
        EXPECT_TRUE(PumpUntil([this] { return w->mnuEdit->isVisible(); }));
        EXPECT_EQ(QApplication::focusWidget(), w->mnuMain) << "the menu bar has the keyboard";
        w->UpdateActions();
    };
    const auto closeEditMenu = [this] {
        w->mnuEdit->hide();
        EXPECT_TRUE(PumpUntil([this] { return QApplication::activePopupWidget() == nullptr; }));
    };

    Select(stm(), 2, 1, 2, 2);
    openEditMenu();
    for (const char* name : stimulusItems)
        EXPECT_TRUE(item(name)->isEnabled()) << name << " with the stimulus list left last";
    for (const char* name : scheduleItems)
        EXPECT_FALSE(item(name)->isEnabled()) << name << " with the stimulus list left last";
    closeEditMenu();

    Select(sdl(), 3, 1, 3, 2);
    openEditMenu();
    for (const char* name : scheduleItems)
        EXPECT_TRUE(item(name)->isEnabled()) << name << " with the schedule left last";
    for (const char* name : {"popStmListCut", "popStmListCopy", "popStmListClear"})
        EXPECT_FALSE(item(name)->isEnabled()) << name << " with the schedule left last";
    closeEditMenu();
}

TEST_F(ClipboardTest, JapanesePartialPasteTextBreaksItsLine) {
    const QString text = TextTable::Instance().Text(QStringLiteral("TfrmMain"), QStringLiteral("IDS_476"),
                                                    TextTable::Language::Japanese);
    EXPECT_TRUE(text.contains(QStringLiteral("ため、\r\nデータ"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QLatin1Char('\\')));
}
