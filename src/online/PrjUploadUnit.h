#pragma once

#include <QDialog>

// The upload dialog of the online library; made by the main window.
class TfrmPrjUpload : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPrjUpload(QWidget* owner);
};
