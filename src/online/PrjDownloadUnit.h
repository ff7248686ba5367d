#pragma once

#include <QDialog>

class QAction;

// The download dialog of the online library; made once by the main window.
class TfrmPrjDownload : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPrjDownload(QWidget* owner);

    // Deletes a project from the library; offered with full rights only.
    QAction* popupDelete = nullptr;
};
