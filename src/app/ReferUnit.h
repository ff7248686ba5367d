#pragma once

#include <QDialog>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

class CProject;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class StringGrid;

// The import dialog: the File > Refer commands let the operator pick another project file
// here and one item of it (its stimulus list, a schedule, a set of parameters or its
// questionnaire, current or as a stored result used it). The dialog opens the file into a
// project of its own only to list what it holds. Made once by the main window.
class TfrmRefer : public QDialog {
    Q_OBJECT
public:
    enum Kind : int32_t { Stimuli = 0, Schedules = 1, Parameters = 2, Questionnaire = 3 };

    explicit TfrmRefer(QWidget* owner);
    ~TfrmRefer() override;

    // Empties the list for a command: caption, list label, kind, the list's headers (one
    // empty data row of height 0), OK disabled and no file. openMethod is the open
    // project's method, whose parameters the list stands for until a file is listed.
    void Prepare(const QString& caption, const QString& label, int32_t listKind, const QStringList& headers,
                 int openMethod);
    // Chooses a file and lists its items; a file that does not open leaves the dialog as
    // it was.
    void btnBrowseClick();
    // The listed item of the selected row in the order the list was filled (0 the first),
    // whatever order the user sorted the rows into; -1 when no row is selected.
    int SelectedItem() const;
    // Sorts the rows by a column, ascending first, descending on the next click of it.
    void SortByColumn(int col);
    // False while the kind is parameters and the method the list stands for is not SD:
    // the column of SD divisions then stays hidden.
    bool asgdReferListColumnSize(int col) const;

    // What the list shows; set by the command before showing.
    int32_t kind = Stimuli;
    // The listed project; replaced only by a file that opened.
    std::unique_ptr<CProject> project;

    QLabel* lblFile = nullptr;
    QLineEdit* edtDataFile = nullptr;
    QPushButton* btnBrowse = nullptr;
    QLabel* lblRefer = nullptr;
    QWidget* pnlContainer = nullptr;
    StringGrid* asgdReferList = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    enum class SortStyle { Alphabetic, Numeric, Date };
    SortStyle asgdReferListGetFormat(int col) const;
    void FillRows(CProject& listed);
    void AddRow(const QStringList& cells, double date);
    // Sizes the columns to their texts; a column the list does not use gets width 0.
    void SizeColumns();
    void ShowHeaders();

    QStringList headers;
    int listMethod = -1;          // the open project's method, then the listed project's
    std::vector<double> rowDates; // the date of each data row, for sorting by date
    int sortColumn = 0;
    bool sortAscending = true;
    bool sorted = false;
};
