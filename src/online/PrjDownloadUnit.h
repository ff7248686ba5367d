#pragma once

#include "LibraryFiles.h"
#include "LibraryRequest.h"

#include <QDialog>
#include <memory>

class QAction;
class QComboBox;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class StringGrid;

// The download dialog of the online library: searches the library's projects, downloads
// the chosen ones into the local library folder (one folder per category), marks the rows
// whose local copy matches, copies rows to the clipboard and names the project the main
// window opens. Its synchronisation buttons bring the local folder level with the library;
// its Delete item removes projects from the library. Made once by the main window; every
// showing reads the settings and the lists anew. The last search fields are kept in
// history.ini.
class TfrmPrjDownload : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPrjDownload(QWidget* owner);
    ~TfrmPrjDownload() override;

    // A curriculum scenario of the service, owned by its cbScenario item.
    struct _SCENARIO {
        QString SCENARIO_NAME;
        QString SCENARIO_ID;
        QString EXPERIMENT_NUMBER;
    };

    void FormShow();
    void SearchProjects();
    void searchBtnClick();
    bool DownloadSelectedProjects(bool showMessage);
    void popupDownloadClick();
    void popupOpenClick();
    void ProjectListGridDblClickCell(int row, int col);
    void popupCopyClick();
    void rightPopupMenuPopup();
    void ProjectListGridClickSort(int col);
    void ProjectListGridSet();
    void cbScenarioChange();
    void FillSessionNumbers();
    void LoadSearchHistory();
    void SaveSearchHistory();
    // Deletion and synchronisation.
    void popupDeleteClick();
    void AllsyncBtnClick();
    void CategorySyncBtnClick();

    QLineEdit* TitleEdit = nullptr;
    QComboBox* DifficultyComboBox = nullptr;
    QComboBox* CategoryComboBox = nullptr;
    QComboBox* CategoryIdComboBox = nullptr;
    QComboBox* cbScenario = nullptr;
    QComboBox* cbTimes = nullptr;
    QPushButton* searchBtn = nullptr;
    QPushButton* AllsyncBtn = nullptr;
    QPushButton* CategorySyncBtn = nullptr;
    StringGrid* ProjectListGrid = nullptr;
    QMenu* rightPopupMenu = nullptr;
    QAction* popupDownload = nullptr;
    QAction* popupOpen = nullptr;
    // Deletes a project from the library; offered with full rights only.
    QAction* popupDelete = nullptr;
    QAction* popupCopy = nullptr;
    QLineEdit* openFileEdit = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    // Stops the running download; shown with the progress bar.
    QPushButton* btnCancelTransfer = nullptr;

    std::unique_ptr<tamvik::ServiceClient> IdHTTP1;
    std::unique_ptr<tamvik::ServiceClient> IdHTTP2;

    QString projectFolder;
    QString serviceUrl;
    QString userId;
    QString userPassword;

public slots:
    void reject() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Posts on IdHTTP1; false (after IDS_1) when no reply arrived.
    bool PostList(const QString& operation, const QStringList& lines, QString& reply);
    // Fills the data rows from a project list; false when a record fails the reply check
    // (IDS_12 shown, the dialog closed). sizeRule: the search's mark (size compared) or the
    // weaker mark of the refill after a deletion.
    bool FillProjectRows(const QString& reply, bool sizeRule);
    void Renumber();
    void SortAgain(int col, bool ascending);
    QList<int> SelectedDataRows() const;
    // The search fields as the search and the deletion send them.
    QString ChosenCategoryId() const;
    // Downloads one project into its local file; the bar runs from base to base + step.
    // error gets what failed, for the message.
    DownloadOutcome DownloadOne(const QString& projectSeq, const QString& category, const QString& project,
                                int base, int step, QString& error);
    void ShowProgress(bool shown);
    // Synchronisation of all projects or of the chosen category.
    void Synchronise(bool oneCategory);
    void SetButtonsEnabled(bool enabled);
    // detail: what failed, on a line of its own below the text.
    void Message(const char* key, int kind, const QString& detail = QString());
    // Runs a command; a close asked for while it transferred is carried out afterwards.
    void RunCommand(void (TfrmPrjDownload::*command)());

    LibraryLogin login;
    bool openRequested = false;
    bool closeAfterTransfer = false;
    // The look-ups of a showing run before the dialog takes any input.
    bool settingUp = false;
};

Q_DECLARE_METATYPE(TfrmPrjDownload::_SCENARIO)
