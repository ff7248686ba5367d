#pragma once

#include "Post.h"
#include "ResultFormat.h"
#include "ResultTable.h"
#include "TotalData.h"
#include "TrainingTotals.h"

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class CProject;
class CountEdit;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPrinter;
class QPlainTextEdit;
class QScrollArea;
class QSplitter;
class QTabWidget;
class QToolBar;
class QToolButton;
class QGroupBox;
class QWidget;
class StringGrid;
class TfrmRstDlg;
class UpDown;

// The result window of a project's stored results: the experiment view (result list,
// detail pages of the current result, its answer grid, and the totals panel) and the
// questionnaire view. Made once by the main window, which sets notifyWindow and, at each
// opening, the project it shows (not owned); hidden between uses. Asked to close, it
// reports to notifyWindow by WM_RESULTS_CHANGED what was deleted while it was open.
//
// Every list row keeps the index of the result it shows, whatever the user's sorting
// and the deletions since the list was filled; pages, totals and deletions go through it.
class TfrmResult : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmResult(QWidget* owner);
    ~TfrmResult() override;

    // --- the window (lists, views, close) -------------------------------------------------
    void FormShow();
    void FormActivate();
    // Posts WM_RESULTS_CHANGED; the close is never refused.
    void FormCloseQuery(bool& canClose);
    // Show the experiment view or the questionnaire view; one of them is always chosen.
    void sbtnExecClick();
    void sbtnQuestionClick();
    void FillResultList();
    void FillQstResultList();
    // The result a displayed row of a list stands for; -1 for the header or no row.
    int ResultIndexOfRow(int displayedRow) const;
    int QstResultIndexOfRow(int displayedRow) const;
    // The displayed row of a result; -1 when no row shows it.
    int RowOfResult(int resultIndex) const;
    // Deletes the result a displayed row of the result list stands for from the project
    // and its row from the list; rows of later results keep showing theirs. False for a
    // row that stands for none.
    bool DeleteResultOfRow(int displayedRow);
    // The same for the questionnaire list and its sets.
    bool DeleteQstResultOfRow(int displayedRow);
    void Relabel();

    // --- detail pages and data grids ---------------------------------------------------------
    void FillStimulusPage(int resultIndex);
    void FillParameterPage(int resultIndex);
    void FillSchedulePage(int resultIndex);
    void FillResultData(int resultIndex);
    void FillQstResultData(int setIndex);
    void tbtnOtherListVisibleClick();
    void pgeOtherListChange();
    void sbtnLinkClick();
    void sbtnUnLinkClick();

    // --- totals -------------------------------------------------------------------------------
    void actTotalRstExecute();
    void actTotalRstUpdate();
    bool BuildTotalData(int method, bool completeMatch);
    void ShowTotalData(int method, bool averageSameSubject);
    void ShowSDTotals(int resultIndex, int layout);
    bool BuildTrainingRatios();
    void ShowTrainingTotals(int layout, int index);
    void sbtnCloseClick();

    // --- export: files chosen with the save dialog, written whole or not at all ------------
    void actExportRstListExecute();
    void actExportRstDataExecute();
    void actExportRstTotalExecute();
    void actExportRstStmExecute();
    void actExportRstPrmExecute();
    void actExportRstSdlExecute();
    void actExportRstQstExecute();
    void popExportForSPSSClick();
    // Writes one of the window's grids as a comma-separated file or a workbook, as the
    // user chooses; a failed write is shown with the file's name. True when written.
    bool ExportGrid(StringGrid* grid);
    QString GetParameterText() const;
    QString GetQuestionnaireText() const;

    // --- printing and deletion ------------------------------------------------------------
    void tbtnPrintSettingClick();
    void actPrintRstListExecute();
    void actPrintRstDataExecute();
    void actPrintRstTotalExecute();
    void actPrintRstStmExecute();
    void actPrintRstSdlExecute();
    void PrintGrid(StringGrid* grid, const QString& jobName, const QString& listTitle);
    // The printer every print goes to; kept between prints.
    QPrinter& Printer();
    void actDelRstSubExecute();
    void actDelRstListExecute();
    void tbtnDelRstAllClick();
    // The update handlers of the export, print and delete commands: enabled states by the
    // view, the panel shown, the grid with the focus and its current cell.
    void UpdateCommands();

    // The format of numbers, texts and subject IDs that every table is made with now.
    ResultFormat Format() const;
    // The result whose pages are shown: the one of the result list's current row.
    int CurrentResult() const;

    bool resultsChanged = false;
    bool deleteAllResponses = false;
    bool deleteAllQuestionnaireResults = false;
    int trainingLayout = 0;
    std::vector<TOTALDATA> totalData;
    TRNSUBDATA trainingData;
    WindowHandle notifyWindow = 0;
    CProject* project = nullptr;
    QString subjectDbPath;
    bool textSubjectIds = false;
    TfrmRstDlg* optionsDialog = nullptr;

    QWidget* pnlToolBar = nullptr;
    QToolButton* sbtnExec = nullptr;
    QToolButton* sbtnQuestion = nullptr;
    QToolBar* tlbToolBar = nullptr;
    QToolButton* tbtnOtherListVisible = nullptr;
    QToolButton* tbtnExport = nullptr;
    QToolButton* tbtnPrintSetting = nullptr;
    QToolButton* tbtnPrint = nullptr;
    QToolButton* tbtnDelRstSub = nullptr;
    QToolButton* tbtnDelRstList = nullptr;
    QToolButton* tbtnDelRstAll = nullptr;
    QToolButton* tbtnTotalRst = nullptr;

    QWidget* pnlResult = nullptr; // experiment view
    QSplitter* sptHor = nullptr;
    QWidget* pnlResultList = nullptr;
    StringGrid* asgdRstList = nullptr;
    QWidget* pnlDetailData = nullptr;
    QSplitter* sptVer = nullptr;
    QWidget* pnlOtherData = nullptr;
    QTabWidget* pgeOtherList = nullptr;
    QWidget* shtStimulus = nullptr;
    StringGrid* asgdStmData = nullptr;
    QScrollArea* shtExecPrm = nullptr;
    QLabel* pnlExplainLabel = nullptr;
    QPlainTextEdit* memExplain = nullptr;
    QWidget* pnlExecPrmBtns = nullptr;
    QLabel* lblBtnNum = nullptr;
    QLabel* lblBtnNumValue = nullptr;
    QLabel* lblSdmExpressNum = nullptr;
    QLabel* lblSdmExpressNumValue = nullptr;
    QLabel* lblBtnCaption = nullptr;
    StringGrid* asgdButtons = nullptr;
    QGroupBox* grpOption = nullptr;
    QLabel* lblPlayIndicator = nullptr;
    QLabel* lblPlayIndValue = nullptr;
    QLabel* lblJudgeIndicator = nullptr;
    QLabel* lblJudgeIndValue = nullptr;
    QLabel* lblCorrectIndicator = nullptr;
    QLabel* lblCorrectIndValue = nullptr;
    QLabel* lblYellowIndicator = nullptr;
    QLabel* lblYellowIndValue = nullptr;
    QLabel* lblBtnDirection = nullptr;
    QLabel* lblBtnDirecValue = nullptr;
    QWidget* shtSchedule = nullptr;
    StringGrid* asgdSdlData = nullptr;
    QWidget* pnlResultData = nullptr;
    QLabel* pnlResultDataTitle = nullptr;
    QToolButton* sbtnLink = nullptr;
    QToolButton* sbtnUnLink = nullptr;
    StringGrid* asgdRstData = nullptr;
    QWidget* pnlTotalData = nullptr;
    QLabel* pnlTotalDataTitle = nullptr;
    QToolButton* sbtnClose = nullptr;
    QWidget* pnlNumber = nullptr;
    QLabel* lblNumber = nullptr;
    CountEdit* edtNumber = nullptr;
    UpDown* updNumber = nullptr;
    QComboBox* cboSubDBItem = nullptr;
    QLabel* lblTrnCaption = nullptr;
    StringGrid* asgdTtlData = nullptr;

    QWidget* pnlQuestion = nullptr; // questionnaire view
    QSplitter* Splitter1 = nullptr;
    QWidget* pnlQuestionList = nullptr;
    StringGrid* asgdQstList = nullptr;
    QWidget* pnlQuestionData = nullptr;
    StringGrid* asgdQstData = nullptr;

    QMenu* popRstEdit = nullptr;
    QMenu* popPrint = nullptr;
    QMenu* popExport = nullptr;
    QAction* actTotalRst = nullptr;
    QAction* actDelRstList = nullptr;
    QAction* actDelRstSub = nullptr;
    QAction* actDelRstAll = nullptr;
    QAction* actPrintSetting = nullptr;
    QAction* popExportForSPSS = nullptr;
    QMenu* popExportConnectData = nullptr;
    QMenu* popPrintConnectData = nullptr;
    QAction* actExportRstList = nullptr;
    QAction* actExportRstData = nullptr;
    QAction* actExportRstTotal = nullptr;
    QAction* actExportRstStm = nullptr;
    QAction* actExportRstPrm = nullptr;
    QAction* actExportRstSdl = nullptr;
    QAction* actExportRstQst = nullptr;
    QAction* actPrintRstList = nullptr;
    QAction* actPrintRstData = nullptr;
    QAction* actPrintRstTotal = nullptr;
    QAction* actPrintRstStm = nullptr;
    QAction* actPrintRstSdl = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildLayout();
    void BuildDetailPages(QWidget* parent);
    void BuildTotalsPanel(QWidget* parent);
    void ConnectTotals();
    void ShowPagesOfResult(int resultIndex);
    // Empty pages and answer grid: the project holds no experiment result.
    void ShowNoResult();
    void SwitchToTotalsView(int method);
    void FollowScroll(StringGrid* from, StringGrid* to);
    void updNumberClick();
    void edtNumberEnter();
    SubjectItemChoice ItemChoice() const;
    // The selected rows of the result list, as results with their indexes.
    std::vector<SelectedResult> SelectedResults() const;
    void SetupSdLook();
    void BuildCommands();
    void SetupLists();
    // Asks for the file of an export: filter and default extension, the previous name
    // without its extension proposed; the question before replacing a file. Empty when
    // cancelled.
    QString AskExportFile(const QString& filter, const QString& defaultSuffix);
    // Writes a text file, every line ended with CR LF, or shows which file could not be
    // written.
    bool WriteExportText(const QString& path, const QString& text);
    void ShowWriteFailure(const QString& path, const QString& detail = QString());
    bool DeleteRowOfList(StringGrid* list, std::vector<int>& rowResult, int displayedRow,
                         const std::function<bool(int)>& deleteResult);

    // Data row of a list (as filled) -> index of the result it shows.
    std::vector<int> m_rstRowResult;
    std::vector<int> m_qstRowResult;
    // The result whose pages are shown.
    int m_currentResult = -1;
    // The last file chosen for an export.
    QString m_savePath;
    std::unique_ptr<QPrinter> m_printer;
    int m_totalsMethod = -1;
    bool m_syncingScroll = false;
    // Focus changes anywhere in the program re-evaluate the totaling command.
    QMetaObject::Connection m_focusWatch;
};
