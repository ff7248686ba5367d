// The test-run window: construction, states, enabling, options and the close protocol.
#include "ExecuteUnit.h"
#include "RunWindowMessages.h"

#include "ActionLink.h"
#include "AnswerGridMath.h"
#include "Cexectable.h"
#include "ExecDlgUnit.h"
#include "Messages.h"
#include "Named.h"
#include "NumberFormat.h"
#include "OptionIni.h"
#include "PanelStatusBar.h"
#include "QtMessageReceiver.h"
#include "ServiceClient.h"
#include "ServiceForm.h"
#include "StringGrid.h"
#include "TextTable.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStackedLayout>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

QString ExecProjectFolder;
QString ExecServiceUrl;
QString ExecUserId;
QString ExecUserPassword;
QString ExecTestRunSeq;
int ExecAnswererCount = 0;

namespace {

const QString kWindow = QStringLiteral("TfrmExecute");

QAction* MakeAction(QObject* parent, const char* name, bool checkable = false) {
    auto* action = Named(new QAction(parent), name);
    action->setCheckable(checkable);
    return action;
}

QLineEdit* HiddenEdit(QWidget* parent, QLayout* layout, const char* name) {
    auto* edit = Named(new QLineEdit(parent), name);
    edit->setVisible(false);
    layout->addWidget(edit);
    return edit;
}

} // namespace

TfrmExecute::TfrmExecute(QWidget* owner) : QMainWindow(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmExecute"));
    receiver = new QtMessageReceiver(this, this);
    IdHTTP1 = std::make_unique<tamvik::AsyncServiceClient>();
    IdHTTP2 = std::make_shared<tamvik::ServiceClient>();
    CreateForm();
    ConnectActions();
    Relabel();
    connect(&TextTable::Instance(), &TextTable::languageChanged, this, [this] { Relabel(); });

    // FormCreate.
    imgCheck->setToolTip(Ids("IDS_0"));
    imgWait->setToolTip(Ids("IDS_1"));
    currentTrial = 0;
    execDlg = new TfrmExecDlg(this);
    scheduleItemIndex = 0;
    suspending = false;
    medtSetSubID->setVisible(false);
}

TfrmExecute::~TfrmExecute() {
    // No message reaches a window being taken apart.
    delete receiver;
    receiver = nullptr;
    if (playback.IsActive())
        playback.Stop();
}

WindowHandle TfrmExecute::handle() const {
    return receiver ? receiver->handle() : 0;
}

QString TfrmExecute::Ids(const char* key) {
    return TextTable::Instance().Text(kWindow, QString::fromLatin1(key));
}

UiServices::Answer TfrmExecute::ShowMessage(const char* key, UiServices::Kind kind,
                                            UiServices::Buttons buttons) {
    return UiServices::Get().Message(this, kWindow, QString::fromLatin1(key), kind, buttons);
}

void TfrmExecute::ShowMessageLater(const char* key) {
    QTimer::singleShot(0, this, [this, key] { ShowMessage(key); });
}

QString TfrmExecute::StatusText(int panel) const {
    return stbStatus->PanelText(panel);
}

void TfrmExecute::CreateForm() {
    resize(640, 480);
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);

    Panel1 = Named(new QWidget(central), "Panel1");
    Panel1->setMinimumWidth(466);
    Panel1->setFixedHeight(41);
    auto* row1 = new QHBoxLayout(Panel1);
    row1->setContentsMargins(4, 2, 4, 2);
    btnExecute = Named(new QPushButton(Panel1), "btnExecute");
    cboSchedule = Named(new QComboBox(Panel1), "cboSchedule");
    cboSchedule->setMinimumWidth(160);
    btnSave = Named(new QPushButton(Panel1), "btnSave");
    btnEnd = Named(new QPushButton(Panel1), "btnEnd");
    row1->addWidget(btnExecute);
    row1->addWidget(cboSchedule);
    row1->addStretch();
    row1->addWidget(btnSave);
    row1->addWidget(btnEnd);
    ProjectTitle = HiddenEdit(Panel1, row1, "ProjectTitle");
    ProjectFileName = HiddenEdit(Panel1, row1, "ProjectFileName");
    rdbPlay = HiddenEdit(Panel1, row1, "rdbPlay");
    rdbCorrect = HiddenEdit(Panel1, row1, "rdbCorrect");
    rdbJudge = HiddenEdit(Panel1, row1, "rdbJudge");
    rdbYellow = HiddenEdit(Panel1, row1, "rdbYellow");
    chkCheck = HiddenEdit(Panel1, row1, "chkCheck");
    column->addWidget(Panel1);

    Panel2 = Named(new QWidget(central), "Panel2");
    Panel2->setFixedHeight(30);
    auto* row2 = new QHBoxLayout(Panel2);
    row2->setContentsMargins(4, 0, 4, 0);
    tlbPlayCtrl = Named(new QWidget(Panel2), "tlbPlayCtrl");
    auto* bar = new QHBoxLayout(tlbPlayCtrl);
    bar->setContentsMargins(0, 0, 0, 0);
    const auto toolButton = [this](const char* name) {
        auto* b = Named(new QToolButton(tlbPlayCtrl), name);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setAutoRaise(true);
        tlbPlayCtrl->layout()->addWidget(b);
        return b;
    };
    sbtnPlay = toolButton("sbtnPlay");
    sbtnSuspend = toolButton("sbtnSuspend");
    sbtnStop = toolButton("sbtnStop");
    tbtnRepeat = toolButton("tbtnRepeat");
    tbtnRepeat->setCheckable(true);
    tbtnSoundPlayStop = toolButton("tbtnSoundPlayStop");
    tbtnSoundPlayStop->setVisible(false);
    row2->addWidget(tlbPlayCtrl);
    lblDelay = Named(new QLabel(Panel2), "lblDelay");
    edtDelay = Named(new QLineEdit(QStringLiteral("0"), Panel2), "edtDelay");
    edtDelay->setMaximumWidth(60);
    // Digits and a point only: the delay goes to the service as typed.
    edtDelay->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), edtDelay));
    lblMsecond = Named(new QLabel(Panel2), "lblMsecond");
    imgWait = Named(new QLabel(QStringLiteral("W"), Panel2), "imgWait");
    imgCheck = Named(new QLabel(QStringLiteral("C"), Panel2), "imgCheck");
    imgWait->setVisible(false);
    imgCheck->setVisible(false);
    sbtnOption = Named(new QToolButton(Panel2), "sbtnOption");
    sbtnOption->setArrowType(Qt::DownArrow);
    sbtnOption->setAutoRaise(true);
    for (QWidget* w : std::initializer_list<QWidget*>{lblDelay, edtDelay, lblMsecond, imgWait, imgCheck})
        row2->addWidget(w);
    row2->addStretch();
    row2->addWidget(sbtnOption);
    column->addWidget(Panel2);

    // The question grid lies under the answer grid.
    auto* pages = new QWidget(central);
    auto* stack = new QStackedLayout(pages);
    stack->setStackingMode(QStackedLayout::StackAll);
    pnlQuestion = Named(new QWidget(pages), "pnlQuestion");
    (new QVBoxLayout(pnlQuestion))->setContentsMargins(0, 0, 0, 0);
    asgdQuestion = Named(new StringGrid(pnlQuestion), "asgdQuestion");
    pnlQuestion->layout()->addWidget(asgdQuestion);
    pnlResponse = Named(new QWidget(pages), "pnlResponse");
    (new QVBoxLayout(pnlResponse))->setContentsMargins(0, 0, 0, 0);
    asgdResponse = Named(new StringGrid(pnlResponse), "asgdResponse");
    pnlResponse->layout()->addWidget(asgdResponse);
    stack->addWidget(pnlQuestion);
    stack->addWidget(pnlResponse);
    stack->setCurrentWidget(pnlResponse);
    column->addWidget(pages, 1);

    stbStatus = Named(new PanelStatusBar(2, this), "stbStatus");
    // The answerer count is never cut: "Connected Terminal:12" outgrows the usual width.
    stbStatus->SetPanelLeastWidth(0, 120);
    stbStatus->SetPanelWidth(1, 50);
    setStatusBar(stbStatus);

    actExecCtrlPlay = MakeAction(this, "actExecCtrlPlay");
    actExecCtrlPlay->setShortcut(Qt::Key_F5);
    actExecCtrlSuspend = MakeAction(this, "actExecCtrlSuspend");
    actExecCtrlSuspend->setShortcut(Qt::Key_F6);
    actExecCtrlStop = MakeAction(this, "actExecCtrlStop");
    actExecCtrlStop->setShortcut(Qt::Key_F7);
    actExecCtrlCancelRepeat = MakeAction(this, "actExecCtrlCancelRepeat");
    actExecCtrlCancelRepeat->setShortcut(Qt::Key_F8);
    actExecCtrlSoundStop = MakeAction(this, "actExecCtrlSoundStop");
    for (QAction* a : {actExecCtrlPlay, actExecCtrlSuspend, actExecCtrlStop, actExecCtrlCancelRepeat,
                       actExecCtrlSoundStop}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }

    popOption = Named(new QMenu(this), "popOption");
    popOptionSort = Named(popOption->addMenu(QString()), "popOptionSort");
    auto* sortGroup = new QActionGroup(this);
    popOptionSortConnection = MakeAction(this, "popOptionSortConnection", true);
    popOptionSortID = MakeAction(this, "popOptionSortID", true);
    popOptionSortIP = MakeAction(this, "popOptionSortIP", true);
    popOptionSortIP->setVisible(false);
    int tag = 0;
    for (QAction* a : {popOptionSortConnection, popOptionSortID, popOptionSortIP}) {
        a->setData(tag++);
        sortGroup->addAction(a);
        popOptionSort->addAction(a);
    }
    popOptionSortConnection->setChecked(true);
    popOptionCheck = MakeAction(this, "popOptionCheck", true);
    popOptionWait = MakeAction(this, "popOptionWait", true);
    popOptionFeedBack = MakeAction(this, "popOptionFeedBack");
    popOptionCloseMethod = MakeAction(this, "popOptionCloseMethod", true);
    popOptionKillZappa = MakeAction(this, "popOptionKillZappa");
    popOption->addActions(
        {popOptionCheck, popOptionWait, popOptionFeedBack, popOptionCloseMethod, popOptionKillZappa});

    popTermCtrl = Named(new QMenu(this), "popTermCtrl");
    popTermCtrlSleepOn = MakeAction(this, "popTermCtrlSleepOn");
    popTermCtrlSleepOff = MakeAction(this, "popTermCtrlSleepOff");
    popTermCtrlSetSubID = MakeAction(this, "popTermCtrlSetSubID");
    popTermCtrlSleepOn->setVisible(false);
    popTermCtrlSleepOff->setVisible(false);
    popTermCtrl->addActions({popTermCtrlSleepOn, popTermCtrlSleepOff, popTermCtrlSetSubID});
    medtSetSubID = Named(new QLineEdit(this), "medtSetSubID");
    medtSetSubID->setMaxLength(8);
    medtSetSubID->setFrame(false);

    tmrChkStatus = Named(new QTimer(this), "tmrChkStatus");
    tmrChkStatus->setInterval(5000);
    tmrAfter = Named(new QTimer(this), "tmrAfter");
    tmrAfter->setInterval(500);
    userSearchTimer = Named(new QTimer(this), "userSearchTimer");
    userSearchTimer->setInterval(1000);
    completeTimer = new QTimer(this);
    completeTimer->setInterval(1000);

    // The answer grid: labels and captions fixed, nothing editable, no context menu.
    for (StringGrid* grid : {asgdResponse, asgdQuestion}) {
        grid->canEditCell = [](int, int) { return false; };
        grid->getAlignment = [grid](int col, int row) -> Qt::Alignment {
            if (col < grid->FixedCols() || row < grid->FixedRows())
                return Qt::AlignCenter;
            return Qt::AlignRight | Qt::AlignBottom;
        };
        grid->setContextMenuPolicy(Qt::PreventContextMenu);
    }
    asgdResponse->SetFixedCols(1);
    asgdResponse->SetFixedRows(2);
    asgdResponse->setSelectionBehavior(QAbstractItemView::SelectRows);
    asgdResponse->setSelectionMode(QAbstractItemView::MultiSelection);
    asgdResponse->getCellColor = [this](int col, int row, QColor& background, QColor& text) {
        GridCellColor(col, row, background, text);
    };
    // Columns are sized by the window: the operator resizes them only for terminals,
    // which nothing here creates.
    asgdResponse->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    asgdResponse->installEventFilter(this);
}

void TfrmExecute::ConnectActions() {
    LinkToAction(sbtnPlay, actExecCtrlPlay);
    LinkToAction(sbtnSuspend, actExecCtrlSuspend);
    LinkToAction(sbtnStop, actExecCtrlStop);
    LinkToAction(tbtnSoundPlayStop, actExecCtrlSoundStop);
    connect(actExecCtrlPlay, &QAction::triggered, this, &TfrmExecute::actExecCtrlPlayExecute);
    connect(actExecCtrlSuspend, &QAction::triggered, this, &TfrmExecute::actExecCtrlSuspendExecute);
    connect(actExecCtrlStop, &QAction::triggered, this, &TfrmExecute::actExecCtrlStopExecute);
    connect(actExecCtrlCancelRepeat, &QAction::triggered, this, &TfrmExecute::actExecCtrlCancelRepeatExecute);
    connect(actExecCtrlSoundStop, &QAction::triggered, this, &TfrmExecute::actExecCtrlSoundStopExecute);
    // The repeat button shows its command's enabled state but runs its own click handler.
    connect(actExecCtrlCancelRepeat, &QAction::changed, tbtnRepeat,
            [this] { tbtnRepeat->setEnabled(actExecCtrlCancelRepeat->isEnabled()); });
    connect(tbtnRepeat, &QToolButton::clicked, this, &TfrmExecute::tbtnRepeatClick);

    connect(btnExecute, &QPushButton::clicked, this, &TfrmExecute::btnExecuteClick);
    connect(btnSave, &QPushButton::clicked, this, &TfrmExecute::btnSaveClick);
    connect(btnEnd, &QPushButton::clicked, this, &QWidget::close);
    connect(cboSchedule, &QComboBox::activated, this, [this] {
        cboScheduleClick();
        // A save that the keep-results question started is waited for first.
        AfterWaits([this] { cboScheduleChange(); });
    });
    connect(sbtnOption, &QToolButton::clicked, this, [this] {
        popOptionPopup();
        popOption->popup(sbtnOption->mapToGlobal(QPoint(0, 0)));
    });
    connect(popOptionCheck, &QAction::triggered, this, &TfrmExecute::popOptionCheckClick);
    connect(popOptionWait, &QAction::triggered, this, &TfrmExecute::popOptionWaitClick);
    connect(popOptionFeedBack, &QAction::triggered, this, &TfrmExecute::popOptionFeedBackClick);
    connect(popOptionCloseMethod, &QAction::triggered, this, &TfrmExecute::popOptionCloseMethodClick);
    connect(popOptionKillZappa, &QAction::triggered, this, &TfrmExecute::popOptionKillZappaClick);
    for (QAction* a : {popOptionSortConnection, popOptionSortID, popOptionSortIP})
        connect(a, &QAction::triggered, this, [this, a] { SortChange(a); });
    connect(tmrAfter, &QTimer::timeout, this, &TfrmExecute::tmrAfterTimer);
    connect(userSearchTimer, &QTimer::timeout, this, &TfrmExecute::userSearchTimerTimer);
    connect(tmrChkStatus, &QTimer::timeout, this, [this] { tmrChkStatus->stop(); });
    connect(completeTimer, &QTimer::timeout, this, [this] {
        // The trial's answers may still come in while the sequencer waits after it.
        if (!execTable || execTable->state() != ExecAfterTrialWait) {
            completeTimer->stop();
            return;
        }
        // One fetch at a time: a tick while one is under way asks nothing.
        if (IdHTTP1->Pending() > 0)
            return;
        FetchAnswers(FetchKind::Fetch, [this](FetchOutcome outcome) {
            // A refusal stays a refusal: one box, and no more asking.
            if (outcome == FetchOutcome::Refused) {
                completeTimer->stop();
                return;
            }
            // The operator may have stopped the run while the answers came.
            if (!completeTimer->isActive() || !execTable || execTable->state() != ExecAfterTrialWait)
                return;
            if (IsTrialComplete(currentTrial)) {
                completeTimer->stop();
                if (!execTable->Proceed())
                    stbStatus->SetPanelText(1, Ids("IDS_17"));
            }
        });
    });
}

void TfrmExecute::Relabel() {
    TextTable& table = TextTable::Instance();
    setWindowTitle(table.Text(kWindow, QStringLiteral("Caption")));
    for (QPushButton* b : {btnExecute, btnSave, btnEnd})
        b->setText(table.Text(kWindow, b->objectName()));
    for (QLabel* l : {lblDelay, lblMsecond})
        l->setText(table.Text(kWindow, l->objectName()));
    for (QAction* a : {actExecCtrlPlay, actExecCtrlSuspend, actExecCtrlStop})
        a->setText(table.Text(kWindow, a->objectName()));
    for (QAction* a : {actExecCtrlCancelRepeat, actExecCtrlSoundStop}) {
        const QString hint = table.Text(kWindow, a->objectName() + QStringLiteral(".Hint"));
        a->setToolTip(hint);
        a->setText(hint);
    }
    tbtnRepeat->setText(actExecCtrlCancelRepeat->text());
    tbtnRepeat->setToolTip(actExecCtrlCancelRepeat->toolTip());
    for (QAction* a : {popOptionCheck, popOptionWait, popOptionFeedBack, popOptionCloseMethod,
                       popOptionKillZappa, popOptionSortConnection, popOptionSortID, popOptionSortIP,
                       popTermCtrlSleepOn, popTermCtrlSleepOff, popTermCtrlSetSubID})
        a->setText(table.Text(kWindow, a->objectName()));
    popOptionSort->setTitle(table.Text(kWindow, popOptionSort->objectName()));
    imgCheck->setToolTip(Ids("IDS_0"));
    imgWait->setToolTip(Ids("IDS_1"));
    RelabelAnswerGrid();
    SetState(windowState);
    // The answerer count, once shown, in the new language.
    if (!StatusText(0).isEmpty())
        stbStatus->SetPanelText(0, Ids("IDS_19") + QString::number(GridShape().AnswererCount()));
}

bool TfrmExecute::eventFilter(QObject* watched, QEvent* e) {
    // Esc clears the row selection of the answer grid and goes no further.
    if (watched == asgdResponse && e->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
        ClearRowSelection();
        return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

bool TfrmExecute::event(QEvent* e) {
    return HandlePostedMessage(*this, e) || QMainWindow::event(e);
}

bool TfrmExecute::Dispatch(uint32_t msg, intptr_t wParam, intptr_t lParam) {
    // The sequencer's states are handled in order, each after the replies the window
    // waited for at the one before.
    if (msg == WM_EXECTABLE && HoldRunMessage(wParam, lParam))
        return true;
    return DispatchRunMessage(*this, msg, wParam, lParam) || msg == WM_EXECUTE_IGNORED;
}

void TfrmExecute::Start() {
    if (started)
        return;
    started = true;
    LoadOptionSettings(ExecProjectFolder, ExecServiceUrl, ExecUserId, ExecUserPassword, false);
    // Option.ini is read here, on the window's thread; the worker's client takes the result.
    tamvik::ServiceClient proxy;
    ApplyProxySettings(proxy);
    // Every request of the window is bounded.
    IdHTTP1->Configure([ms = requestTimeoutMs, host = proxy.GetProxyHost(),
                        port = proxy.GetProxyPort()](tamvik::ServiceClient& client) {
        client.SetConnectTimeout(ms);
        client.SetReadTimeout(ms);
        client.SetTotalTimeout(ms);
        client.SetProxy(host, port);
    });
    ExecAnswererCount = 0;
    resultsUnsaved = false;
    questionnaireUnsaved = false;
    resultsSaved = 0;
    selectedTrials.clear();
    for (QAction* a : {actExecCtrlPlay, actExecCtrlSuspend, actExecCtrlStop, actExecCtrlCancelRepeat,
                       actExecCtrlSoundStop})
        a->setEnabled(false);
    btnSave->setEnabled(false);
    tmrChkStatus->stop();
    tmrAfter->stop();
    StartTest([this](bool registered) {
        if (!registered)
            return;
        userSearchTimer->start();
        SetState(ExecWaitingAnswerers);
        stbStatus->SetPanelText(0, Ids("IDS_33"));
        soundStopTag = 0;
    });
}

void TfrmExecute::SetState(int state) {
    windowState = state;
    const char* key = nullptr;
    switch (state) {
    case 0:
        // Once an answerer has joined, the window waits for nobody in particular.
        key = GridShape().AnswererCount() > 0 ? nullptr : "IDS_48";
        break;
    case 2:
    case 6:
        key = "IDS_49";
        break;
    case 3:
        key = "IDS_50";
        break;
    case 7:
        key = "IDS_52";
        break;
    case 8:
        key = "IDS_53";
        break;
    case 9:
        key = "IDS_54";
        break;
    default:
        break;
    }
    stbStatus->SetSimplePanel(false);
    stbStatus->SetPanelText(1, key ? Ids(key) : QString());
    const bool show = state == 0 || state == 1 || state == 4 || state == 5 || state > 9;
    showSelection = show;
    asgdResponse->SetShowFocus(show);
}

void TfrmExecute::UpdateControls() {
    if (!execTable)
        return;
    const int state = execTable->state();
    // option: -1 leaves the option button as it is.
    const auto set = [&](bool play, bool abort, bool stop, bool rest, int option) {
        actExecCtrlPlay->setEnabled(play);
        actExecCtrlSuspend->setEnabled(abort);
        actExecCtrlStop->setEnabled(stop);
        actExecCtrlCancelRepeat->setEnabled(stop);
        actExecCtrlSoundStop->setEnabled(stop);
        btnSave->setEnabled(rest && resultsUnsaved);
        for (QWidget* w : std::initializer_list<QWidget*>{edtDelay, btnExecute, cboSchedule, btnEnd})
            w->setEnabled(rest);
        if (option >= 0)
            sbtnOption->setEnabled(option == 1 && !sbtnOption->isHidden());
    };
    switch (state) {
    case ExecIdle:
    case ExecScheduleEnded:
        set(false, false, false, true, 1);
        break;
    case ExecScheduleBegin:
        set(false, true, true, false, 0);
        break;
    case ExecTrialStimulus:
    case ExecTimedWait:
    case ExecScheduleProceed:
    case ExecTrialResumed:
    case ExecTrialBegin:
    case ExecTrialEnd:
        set(false, true, true, false, -1);
        break;
    case ExecOperatorWait:
    case ExecTrialPaused:
        set(true, false, true, false, -1);
        break;
    default:
        break;
    }
}

void TfrmExecute::SetHideLastColumn(bool hide) {
    hideLastColumn = hide;
    const int last = asgdResponse->ColCount() - 1;
    if (last < 0)
        return;
    if (hide)
        asgdResponse->HideColumn(last);
    else
        asgdResponse->UnHideColumn(last);
}

void TfrmExecute::closeEvent(QCloseEvent* e) {
    if (QCoreApplication::closingDown() || CanClose()) {
        e->accept();
        return;
    }
    e->ignore();
}

bool TfrmExecute::CanClose() {
    if (closeAccepted)
        return true;
    // The protocol is already under way and waits for the service.
    if (closing)
        return false;
    // Asked while the window waits for a reply: the close, questions and all, follows it.
    if (operatorWaits > 0) {
        if (!closePending) {
            closePending = true;
            AfterWaits([this] {
                closePending = false;
                close();
            });
        }
        return false;
    }
    if (windowState == ExecWindowReady)
        return false;
    if (execTable && execTable->state() != ExecIdle && execTable->state() != ExecScheduleEnded)
        return false;
    if (resultsUnsaved) {
        switch (ShowMessage("IDS_46", UiServices::Kind::Confirmation, UiServices::Buttons::YesNoCancel)) {
        case UiServices::Answer::Yes:
            closing = true;
            SaveTestResult([this](bool saved) {
                closing = false;
                // Results that could not be kept stay in the window instead of being lost.
                if (saved)
                    CloseAfterResults();
            });
            return false;
        case UiServices::Answer::No:
            resultsUnsaved = false;
            break;
        default:
            return false;
        }
    }
    return CloseAfterResults();
}

bool TfrmExecute::CloseAfterResults() {
    if (questionnaireUnsaved) {
        switch (ShowMessage("IDS_47", UiServices::Kind::Confirmation, UiServices::Buttons::YesNoCancel)) {
        case UiServices::Answer::Yes:
            btnSaveClick();
            break;
        case UiServices::Answer::No:
            questionnaireUnsaved = false;
            break;
        default:
            return false;
        }
    }
    closing = true;
    AfterWaits([this] { FinishClose(); });
    return false;
}

void TfrmExecute::FinishClose() {
    popOptionKillZappaClick();
    if (!terminals.empty()) {
        closing = false;
        SetState(ExecWindowEnding);
        tmrChkStatus->start();
        return;
    }
    userSearchTimer->stop();
    completeTimer->stop();
    // Nothing under way or planned for the window has anything to add once it closes.
    ++generation;
    afterWaits.clear();
    const int saved = resultsSaved;
    EndTest(QStringLiteral("10"), [this, saved](bool ended, bool refused) {
        closing = false;
        if (ended) {
            // A delay that is not a whole number keeps the main window's previous one.
            int delay = 0;
            if (setDelayTimes && tamvik::ParseInt(edtDelay->text(), delay))
                setDelayTimes(delay);
        } else {
            ShowMessage(refused ? "IDS_55" : "IDS_17");
        }
        // The main window takes the window down on this notice, also when the service did
        // not end the run. Posted only now: the window's client must live until the reply.
        if (mainWindow)
            PostMessage(mainWindow, WM_EXECUTE_EVENT, -1, saved);
        if (ended) {
            closeAccepted = true;
            close();
        }
    });
}

void TfrmExecute::btnSaveClick() {
    if (ShowMessage("IDS_46", UiServices::Kind::Confirmation, UiServices::Buttons::YesNo) ==
        UiServices::Answer::Yes)
        SaveTestResult();
}

void TfrmExecute::cboScheduleClick() {
    scheduleTag = 0;
    if (!resultsUnsaved)
        return;
    switch (ShowMessage("IDS_46", UiServices::Kind::Confirmation, UiServices::Buttons::YesNoCancel)) {
    case UiServices::Answer::Yes:
        btnSave->click();
        // Results the service did not keep stay in the window, and so does their run.
        AfterWaits([this] {
            if (resultsUnsaved)
                scheduleTag = 1;
        });
        break;
    case UiServices::Answer::No:
        resultsUnsaved = false;
        btnSave->setEnabled(false);
        break;
    default:
        scheduleTag = 1;
        break;
    }
}

void TfrmExecute::popOptionPopup() {
    if (execTable) {
        popOptionCheck->setChecked(execTable->checkRepetition());
        popOptionWait->setChecked(execTable->waitResponses());
    }
    popOptionKillZappa->setEnabled(windowState != 0 && !terminals.empty() && popOptionKillZappa->isVisible());
}

void TfrmExecute::popOptionCheckClick() {
    const bool on = popOptionCheck->isChecked();
    if (execTable)
        execTable->setCheckRepetition(on);
    imgCheck->setVisible(on);
}

void TfrmExecute::popOptionWaitClick() {
    const bool on = popOptionWait->isChecked();
    if (execTable)
        execTable->setWaitResponses(on);
    imgWait->setVisible(on);
}

void TfrmExecute::popOptionFeedBackClick() {
    const QChar d = QLocale().decimalPoint().at(0);
    const QString prompt = Ids("IDS_2") + QStringLiteral("0") + d + Ids("IDS_5") + d + Ids("IDS_6");
    QString text;
    if (!UiServices::Get().InputBox(this, Ids("IDS_34"), prompt, text))
        return;
    double value = 0.0;
    if (!tamvik::ParseReal(text, value, d)) {
        ShowMessage("IDS_36");
        return;
    }
    if (value >= 0.1 && value <= 10.0) {
        if (execTable)
            execTable->setFeedbackSeconds(value);
        return;
    }
    UiServices::Get().MessageText(this, prompt, windowTitle(), UiServices::Kind::Warning,
                                  UiServices::Buttons::Ok);
}

void TfrmExecute::popOptionCloseMethodClick() {
    // A mark nothing reads: the terminals it would shut down do not exist here.
}

void TfrmExecute::popOptionKillZappaClick() {
    for (size_t i = terminals.size(); i-- > 0;) {
        if (!terminals[i].responding)
            terminals.erase(terminals.begin() + static_cast<std::ptrdiff_t>(i));
    }
    for (size_t i = 0; i < terminals.size(); ++i)
        terminals[i].number = static_cast<int32_t>(i);
}

void TfrmExecute::SortChange(QAction* item) {
    item->setChecked(true);
    if (displayOrder.empty())
        return;
    RebuildDisplayOrder(item->data().toInt());
}

void TfrmExecute::tmrAfterTimer() {
    tmrAfter->stop();
    SetState(ExecWindowIdle);
}

void TfrmExecute::tbtnRepeatClick() {
    if (execTable)
        execTable->setCancelRepeat(tbtnRepeat->isChecked());
}
