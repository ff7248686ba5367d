#pragma once

#include "LibraryRequest.h"

#include <QDialog>
#include <memory>

class QAction;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class StringGrid;

// The category management dialog of the online library: lists the categories with their
// level and the numbers of projects and users, collects new names, renames, level changes
// and deletion marks in its grid and sends them in one update on OK. Made once by the main
// window; every showing reads the settings anew and lists every category.
class TfrmCategory : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCategory(QWidget* owner);
    ~TfrmCategory() override;

    void FormShow();
    void searchBtnClick();
    void okBtnClick();
    void N4Click();
    void N5Click();
    void N6Click();
    void categoryListGridSet();

    QLineEdit* searchCategoryEdit = nullptr;
    QComboBox* ctgrLevelCob = nullptr;
    QPushButton* searchBtn = nullptr;
    StringGrid* categoryListGrid = nullptr;
    QMenu* rightPopupMenu = nullptr;
    QAction* N4 = nullptr;
    QAction* N5 = nullptr;
    QAction* N6 = nullptr;
    QPushButton* okBtn = nullptr;
    QPushButton* cancelBtn = nullptr;
    // The level editor of the grid, open while a level is being chosen.
    QComboBox* ctgrLevelEditor = nullptr;

    std::unique_ptr<tamvik::ServiceClient> IdHTTP1;

    QString serviceUrl;
    QString userId;
    QString userPassword;

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Replaces the data rows by the records of a list reply; false when a record fails the
    // reply check (IDS_12 shown, earlier rows kept).
    bool FillFromReply(const QString& reply);
    void OpenLevelEditor(int row);
    QList<int> SelectedDataRows() const;
    void Message(const char* key, int kind);
    LibraryLogin login;
    // The first search runs while the dialog is being shown.
    bool settingUp = false;
};
