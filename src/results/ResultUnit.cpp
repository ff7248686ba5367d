#include "ResultUnit.h"

TfrmResult::TfrmResult(QWidget* owner) : QMainWindow(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmResult"));
}
