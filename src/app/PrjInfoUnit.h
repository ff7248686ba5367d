#pragma once

#include <QDialog>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// The project information dialog: title, user and comment of the open project, with its
// creation and last save dates. Made once by the main window and refilled at each showing.
class TfrmPrjInfo : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPrjInfo(QWidget* owner);

    void FormCreate();

    QLineEdit* edtPrjTitle = nullptr;
    QLineEdit* edtPrjUser = nullptr;
    QLineEdit* edtPrjComment = nullptr;
    QLineEdit* edtPrjCreate = nullptr;
    QLineEdit* edtPrjUpdate = nullptr;
    QLabel* lblPrjTitle = nullptr;
    QLabel* lblPrjUser = nullptr;
    QLabel* lblPrjComment = nullptr;
    QLabel* lblPrjCreate = nullptr;
    QLabel* lblPrjUpdate = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    // Present but never shown or filled.
    QLabel* lblSndDevice = nullptr;
    QComboBox* cboSndDevice = nullptr;
    QLabel* lblSndDriver = nullptr;
    QFrame* Bevel1 = nullptr;
};
