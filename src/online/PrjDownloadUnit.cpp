#include "PrjDownloadUnit.h"

#include "DialogParts.h"
#include "DialogTransfer.h"
#include "IniFile.h"
#include "OptionIni.h"
#include "ReplyRecord.h"
#include "ServiceForm.h"
#include "StringGrid.h"
#include "TextTable.h"
#include "UiServices.h"
#include "WindowTexts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

namespace {

const QString kWindow = QStringLiteral("TfrmPrjDownload");

enum Col {
    ColNumber = 0,
    ColMark,
    ColTitle,
    ColDifficulty,
    ColCategory,
    ColContent,
    ColName,
    ColSeq,
    ColSpare,
    ColCount
};

constexpr int kTimeoutMs = 108000;

QString Mark() {
    return TableText(kWindow, QStringLiteral("IDS_DOWNLOADED"));
}

void ResetWithEmptyItem(QComboBox* box) {
    box->clear();
    box->addItem(QString());
}

// Chooses the first item equal to text without regard to case; no choice when none is.
void ChooseText(QComboBox* box, const QString& text) {
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i).compare(text, Qt::CaseInsensitive) == 0) {
            box->setCurrentIndex(i);
            return;
        }
    }
    box->setCurrentIndex(-1);
}

QString HistoryPath() {
    const QString folder = SettingsFolderPath();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("history.ini");
}

} // namespace

TfrmPrjDownload::TfrmPrjDownload(QWidget* owner)
    : QDialog(owner), IdHTTP1(std::make_unique<tamvik::ServiceClient>()),
      IdHTTP2(std::make_unique<tamvik::ServiceClient>()) {
    setObjectName(QStringLiteral("frmPrjDownload"));
    resize(960, 560);
    auto* layout = new QVBoxLayout(this);
    auto* fields = new QGridLayout;
    TitleEdit = Named(new QLineEdit(this), "TitleEdit");
    TitleEdit->setMaxLength(100);
    DifficultyComboBox = Named(new QComboBox(this), "DifficultyComboBox");
    DifficultyComboBox->setEditable(true);
    DifficultyComboBox->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                  QStringLiteral("4"), QStringLiteral("5")});
    DifficultyComboBox->lineEdit()->setMaxLength(100);
    DifficultyComboBox->setCurrentIndex(-1);
    CategoryComboBox = MakeList(this, "CategoryComboBox");
    CategoryIdComboBox = MakeList(this, "CategoryIdComboBox");
    CategoryIdComboBox->hide();
    cbScenario = MakeList(this, "cbScenario");
    cbTimes = MakeList(this, "cbTimes");
    searchBtn = Named(new QPushButton(this), "searchBtn");
    AllsyncBtn = Named(new QPushButton(this), "AllsyncBtn");
    CategorySyncBtn = Named(new QPushButton(this), "CategorySyncBtn");
    fields->addWidget(LabelFor(TitleEdit), 0, 0);
    fields->addWidget(TitleEdit, 0, 1);
    fields->addWidget(LabelFor(DifficultyComboBox), 0, 2);
    fields->addWidget(DifficultyComboBox, 0, 3);
    fields->addWidget(LabelFor(CategoryComboBox), 0, 4);
    fields->addWidget(CategoryComboBox, 0, 5);
    fields->addWidget(searchBtn, 0, 6);
    fields->addWidget(LabelFor(cbScenario), 1, 0);
    fields->addWidget(cbScenario, 1, 1);
    fields->addWidget(LabelFor(cbTimes), 1, 2);
    fields->addWidget(cbTimes, 1, 3);
    fields->addWidget(AllsyncBtn, 1, 5);
    fields->addWidget(CategorySyncBtn, 1, 6);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(5, 1);
    layout->addLayout(fields);

    ProjectListGrid = Named(new StringGrid(this), "ProjectListGrid");
    ProjectListGrid->SetColCount(ColCount);
    ProjectListGrid->SetRowCount(1);
    ProjectListGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    ProjectListGrid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ProjectListGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    ProjectListGrid->SetUserSort(true);
    ProjectListGrid->setMinimumWidth(935);
    layout->addWidget(ProjectListGrid, 1);

    rightPopupMenu = Named(new QMenu(this), "rightPopupMenu");
    popupDownload = Named(rightPopupMenu->addAction(QString()), "popupDownload");
    popupOpen = Named(rightPopupMenu->addAction(QString()), "popupOpen");
    popupDelete = Named(rightPopupMenu->addAction(QString()), "popupDelete");
    popupCopy = Named(rightPopupMenu->addAction(QString()), "popupCopy");
    popupCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    popupCopy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    for (QAction* item : {popupDownload, popupOpen, popupDelete, popupCopy})
        addAction(item);

    openFileEdit = Named(new QLineEdit(this), "openFileEdit");
    openFileEdit->hide();
    auto* bottom = new QHBoxLayout;
    ProgressBar1 = Named(new QProgressBar(this), "ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->hide();
    btnCancelTransfer = Named(new QPushButton(this), "btnCancelTransfer");
    btnCancelTransfer->hide();
    bottom->addWidget(ProgressBar1, 1);
    bottom->addWidget(btnCancelTransfer);
    layout->addLayout(bottom);

    ProjectListGrid->getAlignment = [this](int col, int row) -> Qt::Alignment {
        if (row >= ProjectListGrid->FixedRows() && (col == ColTitle || col == ColName))
            return Qt::AlignLeft | Qt::AlignVCenter;
        return Qt::AlignCenter;
    };

    connect(searchBtn, &QPushButton::clicked, this, [this] { RunCommand(&TfrmPrjDownload::searchBtnClick); });
    connect(AllsyncBtn, &QPushButton::clicked, this,
            [this] { RunCommand(&TfrmPrjDownload::AllsyncBtnClick); });
    connect(CategorySyncBtn, &QPushButton::clicked, this,
            [this] { RunCommand(&TfrmPrjDownload::CategorySyncBtnClick); });
    connect(popupDownload, &QAction::triggered, this,
            [this] { RunCommand(&TfrmPrjDownload::popupDownloadClick); });
    connect(popupOpen, &QAction::triggered, this, &TfrmPrjDownload::popupOpenClick);
    connect(popupDelete, &QAction::triggered, this,
            [this] { RunCommand(&TfrmPrjDownload::popupDeleteClick); });
    connect(popupCopy, &QAction::triggered, this, &TfrmPrjDownload::popupCopyClick);
    connect(rightPopupMenu, &QMenu::aboutToShow, this, &TfrmPrjDownload::rightPopupMenuPopup);
    connect(cbScenario, &QComboBox::activated, this, &TfrmPrjDownload::cbScenarioChange);
    connect(btnCancelTransfer, &QPushButton::clicked, this, [this] { DialogTransfer::CancelRunning(this); });
    connect(ProjectListGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        // A right click on another row takes the selection along, unless rows were chosen.
        const QModelIndex index = ProjectListGrid->indexAt(at);
        if (index.isValid() && index.row() >= 1 && SelectedDataRows().size() <= 1)
            ProjectListGrid->selectRow(index.row());
        rightPopupMenu->popup(ProjectListGrid->viewport()->mapToGlobal(at));
    });
    connect(ProjectListGrid, &StringGrid::cellDoubleClicked, this,
            [this](int col, int row) { ProjectListGridDblClickCell(row, col); });
    connect(ProjectListGrid, &StringGrid::cellClicked, this, [this](int col, int row) {
        if (row == 0 && col >= ProjectListGrid->FixedCols())
            ProjectListGridClickSort(col);
    });

    KeepRelabelled(this, [this] {
        RelabelChildren(this, kWindow);
        for (int col = ColMark; col <= ColName; ++col)
            ProjectListGrid->SetCell(col, 0, TableText(kWindow, QStringLiteral("IDS_%1").arg(col + 1)));
    });
}

TfrmPrjDownload::~TfrmPrjDownload() = default;

void TfrmPrjDownload::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TfrmPrjDownload::Message(const char* key, int kind, const QString& detail) {
    UiServices::Get().Message(this, kWindow, QString::fromLatin1(key), detail,
                              static_cast<UiServices::Kind>(kind));
}

void TfrmPrjDownload::RunCommand(void (TfrmPrjDownload::*command)()) {
    (this->*command)();
    if (closeAfterTransfer) {
        closeAfterTransfer = false;
        reject();
    }
}

void TfrmPrjDownload::reject() {
    // A close while a request runs stops the request first; the dialog closes once it has returned.
    if (DialogTransfer::CancelRunning(this)) {
        closeAfterTransfer = true;
        return;
    }
    QDialog::reject();
}

void TfrmPrjDownload::done(int result) {
    if (!openRequested)
        openFileEdit->clear();
    cbScenario->clear();
    DropFocus(this);
    QDialog::done(result);
}

void TfrmPrjDownload::SetButtonsEnabled(bool enabled) {
    for (QPushButton* button : {searchBtn, AllsyncBtn, CategorySyncBtn})
        button->setEnabled(enabled);
}

bool TfrmPrjDownload::PostList(const QString& operation, const QStringList& lines, QString& reply) {
    // Escape and a close stop a command's request as the cancel button stops a download.
    if (PostLibraryForm(this, *IdHTTP1, login, operation, lines, reply, !settingUp, {btnCancelTransfer}) &&
        !closeAfterTransfer)
        return true;
    if (!closeAfterTransfer) // a cancel is no failure
        Message("IDS_1", static_cast<int>(UiServices::Kind::Error), ServiceFailureDetail(*IdHTTP1));
    return false;
}

void TfrmPrjDownload::FormShow() {
    settingUp = true;
    const std::unique_ptr<bool, void (*)(bool*)> setUpEnds(&settingUp, [](bool* flag) { *flag = false; });
    SetButtonsEnabled(true);
    openRequested = false;
    login = LoadLibraryLogin();
    projectFolder = login.projectFolder;
    serviceUrl = login.serviceUrl;
    userId = login.userId;
    userPassword = login.userPassword;
    TitleEdit->clear();
    DifficultyComboBox->setCurrentIndex(-1);
    DifficultyComboBox->setEditText(QString());
    if (userId.isEmpty() || userPassword.isEmpty()) {
        Message("IDS_12", static_cast<int>(UiServices::Kind::Error));
        SetButtonsEnabled(false);
        return;
    }
    PrepareLibraryClient(*IdHTTP1, kTimeoutMs);
    PrepareLibraryClient(*IdHTTP2, kTimeoutMs);
    ResetWithEmptyItem(cbScenario);
    ResetWithEmptyItem(cbTimes);

    QString reply;
    const auto fail = [this](const char* key) {
        if (key)
            Message(key, static_cast<int>(UiServices::Kind::Error));
        SetButtonsEnabled(false);
    };
    if (!PostList(QStringLiteral("searchScenarioList"), CredentialLines(login), reply))
        return fail(nullptr);
    ReplyRecordList records;
    ParseRecordListText(reply, records);
    for (const auto& [index, record] : records) {
        if (ReplyTestA(record))
            return fail("IDS_12");
        _SCENARIO scenario{ReplyValue(record, QStringLiteral("SCENARIO_NAME")),
                           ReplyValue(record, QStringLiteral("SCENARIO_ID")),
                           ReplyValue(record, QStringLiteral("EXPERIMENT_NUMBER"))};
        cbScenario->addItem(scenario.SCENARIO_NAME, QVariant::fromValue(scenario));
    }

    QStringList lines = CredentialLines(login);
    lines << FormLine(QStringLiteral("CATEGORY_NAME"), QString())
          << FormLine(QStringLiteral("CTGR_LEVEL"), QString());
    if (!PostList(QStringLiteral("searchCategoryList"), lines, reply))
        return fail(nullptr);
    ParseRecordListText(reply, records);
    ResetWithEmptyItem(CategoryIdComboBox);
    ResetWithEmptyItem(CategoryComboBox);
    for (const auto& [index, record] : records) {
        if (ReplyTestA(record))
            return fail("IDS_12");
        CategoryIdComboBox->addItem(ReplyValue(record, QStringLiteral("CATEGORY_SEQ")));
        CategoryComboBox->addItem(ReplyValue(record, QStringLiteral("CATEGORY_NAME")));
    }

    ProjectListGrid->SetColCount(ColCount);
    ProjectListGrid->SetRowCount(1);
    const int widths[ColCount] = {30, 80, 200, 80, 150, 115, 250, 0, 0};
    for (int col = 0; col < ColCount; ++col)
        ProjectListGrid->SetColWidth(col, widths[col]);
    ProjectListGrid->HideColumn(ColSeq);
    ProjectListGrid->HideColumn(ColSpare);
    ProjectListGrid->SetCell(ColNumber, 0, QString());
    for (int col = ColMark; col <= ColName; ++col)
        ProjectListGrid->SetCell(col, 0, TableText(kWindow, QStringLiteral("IDS_%1").arg(col + 1)));
    ProjectListGridSet();

    LoadSearchHistory();
    SearchProjects();
}

void TfrmPrjDownload::ProjectListGridSet() {
    ProjectListGrid->SetFixedCols(1);
    ProjectListGrid->SetFixedRows(1);
    ProjectListGrid->RepaintAll();
}

QString TfrmPrjDownload::ChosenCategoryId() const {
    const int index = CategoryComboBox->currentIndex();
    return index >= 0 ? CategoryIdComboBox->itemText(index) : QString();
}

bool TfrmPrjDownload::FillProjectRows(const QString& reply, bool sizeRule) {
    ProjectListGrid->SetRowCount(1);
    ReplyRecordList records;
    ParseRecordListText(reply, records);
    ProjectListGrid->SetRowCount(1 + static_cast<int>(records.size()));
    int row = 0;
    for (const auto& [index, record] : records) {
        if (ReplyTestA(record)) {
            ProjectListGrid->SetRowCount(row + 1);
            Message("IDS_12", static_cast<int>(UiServices::Kind::Error));
            // Also reached from the first search, inside the showing.
            CloseFromEventLoop(this);
            return false;
        }
        ++row;
        const QString category = ReplyValue(record, QStringLiteral("CATEGORY_NAME"));
        const QString name = ReplyValue(record, QStringLiteral("PROJECT_NAME"));
        const QFileInfo local(LibraryFilePath(projectFolder, category, name));
        bool marked = false;
        if (!local.filePath().isEmpty() && local.isFile() && local.isReadable()) {
            marked = sizeRule
                         ? QString::number(local.size()) == ReplyValue(record, QStringLiteral("TMV_SIZE"))
                         : local.isWritable();
        }
        ProjectListGrid->SetCell(ColNumber, row, QString::number(row));
        ProjectListGrid->SetCell(ColMark, row, marked ? Mark() : QString());
        ProjectListGrid->SetCell(ColTitle, row, ReplyValue(record, QStringLiteral("PROJECT_TITLE")));
        ProjectListGrid->SetCell(ColDifficulty, row, ReplyValue(record, QStringLiteral("DIFFICULTY")));
        ProjectListGrid->SetCell(ColCategory, row, category);
        ProjectListGrid->SetCell(ColContent, row, ReplyValue(record, QStringLiteral("CONTENT")));
        ProjectListGrid->SetCell(ColName, row, name);
        ProjectListGrid->SetCell(ColSeq, row, ReplyValue(record, QStringLiteral("PROJECT_SEQ")));
    }
    return true;
}

void TfrmPrjDownload::SearchProjects() {
    searchBtn->setEnabled(false);
    const bool japanese =
        !parentWidget() || TextTable::Instance().language() == TextTable::Language::Japanese;
    QStringList lines{
        FormLine(QStringLiteral("LANGUAGE_KBN"), japanese ? QStringLiteral("jp") : QStringLiteral("en"))};
    lines << CredentialLines(login) << FormLine(QStringLiteral("OP_KBN"), 1)
          << FormLine(QStringLiteral("CATEGORY_SEQ"), ChosenCategoryId())
          << FormLine(QStringLiteral("DIFFICULTY"), DifficultyComboBox->currentText())
          << FormLine(QStringLiteral("PROJECT_TITLE"), TitleEdit->text())
          << FormLine(QStringLiteral("CATEGORY_NAME"), CategoryComboBox->currentText());
    const int scenario = cbScenario->currentIndex();
    if (scenario > 0 && cbScenario->itemData(scenario).canConvert<_SCENARIO>())
        lines << FormLine(QStringLiteral("SCENARIO_ID"),
                          cbScenario->itemData(scenario).value<_SCENARIO>().SCENARIO_ID);
    if (cbTimes->currentIndex() > 0)
        lines << FormLine(QStringLiteral("EXPT_NO"), cbTimes->currentText());
    QString reply;
    const bool answered = PostList(QStringLiteral("getProjectInfo"), lines, reply);
    // Search is offered again whatever the outcome, so a search that found the service
    // down can be repeated without reopening the dialog.
    searchBtn->setEnabled(true);
    if (!answered || !FillProjectRows(reply, true))
        return;
    ProjectListGrid->SetSortMark(-1, true);
    ProjectListGridSet();
}

void TfrmPrjDownload::searchBtnClick() {
    SearchProjects();
    SaveSearchHistory();
}

QList<int> TfrmPrjDownload::SelectedDataRows() const {
    return ChosenRows(ProjectListGrid);
}

void TfrmPrjDownload::ShowProgress(bool shown) {
    ProgressBar1->setValue(0);
    ProgressBar1->setVisible(shown);
    btnCancelTransfer->setVisible(shown);
}

DownloadOutcome TfrmPrjDownload::DownloadOne(const QString& projectSeq, const QString& category,
                                             const QString& project, int base, int step, QString& error) {
    const QString target = LibraryFilePath(projectFolder, category, project);
    if (target.isEmpty()) {
        error =
            category + QLatin1Char('/') + project + QStringLiteral(": a name that no library file may have");
        return DownloadOutcome::Failed;
    }
    const QString folder = LibraryCategoryFolder(projectFolder, category);
    if (!MakeCategoryFolder(folder)) {
        error = folder + QStringLiteral(": the folder cannot be made");
        return DownloadOutcome::Failed;
    }
    QStringList lines = CredentialLines(login);
    lines << FormLine(QStringLiteral("OP_KBN"), 2) << FormLine(QStringLiteral("PROJECT_SEQ"), projectSeq);
    DialogTransfer transfer(this, *IdHTTP2, {btnCancelTransfer});
    transfer.OnProgress([this, base, step](const tamvik::ServiceProgress& p) {
        if (p.downloadTotal > 0)
            ProgressBar1->setValue(base + static_cast<int>(step * p.downloaded / p.downloadTotal));
    });
    return DownloadProjectFile(*IdHTTP2, serviceUrl + QStringLiteral("getProjectInfo"), lines, target,
                               &error);
}

bool TfrmPrjDownload::DownloadSelectedProjects(bool showMessage) {
    const QList<int> rows = SelectedDataRows();
    if (rows.isEmpty() || ProjectListGrid->RowCount() < 2) {
        Message("IDS_9", static_cast<int>(UiServices::Kind::Warning));
        return false;
    }
    if (!QFileInfo(projectFolder).isDir()) {
        Message("IDS_13", static_cast<int>(UiServices::Kind::Error));
        return false;
    }
    ShowProgress(true);
    const int step = 100 / static_cast<int>(rows.size());
    int base = 0;
    for (int row : rows) {
        QString error;
        const DownloadOutcome outcome =
            DownloadOne(ProjectListGrid->Cell(ColSeq, row), ProjectListGrid->Cell(ColCategory, row),
                        ProjectListGrid->Cell(ColName, row), base, step, error);
        if (outcome != DownloadOutcome::Saved) {
            // The local copy stays as it was; later rows are not fetched.
            ShowProgress(false);
            if (outcome == DownloadOutcome::Failed)
                Message("IDS_1", static_cast<int>(UiServices::Kind::Error), error);
            return false;
        }
        base += step;
        ProgressBar1->setValue(base);
        ProjectListGrid->SetCell(ColMark, row, Mark());
    }
    ShowProgress(false);
    if (showMessage)
        Message("IDS_10", static_cast<int>(UiServices::Kind::Information));
    return true;
}

void TfrmPrjDownload::popupDownloadClick() {
    DownloadSelectedProjects(true);
}

void TfrmPrjDownload::popupOpenClick() {
    const QList<int> rows = SelectedDataRows();
    if (rows.isEmpty() || ProjectListGrid->RowCount() < 2) {
        Message("IDS_9", static_cast<int>(UiServices::Kind::Warning));
        return;
    }
    const int row = rows.first();
    const QString category = ProjectListGrid->Cell(ColCategory, row);
    const QString path = LibraryFilePath(projectFolder, category, ProjectListGrid->Cell(ColName, row));
    if (!path.isEmpty() && QFileInfo(LibraryCategoryFolder(projectFolder, category)).isDir() &&
        ProjectListGrid->Cell(ColMark, row) == Mark()) {
        openFileEdit->setText(path);
        openRequested = true;
        accept();
        return;
    }
    Message("IDS_14", static_cast<int>(UiServices::Kind::Error));
}

void TfrmPrjDownload::ProjectListGridDblClickCell(int row, int) {
    if (row < 1)
        return;
    if (!QFileInfo(projectFolder).isDir()) {
        Message("IDS_13", static_cast<int>(UiServices::Kind::Error));
        return;
    }
    ProjectListGrid->clearSelection();
    ProjectListGrid->selectRow(row);
    if (ProjectListGrid->Cell(ColMark, row) != Mark()) {
        const bool downloaded = DownloadSelectedProjects(false);
        if (closeAfterTransfer) {
            closeAfterTransfer = false;
            reject();
            return;
        }
        if (!downloaded)
            return;
    }
    popupOpenClick();
}

void TfrmPrjDownload::popupCopyClick() {
    const QList<int> rows = SelectedDataRows();
    if (rows.isEmpty())
        return;
    // Hidden columns are never copied.
    int left = ColName;
    int right = ColMark;
    for (const QModelIndex& index : ProjectListGrid->selectionModel()->selectedIndexes()) {
        left = std::min(left, index.column());
        right = std::max(right, index.column());
    }
    right = std::min(right, static_cast<int>(ColName));
    const auto line = [&](int row) {
        QStringList cells;
        for (int col = left; col <= right; ++col)
            cells << ProjectListGrid->Cell(col, row);
        return cells.join(QLatin1Char('\t'));
    };
    QStringList lines{line(0)};
    for (int row : rows)
        lines << line(row);
    QApplication::clipboard()->setText(lines.join(QStringLiteral("\r\n")));
}

void TfrmPrjDownload::rightPopupMenuPopup() {
    popupCopy->setEnabled(!SelectedDataRows().isEmpty());
}

void TfrmPrjDownload::Renumber() {
    for (int row = 1; row < ProjectListGrid->RowCount(); ++row)
        ProjectListGrid->SetCell(ColNumber, row, QString::number(row));
}

void TfrmPrjDownload::ProjectListGridClickSort(int) {
    Renumber();
}

void TfrmPrjDownload::SortAgain(int col, bool ascending) {
    if (col >= 0)
        ProjectListGrid->SortByColumn(col, ascending);
    Renumber();
}

void TfrmPrjDownload::cbScenarioChange() {
    FillSessionNumbers();
}

void TfrmPrjDownload::FillSessionNumbers() {
    const int index = cbScenario->currentIndex();
    if (index < 0 || !cbScenario->itemData(index).canConvert<_SCENARIO>())
        return;
    ResetWithEmptyItem(cbTimes);
    bool ok = false;
    const int count = cbScenario->itemData(index).value<_SCENARIO>().EXPERIMENT_NUMBER.toInt(&ok);
    // A count that is not a whole number leaves only the empty item.
    for (int n = 1; ok && n <= count; ++n)
        cbTimes->addItem(QString::number(n));
}

void TfrmPrjDownload::LoadSearchHistory() {
    const QString path = HistoryPath();
    if (path.isEmpty() || !CreateSettingsFolder())
        return;
    tamvik::IniFile ini;
    ini.LoadFromFile(path);
    const QString section = QStringLiteral("History");
    TitleEdit->setText(ini.ReadString(section, QStringLiteral("Titile"), QString()));
    DifficultyComboBox->setEditText(ini.ReadString(section, QStringLiteral("Difficult"), QString()));
    ChooseText(CategoryComboBox, ini.ReadString(section, QStringLiteral("Category"), QString()));
    ChooseText(CategoryIdComboBox, ini.ReadString(section, QStringLiteral("CategoryId"), QString()));
    ChooseText(cbScenario, ini.ReadString(section, QStringLiteral("Scenario"), QString()));
    FillSessionNumbers();
    ChooseText(cbTimes, ini.ReadString(section, QStringLiteral("Times"), QString()));
}

void TfrmPrjDownload::SaveSearchHistory() {
    const QString path = HistoryPath();
    if (path.isEmpty() || !CreateSettingsFolder())
        return;
    tamvik::IniFile ini(path, tamvik::IniFile::Encoding::Utf8);
    const QString section = QStringLiteral("History");
    ini.WriteString(section, QStringLiteral("Titile"), TitleEdit->text());
    ini.WriteString(section, QStringLiteral("Difficult"), DifficultyComboBox->currentText());
    ini.WriteString(section, QStringLiteral("Category"), CategoryComboBox->currentText());
    ini.WriteString(section, QStringLiteral("CategoryId"), ChosenCategoryId());
    ini.WriteString(section, QStringLiteral("Scenario"), cbScenario->currentText());
    ini.WriteString(section, QStringLiteral("Times"), cbTimes->currentText());
    ini.UpdateFile();
}
