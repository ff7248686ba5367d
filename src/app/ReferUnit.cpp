#include "ReferUnit.h"

TfrmRefer::TfrmRefer(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmRefer"));
}
