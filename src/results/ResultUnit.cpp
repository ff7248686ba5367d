// The result window: its layout, texts, showing, view switching and close notice.
#include "ResultUnit.h"

#include "ActionLink.h"
#include "CountEditor.h"
#include "Cproject.h"
#include "CurrentRowPainter.h"
#include "Messages.h"
#include "Named.h"
#include "ResultGrid.h"
#include "RstDlgUnit.h"
#include "StringGrid.h"
#include "TextTable.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString Caption(const QString& key) {
    return TextTable::Instance().Text(QStringLiteral("TfrmResult"), key);
}

// A panel with a title line above its content.
QWidget* TitledPanel(QWidget* parent, const char* name, QLabel*& title, QHBoxLayout*& titleRow) {
    auto* panel = Named(new QWidget(parent), name);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    titleRow = new QHBoxLayout;
    title = new QLabel(panel);
    title->setObjectName(QString::fromLatin1(name) + QStringLiteral("Title"));
    titleRow->addWidget(title, 1);
    layout->addLayout(titleRow);
    return panel;
}

StringGrid* AddGrid(QWidget* panel, const char* name) {
    auto* grid = Named(new StringGrid(panel), name);
    SetupResultGrid(grid);
    panel->layout()->addWidget(grid);
    return grid;
}

QLabel* AddLabel(QWidget* parent, QGridLayout* grid, const char* name, int row, int col) {
    auto* label = Named(new QLabel(parent), name);
    grid->addWidget(label, row, col);
    return label;
}

// Both lists: one header row, whole rows chosen, no fixed column.
void SetupList(StringGrid* list) {
    list->SetFixedCols(0);
    list->SetFixedRows(1);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    new CurrentRowPainter(list);
}

} // namespace

TfrmResult::TfrmResult(QWidget* owner) : QMainWindow(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmResult"));
    resize(792, 566);
    BuildLayout();
    // Creation: the options dialog, the link on, the detail pages shown.
    optionsDialog = new TfrmRstDlg(this);
    sbtnUnLink->hide();
    sbtnUnLink->setProperty("tag", 0);
    sbtnLink->setProperty("tag", 1);
    sbtnLink->setEnabled(false);
    sbtnUnLink->setEnabled(false);
    tbtnOtherListVisible->setChecked(true);
    pgeOtherList->setCurrentWidget(shtStimulus);
    connect(&TextTable::Instance(), &TextTable::languageChanged, this, &TfrmResult::Relabel);
    Relabel();
}

TfrmResult::~TfrmResult() {
    // The children go before this object's connections do; focus leaving them must not
    // reach the destroyed actions.
    disconnect(m_focusWatch);
}

void TfrmResult::BuildLayout() {
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    setCentralWidget(client);

    pnlToolBar = Named(new QWidget(client), "pnlToolBar");
    auto* toolLayout = new QHBoxLayout(pnlToolBar);
    toolLayout->setContentsMargins(2, 2, 2, 2);
    auto makeViewButton = [&](QToolButton*& button, const char* name) {
        button = Named(new QToolButton(pnlToolBar), name);
        button->setCheckable(true);
        button->setAutoRaise(true);
        toolLayout->addWidget(button);
    };
    makeViewButton(sbtnExec, "sbtnExec");
    makeViewButton(sbtnQuestion, "sbtnQuestion");
    tlbToolBar = Named(new QToolBar(pnlToolBar), "tlbToolBar");
    tlbToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    toolLayout->addWidget(tlbToolBar, 1);
    layout->addWidget(pnlToolBar);

    auto makeAction = [&](QAction*& action, const char* name) {
        action = Named(new QAction(this), name);
        addAction(action);
    };
    makeAction(actTotalRst, "actTotalRst");
    makeAction(actDelRstList, "actDelRstList");
    makeAction(actDelRstSub, "actDelRstSub");
    makeAction(actDelRstAll, "actDelRstAll");
    makeAction(actPrintSetting, "actPrintSetting");
    const std::pair<QAction**, const char*> commands[] = {
        {&actExportRstList, "actExportRstList"},   {&actExportRstData, "actExportRstData"},
        {&actExportRstTotal, "actExportRstTotal"}, {&actExportRstStm, "actExportRstStm"},
        {&actExportRstPrm, "actExportRstPrm"},     {&actExportRstSdl, "actExportRstSdl"},
        {&actExportRstQst, "actExportRstQst"},     {&actPrintRstList, "actPrintRstList"},
        {&actPrintRstData, "actPrintRstData"},     {&actPrintRstTotal, "actPrintRstTotal"},
        {&actPrintRstStm, "actPrintRstStm"},       {&actPrintRstSdl, "actPrintRstSdl"},
    };
    for (const auto& [action, name] : commands)
        makeAction(*action, name);
    // Enabled by their update handlers once the window shows something.
    for (QAction* action : {actTotalRst, actDelRstList, actDelRstSub})
        action->setEnabled(false);

    tbtnOtherListVisible = Named(new QToolButton(tlbToolBar), "tbtnOtherListVisible");
    tbtnOtherListVisible->setToolButtonStyle(Qt::ToolButtonTextOnly);
    tbtnOtherListVisible->setAutoRaise(true);
    tbtnOtherListVisible->setCheckable(true);
    tlbToolBar->addWidget(tbtnOtherListVisible);
    tlbToolBar->addSeparator();
    popExport = Named(new QMenu(this), "popExport");
    popPrint = Named(new QMenu(this), "popPrint");
    // Menu items are views of the actions; the SPSS item has no action of its own.
    auto addItem = [](QMenu* menu, const char* name, QAction* action) {
        QAction* item = Named(menu->addAction(QString()), name);
        LinkToAction(item, action);
        return item;
    };
    addItem(popExport, "popExportRstList", actExportRstList);
    addItem(popExport, "popExportRstData", actExportRstData);
    addItem(popExport, "popExportRstTotal", actExportRstTotal);
    popExportForSPSS = Named(popExport->addAction(QString()), "popExportForSPSS");
    popExportConnectData = Named(popExport->addMenu(QString()), "popExportConnectData");
    addItem(popExportConnectData, "popExportRstStm", actExportRstStm);
    addItem(popExportConnectData, "popExportRstPrm", actExportRstPrm);
    addItem(popExportConnectData, "popExportRstSdl", actExportRstSdl);
    addItem(popExportConnectData, "popExportRstqst", actExportRstQst);
    popPrint->addAction(actPrintRstList);
    popPrint->addAction(actPrintRstData);
    popPrint->addAction(actPrintRstTotal);
    popPrintConnectData = Named(popPrint->addMenu(QString()), "popPrintConnectData");
    popPrintConnectData->addAction(actPrintRstStm);
    popPrintConnectData->addAction(actPrintRstSdl);
    // The commands go on the bar as actions: those it has no room for become items of its
    // overflow menu, which can show an action but not a button of its own.
    auto addCommand = [&](QToolButton*& button, const char* name, QAction* action) {
        tlbToolBar->addAction(action);
        button = Named(qobject_cast<QToolButton*>(tlbToolBar->widgetForAction(action)), name);
        button->setAutoRaise(true);
    };
    addCommand(tbtnExport, "tbtnExport", popExport->menuAction());
    tbtnExport->setPopupMode(QToolButton::InstantPopup);
    tlbToolBar->addSeparator();
    addCommand(tbtnPrintSetting, "tbtnPrintSetting", actPrintSetting);
    addCommand(tbtnPrint, "tbtnPrint", popPrint->menuAction());
    tbtnPrint->setPopupMode(QToolButton::InstantPopup);
    tlbToolBar->addSeparator();
    addCommand(tbtnDelRstSub, "tbtnDelRstSub", actDelRstSub);
    addCommand(tbtnDelRstList, "tbtnDelRstList", actDelRstList);
    addCommand(tbtnDelRstAll, "tbtnDelRstAll", actDelRstAll);
    tlbToolBar->addSeparator();
    addCommand(tbtnTotalRst, "tbtnTotalRst", actTotalRst);

    // Experiment view.
    pnlResult = Named(new QWidget(client), "pnlResult");
    auto* resultLayout = new QVBoxLayout(pnlResult);
    resultLayout->setContentsMargins(0, 0, 0, 0);
    sptHor = Named(new QSplitter(Qt::Vertical, pnlResult), "sptHor");
    resultLayout->addWidget(sptHor);
    QLabel* title = nullptr;
    QHBoxLayout* titleRow = nullptr;
    pnlResultList = TitledPanel(sptHor, "pnlResultList", title, titleRow);
    asgdRstList = AddGrid(pnlResultList, "asgdRstList");
    SetupList(asgdRstList);
    pnlDetailData = Named(new QWidget(sptHor), "pnlDetailData");
    auto* detailLayout = new QVBoxLayout(pnlDetailData);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    sptVer = Named(new QSplitter(Qt::Horizontal, pnlDetailData), "sptVer");
    detailLayout->addWidget(sptVer);
    BuildDetailPages(sptVer);
    BuildTotalsPanel(pnlDetailData);
    sptHor->setStretchFactor(0, 1);
    sptHor->setStretchFactor(1, 2);

    // Questionnaire view.
    pnlQuestion = Named(new QWidget(client), "pnlQuestion");
    auto* questionLayout = new QVBoxLayout(pnlQuestion);
    questionLayout->setContentsMargins(0, 0, 0, 0);
    Splitter1 = Named(new QSplitter(Qt::Vertical, pnlQuestion), "Splitter1");
    questionLayout->addWidget(Splitter1);
    pnlQuestionList = TitledPanel(Splitter1, "pnlQuestionList", title, titleRow);
    asgdQstList = AddGrid(pnlQuestionList, "asgdQstList");
    SetupList(asgdQstList);
    pnlQuestionData = TitledPanel(Splitter1, "pnlQuestionData", title, titleRow);
    asgdQstData = AddGrid(pnlQuestionData, "asgdQstData");
    pnlQuestion->hide();
    layout->addWidget(pnlResult, 1);
    layout->addWidget(pnlQuestion, 1);

    popRstEdit = Named(new QMenu(this), "popRstEdit");
    popRstEdit->addAction(actTotalRst);
    popRstEdit->addSeparator();
    popRstEdit->addAction(actDelRstList);
    popRstEdit->addAction(actDelRstSub);
    for (StringGrid* grid : {asgdRstList, asgdRstData, asgdQstList, asgdQstData, asgdTtlData}) {
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(grid, &QWidget::customContextMenuRequested, this,
                [this, grid](const QPoint& at) { popRstEdit->popup(grid->viewport()->mapToGlobal(at)); });
    }

    connect(sbtnExec, &QToolButton::clicked, this, &TfrmResult::sbtnExecClick);
    connect(sbtnQuestion, &QToolButton::clicked, this, &TfrmResult::sbtnQuestionClick);
    connect(tbtnOtherListVisible, &QToolButton::clicked, this, &TfrmResult::tbtnOtherListVisibleClick);
    connect(asgdRstList, &StringGrid::currentCellChanged, this, [this](int, int row) {
        const int index = ResultIndexOfRow(row);
        if (index >= 0)
            ShowPagesOfResult(index);
    });
    connect(asgdQstList, &StringGrid::currentCellChanged, this, [this](int, int row) {
        const int index = QstResultIndexOfRow(row);
        if (index >= 0)
            FillQstResultData(index);
    });
    ConnectTotals();
    SetupLists();
    BuildCommands();
}

void TfrmResult::BuildDetailPages(QWidget* parent) {
    pnlOtherData = Named(new QWidget(parent), "pnlOtherData");
    auto* otherLayout = new QVBoxLayout(pnlOtherData);
    otherLayout->setContentsMargins(0, 0, 0, 0);
    pgeOtherList = Named(new QTabWidget(pnlOtherData), "pgeOtherList");
    otherLayout->addWidget(pgeOtherList);

    shtStimulus = Named(new QWidget(pgeOtherList), "shtStimulus");
    shtStimulus->setLayout(new QVBoxLayout);
    asgdStmData = AddGrid(shtStimulus, "asgdStmData");
    pgeOtherList->addTab(shtStimulus, QString());

    shtExecPrm = Named(new QScrollArea(pgeOtherList), "shtExecPrm");
    shtExecPrm->setWidgetResizable(true);
    auto* content = new QWidget(shtExecPrm);
    auto* contentLayout = new QVBoxLayout(content);
    auto* pnlExplain = Named(new QWidget(content), "pnlExplain");
    auto* explainLayout = new QVBoxLayout(pnlExplain);
    explainLayout->setContentsMargins(0, 0, 0, 0);
    pnlExplainLabel = Named(new QLabel(pnlExplain), "pnlExplainLabel");
    memExplain = Named(new QPlainTextEdit(pnlExplain), "memExplain");
    memExplain->setReadOnly(true);
    explainLayout->addWidget(pnlExplainLabel);
    explainLayout->addWidget(memExplain);
    contentLayout->addWidget(pnlExplain);
    pnlExecPrmBtns = Named(new QWidget(content), "pnlExecPrmBtns");
    auto* buttonsLayout = new QVBoxLayout(pnlExecPrmBtns);
    buttonsLayout->setContentsMargins(0, 0, 0, 0);
    auto* pnlBtnNum = Named(new QWidget(pnlExecPrmBtns), "pnlBtnNum");
    auto* numLayout = new QGridLayout(pnlBtnNum);
    lblBtnNum = AddLabel(pnlBtnNum, numLayout, "lblBtnNum", 0, 0);
    lblBtnNumValue = AddLabel(pnlBtnNum, numLayout, "lblBtnNumValue", 0, 1);
    lblSdmExpressNum = AddLabel(pnlBtnNum, numLayout, "lblSdmExpressNum", 1, 0);
    lblSdmExpressNumValue = AddLabel(pnlBtnNum, numLayout, "lblSdmExpressNumValue", 1, 1);
    buttonsLayout->addWidget(pnlBtnNum);
    auto* pnlBtnGrid = Named(new QWidget(pnlExecPrmBtns), "pnlBtnGrid");
    pnlBtnGrid->setLayout(new QVBoxLayout);
    lblBtnCaption = Named(new QLabel(pnlBtnGrid), "lblBtnCaption");
    pnlBtnGrid->layout()->addWidget(lblBtnCaption);
    asgdButtons = AddGrid(pnlBtnGrid, "asgdButtons");
    asgdButtons->getAlignment = [this](int col, int row) -> Qt::Alignment {
        return col < asgdButtons->FixedCols() || row < asgdButtons->FixedRows()
                   ? Qt::AlignCenter
                   : Qt::AlignHCenter | Qt::AlignTop;
    };
    buttonsLayout->addWidget(pnlBtnGrid);
    contentLayout->addWidget(pnlExecPrmBtns);
    grpOption = Named(new QGroupBox(content), "grpOption");
    auto* optionLayout = new QGridLayout(grpOption);
    lblPlayIndicator = AddLabel(grpOption, optionLayout, "lblPlayIndicator", 0, 0);
    lblPlayIndValue = AddLabel(grpOption, optionLayout, "lblPlayIndValue", 0, 1);
    lblJudgeIndicator = AddLabel(grpOption, optionLayout, "lblJudgeIndicator", 1, 0);
    lblJudgeIndValue = AddLabel(grpOption, optionLayout, "lblJudgeIndValue", 1, 1);
    lblCorrectIndicator = AddLabel(grpOption, optionLayout, "lblCorrectIndicator", 2, 0);
    lblCorrectIndValue = AddLabel(grpOption, optionLayout, "lblCorrectIndValue", 2, 1);
    lblYellowIndicator = AddLabel(grpOption, optionLayout, "lblYellowIndicator", 3, 0);
    lblYellowIndValue = AddLabel(grpOption, optionLayout, "lblYellowIndValue", 3, 1);
    lblBtnDirection = AddLabel(grpOption, optionLayout, "lblBtnDirection", 4, 0);
    lblBtnDirecValue = AddLabel(grpOption, optionLayout, "lblBtnDirecValue", 4, 1);
    contentLayout->addWidget(grpOption);
    contentLayout->addStretch();
    shtExecPrm->setWidget(content);
    pgeOtherList->addTab(shtExecPrm, QString());

    shtSchedule = Named(new QWidget(pgeOtherList), "shtSchedule");
    shtSchedule->setLayout(new QVBoxLayout);
    asgdSdlData = AddGrid(shtSchedule, "asgdSdlData");
    pgeOtherList->addTab(shtSchedule, QString());
    connect(pgeOtherList, &QTabWidget::currentChanged, this, &TfrmResult::pgeOtherListChange);

    QLabel* title = nullptr;
    QHBoxLayout* titleRow = nullptr;
    pnlResultData = TitledPanel(parent, "pnlResultData", title, titleRow);
    pnlResultDataTitle = title;
    sbtnLink = Named(new QToolButton(pnlResultData), "sbtnLink");
    sbtnUnLink = Named(new QToolButton(pnlResultData), "sbtnUnLink");
    for (QToolButton* button : {sbtnLink, sbtnUnLink}) {
        button->setAutoRaise(true);
        titleRow->addWidget(button);
    }
    asgdRstData = AddGrid(pnlResultData, "asgdRstData");
    asgdRstData->getAlignment = [this](int col, int row) -> Qt::Alignment {
        return col < asgdRstData->FixedCols() || row < asgdRstData->FixedRows()
                   ? Qt::AlignCenter
                   : Qt::AlignRight | Qt::AlignBottom;
    };
    connect(sbtnLink, &QToolButton::clicked, this, &TfrmResult::sbtnLinkClick);
    connect(sbtnUnLink, &QToolButton::clicked, this, &TfrmResult::sbtnUnLinkClick);
    FollowScroll(asgdRstData, asgdSdlData);
    FollowScroll(asgdSdlData, asgdRstData);
}

void TfrmResult::BuildTotalsPanel(QWidget* parent) {
    QLabel* title = nullptr;
    QHBoxLayout* titleRow = nullptr;
    pnlTotalData = TitledPanel(parent, "pnlTotalData", title, titleRow);
    pnlTotalDataTitle = title;
    pnlNumber = Named(new QWidget(pnlTotalData), "pnlNumber");
    auto* numberLayout = new QHBoxLayout(pnlNumber);
    numberLayout->setContentsMargins(0, 0, 0, 0);
    lblNumber = Named(new QLabel(pnlNumber), "lblNumber");
    auto* editor = new CountEditor(QStringLiteral("edtNumber"), QStringLiteral("updNumber"), pnlNumber);
    edtNumber = editor->Edit();
    updNumber = editor->Updown();
    numberLayout->addWidget(lblNumber);
    numberLayout->addWidget(editor);
    titleRow->insertWidget(1, pnlNumber);
    cboSubDBItem = Named(new QComboBox(pnlTotalData), "cboSubDBItem");
    titleRow->insertWidget(2, cboSubDBItem);
    lblTrnCaption = Named(new QLabel(pnlTotalData), "lblTrnCaption");
    titleRow->insertWidget(3, lblTrnCaption);
    sbtnClose = Named(new QToolButton(pnlTotalData), "sbtnClose");
    sbtnClose->setAutoRaise(true);
    sbtnClose->setText(QStringLiteral("\u2715"));
    titleRow->addWidget(sbtnClose);
    asgdTtlData = AddGrid(pnlTotalData, "asgdTtlData");
    asgdTtlData->setSelectionMode(QAbstractItemView::ContiguousSelection);
    pnlTotalData->hide();
    parent->layout()->addWidget(pnlTotalData);
    connect(sbtnClose, &QToolButton::clicked, this, &TfrmResult::sbtnCloseClick);
}

void TfrmResult::Relabel() {
    setWindowTitle(Caption(QStringLiteral("Caption")));
    for (QToolButton* button :
         {sbtnExec, sbtnQuestion, tbtnOtherListVisible, tbtnPrintSetting, tbtnDelRstAll})
        button->setText(Caption(button->objectName()));
    tbtnExport->setText(Caption(QStringLiteral("popExport")));
    tbtnPrint->setText(Caption(QStringLiteral("popPrint")));
    popExport->setTitle(tbtnExport->text());
    popPrint->setTitle(tbtnPrint->text());
    for (QAction* action : {actTotalRst, actDelRstList, actDelRstSub}) {
        action->setText(Caption(action->objectName()));
        action->setToolTip(Caption(action->objectName() + QStringLiteral(".Hint")));
    }
    actDelRstAll->setText(Caption(QStringLiteral("tbtnDelRstAll")));
    actPrintSetting->setText(Caption(QStringLiteral("tbtnPrintSetting")));
    for (QAction* action :
         {actPrintRstList, actPrintRstData, actPrintRstTotal, actPrintRstStm, actPrintRstSdl})
        action->setText(Caption(action->objectName()));
    // The export commands name what the print commands name.
    const std::pair<QAction*, QString> exports[] = {
        {actExportRstList, Caption(QStringLiteral("actPrintRstList"))},
        {actExportRstData, Caption(QStringLiteral("actPrintRstData"))},
        {actExportRstTotal, Caption(QStringLiteral("actPrintRstTotal"))},
        {actExportRstStm, Caption(QStringLiteral("actPrintRstStm"))},
        {actExportRstPrm, Caption(QStringLiteral("popExportRstPrm"))},
        {actExportRstSdl, Caption(QStringLiteral("actPrintRstSdl"))},
        {actExportRstQst, Caption(QStringLiteral("popExportRstqst"))},
    };
    for (const auto& [action, text] : exports)
        action->setText(text);
    popExportForSPSS->setText(Caption(QStringLiteral("popExportForSPSS")));
    popExportConnectData->setTitle(Caption(QStringLiteral("popExportConnectData")));
    popPrintConnectData->setTitle(Caption(QStringLiteral("popPrintConnectData")));
    for (QWidget* panel : {pnlResultList, pnlResultData, pnlTotalData, pnlQuestionList, pnlQuestionData})
        panel->findChild<QLabel*>(panel->objectName() + QStringLiteral("Title"))
            ->setText(Caption(panel->objectName() + QStringLiteral(".Title")));
    pgeOtherList->setTabText(pgeOtherList->indexOf(shtStimulus), Caption(QStringLiteral("shtStimulus")));
    pgeOtherList->setTabText(pgeOtherList->indexOf(shtExecPrm), Caption(QStringLiteral("shtExecPrm")));
    pgeOtherList->setTabText(pgeOtherList->indexOf(shtSchedule), Caption(QStringLiteral("shtSchedule")));
    pnlExplainLabel->setText(Caption(QStringLiteral("pnlExplain.Label")));
    grpOption->setTitle(Caption(QStringLiteral("grpOption")));
    for (QLabel* label : {lblPlayIndicator, lblJudgeIndicator, lblCorrectIndicator, lblYellowIndicator,
                          lblBtnDirection, lblSdmExpressNum})
        label->setText(Caption(label->objectName()));
    sbtnLink->setText(Caption(QStringLiteral("sbtnLink")));
    sbtnUnLink->setText(Caption(QStringLiteral("sbtnUnLink")));
}

int TfrmResult::CurrentResult() const {
    const int index = ResultIndexOfRow(asgdRstList->Row());
    return project && index < project->GetResponseCount() ? index : -1;
}

ResultFormat TfrmResult::Format() const {
    ResultFormat format;
    const QLocale locale;
    const QString point = locale.decimalPoint();
    format.decimalSeparator = point.isEmpty() ? QLatin1Char('.') : point.at(0);
    format.listSeparator = format.decimalSeparator == QLatin1Char(',') ? QLatin1Char(';') : QLatin1Char(',');
    format.textSubjectIds = textSubjectIds;
    QString time = locale.timeFormat(QLocale::LongFormat);
    time.remove(QLatin1Char('t'));
    format.dateTimeFormat = locale.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ') + time.trimmed();
    format.texts = [](const QString& key) { return Caption(key); };
    return format;
}

void TfrmResult::showEvent(QShowEvent* event) {
    // Only a showing of the hidden window fills the lists; a spontaneous show (the
    // window coming back from the task bar) changes nothing.
    if (!event->spontaneous())
        FormShow();
    QMainWindow::showEvent(event);
}

void TfrmResult::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
    QMainWindow::changeEvent(event);
}

void TfrmResult::FormShow() {
    if (!project)
        return;
    // Both views are filled at every showing, a view without results too: the project
    // may have changed since, and no row or page of an earlier one may stay behind.
    asgdRstList->clearSelection();
    FillResultList();
    actDelRstSub->setEnabled(false);
    actDelRstList->setEnabled(false);
    popExportForSPSS->setVisible(project->GetMethod() == 1);
    int last = asgdRstList->RowCount() - 1;
    asgdRstList->SetCurrentCell(0, last);
    int index = ResultIndexOfRow(last);
    if (index >= 0)
        ShowPagesOfResult(index);
    else
        ShowNoResult();

    FillQstResultList();
    last = asgdQstList->RowCount() - 1;
    asgdQstList->SetCurrentCell(0, last);
    index = QstResultIndexOfRow(last);
    if (index >= 0)
        FillQstResultData(index);
    else
        ClearResultGrid(asgdQstData);
    FormActivate();
    UpdateCommands();
}

void TfrmResult::FormActivate() {
    if (!project)
        return;
    if (project->GetMethod() == 1) {
        asgdRstList->setSelectionMode(QAbstractItemView::SingleSelection);
        return;
    }
    if (asgdRstList->selectionMode() == QAbstractItemView::ExtendedSelection)
        return; // keeps what the user marked while the window was in the background
    asgdRstList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    asgdRstList->clearSelection();
    const int last = asgdRstList->RowCount() - 1;
    if (last >= asgdRstList->FixedRows())
        asgdRstList->selectionModel()->select(asgdRstList->model()->index(last, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void TfrmResult::sbtnExecClick() {
    if (sbtnExec->isChecked()) {
        sbtnQuestion->setChecked(false);
        pnlQuestion->hide();
        pnlResult->show();
        tbtnOtherListVisible->setEnabled(true);
    }
    if (!sbtnQuestion->isChecked())
        sbtnExec->setChecked(true);
    UpdateCommands();
}

void TfrmResult::sbtnQuestionClick() {
    if (sbtnQuestion->isChecked()) {
        sbtnExec->setChecked(false);
        tbtnOtherListVisible->setEnabled(false);
        pnlResult->hide();
        pnlQuestion->show();
    }
    if (!sbtnExec->isChecked())
        sbtnQuestion->setChecked(true);
    UpdateCommands();
}

void TfrmResult::FormCloseQuery(bool& canClose) {
    if (notifyWindow != 0) {
        const intptr_t lParam =
            (deleteAllResponses ? 1 : 0) | ((deleteAllQuestionnaireResults ? 1 : 0) << 16);
        PostMessage(notifyWindow, WM_RESULTS_CHANGED, resultsChanged ? 1 : 0, lParam);
    }
    // Reported once: a later close must not ask again for what was done already.
    resultsChanged = deleteAllResponses = deleteAllQuestionnaireResults = false;
    canClose = true;
}

void TfrmResult::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    FormCloseQuery(canClose);
    event->accept();
}
