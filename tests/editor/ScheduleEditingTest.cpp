// The schedule driven as a user does: typing into cells and the end-of-edit rules, the
// row and column commands, the tab commands, stimulus numbers dropped from the stimulus
// list, and a project built through the controls, saved and opened again.
#include "EditorFixture.h"

#include "EditorShared.h"
#include "WavWriter.h"

#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QTabBar>
#include <functional>

class ScheduleEditingTest : public EditorTest {
protected:
    StringGrid* grid() const { return w->asgdSchedule; }
    CSchedule* schedule(int tab = 0) const { return w->project.GetSchedule(tab); }

    // Clicks the cell and types text (the first key opens the editor), then presses Enter.
    void TypeCell(int col, int row, const QString& text) {
        ClickCell(grid(), col, row);
        QTest::keyClicks(nullptr, text);
        if (QApplication::focusWidget() != grid())
            PressEnter(QApplication::focusWidget());
    }

    QLineEdit* Editor(int col, int row) const {
        return qobject_cast<QLineEdit*>(grid()->indexWidget(grid()->model()->index(row, col)));
    }

    void ClickTab(int tab) {
        QTest::mouseClick(w->tabSchedule, Qt::LeftButton, {}, w->tabSchedule->tabRect(tab).center());
    }

    QStringList Tabs() const {
        QStringList names;
        for (int i = 0; i < w->tabSchedule->count(); ++i)
            names << w->tabSchedule->tabText(i);
        return names;
    }

    // A stimulus number dragged from the stimulus list into the schedule over the heading of
    // column col, on to (col, row) and let go there; true when taken.
    bool DropNumber(int number, int col, int row) {
        QMimeData data;
        data.setData(kStimulusNumberMime, QByteArray::number(number));
        grid()->scrollTo(grid()->model()->index(row, col));
        return DragAlong(data, {CellPoint(grid(), col, 0), CellPoint(grid(), col, row)});
    }
};

TEST_F(ScheduleEditingTest, EndOfEditRules) {
    NewProject(0);
    TypeCount(w->edtPrsNumber, QStringLiteral("2"));
    // Training with 2 presentations: 1 repeat, 2 start, 3 stimulus 1, 4 interval 1,
    // 5 stimulus 2, 6 limit, 7 correct.
    struct Case {
        int col;
        QString typed;
        QString cell;
        bool refused = false;
    };
    const Case cases[] = {
        {6, "2", "2.0"},
        {6, "2.", "2.0"},
        {6, ".", "0.0"},
        {4, "1p5", "Pause"},
        {4, "2.71", "2.71"},
        {4, "2.25", "2.25"},
        {6, "0", "0.0"},
        {2, "0.5", "1.0"},
        {2, "0", "1.0"},
        {2, "05", "5.0"},
        {2, "p", "Pause"},
        {1, "i", "Infinity"},
        {1, "3", "3"},
        {1, "0", "1", true},
        {1, "99999999999", "1", true},
        {3, "0", "1", true},
        {3, "250", "250"},
        {7, "2", "2"},
        {7, "0", "1", true},
        // Characters that do not fit the column are dropped as they are typed.
        {6, "1.2.3", "1.23"},
        {6, "-4a", "4.0"},
        {6, "i5", "5.0"},
        {1, "p7", "7"},
        {1, "ii", "Infinity"},
        {3, "4.5", "45"},
    };
    for (const Case& c : cases) {
        ui->messages.clear();
        TypeCell(c.col, 2, c.typed);
        EXPECT_EQ(grid()->Cell(c.col, 2), c.cell) << c.col << " " << c.typed.toStdString();
        EXPECT_EQ(ShownTexts(),
                  c.refused ? QStringList{"The prescribed form is illegitimate."} : QStringList())
            << c.col << " " << c.typed.toStdString();
        EXPECT_FALSE(w->scheduleEditing);
        EXPECT_TRUE(w->edtTrlNumber->isEnabled());
    }

    // The decimal point of the locale in force.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TypeCell(6, 3, QStringLiteral("2,5"));
    EXPECT_EQ(grid()->Cell(6, 3), QStringLiteral("2,5"));
    TypeCell(6, 3, QStringLiteral("3"));
    EXPECT_EQ(grid()->Cell(6, 3), QStringLiteral("3,0"));
}

TEST_F(ScheduleEditingTest, KeysThatOpenTheEditorAndEscape) {
    NewProject(0);
    // A letter opens nothing; P opens only time cells, I only repeat cells.
    for (auto [col, key] : {std::pair{1, "p"}, std::pair{2, "i"}, std::pair{3, "x"}}) {
        ClickCell(grid(), col, 1);
        QTest::keyClicks(nullptr, QString::fromLatin1(key));
        EXPECT_EQ(Editor(col, 1), nullptr) << col << key;
    }

    TypeCell(1, 1, QStringLiteral("i"));
    ClickCell(grid(), 1, 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QLineEdit* editor = Editor(1, 1);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("i"));
    EXPECT_TRUE(w->scheduleEditing);
    EXPECT_FALSE(w->edtPrsNumber->isEnabled());
    EXPECT_FALSE(w->updTrlNumber->isEnabled());
    // Pasted text goes through the same rule as typed text.
    editor->selectAll();
    editor->insert(QStringLiteral("1p"));
    EXPECT_EQ(editor->text(), QStringLiteral("i"));
    w->projectModified = false;
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(grid()->Cell(1, 1), QStringLiteral("Infinity"));
    EXPECT_FALSE(w->scheduleEditing);
    EXPECT_FALSE(w->projectModified);
    EXPECT_TRUE(w->edtPrsNumber->isEnabled());
}

TEST_F(ScheduleEditingTest, MaskedStimulusCellsAreTypedMasked) {
    w->selfTraining = true;
    NewProject(0);
    ClickCell(grid(), 3, 2);
    QTest::keyClicks(nullptr, QStringLiteral("4"));
    QLineEdit* editor = Editor(3, 2);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->echoMode(), QLineEdit::Password);
    EXPECT_EQ(editor->text(), QStringLiteral("4"));
    PressEnter(editor);
    EXPECT_EQ(grid()->Cell(3, 2), QStringLiteral("4"));
    EXPECT_EQ(grid()->model()->data(grid()->model()->index(2, 3)).toString(), QString(QChar(0x25CF)));
}

TEST_F(ScheduleEditingTest, EmptiedCellsTakeTheirColumnsEmptyValueAndMarkTheProject) {
    NewProject(0);
    for (auto [col, empty] : {std::pair{1, "1"}, std::pair{2, "1.0"}, std::pair{3, ""}, std::pair{5, "-1"}}) {
        grid()->SetCell(col, 4, QStringLiteral("7"));
        w->projectModified = false;
        ClickCell(grid(), col, 4);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QLineEdit* editor = Editor(col, 4);
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Backspace);
        PressEnter(editor);
        EXPECT_EQ(grid()->Cell(col, 4), QString::fromLatin1(empty)) << col;
        EXPECT_TRUE(w->projectModified) << col;
        EXPECT_TRUE(w->scheduleUndoAvailable) << col;
    }
}

TEST_F(ScheduleEditingTest, RowCommands) {
    NewProject(0);
    TypeCount(w->edtPrsNumber, QStringLiteral("2"));
    for (int row = 1; row <= 10; ++row)
        grid()->SetCell(1, row, QString::number(row + 1));
    grid()->SetCell(3, 3, QStringLiteral("4"));
    ClickCell(grid(), 3, 3);
    Trigger(w->actSdlListInsRow);
    ASSERT_EQ(schedule()->GetTrialCount(), 11);
    EXPECT_EQ(w->edtTrlNumber->text(), QStringLiteral("11"));
    EXPECT_EQ(grid()->RowCount(), 12);
    QStringList inserted;
    for (int c = 1; c <= 7; ++c)
        inserted << grid()->Cell(c, 3);
    EXPECT_EQ(inserted, (QStringList{"1", "1.0", "", "1.0", "", "1.0", "-1"}));
    EXPECT_EQ(grid()->Cell(1, 4), QStringLiteral("4")) << "the old trial 3 follows";
    EXPECT_EQ(grid()->Cell(3, 4), QStringLiteral("4"));
    EXPECT_EQ(grid()->Cell(0, 11), QStringLiteral("Trial11"));

    ClickCell(grid(), 1, 4);
    Trigger(w->actSdlListDelRow);
    EXPECT_EQ(schedule()->GetTrialCount(), 10);
    EXPECT_EQ(grid()->Cell(1, 4), QStringLiteral("5"));

    TypeCount(w->edtTrlNumber, QStringLiteral("1"));
    ClickCell(grid(), 1, 1);
    w->UpdateActions();
    EXPECT_FALSE(w->actSdlListDelRow->isEnabled());
    w->actSdlListDelRow->setEnabled(true);
    w->actSdlListDelRow->trigger();
    EXPECT_EQ(ShownTexts(), QStringList{"When the number of trials is one, it cannot delete."});
    EXPECT_EQ(schedule()->GetTrialCount(), 1);

    // No row is added past the trial count's maximum.
    TypeCount(w->edtTrlNumber, QStringLiteral("200"));
    ClickCell(grid(), 1, 1);
    w->UpdateActions();
    EXPECT_FALSE(w->actSdlListInsRow->isEnabled());
    w->actSdlListInsRow->setEnabled(true);
    w->actSdlListInsRow->trigger();
    EXPECT_EQ(schedule()->GetTrialCount(), 200);
    EXPECT_EQ(w->updTrlNumber->Position(), 200);
}

TEST_F(ScheduleEditingTest, ColumnCommands) {
    NewProject(1);
    TypeCount(w->edtPrsNumber, QStringLiteral("3"));
    // 1 repeat, 2 start, 3 s1, 4 i1, 5 s2, 6 i2, 7 s3, 8 limit
    for (int k = 0; k < 3; ++k)
        grid()->SetCell(3 + 2 * k, 1, QString::number(k + 1));
    grid()->SetCell(6, 1, QStringLiteral("2.5"));
    ClickCell(grid(), 5, 1);
    Trigger(w->actSdlListInsCol);
    ASSERT_EQ(schedule()->GetStimulusCount(), 4);
    EXPECT_EQ(w->edtPrsNumber->text(), QStringLiteral("4"));
    QStringList row;
    for (int c = 3; c <= 9; ++c)
        row << grid()->Cell(c, 1);
    EXPECT_EQ(row, (QStringList{"1", "1.0", "", "1.0", "2", "2.5", "3"}));

    ClickCell(grid(), 4, 1); // interval 1 deletes presentation 1
    Trigger(w->actSdlListDelCol);
    EXPECT_EQ(schedule()->GetStimulusCount(), 3);
    EXPECT_EQ(grid()->Cell(3, 1), QString());
    EXPECT_EQ(grid()->Cell(5, 1), QStringLiteral("2"));

    ClickCell(grid(), 8, 1); // on the limit column the new presentation comes before the last
    Trigger(w->actSdlListInsCol);
    EXPECT_EQ(grid()->Cell(7, 1), QString());
    EXPECT_EQ(grid()->Cell(9, 1), QStringLiteral("3"));

    TypeCount(w->edtPrsNumber, QStringLiteral("1"));
    ClickCell(grid(), 3, 1);
    w->UpdateActions();
    EXPECT_FALSE(w->actSdlListDelCol->isEnabled());
    w->actSdlListDelCol->setEnabled(true);
    w->actSdlListDelCol->trigger();
    EXPECT_EQ(ShownTexts(), QStringList{"When the number of stimuli is one, it cannot delete."});
    EXPECT_EQ(schedule()->GetStimulusCount(), 1);
}

TEST_F(ScheduleEditingTest, PairedComparisonKeepsTwoPresentations) {
    NewProject(2);
    ClickCell(grid(), 3, 1);
    w->UpdateActions();
    EXPECT_FALSE(w->actSdlListInsCol->isEnabled());
    EXPECT_FALSE(w->actSdlListDelCol->isEnabled());
    EXPECT_TRUE(w->actSdlListInsRow->isEnabled());
    EXPECT_EQ(schedule()->GetStimulusCount(), 2);
}

TEST_F(ScheduleEditingTest, ClearAndSelectAll) {
    NewProject(0);
    TypeCount(w->edtPrsNumber, QStringLiteral("2"));
    for (int c = 1; c <= 7; ++c)
        grid()->SetCell(c, 2, QStringLiteral("9"));
    ClickCell(grid(), 1, 2);
    grid()->SetSelection(QRect(QPoint(1, 2), QPoint(7, 2)));
    Trigger(w->actSdlListClear);
    QStringList row;
    for (int c = 1; c <= 7; ++c)
        row << grid()->Cell(c, 2);
    EXPECT_EQ(row, (QStringList{"1", "1.0", "", "1.0", "", "1.0", "-1"}));
    EXPECT_TRUE(w->scheduleUndoAvailable);
    Trigger(w->actSdlListSelectAll);
    EXPECT_EQ(grid()->Selection(), QRect(QPoint(1, 1), QPoint(7, 10)));
}

TEST_F(ScheduleEditingTest, StimulusNumbersDroppedFromTheList) {
    NewProject(1);
    w->projectModified = false;
    EXPECT_TRUE(DropNumber(7, 3, 2));
    EXPECT_EQ(grid()->Cell(3, 2), QStringLiteral("7"));
    EXPECT_TRUE(w->projectModified);
    EXPECT_TRUE(w->scheduleUndoAvailable);
    EXPECT_FALSE(DropNumber(7, 1, 2)) << "repeat column";
    EXPECT_FALSE(DropNumber(7, 2, 2)) << "time column";
    EXPECT_EQ(grid()->Cell(1, 2), QStringLiteral("1"));

    // The drag comes in over other columns and the headings on its way from the list.
    QMimeData data;
    data.setData(kStimulusNumberMime, QByteArray::number(4));
    EXPECT_TRUE(DragAlong(data, {CellPoint(grid(), 1, 3), CellPoint(grid(), 2, 3), CellPoint(grid(), 3, 3)}));
    EXPECT_EQ(grid()->Cell(3, 3), QStringLiteral("4"));
    EXPECT_TRUE(DragAlong(data, {CellPoint(grid(), 0, 0), CellPoint(grid(), 3, 0), CellPoint(grid(), 3, 4)}));
    EXPECT_EQ(grid()->Cell(3, 4), QStringLiteral("4"));
    // Over a stimulus cell on the way, let go over a time cell: refused.
    EXPECT_FALSE(
        DragAlong(data, {CellPoint(grid(), 3, 0), CellPoint(grid(), 3, 5), CellPoint(grid(), 2, 5)}));
    EXPECT_EQ(grid()->Cell(3, 5), QString());
    EXPECT_EQ(grid()->Cell(2, 5), QStringLiteral("1.0"));
}

TEST_F(ScheduleEditingTest, TabCommands) {
    NewProject(1);
    w->projectModified = false;
    Trigger(w->actSdlAllNew);
    EXPECT_TRUE(w->projectModified);
    Trigger(w->actSdlAllNew);
    EXPECT_EQ(Tabs(), (QStringList{"Schedule1", "Schedule2", "Schedule3"}));
    EXPECT_EQ(w->tabSchedule->currentIndex(), 2);
    EXPECT_EQ(schedule(2)->name, QStringLiteral("Schedule3"));
    EXPECT_EQ(schedule(2)->GetTrialCount(), 10);
    EXPECT_EQ(grid()->RowCount(), 11);

    ClickTab(1);
    Trigger(w->actSdlDelete);
    EXPECT_EQ(Tabs(), (QStringList{"Schedule1", "Schedule3"}));
    EXPECT_EQ(w->tabSchedule->currentIndex(), 1);
    Trigger(w->actSdlAllNew);
    EXPECT_EQ(Tabs(), (QStringList{"Schedule1", "Schedule3", "Schedule2"}));

    // Rename: Enter takes the name as typed, Esc keeps the old one.
    ClickTab(0);
    w->projectModified = false;
    Trigger(w->actSdlRename);
    ASSERT_TRUE(w->edtTabName->isVisible());
    w->UpdateActions();
    EXPECT_FALSE(w->actSdlAllNew->isEnabled()) << "no tab command while a rename is open";
    QTest::keyClicks(w->edtTabName, QStringLiteral("A"));
    QTest::keyClick(w->edtTabName, Qt::Key_Return);
    EXPECT_FALSE(w->edtTabName->isVisible());
    EXPECT_EQ(w->tabSchedule->tabText(0), QStringLiteral("A"));
    EXPECT_EQ(schedule(0)->name, QStringLiteral("A"));
    EXPECT_TRUE(w->projectModified);
    Trigger(w->actSdlRename);
    QTest::keyClicks(w->edtTabName, QStringLiteral("B"));
    QTest::keyClick(w->edtTabName, Qt::Key_Escape);
    EXPECT_EQ(w->tabSchedule->tabText(0), QStringLiteral("A"));

    // Duplicates are named after their source.
    grid()->SetCell(1, 1, QStringLiteral("5"));
    Trigger(w->actSdlCopyNew);
    EXPECT_EQ(w->tabSchedule->tabText(w->tabSchedule->currentIndex()), QStringLiteral("A (L2)"));
    EXPECT_EQ(schedule(3)->trials[0].repeatCount, 5) << "the copy has the grid's values";
    Trigger(w->actSdlCopyNew);
    EXPECT_EQ(w->tabSchedule->tabText(4), QStringLiteral("A (L2) (L2)"));
    ClickTab(0);
    Trigger(w->actSdlCopyNew);
    EXPECT_EQ(w->tabSchedule->tabText(5), QStringLiteral("A (L3)"));

    // A tab change alone changes nothing in the project.
    w->projectModified = false;
    ClickTab(1);
    EXPECT_FALSE(w->projectModified);

    // Deleting the last tab makes the new last one current; the only tab stays.
    ClickTab(5);
    Trigger(w->actSdlDelete);
    EXPECT_EQ(w->tabSchedule->currentIndex(), 4);
    while (w->tabSchedule->count() > 1)
        Trigger(w->actSdlDelete);
    w->UpdateActions();
    EXPECT_FALSE(w->actSdlDelete->isEnabled());
    EXPECT_EQ(w->project.GetScheduleCount(), 1);
}

TEST_F(ScheduleEditingTest, TabNamesInJapanese) {
    TextTable::Instance().setLanguage(TextTable::Language::Japanese);
    NewProject(0);
    Trigger(w->actSdlAllNew);
    Trigger(w->actSdlCopyNew);
    EXPECT_EQ(Tabs(), (QStringList{QStringLiteral("スケジュール1"), QStringLiteral("スケジュール2"),
                                   QStringLiteral("スケジュール2 (L2)")}));
    // Japanese headers are recognised too.
    TypeCell(1, 1, QStringLiteral("i"));
    EXPECT_EQ(grid()->Cell(1, 1), QStringLiteral("Infinity"));
    TypeCell(2, 1, QStringLiteral("3"));
    EXPECT_EQ(grid()->Cell(2, 1), QStringLiteral("3.0"));
}

// Batch change takes only what typing takes, so Save writes the edits. And a cell that does
// not read is never stored around or dropped: every command that stores the schedule names
// the cell, keeps the grid as it is and stops; Save writes nothing until it is mended.
TEST_F(ScheduleEditingTest, AScheduleIsNeverHalfStored) {
    NewProject(1); // 1 repeat, 2 start, 3 stimulus 1, 4 limit; 10 trials
    Trigger(w->actSdlAllNew);
    ClickTab(0);
    ASSERT_EQ(w->tabSchedule->currentIndex(), 0);
    w->project.GetGeneral()->title = QStringLiteral("study");
    const QString path = root->file("kept.tmv");
    const auto saved = [&path](int trial) {
        CProject file;
        file.SetFileName(path);
        EXPECT_TRUE(file.Open());
        return file.GetSchedule(0)->trials.at(static_cast<size_t>(trial));
    };

    TypeCell(1, 2, QStringLiteral("6"));
    ClickCell(grid(), 3, 1);
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      grid()->visualRect(grid()->model()->index(3, 3)).center());
    ASSERT_EQ(grid()->Selection(), QRect(QPoint(3, 1), QPoint(3, 3)));
    ui->inputs.push_back(QStringLiteral("2.5"));
    Trigger(w->actSdlListBatch);
    EXPECT_EQ(ShownTexts(), QStringList{"The prescribed form is illegitimate."});
    EXPECT_EQ(grid()->Cell(3, 2), QString());
    ui->messages.clear();
    ui->fileNames = {path};
    Trigger(w->actFileSavePrj);
    EXPECT_EQ(ShownTexts(), QStringList());
    EXPECT_FALSE(w->projectModified);
    EXPECT_EQ(saved(1).repeatCount, 6);
    EXPECT_EQ(saved(1).stimuli, std::vector<int>{-1});

    // A count beyond the 32-bit range, which no editing path leaves now, beside a new edit.
    TypeCell(1, 3, QStringLiteral("7"));
    grid()->SetCell(1, 5, QStringLiteral("99999999999"));
    const QString named =
        QStringLiteral("Trial5, \"No. of repeat [times]\": the cell does not hold a value of "
                       "its column, so the schedule was not stored. Correct the cell and "
                       "try again.");
    struct Command {
        const char* name;
        std::function<void()> run;
    };
    const Command commands[] = {
        {"Save", [&] { Trigger(w->actFileSavePrj); }},
        {"Save As", [&] { Trigger(w->actFileSaveAsPrj); }},
        {"trial count", [&] { TypeCount(w->edtTrlNumber, QStringLiteral("12")); }},
        {"presentation arrow", [&] { ClickArrow(w->updPrsNumber, true); }},
        {"other tab", [&] { ClickTab(1); }},
        {"new schedule", [&] { Trigger(w->actSdlAllNew); }},
        {"insert row",
         [&] {
             ClickCell(grid(), 1, 7);
             Trigger(w->actSdlListInsRow);
         }},
    };
    for (const Command& c : commands) {
        SCOPED_TRACE(c.name);
        ui->messages.clear();
        ui->fileNames = {root->file("other.tmv")};
        c.run();
        EXPECT_EQ(ShownTexts(), QStringList{named});
        EXPECT_EQ(grid()->Cell(1, 3), QStringLiteral("7"));
        EXPECT_EQ(grid()->Cell(1, 5), QStringLiteral("99999999999"));
        EXPECT_EQ(QPoint(grid()->Col(), grid()->Row()), QPoint(1, 5)) << "the cursor is on the cell";
        EXPECT_EQ(QSize(grid()->ColCount(), grid()->RowCount()), QSize(5, 11));
        EXPECT_EQ(w->edtTrlNumber->text(), QStringLiteral("10"));
        EXPECT_EQ(w->edtPrsNumber->text(), QStringLiteral("1"));
        EXPECT_EQ(w->updPrsNumber->Position(), 1);
        EXPECT_EQ(w->tabSchedule->count(), 2);
        EXPECT_EQ(w->tabSchedule->currentIndex(), 0);
        EXPECT_TRUE(w->projectModified);
    }
    EXPECT_EQ(saved(2).repeatCount, 1) << "the file keeps what was saved before";
    EXPECT_FALSE(QFileInfo::exists(root->file("other.tmv")));
    EXPECT_EQ(w->project.GetFileName(), path);

    TypeCell(1, 5, QStringLiteral("2"));
    ASSERT_EQ(grid()->Cell(1, 5), QStringLiteral("2"));
    ui->messages.clear();
    Trigger(w->actFileSavePrj);
    EXPECT_EQ(ShownTexts(), QStringList());
    EXPECT_EQ(saved(2).repeatCount, 7);
    EXPECT_EQ(saved(4).repeatCount, 2);
}

TEST_F(ScheduleEditingTest, AProjectBuiltThroughTheControlsIsSavedAndOpenedAgain) {
    NewProject(0);
    TestDir wavs;
    w->deviceFormats = {{44100, 2}};
    const QString wav = wavs.file("tone.wav");
    ASSERT_TRUE(WriteWav(wav, WavLayout::pcm(1, 44100, 16), PatternBytes(800)));
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(wav)});
        StringGrid* list = w->asgdStimulus;
        list->scrollTo(list->model()->index(3, 1));
        const QPoint at = list->visualRect(list->model()->index(3, 1)).center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list->viewport(), &enter);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list->viewport(), &drop);
    }
    ASSERT_EQ(w->asgdStimulus->Cell(1, 3), QStringLiteral("tone.wav"));
    ClickCell(w->asgdStimulus, 2, 3);
    QTest::keyClicks(nullptr, QStringLiteral("loud"));
    PressEnter(QApplication::focusWidget());
    TypeCount(w->edtStmNumber, QStringLiteral("4"));
    TypeCount(w->edtTrnBtnNum, QStringLiteral("3"));
    TypeCount(w->edtPrsNumber, QStringLiteral("2"));
    TypeCount(w->edtTrlNumber, QStringLiteral("3"));
    TypeCell(1, 1, QStringLiteral("i"));
    TypeCell(2, 1, QStringLiteral("p"));
    EXPECT_TRUE(DropNumber(3, 3, 1));
    TypeCell(4, 1, QStringLiteral("2.5"));
    TypeCell(6, 2, QStringLiteral("0.25"));
    TypeCell(7, 3, QStringLiteral("2"));
    Trigger(w->actSdlCopyNew);
    TypeCell(1, 2, QStringLiteral("6"));
    w->project.GetGeneral()->title = QStringLiteral("study");

    const QString path = root->file("built.tmv");
    ui->fileNames = {path};
    w->actFileSaveAsPrj->trigger();
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(w->projectModified);

    CProject reopened;
    reopened.SetFileName(path);
    ASSERT_TRUE(reopened.Open());
    ASSERT_EQ(reopened.GetStimuli()->GetCount(), 4);
    EXPECT_EQ((*reopened.GetStimuli())[2].orgFileName, wav);
    EXPECT_EQ((*reopened.GetStimuli())[2].comment, QStringLiteral("loud"));
    ASSERT_EQ(reopened.GetScheduleCount(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(reopened.GetSchedule(i)->name, w->project.GetSchedule(i)->name);
        EXPECT_EQ(reopened.GetSchedule(i)->trials, w->project.GetSchedule(i)->trials) << "schedule " << i;
    }
    const CTrial& first = reopened.GetSchedule(0)->trials[0];
    EXPECT_EQ(first.repeatCount, -1);
    EXPECT_EQ(first.startWait, -1.0);
    EXPECT_EQ(first.stimuli, (std::vector<int>{3, -1}));
    EXPECT_EQ(first.intervals.at(0), 2.5);
    EXPECT_EQ(reopened.GetSchedule(0)->trials[1].responseWait, 0.25);
    EXPECT_EQ(reopened.GetSchedule(0)->trials[2].correctAnswer, 2);
    EXPECT_EQ(reopened.GetSchedule(1)->trials[1].repeatCount, 6);
    EXPECT_EQ(reopened.GetSchedule(1)->name, QStringLiteral("Schedule1 (L2)"));
    EXPECT_EQ(reopened.GetExperimentParameter()->GetTraining()->buttonLabels.size(), 3u);

    // Opened in the window, the grid shows the stored texts.
    ui->fileNames = {path};
    w->actFileOpenPrj->trigger();
    ASSERT_EQ(w->project.GetFileName(), path);
    QStringList row;
    for (int c = 1; c <= 7; ++c)
        row << grid()->Cell(c, 1);
    EXPECT_EQ(row, (QStringList{"Infinity", "Pause", "3", "2.5", "", "1.0", "-1"}));
    EXPECT_EQ(grid()->Cell(6, 2), QStringLiteral("0.3")) << "shown with one decimal, halves up";
    EXPECT_EQ(w->asgdStimulus->Cell(2, 3), QStringLiteral("loud"));
    EXPECT_EQ(Tabs(), (QStringList{"Schedule1", "Schedule1 (L2)"}));
}
