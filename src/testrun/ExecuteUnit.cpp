#include "ExecuteUnit.h"

#include <QAction>

QString ExecProjectFolder;
QString ExecServiceUrl;
QString ExecUserId;
QString ExecUserPassword;
QString ExecTestRunSeq;
int ExecAnswererCount = 0;

TfrmExecute::TfrmExecute(QWidget* owner) : QMainWindow(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmExecute"));
    popOptionSortID = new QAction(this);
    popOptionSortID->setObjectName(QStringLiteral("popOptionSortID"));
    popOptionSortID->setCheckable(true);
    popOptionSortIP = new QAction(this);
    popOptionSortIP->setObjectName(QStringLiteral("popOptionSortIP"));
    popOptionSortIP->setCheckable(true);
}
