#pragma once

#include <QDialog>

// The download dialog of the online library; made once by the main window.
class TfrmPrjDownload : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPrjDownload(QWidget* owner);
};
