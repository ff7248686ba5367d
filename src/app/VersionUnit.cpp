#include "VersionUnit.h"

TfrmVersion::TfrmVersion(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmVersion"));
}
