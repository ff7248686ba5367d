#include "PrjDownloadUnit.h"

TfrmPrjDownload::TfrmPrjDownload(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmPrjDownload"));
}
