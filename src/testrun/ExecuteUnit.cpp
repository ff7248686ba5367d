#include "ExecuteUnit.h"

#include <QAction>

TfrmExecute::TfrmExecute(QWidget* owner) : QMainWindow(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmExecute"));
    popOptionSortID = new QAction(this);
    popOptionSortID->setObjectName(QStringLiteral("popOptionSortID"));
    popOptionSortID->setCheckable(true);
    popOptionSortIP = new QAction(this);
    popOptionSortIP->setObjectName(QStringLiteral("popOptionSortIP"));
    popOptionSortIP->setCheckable(true);
}
