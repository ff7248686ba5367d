// The shown main window as a user meets it: one enabled state per command, texts in
// either language, and sizes that follow the window's own.
#include "MainWindowFixture.h"

#include "ActionLink.h"
#include "CardUnit.h"
#include "FakeService.h"
#include "OptionIni.h"
#include "OptionUnit.h"
#include "PanelStatusBar.h"
#include "StringGrid.h"
#include "TextFits.h"
#include "WindowTexts.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <functional>

namespace {

// How many handlers run when the action is triggered. Each menu that shows the action and
// the group that holds it listen too, and do nothing of their own.
struct ReceiverCount : QAction {
    static int Of(QAction* action) {
        int bystanders = action->findChild<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly) ? 1 : 0;
        for (QObject* shown : action->associatedObjects())
            if (qobject_cast<QMenu*>(shown))
                ++bystanders;
        return static_cast<ReceiverCount*>(action)->receivers(SIGNAL(triggered(bool))) - bystanders;
    }
};

// Every text of a table in the language that is not active, less those that the active
// language uses too.
QSet<QString> TextsOfTheOtherLanguage() {
    TextTable& table = TextTable::Instance();
    const TextTable::Language active = table.language();
    const TextTable::Language other =
        active == TextTable::Language::English ? TextTable::Language::Japanese : TextTable::Language::English;
    QSet<QString> others;
    QSet<QString> actives;
    for (const char* resource : {":/texts/captions.tsv", ":/texts/ids.tsv"}) {
        QFile file(QString::fromLatin1(resource));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << resource;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split('\t');
            if (fields.size() < 2)
                continue;
            const QString window = QString::fromUtf8(fields[0]);
            const QString key = QString::fromUtf8(fields[1]);
            const QString mine = table.Text(window, key, active);
            const QString theirs = table.Text(window, key, other);
            actives.insert(mine);
            if (!mine.isEmpty() && !theirs.isEmpty() && mine != theirs)
                others.insert(theirs);
        }
    }
    return others - actives;
}

// What a shown window says in words: its title, and the captions, hints, tab texts, list
// items and grid headings of its shown controls.
QStringList ShownWords(QWidget* window) {
    QStringList words{window->windowTitle()};
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.removeIf([window](QWidget* w) { return !w->isVisibleTo(window) || !BelongsToWindow(w, window); });
    for (QWidget* widget : widgets) {
        words << widget->toolTip();
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            words << button->text();
        else if (auto* label = qobject_cast<QLabel*>(widget))
            words << label->text();
        else if (auto* group = qobject_cast<QGroupBox*>(widget))
            words << group->title();
        else if (auto* combo = qobject_cast<QComboBox*>(widget))
            for (int i = 0; i < combo->count(); ++i)
                words << combo->itemText(i);
        else if (auto* tabs = qobject_cast<QTabWidget*>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                words << tabs->tabText(i);
        else if (auto* grid = qobject_cast<StringGrid*>(widget))
            for (int col = 0; col < grid->ColCount(); ++col)
                for (int row = 0; row < grid->RowCount(); ++row)
                    if (col < grid->FixedCols() || row < grid->FixedRows())
                        words << grid->Cell(col, row);
        for (QAction* action : widget->actions())
            words << action->text();
    }
    words.removeAll(QString());
    return words;
}

// The words of the window that belong to the language not active: a text of the other
// language, or one that starts with it (a heading with a number, say).
QStringList WordsOfTheOtherLanguage(QWidget* window) {
    const QSet<QString> others = TextsOfTheOtherLanguage();
    QStringList left;
    for (const QString& word : ShownWords(window)) {
        const bool stale = others.contains(word) ||
                           std::any_of(others.begin(), others.end(),
                                       [&](const QString& o) { return o.size() >= 4 && word.startsWith(o); });
        if (stale)
            left << word;
    }
    return left;
}

// Runs the command and, while the modal dialog it shows is open, the check on it; then
// cancels the dialog.
void WithModal(QAction* command, const std::function<void(QWidget*)>& check) {
    ASSERT_TRUE(command->isEnabled()) << command->objectName().toStdString();
    bool shown = false;
    QObject scope;
    QTimer::singleShot(0, &scope, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        shown = true;
        check(dialog);
        dialog->reject();
    });
    command->trigger();
    EXPECT_TRUE(shown) << command->objectName().toStdString() << " showed no dialog";
}

} // namespace

class ShellWindowTest : public MainWindowTest {
protected:
    // Logs in as a user with full rights against the fake service, then shows the window.
    void ShowAsFullUser() {
        LogInWithFullRights();
        w->show();
        ASSERT_TRUE(PumpUntil([this] { return w->isVisible(); }));
    }

    // Shows the window to a user with full rights and opens the saved project as they do.
    void OpenAsFullUser(const QString& path) {
        ShowAsFullUser();
        ui->fileNames.push_back(path);
        Find<QAction>("actFileOpenPrj")->trigger();
        ASSERT_EQ(w->project.GetFileName(), path);
    }

    // Every menu item and button that stands for a command shows the command's state.
    void ExpectViewsFollowTheirCommand(const char* state) {
        SCOPED_TRACE(state);
        for (QObject* object : w->findChildren<QObject*>()) {
            QAction* command = CommandOf(object);
            if (!command || command == object || qobject_cast<QMenu*>(object))
                continue;
            if (auto* item = qobject_cast<QAction*>(object); item && item->isVisible()) {
                EXPECT_EQ(item->isEnabled(), command->isEnabled()) << object->objectName().toStdString();
            }
            if (auto* button = qobject_cast<QAbstractButton*>(object); button && !button->isHidden()) {
                EXPECT_EQ(!button->testAttribute(Qt::WA_ForceDisabled), command->isEnabled())
                    << object->objectName().toStdString();
            }
        }
    }
};

TEST_F(ShellWindowTest, ViewsShowTheirCommandsStateWhateverSetIt) {
    ShowAsFullUser();
    ExpectViewsFollowTheirCommand("logged in, no project");
    auto* save = Find<QToolButton>("tbtnFileSavePrj");
    EXPECT_FALSE(save->isEnabled()) << "nothing to save yet";

    Find<QAction>("actPrjSdm")->trigger();
    ExpectViewsFollowTheirCommand("new project");
    w->memExplain->setFocus();
    w->memExplain->insertPlainText(QStringLiteral("Listen."));
    w->project.GetGeneral()->title = QStringLiteral("Study");
    ASSERT_TRUE(PumpUntil([&] { return save->isEnabled(); })) << "an edit enables Save";
    ExpectViewsFollowTheirCommand("edited");

    // A busy window holds the commands; a view switched on its own is switched back.
    w->HoldBusyCommands(true);
    EXPECT_FALSE(save->isEnabled());
    save->setEnabled(true);
    EXPECT_FALSE(save->isEnabled()) << "a view has no state of its own";
    w->UpdateActions();
    EXPECT_FALSE(save->isEnabled()) << "update handlers cannot lift the hold";
    ExpectViewsFollowTheirCommand("busy");
    w->HoldBusyCommands(false);
    EXPECT_TRUE(save->isEnabled());

    // Restricted mode hides and holds Save; its own state comes back with the rights.
    w->SetFullUser(false);
    EXPECT_TRUE(save->isHidden());
    EXPECT_FALSE(w->actFileSavePrj->isEnabled());
    w->SetFullUser(true);
    EXPECT_TRUE(save->isEnabled());

    const QString path = root->file(QStringLiteral("saved.tmv"));
    ui->fileNames.push_back(path);
    save->click();
    ASSERT_TRUE(PumpUntil([&] { return !save->isEnabled(); })) << "saved: nothing left to save";
    EXPECT_TRUE(QFileInfo::exists(path));
    ExpectViewsFollowTheirCommand("saved");
}

TEST_F(ShellWindowTest, EveryEnabledCommandDoesSomething) {
    ShowAsFullUser();
    Find<QAction>("actPrjTrn")->trigger();
    QStringList silent;
    for (QAction* action : w->findChildren<QAction*>()) {
        QAction* command = CommandOf(action);
        if (command != action || action->isSeparator() || action->menu() || !BelongsToWindow(action, w.get()))
            continue;
        if (action->isEnabled() && action->isVisible() && ReceiverCount::Of(action) == 0)
            silent << action->objectName();
    }
    EXPECT_TRUE(silent.isEmpty()) << "enabled but silent: " << silent.join(QLatin1Char(' ')).toStdString();
}

TEST_F(ShellWindowTest, LanguageSwitchRelabelsMenusCommandsPanelsAndStatusBar) {
    ShowAsFullUser();
    Find<QAction>("actPrjTrn")->trigger();
    struct Case {
        const char* item;
        QString file, open, stimulusTitle, status0, header, qtYes;
    };
    const Case cases[] = {
        {"mnuViewLanguageJapanese", QStringLiteral("ファイル(&F)"), QStringLiteral("開く(&O) ..."),
         QStringLiteral("刺激リスト"), QStringLiteral("実験：音感トレーニング"),
         QStringLiteral("オリジナルファイル"), QStringLiteral("はい(&Y)")},
        {"mnuViewLanguageEnglish", QStringLiteral("&File"), QStringLiteral("&Open ..."),
         QStringLiteral("Stimulus list"), QStringLiteral("Experiment:Technical Listening Training"),
         QStringLiteral("Original files"), QStringLiteral("&Yes")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        Find<QAction>(c.item)->trigger();
        EXPECT_TRUE(Find<QAction>(c.item)->isChecked());
        EXPECT_EQ(w->mnuFile->title(), c.file);
        EXPECT_EQ(w->mnuFileOpenPrj->text(), c.open) << "menu item";
        EXPECT_EQ(w->tbtnFileOpenPrj->text(), c.open) << "tool button";
        EXPECT_EQ(w->sbtnStimulus->text(), c.stimulusTitle);
        EXPECT_EQ(w->stbInformation->PanelText(0), c.status0);
        EXPECT_EQ(w->asgdStimulus->Cell(1, 0), c.header);
        QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(box.button(QMessageBox::Yes)->text(), c.qtYes) << "Qt's own buttons";
        // Every command and menu of the menu bar has a text in this language.
        for (QAction* top : w->mnuMain->actions()) {
            EXPECT_FALSE(top->text().isEmpty());
            for (QAction* item : top->menu()->actions()) {
                EXPECT_TRUE(item->isSeparator() || !item->text().isEmpty())
                    << item->objectName().toStdString();
            }
        }
    }
}

// A tool button without a caption or an icon is a blank a few pixels wide.
TEST_F(ShellWindowTest, EveryToolButtonShowsACaptionOrAnIcon) {
    ShowAsFullUser();
    Find<QAction>("actPrjSdm")->trigger();
    const std::pair<const char*, QString> languages[] = {
        {"mnuViewLanguageJapanese", QStringLiteral("反復中止")},
        {"mnuViewLanguageEnglish", QStringLiteral("Cancel Repeat")},
    };
    for (const auto& [language, repeat] : languages) {
        SCOPED_TRACE(language);
        Find<QAction>(language)->trigger();
        EXPECT_EQ(Find<QToolButton>("tbtnRepeat")->text(), repeat);
        EXPECT_EQ(Find<QToolButton>("tbtnRepeat")->toolTip(), repeat);
        int checked = 0;
        for (QToolButton* button : w->findChildren<QToolButton*>()) {
            if (!button->isVisibleTo(button->window()) ||
                button->objectName().startsWith(QLatin1String("qt_")))
                continue;
            ++checked;
            const bool shows =
                !button->text().isEmpty() || !button->icon().isNull() || button->arrowType() != Qt::NoArrow;
            EXPECT_TRUE(shows) << button->objectName().toStdString() << " in "
                               << button->window()->objectName().toStdString();
        }
        EXPECT_GT(checked, 10);
    }
}

// A dialog made before a language switch speaks the new language when it is shown next,
// as one made after it does.
TEST_F(ShellWindowTest, EveryDialogSpeaksTheLanguageSwitchedTo) {
    // A saved SD project with one result, opened as a user opens it.
    const QString path = root->file(QStringLiteral("study.tmv"));
    {
        CProject p;
        ASSERT_TRUE(p.New());
        p.SetMethod(1);
        CSchedule* schedule = p.AddSchedule(nullptr);
        schedule->SetTrialCount(3);
        schedule->SetStimulusCount(1);
        CResponse* run = p.AddResponse();
        run->schedule = *schedule;
        run->experimentParameter.SetMethod(1);
        run->terminalResponses.resize(1);
        run->terminalResponses[0].answers.assign(3, QStringLiteral("1"));
        p.SetFileName(path);
        ASSERT_TRUE(p.Save());
    }
    OpenAsFullUser(path);

    const auto modal = [this](const char* command) {
        return [this, command](const std::function<void(QWidget*)>& check) {
            WithModal(Find<QAction>(command), check);
        };
    };
    const auto window = [this](const char* command, const char* name) {
        return [this, command, name](const std::function<void(QWidget*)>& check) {
            Find<QAction>(command)->trigger();
            auto* shown = w->findChild<QWidget*>(QString::fromLatin1(name));
            ASSERT_NE(shown, nullptr) << name;
            ASSERT_TRUE(QTest::qWaitForWindowExposed(shown)) << name;
            check(shown);
            shown->close();
        };
    };
    // The rearranging dialog asks the order of the selected trials.
    const auto rearranging = [this](const std::function<void(QWidget*)>& check) {
        StringGrid* grid = w->asgdSchedule;
        w->activateWindow();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(1, 1)).center());
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          grid->visualRect(grid->model()->index(2, 1)).center());
        QAction* command = Find<QAction>("actSdlListSortTrl");
        ASSERT_TRUE(PumpUntil([command] { return command->isEnabled(); })) << "trials selected";
        WithModal(command, check);
    };
    const std::pair<const char*, std::function<void(const std::function<void(QWidget*)>&)>> dialogs[] = {
        {"project information", modal("actFilePrjInfo")},
        {"refer", modal("actFileReferStm")},
        {"options", modal("actOptSetting")},
        {"version", modal("mnuVersion")},
        {"categories", modal("categoryManage")},
        {"download", modal("projectDownload")},
        {"card", window("actStmListShowCard", "frmCard")},
        {"results", window("actExecResult", "frmResult")},
        {"rearranging", rearranging},
    };
    // Made in English first, then shown after each switch.
    for (const char* language :
         {"mnuViewLanguageEnglish", "mnuViewLanguageJapanese", "mnuViewLanguageEnglish"}) {
        Find<QAction>(language)->trigger();
        for (const auto& [what, show] : dialogs) {
            SCOPED_TRACE(std::string(what) + " after " + language);
            show([](QWidget* dialog) {
                EXPECT_FALSE(dialog->windowTitle().isEmpty());
                const QStringList left = WordsOfTheOtherLanguage(dialog);
                EXPECT_TRUE(left.isEmpty()) << left.join(QStringLiteral(" | ")).toStdString();
            });
        }
    }
}

TEST_F(ShellWindowTest, SizesFollowTheShownWindow) {
    w->resize(1000, 700);
    w->show();
    ASSERT_TRUE(PumpUntil([this] { return w->isVisible(); }));
    StringGrid* grid = w->asgdStimulus;
    const int file = grid->ColWidth(1);
    EXPECT_GT(file, 50) << "file column shown";
    EXPECT_EQ(grid->ColWidth(2), file) << "file and comment share the width";
    EXPECT_NEAR(grid->ColWidth(0) + 2 * file + 4, grid->viewport()->width(), 2);
    const int bar = w->stbInformation->width();
    EXPECT_GT(bar, 500);
    EXPECT_EQ(w->stbInformation->PanelWidth(0), bar / 4);
    EXPECT_EQ(w->stbInformation->PanelWidth(1), bar / 5);
    EXPECT_EQ(w->stbInformation->PanelWidth(2), bar / 5);
    EXPECT_NEAR(w->pnlLeft->width(), w->sptHor->width() / 2, w->sptHor->handleWidth() + 1);
}

TEST_F(ShellWindowTest, SaveAsAddsTheExtensionBeforeAskingAboutAnExistingFile) {
    ShowAsFullUser();
    Find<QAction>("actPrjSdm")->trigger();
    w->project.GetGeneral()->title = QStringLiteral("Study");
    const QString existing = root->file(QStringLiteral("study.tmv"));
    {
        QFile file(existing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old");
    }
    const auto size = [&] { return QFileInfo(existing).size(); };

    ui->fileNames.push_back(root->file(QStringLiteral("study")));
    ui->answers.push_back(UiServices::Answer::No);
    w->mnuFileSaveAsPrj->trigger();
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_TRUE(ui->messages[0].text.contains(QStringLiteral("study.tmv")));
    EXPECT_EQ(ui->messages[0].buttons, UiServices::Buttons::YesNo);
    EXPECT_EQ(size(), 3) << "No keeps the file";

    ui->fileNames.push_back(root->file(QStringLiteral("study")));
    ui->answers.push_back(UiServices::Answer::Yes);
    w->mnuFileSaveAsPrj->trigger();
    EXPECT_GT(size(), 3) << "Yes replaces it";
    EXPECT_EQ(w->project.GetFileName(), existing);
}

TEST_F(ShellWindowTest, GridHeadingsAreCentredAndDataCellsLeftAligned) {
    w->show();
    for (StringGrid* grid : {w->asgdStimulus, w->asgdSchedule, w->asgdTrnBtn, w->asgdSdmExpress,
                             w->asgdParBtn, w->asgdCatCategory, w->asgdQuestion}) {
        ASSERT_GE(grid->RowCount(), 2);
        ASSERT_GE(grid->ColCount(), 2);
        const auto alignment = [grid](int col, int row) {
            return grid->model()->index(row, col).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
        };
        EXPECT_EQ(alignment(1, 0), Qt::AlignCenter) << grid->objectName().toStdString();
        EXPECT_EQ(alignment(grid->ColCount() - 1, 1), Qt::AlignLeft | Qt::AlignVCenter)
            << grid->objectName().toStdString();
    }
}

// A double click opens a data cell's editor only for a user who may change the project.
TEST_F(ShellWindowTest, DoubleClickEditsDataCellsOnlyWithFullRights) {
    const auto doubleClick = [this](StringGrid* grid) {
        w->activateWindow();
        const QRect cell = grid->visualRect(grid->model()->index(1, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QLineEdit* editor = grid->viewport()->findChild<QLineEdit*>();
        return editor && editor->isVisible();
    };
    for (bool full : {true, false}) {
        SCOPED_TRACE(full ? "full rights" : "restricted");
        if (full)
            ShowAsFullUser();
        else
            w->show();
        ASSERT_EQ(w->tbtnFileOpenPrj->isEnabled(), full);
        w->NewProject(0);
        w->pgeParameter->setCurrentWidget(w->shtPrmButton);
        QCoreApplication::processEvents();
        for (StringGrid* grid : {w->asgdSchedule, w->asgdTrnBtn}) {
            EXPECT_EQ(doubleClick(grid), full) << grid->objectName().toStdString();
            if (QLineEdit* editor = grid->viewport()->findChild<QLineEdit*>())
                QTest::keyClick(editor, Qt::Key_Escape);
            EXPECT_FALSE(grid->Editing())
                << grid->objectName().toStdString() << ": off once the editor closed";
        }
        if (full) { // the next round starts afresh, without the account
            w.reset();
            service.reset();
            QFile::remove(OptionIniPath());
            MakeWindow();
        }
    }
}

TEST_F(ShellWindowTest, WithoutAChosenDeviceTheWaveOutPathPlaysToAlsaDefault) {
    w->show();
    ASSERT_TRUE(w->useMME) << "the tests have no low-latency driver";
    EXPECT_EQ(w->soundDeviceId, -1);
    EXPECT_EQ(w->frmOption->cboSndDevice->currentIndex(), 0);
    EXPECT_EQ(w->frmCard->output.soundDeviceId, -1) << "the card plays where the window does";
}

// The dialogs of the project and of the options show every text whole, in either
// language: the title, the dates and the labels of every tab.
TEST_F(ShellWindowTest, DialogsShowTheirTextsWholeInEitherLanguage) {
    const QString path = root->file(QStringLiteral("study.tmv"));
    {
        CProject p;
        ASSERT_TRUE(p.New());
        p.SetMethod(1);
        // Dates whose text is among the longest: a two-digit day and hour.
        p.GetGeneral()->createDate = 45637.9375; // 11 December 2024, 22:30
        p.GetGeneral()->updateDates = {45638.9375};
        p.SetFileName(path);
        ASSERT_TRUE(p.Save());
    }
    OpenAsFullUser(path);
    for (const char* language : {"mnuViewLanguageEnglish", "mnuViewLanguageJapanese"}) {
        Find<QAction>(language)->trigger();
        for (const char* command : {"actFilePrjInfo", "actOptSetting"}) {
            SCOPED_TRACE(std::string(command) + " after " + language);
            WithModal(Find<QAction>(command), [](QWidget* dialog) {
                QTabWidget* tabs = dialog->findChild<QTabWidget*>();
                for (int page = 0; page < (tabs ? tabs->count() : 1); ++page) {
                    if (tabs)
                        tabs->tabBar()->setCurrentIndex(page);
                    QCoreApplication::processEvents();
                    const QStringList cut = TextsThatDoNotFit(dialog);
                    EXPECT_TRUE(cut.isEmpty()) << cut.join(" | ").toStdString();
                }
            });
        }
    }
}

// The paired-comparison captions and the caption of the active panel read in either
// language: whole, and in a colour that stands out from the panel's title bar.
TEST_F(ShellWindowTest, ParameterCaptionsAndTheActivePanelTitleRead) {
    ShowAsFullUser();
    Find<QAction>("actPrjPar")->trigger();
    QTabBar* tabs = w->pgeParameter->tabBar();
    const int buttons = w->pgeParameter->indexOf(w->shtPrmButton);
    ASSERT_GE(buttons, 0);
    w->activateWindow();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(buttons).center());
    ASSERT_TRUE(PumpUntil([&] { return w->asgdParBtn->isVisible(); }));
    for (const char* language : {"mnuViewLanguageEnglish", "mnuViewLanguageJapanese"}) {
        SCOPED_TRACE(language);
        Find<QAction>(language)->trigger();
        ASSERT_TRUE(DrainPosted());
        const QStringList cut = TextsThatDoNotFit(w.get());
        EXPECT_TRUE(cut.isEmpty()) << cut.join(" | ").toStdString();
    }

    StringGrid* grid = w->asgdSchedule;
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(1, 1)).center());
    const QColor bar = w->pnlSdlTitle->palette().color(QPalette::Window);
    ASSERT_EQ(bar, QApplication::palette().color(QPalette::Highlight))
        << "the schedule panel is the active one";
    const QPalette caption = w->sbtnSchedule->palette();
    const QColor text = caption.color(QPalette::ButtonText);
    // The caption lies on the bar, and on its own button face when the pointer is over it.
    EXPECT_GE(ContrastRatio(text, bar), 3.0)
        << text.name().toStdString() << " on " << bar.name().toStdString();
    EXPECT_GE(ContrastRatio(text, caption.color(QPalette::Button)), 3.0)
        << text.name().toStdString() << " on " << caption.color(QPalette::Button).name().toStdString();
}
