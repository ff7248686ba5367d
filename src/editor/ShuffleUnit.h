#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

// The sort-order dialog of the schedule editor; made once by the main window.
class TfrmShuffle : public QDialog {
    Q_OBJECT
public:
    explicit TfrmShuffle(QWidget* owner);

    QListWidget* lstShuffle = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};
