// The controls of the stimulus, parameter and schedule panels, their popup menus and the
// connections of the editor's commands.
#include "ActionLink.h"
#include "CardUnit.h"
#include "Cexectable.h"
#include "CountEditor.h"
#include "EditorShared.h"
#include "EditorWiring.h"
#include "MainUnit.h"
#include "Named.h"
#include "StringGrid.h"
#include "TextTable.h"

#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <utility>

namespace {

const QString kWindow = QStringLiteral("TfrmMain");

struct OwnCaption {
    const char* key;
    const char* ja;
    const char* en;
};

// Captions the text tables do not give.
const OwnCaption kOwnCaptions[] = {
    {"rdbPlayON", "ON", "ON"},
    {"rdbPlayOFF", "OFF", "OFF"},
    {"rdbJudgeON", "ON", "ON"},
    {"rdbJudgeOFF", "OFF", "OFF"},
    {"rdbCorrectON", "ON", "ON"},
    {"rdbCorrectOFF", "OFF", "OFF"},
    {"rdbYellowON", "ON", "ON"},
    {"rdbYellowOFF", "OFF", "OFF"},
    {"rdbBtnHr", "横向き", "Horizontal"},
    {"rdbBtnVr", "縦向き", "Vertical"},
    {"grpBtnDirection", "ボタンの配置", "Layout of buttons"},
    {"shtPrmQuestion", "アンケート", "Questionnaire"},
    {"edtStmNumber.Label", "刺激数", "No. of\nStimuli"},
    {"edtTrlNumber.Label", "試行数", "No. of\nTrials"},
    {"edtPrsNumber.Label", "呈示数", "No. of\nPresentations"},
    {"edtTrnBtnNum.Label", "ボタン数", "No. of buttons"},
    {"edtSdmScale.Label", "段階数", "No. of steps"},
    {"edtSdmExpressNum.Label", "表現語対の数", "No. of word pairs"},
    {"edtCatCategoryNum.Label", "カテゴリ数", "No. of categories"},
    {"edtQstNum.Label", "項目数", "No. of items"},
    {"popSdlTab", "タブ(&T)", "&Tab"},
    {"popSdlList", "リスト(&L)", "&List"},
};

QString Caption(const QString& key) {
    for (const OwnCaption& c : kOwnCaptions) {
        if (key == QLatin1String(c.key))
            return QString::fromUtf8(
                TextTable::Instance().language() == TextTable::Language::Japanese ? c.ja : c.en);
    }
    return TextTable::Instance().Text(kWindow, key);
}

StringGrid* MakeGrid(QWidget* parent, const char* name, int cols, int rows, int fixedCols) {
    auto* grid = Named(new StringGrid(parent), name);
    grid->SetFixedCols(fixedCols);
    grid->SetFixedRows(1);
    grid->SetColCount(cols);
    grid->SetRowCount(rows);
    grid->SetEditing(false);
    return grid;
}

// A labelled count editor in a row of its own.
QWidget* MakeCountRow(QWidget* parent, const char* editName, const char* upDownName, CountEdit*& edit,
                      UpDown*& upDown) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(Caption(QString::fromLatin1(editName) + QStringLiteral(".Label")), row);
    label->setObjectName(QString::fromLatin1(editName) + QStringLiteral("Label"));
    auto* editor = new CountEditor(QString::fromLatin1(editName), QString::fromLatin1(upDownName), row);
    edit = editor->Edit();
    upDown = editor->Updown();
    label->setBuddy(edit);
    layout->addWidget(label);
    layout->addWidget(editor);
    layout->addStretch();
    return row;
}

QGroupBox* MakeRadioGroup(QWidget* parent, const char* name, const char* first, QRadioButton*& one,
                          const char* second, QRadioButton*& two) {
    auto* group = Named(new QGroupBox(Caption(QString::fromLatin1(name)), parent), name);
    auto* layout = new QHBoxLayout(group);
    one = Named(new QRadioButton(Caption(QString::fromLatin1(first)), group), first);
    two = Named(new QRadioButton(Caption(QString::fromLatin1(second)), group), second);
    layout->addWidget(one);
    layout->addWidget(two);
    layout->addStretch();
    return group;
}

QWidget* MakePage(QWidget* parent, const char* name) {
    auto* page = Named(new QWidget(parent), name);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    return page;
}

// A popup item of its own name that stands for an action.
QAction* MakeItem(QMenu* menu, const char* name, QAction* action) {
    auto* item = Named(new QAction(menu), name);
    LinkToAction(item, action);
    menu->addAction(item);
    return item;
}

QMenu* MakeMenu(QWidget* parent, const char* name) {
    return Named(new QMenu(Caption(QString::fromLatin1(name)), parent), name);
}

// The captions of the panels' own controls in the language now active.
void RelabelEditorControls(TfrmMain& w) {
    for (QWidget* page : {w.shtPrmExplain, w.shtPrmButton, w.shtPrmOption, w.shtPrmQuestion})
        w.pgeParameter->setTabText(w.pgeParameter->indexOf(page), Caption(page->objectName()));
    // Only the panels' own controls: the dialogs below the window have tables of their own.
    QList<QWidget*> controls;
    for (QWidget* panel : {w.pnlStimulus, w.pnlParameter, w.pnlSchedule})
        controls += panel->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        const QString name = control->objectName();
        if (auto* group = qobject_cast<QGroupBox*>(control); group && name.startsWith(QLatin1String("grp")))
            group->setTitle(Caption(name));
        else if (auto* radio = qobject_cast<QRadioButton*>(control);
                 radio && name.startsWith(QLatin1String("rdb")))
            radio->setText(Caption(name));
        else if (auto* label = qobject_cast<QLabel*>(control); label && name.endsWith(QLatin1String("Label")))
            label->setText(Caption(name.chopped(5) + QStringLiteral(".Label")));
    }
    for (QMenu* menu : {w.popStmMenu, w.popPrmMenu, w.popSdlAllMenu, w.popSdlTabMenu, w.popSdlListMenu,
                        w.popSdlList, w.popQstMenu, w.findChild<QMenu*>(QStringLiteral("popSdlTab"))})
        menu->setTitle(Caption(menu->objectName()));
    for (QMenu* menu : w.findChildren<QMenu*>()) {
        const QString name = menu->objectName();
        if (name.startsWith(QLatin1String("popSdlListIns")) ||
            name.startsWith(QLatin1String("popSdlListDel")))
            menu->setTitle(Caption(name.left(13)));
    }
    for (QAction* a : {w.actSdlListInsRow, w.actSdlListDelRow, w.actSdlListInsCol, w.actSdlListDelCol,
                       w.actSdlListClear, w.actSdlListSelectAll})
        a->setText(Caption(a->objectName()));
}

} // namespace

void TfrmMain::CreateEditorControls() {
    // Stimulus panel: the count editor above the list.
    auto* pnlStmNumber = Named(new QWidget(pnlStimulus), "pnlStmNumber");
    auto* stmNumberLayout = new QHBoxLayout(pnlStmNumber);
    stmNumberLayout->setContentsMargins(0, 0, 0, 0);
    stmNumberLayout->addWidget(
        MakeCountRow(pnlStmNumber, "edtStmNumber", "updStmNumber", edtStmNumber, updStmNumber));
    pnlStimulus->layout()->addWidget(pnlStmNumber);
    asgdStimulus = MakeGrid(pnlStimulus, "asgdStimulus", 3, 11, 1);
    for (int row = 1; row < asgdStimulus->RowCount(); ++row)
        asgdStimulus->SetCell(0, row, Ids("IDS_6") + QString::number(row));
    asgdStimulus->canEditCell = [](int col, int) { return col == 2; };
    asgdStimulus->getCellColor = [this](int col, int row, QColor& background, QColor& text) {
        asgdStimulusGetCellColor(col, row, background, text);
    };
    asgdStimulus->isBoldCell = [this](int, int row) { return StimulusRowHighlighted(*this, row); };
    asgdStimulus->setContextMenuPolicy(Qt::CustomContextMenu);
    pnlStimulus->layout()->addWidget(asgdStimulus);

    // Parameter panel.
    pgeParameter = Named(new QTabWidget(pnlParameter), "pgeParameter");
    pnlParameter->layout()->addWidget(pgeParameter);
    shtPrmExplain = MakePage(pgeParameter, "shtPrmExplain");
    memExplain = Named(new QPlainTextEdit(shtPrmExplain), "memExplain");
    memExplain->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    shtPrmExplain->layout()->addWidget(memExplain);
    pgeParameter->addTab(shtPrmExplain, Caption(QStringLiteral("shtPrmExplain")));

    shtPrmButton = MakePage(pgeParameter, "shtPrmButton");
    pgePrmButton = Named(new QStackedWidget(shtPrmButton), "pgePrmButton");
    shtPrmButton->layout()->addWidget(pgePrmButton);
    shtTraining = MakePage(pgePrmButton, "shtTraining");
    shtTraining->layout()->addWidget(
        MakeCountRow(shtTraining, "edtTrnBtnNum", "updTrnBtnNum", edtTrnBtnNum, updTrnBtnNum));
    asgdTrnBtn = MakeGrid(shtTraining, "asgdTrnBtn", 2, 3, 1);
    shtTraining->layout()->addWidget(asgdTrnBtn);
    shtSD = MakePage(pgePrmButton, "shtSD");
    shtSD->layout()->addWidget(MakeCountRow(shtSD, "edtSdmScale", "updSdmScale", edtSdmScale, updSdmScale));
    shtSD->layout()->addWidget(
        MakeCountRow(shtSD, "edtSdmExpressNum", "updSdmExpressNum", edtSdmExpressNum, updSdmExpressNum));
    asgdSdmExpress = MakeGrid(shtSD, "asgdSdmExpress", 3, 6, 1);
    shtSD->layout()->addWidget(asgdSdmExpress);
    shtPair = MakePage(pgePrmButton, "shtPair");
    asgdParBtn = MakeGrid(shtPair, "asgdParBtn", 2, 2, 0);
    // The two captions share the grid's width, which it has only once its page is shown.
    asgdParBtn->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    shtPair->layout()->addWidget(asgdParBtn);
    shtCategory = MakePage(pgePrmButton, "shtCategory");
    shtCategory->layout()->addWidget(MakeCountRow(shtCategory, "edtCatCategoryNum", "updCatCategoryNum",
                                                  edtCatCategoryNum, updCatCategoryNum));
    asgdCatCategory = MakeGrid(shtCategory, "asgdCatCategory", 2, 4, 1);
    shtCategory->layout()->addWidget(asgdCatCategory);
    shtME = MakePage(pgePrmButton, "shtME");
    for (QWidget* page : {shtTraining, shtSD, shtPair, shtCategory, shtME})
        pgePrmButton->addWidget(page);
    pgeParameter->addTab(shtPrmButton, Caption(QStringLiteral("shtPrmButton")));

    shtPrmOption = MakePage(pgeParameter, "shtPrmOption");
    sbxOption = Named(new QScrollArea(shtPrmOption), "sbxOption");
    sbxOption->setWidgetResizable(true);
    auto* options = new QWidget(sbxOption);
    auto* optionLayout = new QVBoxLayout(options);
    grpPlayIndicator =
        MakeRadioGroup(options, "grpPlayIndicator", "rdbPlayON", rdbPlayON, "rdbPlayOFF", rdbPlayOFF);
    grpJudgeIndicator =
        MakeRadioGroup(options, "grpJudgeIndicator", "rdbJudgeON", rdbJudgeON, "rdbJudgeOFF", rdbJudgeOFF);
    grpCorrectIndicator = MakeRadioGroup(options, "grpCorrectIndicator", "rdbCorrectON", rdbCorrectON,
                                         "rdbCorrectOFF", rdbCorrectOFF);
    grpYellowIndicator = MakeRadioGroup(options, "grpYellowIndicator", "rdbYellowON", rdbYellowON,
                                        "rdbYellowOFF", rdbYellowOFF);
    grpBtnDirection = MakeRadioGroup(options, "grpBtnDirection", "rdbBtnHr", rdbBtnHr, "rdbBtnVr", rdbBtnVr);
    for (QGroupBox* g :
         {grpPlayIndicator, grpJudgeIndicator, grpCorrectIndicator, grpYellowIndicator, grpBtnDirection})
        optionLayout->addWidget(g);
    optionLayout->addStretch();
    sbxOption->setWidget(options);
    shtPrmOption->layout()->addWidget(sbxOption);
    pgeParameter->addTab(shtPrmOption, Caption(QStringLiteral("shtPrmOption")));

    // The questionnaire page exists for the code that sizes the questionnaire; its tab
    // is never shown.
    shtPrmQuestion = MakePage(pgeParameter, "shtPrmQuestion");
    shtPrmQuestion->layout()->addWidget(
        MakeCountRow(shtPrmQuestion, "edtQstNum", "updQstNum", edtQstNum, updQstNum));
    asgdQuestion = MakeGrid(shtPrmQuestion, "asgdQuestion", 5, 2, 1);
    shtPrmQuestion->layout()->addWidget(asgdQuestion);
    pgeParameter->setTabVisible(
        pgeParameter->addTab(shtPrmQuestion, Caption(QStringLiteral("shtPrmQuestion"))), false);

    // Schedule panel: the two count editors, the tabs and the grid.
    auto* pnlSdlPrm = Named(new QWidget(pnlSchedule), "pnlSdlPrm");
    auto* sdlPrmLayout = new QHBoxLayout(pnlSdlPrm);
    sdlPrmLayout->setContentsMargins(0, 0, 0, 0);
    sdlPrmLayout->addWidget(
        MakeCountRow(pnlSdlPrm, "edtTrlNumber", "updTrlNumber", edtTrlNumber, updTrlNumber));
    sdlPrmLayout->addWidget(
        MakeCountRow(pnlSdlPrm, "edtPrsNumber", "updPrsNumber", edtPrsNumber, updPrsNumber));
    sdlPrmLayout->addStretch();
    pnlSchedule->layout()->addWidget(pnlSdlPrm);
    tabSchedule = Named(new QTabBar(pnlSchedule), "tabSchedule");
    tabSchedule->setExpanding(false);
    tabSchedule->setContextMenuPolicy(Qt::CustomContextMenu);
    edtTabName = Named(new QLineEdit(tabSchedule), "edtTabName");
    edtTabName->hide();
    edtTabName->setProperty("Tag", 0); // 1 while a rename is open
    pnlSchedule->layout()->addWidget(tabSchedule);
    asgdSchedule = MakeGrid(pnlSchedule, "asgdSchedule", 4, 11, 1);
    for (int row = 1; row < asgdSchedule->RowCount(); ++row)
        asgdSchedule->SetCell(0, row, Ids("IDS_11") + QString::number(row));
    asgdSchedule->getCellColor = [this](int col, int row, QColor& background, QColor& text) {
        asgdScheduleGetCellColor(col, row, background, text);
    };
    asgdSchedule->isBoldCell = [this](int col, int row) { return ScheduleCellHighlighted(*this, col, row); };
    asgdSchedule->isPasswordCell = [this](int col, int row) {
        return asgdScheduleIsPasswordCell(*this, col, row);
    };
    asgdSchedule->setContextMenuPolicy(Qt::CustomContextMenu);
    pnlSchedule->layout()->addWidget(asgdSchedule);

    // Popup menus.
    popStmMenu = MakeMenu(this, "popStmMenu");
    MakeItem(popStmMenu, "popStmListListen", actStmListListen);
    MakeItem(popStmMenu, "popStmListShowCard", actStmListShowCard);
    popStmMenu->addSeparator();
    MakeItem(popStmMenu, "popStmListInsRow", actStmListInsRow);
    MakeItem(popStmMenu, "popStmListDelRow", actStmListDelRow);
    popStmMenu->addSeparator();
    MakeItem(popStmMenu, "popStmListClear", actStmListClear);
    MakeItem(popStmMenu, "popStmListSelectAll", actStmListSelectAll);
    popStmMenu->addSeparator();
    actStmListExportWav = Named(new QAction(this), "actStmListExportWav");
    MakeItem(popStmMenu, "popStmListExportWav", actStmListExportWav);

    // The grid's and the tab bar's popups, and their copies in the Edit menu whose items
    // carry the suffix "_a".
    for (auto [action, name] :
         {std::pair{&actSdlListInsRow, "actSdlListInsRow"}, std::pair{&actSdlListDelRow, "actSdlListDelRow"},
          std::pair{&actSdlListInsCol, "actSdlListInsCol"}, std::pair{&actSdlListDelCol, "actSdlListDelCol"},
          std::pair{&actSdlListClear, "actSdlListClear"},
          std::pair{&actSdlListSelectAll, "actSdlListSelectAll"}})
        *action = Named(new QAction(Caption(QString::fromLatin1(name)), this), name);
    const auto fillList = [this](QMenu* menu, const char* suffix) {
        const auto name = [suffix](const char* base) { return QByteArray(base) + suffix; };
        MakeItem(menu, name("popSdlListListen").constData(), actSdlListListen);
        menu->addSeparator();
        QMenu* insert = Named(new QMenu(Caption(QStringLiteral("popSdlListIns")), menu),
                              name("popSdlListIns").constData());
        MakeItem(insert, name("popSdlListInsRow").constData(), actSdlListInsRow);
        MakeItem(insert, name("popSdlListInsCol").constData(), actSdlListInsCol);
        menu->addMenu(insert);
        QMenu* remove = Named(new QMenu(Caption(QStringLiteral("popSdlListDel")), menu),
                              name("popSdlListDel").constData());
        MakeItem(remove, name("popSdlListDelRow").constData(), actSdlListDelRow);
        MakeItem(remove, name("popSdlListDelCol").constData(), actSdlListDelCol);
        menu->addMenu(remove);
        MakeItem(menu, name("popSdlListClear").constData(), actSdlListClear);
        MakeItem(menu, name("popSdlListSelectAll").constData(), actSdlListSelectAll);
        menu->addSeparator();
        MakeItem(menu, name("popSdlListSortTrl").constData(), actSdlListSortTrl);
        MakeItem(menu, name("popSdlListSortPrs").constData(), actSdlListSortPrs);
        MakeItem(menu, name("popSdlListSortTrlRdm").constData(), actSdlListSortTrlRdm);
    };
    const auto fillTab = [this](QMenu* menu, const char* suffix) {
        const auto name = [suffix](const char* base) { return QByteArray(base) + suffix; };
        MakeItem(menu, name("popSdlAllNew").constData(), actSdlAllNew);
        MakeItem(menu, name("popSdlCopyNew").constData(), actSdlCopyNew);
        MakeItem(menu, name("popSdlRename").constData(), actSdlRename);
        MakeItem(menu, name("popSdlDelete").constData(), actSdlDelete);
    };
    popSdlListMenu = MakeMenu(this, "popSdlListMenu");
    fillList(popSdlListMenu, "");
    popSdlTabMenu = MakeMenu(this, "popSdlTabMenu");
    fillTab(popSdlTabMenu, "");

    // The Edit menu's schedule items: the tab commands and the List submenu.
    popSdlAllMenu = MakeMenu(this, "popSdlAllMenu");
    QMenu* popSdlTab = MakeMenu(popSdlAllMenu, "popSdlTab");
    fillTab(popSdlTab, "_a");
    popSdlAllMenu->addMenu(popSdlTab);
    popSdlList = MakeMenu(popSdlAllMenu, "popSdlList");
    fillList(popSdlList, "_a");
    popSdlAllMenu->addMenu(popSdlList);

    popPrmMenu = MakeMenu(this, "popPrmMenu");
    popQstMenu = MakeMenu(this, "popQstMenu");
    MakeItem(popQstMenu, "popQstInsRow", actQstInsRow);
    MakeItem(popQstMenu, "popQstDelRow", actQstDelRow);
    for (QMenu* menu : {popStmMenu, popPrmMenu, popSdlAllMenu, popSdlTabMenu, popSdlListMenu, popQstMenu})
        menu->setProperty("Tag", 0);
    popSdlListMenu->setProperty("AutoPopup", true);
}

void TfrmMain::ConnectEditorActions() {
    // Only the schedule's command carries the shortcut: it runs the stimulus audition
    // itself while the stimulus grid has the focus, and one key must name one action.
    actSdlListListen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(actStmListListen, &QAction::triggered, this, &TfrmMain::actStmListListenExecute);
    connect(actSdlListListen, &QAction::triggered, this, &TfrmMain::actSdlListListenExecute);

    // A comment edited in place reaches the project at once.
    connect(asgdStimulus, &StringGrid::cellEdited, this, [this](int col, int row) {
        CStimuli* stimuli = project.GetStimuli();
        if (col != 2 || row < 1 || row > stimuli->GetCount())
            return;
        (*stimuli)[row - 1].comment = asgdStimulus->Cell(col, row);
        projectModified = true;
        stimulusUndoAvailable = true;
    });
    connect(memExplain, &QPlainTextEdit::textChanged, this, [this] { projectModified = true; });
    for (QRadioButton* r : {rdbPlayON, rdbPlayOFF, rdbJudgeON, rdbJudgeOFF, rdbCorrectON, rdbCorrectOFF,
                            rdbYellowON, rdbYellowOFF, rdbBtnHr, rdbBtnVr})
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                projectModified = true;
        });

    // Each popup notes the sequencer's state when it opens; the commands follow it.
    connect(popStmMenu, &QMenu::aboutToShow, this, [this] {
        popStmMenuPopup();
        UpdateEditorActions();
    });
    for (QMenu* menu : {popSdlListMenu, popSdlList})
        connect(menu, &QMenu::aboutToShow, this, [this] {
            popSdlListMenuPopup();
            UpdateEditorActions();
        });
    connect(mnuEdit, &QMenu::aboutToShow, this, [this] { UpdateEditorActions(); });
    for (QMenu* menu : {popPrmMenu, popSdlAllMenu, popSdlTabMenu, popQstMenu})
        connect(menu, &QMenu::aboutToShow, this,
                [this, menu] { menu->setProperty("Tag", static_cast<int>(execTable->state())); });

    // The grids' popups open only while nothing plays.
    const auto busy = [this] { return execTable->state() != ExecIdle || frmExecute != nullptr; };
    connect(asgdStimulus, &QWidget::customContextMenuRequested, this, [this, busy](const QPoint& at) {
        if (!busy())
            popStmMenu->popup(asgdStimulus->viewport()->mapToGlobal(at));
    });
    connect(asgdSchedule, &QWidget::customContextMenuRequested, this, [this, busy](const QPoint& at) {
        if (!busy() && popSdlListMenu->property("AutoPopup").toBool())
            popSdlListMenu->popup(asgdSchedule->viewport()->mapToGlobal(at));
    });
    connect(tabSchedule, &QWidget::customContextMenuRequested, this, [this, busy](const QPoint& at) {
        if (!busy())
            popSdlTabMenu->popup(tabSchedule->mapToGlobal(at));
    });

    ConnectScheduleTabs();
    connect(&TextTable::Instance(), &TextTable::languageChanged, this,
            [this] { RelabelEditorControls(*this); });

    ConnectCountEditors(*this);
    ConnectStimulusList(*this);
    ConnectScheduleCommands(*this);
    ConnectScheduleEditing(*this);
    ConnectClipboardCommands(*this);
    ConnectCard(*this);
    ConnectParameterPanel(*this);
    ConnectScheduleSorting(*this);
    ConnectListExport(*this);
}

void TfrmMain::UpdateEditorActions() {
    UpdateStimulusActions(*this);
    UpdateScheduleActions(*this);
    UpdateClipboardActions(*this);
    UpdateCardCommand(*this);
    UpdateQuestionActions(*this);
    UpdateSortingActions(*this);
    UpdateListExportActions(*this);
}
