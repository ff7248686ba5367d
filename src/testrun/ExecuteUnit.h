#pragma once

#include <QMainWindow>

class QAction;

// The test-run window, open while a test or questionnaire run goes on; the main window
// makes it for a run and frees it when it reports its close.
class TfrmExecute : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmExecute(QWidget* owner);

    // Answerer order of the answer grid (one of them checked, or none: by connection).
    QAction* popOptionSortID = nullptr;
    QAction* popOptionSortIP = nullptr;
};
