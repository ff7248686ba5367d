#include "ReferUnit.h"

#include "BusyStatus.h"
#include "Cproject.h"
#include "DateTime.h"
#include "DialogStartFolder.h"
#include "FileFilter.h"
#include "FormParts.h"
#include "StringGrid.h"
#include "TextTable.h"
#include "UiServices.h"
#include "WindowTexts.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <limits>
#include <numeric>

namespace {

const QString kWindow = QStringLiteral("TfrmRefer");
// The dialog's usual size; it grows wider only for a list that would not fit.
constexpr int kUsualWidth = 457;
constexpr int kUsualHeight = 313;

QString Text(const char* key) {
    return TextTable::Instance().Text(kWindow, QString::fromLatin1(key));
}

QString Number(int value) {
    return QString::number(value);
}

QString FormatDate(double days) {
    return QLocale().toString(tamvik::DaysToDateTime(days), QLocale::ShortFormat);
}

QString Past(int n) {
    return Text("IDS_7") + Number(n) + QLatin1Char(')');
}

// The method's name and the count a row shows for it (column 2 only for SD).
struct ParameterCells {
    QString name;
    QString divisions;
    QString count;
};

ParameterCells DescribeParameters(int method, const CExperimentParameter& parameters) {
    ParameterCells cells;
    const auto labels = [](const auto* p) {
        return p ? Number(static_cast<int>(p->buttonLabels.size())) : QString();
    };
    switch (method) {
    case 0:
        return {Text("IDS_9"), QString(), labels(parameters.GetTraining())};
    case 1: {
        const CExpSD* sd = parameters.GetSD();
        return {Text("IDS_10"), sd ? Number(sd->divisions) : QString(),
                sd ? Number(static_cast<int>(sd->scales.size())) : QString()};
    }
    case 2:
        return {Text("IDS_11"), QString(), labels(parameters.GetPair())};
    case 3:
        return {Text("IDS_12"), QString(), labels(parameters.GetCategory())};
    case 4:
        return {Text("IDS_13"), QString(), QStringLiteral("0")};
    default:
        return {Text("IDS_14"), QString(), Text("IDS_14")};
    }
}

constexpr double kNoDate = -std::numeric_limits<double>::infinity();

} // namespace

TfrmRefer::TfrmRefer(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      project(std::make_unique<CProject>()) {
    setObjectName(QStringLiteral("frmRefer"));

    auto* layout = new QGridLayout(this);
    lblFile = Named(new QLabel(this), "lblFile");
    layout->addWidget(lblFile, 0, 0, 1, 2);
    edtDataFile = Named(new QLineEdit(this), "edtDataFile");
    edtDataFile->setReadOnly(true);
    layout->addWidget(edtDataFile, 1, 0);
    btnBrowse = Named(new QPushButton(this), "btnBrowse");
    layout->addWidget(btnBrowse, 1, 1);
    lblRefer = Named(new QLabel(this), "lblRefer");
    layout->addWidget(lblRefer, 2, 0, 1, 2);

    pnlContainer = Named(new QWidget(this), "pnlContainer");
    auto* container = new QVBoxLayout(pnlContainer);
    container->setContentsMargins(0, 0, 0, 0);
    asgdReferList = Named(new StringGrid(pnlContainer), "asgdReferList");
    asgdReferList->SetFixedCols(0);
    asgdReferList->SetFixedRows(1);
    asgdReferList->SetEditing(false);
    asgdReferList->setSelectionBehavior(QAbstractItemView::SelectRows);
    asgdReferList->setSelectionMode(QAbstractItemView::SingleSelection);
    asgdReferList->verticalHeader()->setDefaultSectionSize(21);
    container->addWidget(asgdReferList);
    layout->addWidget(pnlContainer, 3, 0, 1, 2);
    layout->setRowStretch(3, 1);

    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    layout->addLayout(MakeOkCancelRow(this, QString(), QString(), ok, cancel), 4, 0, 1, 2);
    btnOK = ok;
    btnCancel = cancel;

    connect(btnBrowse, &QPushButton::clicked, this, &TfrmRefer::btnBrowseClick);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    // A click on a header cell sorts by its column.
    connect(asgdReferList, &StringGrid::cellClicked, this, [this](int col, int row) {
        if (row < asgdReferList->FixedRows())
            SortByColumn(col);
    });

    KeepRelabelled(this, [this] { RelabelChildren(this, kWindow); });
    resize(kUsualWidth, kUsualHeight);
}

TfrmRefer::~TfrmRefer() = default;

void TfrmRefer::Prepare(const QString& caption, const QString& label, int32_t listKind,
                        const QStringList& headerTexts, int openMethod) {
    setWindowTitle(caption);
    lblRefer->setText(label);
    kind = listKind;
    listMethod = openMethod;
    btnOK->setEnabled(false);
    edtDataFile->clear();
    headers = headerTexts;
    rowDates.clear();
    sortColumn = 0;
    sortAscending = true;
    sorted = false;

    StringGrid* grid = asgdReferList;
    grid->SetFixedCols(0);
    grid->SetFixedRows(1);
    grid->SetColCount(static_cast<int>(headers.size()));
    grid->SetRowCount(2);
    grid->ClearNormalCells();
    ShowHeaders();
    SizeColumns();
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 5);
    grid->SetRowHeight(1, 0);
}

void TfrmRefer::ShowHeaders() {
    for (int col = 0; col < headers.size(); ++col) {
        QString text = headers.at(col);
        if (sorted && col == sortColumn)
            text += sortAscending ? QStringLiteral(" ▲") : QStringLiteral(" ▼");
        asgdReferList->SetCell(col, 0, text);
    }
}

void TfrmRefer::SizeColumns() {
    StringGrid* grid = asgdReferList;
    for (int col = grid->FixedCols(); col < grid->ColCount(); ++col) {
        int width = 0;
        for (int row = 0; row < grid->RowCount(); ++row)
            width = std::max(width, grid->fontMetrics().horizontalAdvance(grid->Cell(col, row)));
        grid->SetColWidth(col, asgdReferListColumnSize(col) ? width + 22 : 0);
    }
    // Every column in view, the last one (the status) included: the list has room for
    // them, beside the frames and a vertical scroll bar.
    int columns = 0;
    for (int col = 0; col < grid->ColCount(); ++col)
        columns += grid->IsHiddenColumn(col) ? 0 : grid->ColWidth(col);
    const QMargins margins = layout()->contentsMargins();
    const int around = margins.left() + margins.right() + 2 * grid->frameWidth() +
                       style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid);
    resize(std::max(kUsualWidth, columns + around), height());
}

bool TfrmRefer::asgdReferListColumnSize(int col) const {
    return !(kind == Parameters && col == 2 && listMethod != 1);
}

void TfrmRefer::btnBrowseClick() {
    const QString listed = edtDataFile->text();
    const QString path = UiServices::Get().OpenFileName(
        this, QString(), DialogStartFolder(listed.isEmpty() ? QString() : QFileInfo(listed).path()),
        DialogFilter(Text("IDS_0")));
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;

    // Opened beside the listed project, so a file that fails leaves the list and its
    // project as they were.
    auto opened = std::make_unique<CProject>();
    {
        BusyCursor busy;
        bool ok = false;
        QString detail; // what failed, for the message
        try {
            opened->New();
            opened->SetFileName(path);
            ok = opened->Open();
            if (!ok)
                detail = opened->ErrorText();
        } catch (const std::exception& e) {
            ok = false; // a damaged file is a file that did not open
            detail = path + QStringLiteral(": ") + QString::fromLocal8Bit(e.what());
        } catch (...) {
            ok = false;
        }
        if (!ok) {
            busy.End();
            UiServices::Get().Message(this, kWindow, QStringLiteral("IDS_1"), detail,
                                      UiServices::Kind::Warning);
            return;
        }
        project.swap(opened);
        listMethod = project->GetMethod();

        edtDataFile->setText(project->GetFileName());
        StringGrid* grid = asgdReferList;
        grid->setUpdatesEnabled(false);
        grid->ClearNormalCells();
        grid->SetRowCount(grid->FixedRows() + 1);
        grid->SetRowHeight(1, grid->verticalHeader()->defaultSectionSize());
        rowDates.clear();
        sorted = false;
        ShowHeaders();
        FillRows(*project);
        SizeColumns();
        grid->SetCurrentCell(0, grid->FixedRows());
        grid->setUpdatesEnabled(true);
        grid->RepaintAll();
    }
    btnOK->setEnabled(true);
}

void TfrmRefer::AddRow(const QStringList& cells, double date) {
    StringGrid* grid = asgdReferList;
    const int row = grid->FixedRows() + static_cast<int>(rowDates.size());
    if (row >= grid->RowCount())
        grid->SetRowCount(row + 1);
    for (int col = 0; col < cells.size() && col < grid->ColCount(); ++col)
        grid->SetCell(col, row, cells.at(col));
    rowDates.push_back(date);
}

void TfrmRefer::FillRows(CProject& listed) {
    const std::vector<double>& updates = listed.GetGeneral()->updateDates;
    const double lastUpdate = updates.empty() ? kNoDate : updates.back();
    const QString lastUpdateText = updates.empty() ? QString() : FormatDate(lastUpdate);
    const QString present = Text("IDS_3");

    switch (kind) {
    case Stimuli:
        AddRow({Text("IDS_2"), Number(listed.GetStimuli()->GetCount()), lastUpdateText, present}, lastUpdate);
        break;
    case Schedules: {
        const int count = listed.GetScheduleCount();
        for (int i = 0; i < count; ++i) {
            const CSchedule* s = listed.GetSchedule(i);
            AddRow({Text("IDS_4") + Number(i + 1), s->name, Number(s->GetTrialCount()),
                    Number(s->GetStimulusCount()), lastUpdateText, present},
                   lastUpdate);
        }
        for (int j = 0; j < listed.GetResponseCount(); ++j) {
            const CResponse* r = listed.GetResponse(j);
            AddRow({Text("IDS_4") + Number(count + j + 1), r->schedule.name,
                    Number(r->schedule.GetTrialCount()), Number(r->schedule.GetStimulusCount()),
                    FormatDate(r->date), Past(j + 1)},
                   r->date);
        }
        break;
    }
    case Parameters: {
        const int method = listed.GetMethod();
        const ParameterCells own = DescribeParameters(method, *listed.GetExperimentParameter());
        AddRow({Text("IDS_8"), own.name, own.divisions, own.count, lastUpdateText, present}, lastUpdate);
        for (int j = 0; j < listed.GetResponseCount(); ++j) {
            const CResponse* r = listed.GetResponse(j);
            const ParameterCells cells = DescribeParameters(method, r->experimentParameter);
            AddRow({Text("IDS_17") + Number(j + 2), cells.name, cells.divisions, cells.count,
                    FormatDate(r->date), Past(j + 1)},
                   r->date);
        }
        break;
    }
    case Questionnaire:
        AddRow({Text("IDS_26"), Number(listed.GetQuestionnaire()->GetTermCount()), lastUpdateText, present},
               lastUpdate);
        for (int k = 0; k < listed.GetQuestionnaireResultsCount(); ++k) {
            const CQuestionnaireResults* set = listed.GetQuestionnaireResults(k);
            AddRow({Text("IDS_28") + Number(k + 2), Number(set->GetQuestionnaire()->GetTermCount()),
                    FormatDate(set->time), Past(k + 1)},
                   set->time);
        }
        break;
    default:
        break;
    }
}

TfrmRefer::SortStyle TfrmRefer::asgdReferListGetFormat(int col) const {
    switch (kind) {
    case Schedules:
    case Parameters:
        if (col == 2 || col == 3)
            return SortStyle::Numeric;
        return col == 4 ? SortStyle::Date : SortStyle::Alphabetic;
    default:
        if (col == 1)
            return SortStyle::Numeric;
        return col == 2 ? SortStyle::Date : SortStyle::Alphabetic;
    }
}

void TfrmRefer::SortByColumn(int col) {
    StringGrid* grid = asgdReferList;
    const int first = grid->FixedRows();
    const int rows = static_cast<int>(rowDates.size());
    if (col < 0 || col >= grid->ColCount() || rows == 0)
        return;
    sortAscending = sorted && col == sortColumn ? !sortAscending : true;
    sortColumn = col;
    sorted = true;

    const int selected = SelectedItem();
    const GridData& data = grid->Data();
    std::vector<int> order(static_cast<size_t>(rows));
    std::iota(order.begin(), order.end(), first);
    const SortStyle style = asgdReferListGetFormat(col);
    const auto less = [&](int a, int b) {
        switch (style) {
        case SortStyle::Numeric: {
            bool okA = false;
            bool okB = false;
            const double x = data.Cell(col, a).toDouble(&okA);
            const double y = data.Cell(col, b).toDouble(&okB);
            return (okA ? x : kNoDate) < (okB ? y : kNoDate);
        }
        case SortStyle::Date:
            return rowDates[static_cast<size_t>(a - first)] < rowDates[static_cast<size_t>(b - first)];
        default:
            return QString::localeAwareCompare(data.Cell(col, a), data.Cell(col, b)) < 0;
        }
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return sortAscending ? less(a, b) : less(b, a); });
    std::vector<int> map(static_cast<size_t>(first));
    std::iota(map.begin(), map.end(), 0);
    map.insert(map.end(), order.begin(), order.end());
    for (int row = first + rows; row < grid->RowCount(); ++row)
        map.push_back(row);
    grid->SetRowMap(std::move(map));
    ShowHeaders();
    // The selection stays on the item it was on.
    if (selected >= 0) {
        for (int row = first; row < first + rows; ++row) {
            if (grid->RealRowIndex(row) - first == selected) {
                grid->SetCurrentCell(0, row);
                break;
            }
        }
    }
}

int TfrmRefer::SelectedItem() const {
    const int row = asgdReferList->Row();
    if (row < asgdReferList->FixedRows())
        return -1;
    return asgdReferList->RealRowIndex(row) - asgdReferList->FixedRows();
}
