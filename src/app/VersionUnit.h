#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box; made once by the main window, shown modally by Help > Version.
class TfrmVersion : public QDialog {
    Q_OBJECT
public:
    explicit TfrmVersion(QWidget* owner);

    // Fills lblVersion: "Host Application, [ver. " + the program's version + "]".
    void FormShow();

    QLabel* imgBackGround = nullptr;
    QLabel* lblNotice = nullptr;
    QLabel* lblDetail = nullptr; // hidden
    QLabel* lblVersion = nullptr;
    QPushButton* btnOK = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
};
