#include "PrjUploadUnit.h"

TfrmPrjUpload::TfrmPrjUpload(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmPrjUpload"));
}
