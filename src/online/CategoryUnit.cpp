#include "CategoryUnit.h"

TfrmCategory::TfrmCategory(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmCategory"));
}
