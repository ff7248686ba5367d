#pragma once

#include "Post.h"

#include <QMainWindow>
#include <QString>

class CProject;

// The result window of a project's stored results; made once by the main window and
// reporting to it by WM_RESULTS_CHANGED when it closes.
class TfrmResult : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmResult(QWidget* owner);

    WindowHandle notifyWindow = 0;
    CProject* project = nullptr;
    QString subjectDbPath;
};
