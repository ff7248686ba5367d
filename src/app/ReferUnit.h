#pragma once

#include <QDialog>

// The import dialog, which takes parts over from another project; made once by the main
// window.
class TfrmRefer : public QDialog {
    Q_OBJECT
public:
    explicit TfrmRefer(QWidget* owner);
};
