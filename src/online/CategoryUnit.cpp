#include "CategoryUnit.h"

#include "DialogParts.h"
#include "DialogTransfer.h"
#include "FormParts.h"
#include "ReplyRecord.h"
#include "ServiceForm.h"
#include "StringGrid.h"
#include "UiServices.h"
#include "WindowTexts.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kWindow = QStringLiteral("TfrmCategory");

enum Col { ColNumber = 0, ColName, ColLevel, ColProjects, ColUsers, ColSeq, ColDeleted, ColCount };

constexpr int kTimeoutMs = 30000;
constexpr int kMaxNameLength = 200;

const QStringList& Levels() {
    static const QStringList levels{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                    QStringLiteral("4"), QStringLiteral("5")};
    return levels;
}

// A name that would break LIST_CATEGORY, whose values are not escaped.
bool BreaksCategoryList(const QString& name) {
    for (const QChar c : name) {
        if (c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char('=') ||
            c == QLatin1Char('&') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return true;
    }
    return false;
}

} // namespace

TfrmCategory::TfrmCategory(QWidget* owner)
    : QDialog(owner), IdHTTP1(std::make_unique<tamvik::ServiceClient>()) {
    setObjectName(QStringLiteral("frmCategory"));
    IdHTTP1->SetTotalTimeout(tamvik::kWindowRequestBoundMs);
    resize(720, 480);
    auto* layout = new QVBoxLayout(this);
    auto* searchRow = new QHBoxLayout;
    searchCategoryEdit = Named(new QLineEdit(this), "searchCategoryEdit");
    searchCategoryEdit->setMaxLength(255);
    ctgrLevelCob = Named(new QComboBox(this), "ctgrLevelCob");
    ctgrLevelCob->setEditable(true);
    ctgrLevelCob->addItems(Levels());
    ctgrLevelCob->lineEdit()->setMaxLength(1);
    ctgrLevelCob->setCurrentIndex(-1);
    searchBtn = Named(new QPushButton(this), "searchBtn");
    searchRow->addWidget(LabelFor(searchCategoryEdit));
    searchRow->addWidget(searchCategoryEdit, 1);
    searchRow->addWidget(LabelFor(ctgrLevelCob));
    searchRow->addWidget(ctgrLevelCob);
    searchRow->addWidget(searchBtn);
    layout->addLayout(searchRow);

    categoryListGrid = Named(new StringGrid(this), "categoryListGrid");
    categoryListGrid->SetColCount(ColCount);
    categoryListGrid->SetRowCount(1);
    categoryListGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    categoryListGrid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    categoryListGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(categoryListGrid, 1);

    rightPopupMenu = Named(new QMenu(this), "rightPopupMenu");
    N4 = Named(rightPopupMenu->addAction(QString()), "N4");
    N5 = Named(rightPopupMenu->addAction(QString()), "N5");
    N6 = Named(rightPopupMenu->addAction(QString()), "N6");
    for (QAction* item : {N4, N5, N6})
        addAction(item);

    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    layout->addLayout(MakeOkCancelRow(this, QString(), QString(), ok, cancel));
    okBtn = Named(ok, "okBtn");
    cancelBtn = Named(cancel, "cancelBtn");
    okBtn->setDefault(false);
    okBtn->setAutoDefault(false);

    // In-place editing opens on a double click only: the name as free text; the level has
    // its own drop-down list; the counts and the state columns are not edited.
    categoryListGrid->SetEditing(true);
    categoryListGrid->opensEditor = [](int, int, const QKeyEvent&) { return false; };
    categoryListGrid->canEditCell = [](int col, int) { return col == ColName; };
    categoryListGrid->getCellColor = [this](int, int row, QColor& background, QColor&) {
        if (row >= 1 && categoryListGrid->Cell(ColDeleted, row) == QLatin1String("1"))
            background = QColor(128, 128, 128);
    };
    categoryListGrid->getAlignment = [this](int col, int row) -> Qt::Alignment {
        if (row < categoryListGrid->FixedRows() || col < categoryListGrid->FixedCols() ||
            col == ColProjects || col == ColUsers)
            return Qt::AlignCenter;
        return Qt::AlignLeft | Qt::AlignVCenter;
    };

    connect(searchBtn, &QPushButton::clicked, this, &TfrmCategory::searchBtnClick);
    connect(okBtn, &QPushButton::clicked, this, &TfrmCategory::okBtnClick);
    connect(cancelBtn, &QPushButton::clicked, this, &TfrmCategory::reject);
    connect(N4, &QAction::triggered, this, &TfrmCategory::N4Click);
    connect(N5, &QAction::triggered, this, &TfrmCategory::N5Click);
    connect(N6, &QAction::triggered, this, &TfrmCategory::N6Click);
    connect(categoryListGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        rightPopupMenu->popup(categoryListGrid->viewport()->mapToGlobal(at));
    });
    connect(categoryListGrid, &StringGrid::cellDoubleClicked, this, [this](int col, int row) {
        if (col == ColLevel && row >= 1)
            OpenLevelEditor(row);
    });

    KeepRelabelled(this, [this] {
        RelabelChildren(this, kWindow);
        for (int col = ColName; col <= ColUsers; ++col)
            categoryListGrid->SetCell(col, 0, TableText(kWindow, QStringLiteral("IDS_%1").arg(col)));
    });
}

TfrmCategory::~TfrmCategory() = default;

void TfrmCategory::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TfrmCategory::done(int result) {
    DropFocus(this);
    QDialog::done(result);
}

void TfrmCategory::Message(const char* key, int kind) {
    UiServices::Get().Message(this, kWindow, QString::fromLatin1(key), static_cast<UiServices::Kind>(kind));
}

void TfrmCategory::FormShow() {
    okBtn->setEnabled(true);
    login = LoadLibraryLogin();
    serviceUrl = login.serviceUrl;
    userId = login.userId;
    userPassword = login.userPassword;
    searchCategoryEdit->clear();
    ctgrLevelCob->setCurrentIndex(-1);
    ctgrLevelCob->setEditText(QString());
    if (userId.isEmpty() || userPassword.isEmpty()) {
        Message("IDS_12", static_cast<int>(UiServices::Kind::Warning));
        okBtn->setEnabled(false);
        return;
    }
    categoryListGrid->SetColCount(ColCount);
    categoryListGrid->SetRowCount(1);
    const int widths[ColCount] = {30, 233, 110, 100, 100, 0, 0};
    for (int col = 0; col < ColCount; ++col)
        categoryListGrid->SetColWidth(col, widths[col]);
    categoryListGrid->HideColumn(ColSeq);
    categoryListGrid->HideColumn(ColDeleted);
    for (int col = ColName; col <= ColUsers; ++col)
        categoryListGrid->SetCell(col, 0, TableText(kWindow, QStringLiteral("IDS_%1").arg(col)));
    settingUp = true;
    searchBtnClick();
    settingUp = false;
    categoryListGridSet();
}

void TfrmCategory::categoryListGridSet() {
    categoryListGrid->SetFixedCols(1);
    categoryListGrid->SetFixedRows(1);
    categoryListGrid->RepaintAll();
}

bool TfrmCategory::FillFromReply(const QString& reply) {
    categoryListGrid->SetRowCount(1);
    ReplyRecordList records;
    ParseRecordListText(reply, records);
    int position = 0;
    for (const auto& [index, record] : records) {
        if (ReplyTestA(record)) {
            Message("IDS_12", static_cast<int>(UiServices::Kind::Error));
            return false;
        }
        const int row = categoryListGrid->RowCount();
        categoryListGrid->SetRowCount(row + 1);
        // SetRowCount keeps the rows above; fill the new one.
        categoryListGrid->SetCell(ColNumber, row, QString::number(++position));
        categoryListGrid->SetCell(ColName, row, ReplyValue(record, QStringLiteral("CATEGORY_NAME")));
        categoryListGrid->SetCell(ColLevel, row, ReplyValue(record, QStringLiteral("CTGR_LEVEL")));
        categoryListGrid->SetCell(ColProjects, row, ReplyValue(record, QStringLiteral("TMV_NUM")));
        categoryListGrid->SetCell(ColUsers, row, ReplyValue(record, QStringLiteral("USER_NUM")));
        categoryListGrid->SetCell(ColSeq, row, ReplyValue(record, QStringLiteral("CATEGORY_SEQ")));
        categoryListGrid->SetCell(ColDeleted, row, QString());
    }
    return true;
}

void TfrmCategory::searchBtnClick() {
    PrepareLibraryClient(*IdHTTP1, kTimeoutMs);
    QStringList lines = CredentialLines(login);
    lines << FormLine(QStringLiteral("CATEGORY_NAME"), searchCategoryEdit->text())
          << FormLine(QStringLiteral("CTGR_LEVEL"), ctgrLevelCob->currentText().trimmed());
    QString reply;
    if (!PostLibraryForm(this, *IdHTTP1, login, QStringLiteral("searchCategoryList"), lines, reply,
                         !settingUp)) {
        UiServices::Get().Message(this, kWindow, QStringLiteral("IDS_5"), ServiceFailureDetail(*IdHTTP1),
                                  UiServices::Kind::Error);
        return;
    }
    FillFromReply(reply);
    categoryListGridSet();
}

void TfrmCategory::okBtnClick() {
    StringGrid* grid = categoryListGrid;
    const int last = grid->RowCount() - 1;
    if (last < 1) {
        Message("IDS_14", static_cast<int>(UiServices::Kind::Information));
        return;
    }
    const auto warn = [this](const char* key) { Message(key, static_cast<int>(UiServices::Kind::Warning)); };
    QString value;
    bool anySent = false;
    for (int row = 1; row <= last; ++row) {
        const bool added = grid->Cell(ColNumber, row).isEmpty();
        const bool deleted = grid->Cell(ColDeleted, row) == QLatin1String("1");
        if (added && deleted)
            continue;
        const QString name = grid->Cell(ColName, row);
        const QString trimmed = name.trimmed();
        if (trimmed.isEmpty())
            return warn("IDS_6");
        if (name.size() > kMaxNameLength)
            return warn("IDS_13");
        // Such a name would cut its entry and corrupt the ones after it.
        if (BreaksCategoryList(name)) {
            UiServices::Get().Message(this, kWindow, QStringLiteral("(message: category name character)"),
                                      UiServices::Kind::Warning);
            return;
        }
        if (grid->Cell(ColLevel, row).trimmed().isEmpty())
            return warn("IDS_11");
        if (deleted && grid->Cell(ColProjects, row).trimmed() != QLatin1String("0"))
            return warn("IDS_7");
        if (deleted && grid->Cell(ColUsers, row).trimmed() != QLatin1String("0"))
            return warn("IDS_8");
        for (int other = 1; other <= last; ++other) {
            if (other != row && grid->Cell(ColName, other).trimmed() == trimmed)
                return warn("IDS_9");
        }
        const char* kind = added ? "1" : deleted ? "3" : "2";
        value += QStringLiteral("CATEGORY_SEQ=") + grid->Cell(ColSeq, row) +
                 QStringLiteral(",CATEGORY_NAME=") + name + QStringLiteral(",CTGR_LEVEL=") +
                 grid->Cell(ColLevel, row) + QStringLiteral(",OP_KBN=") + QLatin1String(kind) +
                 QLatin1Char(';');
        anySent = true;
    }
    if (!anySent) {
        grid->SetRowCount(1);
        return;
    }
    QStringList lines = CredentialLines(login);
    lines << FormLine(QStringLiteral("LIST_CATEGORY"), value);
    IdHTTP1->SetConnectTimeout(kTimeoutMs);
    IdHTTP1->SetReadTimeout(kTimeoutMs);
    QString reply;
    if (!PostLibraryForm(this, *IdHTTP1, login, QStringLiteral("updateCategoryList"), lines, reply)) {
        UiServices::Get().Message(this, kWindow, QStringLiteral("IDS_5"), ServiceFailureDetail(*IdHTTP1),
                                  UiServices::Kind::Error);
        return;
    }
    if (!FillFromReply(reply))
        return;
    categoryListGridSet();
    Message("IDS_14", static_cast<int>(UiServices::Kind::Information));
}

QList<int> TfrmCategory::SelectedDataRows() const {
    return ChosenRows(categoryListGrid);
}

void TfrmCategory::N4Click() {
    StringGrid* grid = categoryListGrid;
    const QList<int> selected = SelectedDataRows();
    const int rows = grid->RowCount();
    const int at = !selected.isEmpty() && rows > 1 ? selected.first() : rows;
    grid->SetRowCount(rows + 1);
    for (int row = rows; row > at; --row)
        for (int col = 0; col < ColCount; ++col)
            grid->SetCell(col, row, grid->Cell(col, row - 1));
    for (int col = 0; col < ColCount; ++col)
        grid->SetCell(col, at, QString());
    grid->selectRow(at);
}

void TfrmCategory::N5Click() {
    const QList<int> selected = SelectedDataRows();
    if (selected.isEmpty() || categoryListGrid->RowCount() < 2)
        return;
    if (UiServices::Get().Message(this, kWindow, QStringLiteral("IDS_10"), UiServices::Kind::Confirmation,
                                  UiServices::Buttons::OkCancel) != UiServices::Answer::Ok)
        return;
    for (int row : selected)
        categoryListGrid->SetCell(ColDeleted, row, QStringLiteral("1"));
    categoryListGrid->RepaintAll();
}

void TfrmCategory::N6Click() {
    for (int row : SelectedDataRows())
        if (categoryListGrid->Cell(ColDeleted, row) == QLatin1String("1"))
            categoryListGrid->SetCell(ColDeleted, row, QString());
    categoryListGrid->RepaintAll();
}

void TfrmCategory::OpenLevelEditor(int row) {
    delete ctgrLevelEditor;
    // A child of the grid, not of its viewport, where the grid would take it for its editor.
    ctgrLevelEditor = Named(new QComboBox(categoryListGrid), "ctgrLevelEditor");
    ctgrLevelEditor->addItems(Levels());
    ctgrLevelEditor->setCurrentIndex(
        static_cast<int>(Levels().indexOf(categoryListGrid->Cell(ColLevel, row))));
    const QRect cell = categoryListGrid->visualRect(categoryListGrid->model()->index(row, ColLevel));
    ctgrLevelEditor->setGeometry(cell.translated(categoryListGrid->viewport()->pos()));
    ctgrLevelEditor->show();
    ctgrLevelEditor->setFocus();
    QComboBox* editor = ctgrLevelEditor;
    connect(editor, &QComboBox::activated, this, [this, editor, row](int index) {
        if (index >= 0)
            categoryListGrid->SetCell(ColLevel, row, editor->itemText(index));
        editor->deleteLater();
        ctgrLevelEditor = nullptr;
    });
    editor->showPopup();
}
