#pragma once

#include <QDialog>

// The category management dialog of the online library; made once by the main window.
class TfrmCategory : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCategory(QWidget* owner);
};
