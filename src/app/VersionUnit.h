#pragma once

#include <QDialog>

// The About box; made once by the main window.
class TfrmVersion : public QDialog {
    Q_OBJECT
public:
    explicit TfrmVersion(QWidget* owner);
};
