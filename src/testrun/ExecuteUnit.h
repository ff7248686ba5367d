#pragma once

#include <QMainWindow>
#include <QString>

class QAction;

// The service settings of the test run, refreshed from Option.ini by every project load
// and by the test-run window; while ExecTestRunSeq is empty no run request is sent.
extern QString ExecProjectFolder;
extern QString ExecServiceUrl; // ends with "W0001/"
extern QString ExecUserId;
extern QString ExecUserPassword;
extern QString ExecTestRunSeq;
extern int ExecAnswererCount;

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
