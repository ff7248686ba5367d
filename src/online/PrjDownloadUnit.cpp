#include "PrjDownloadUnit.h"

#include <QAction>

TfrmPrjDownload::TfrmPrjDownload(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmPrjDownload"));
    popupDelete = new QAction(this);
    popupDelete->setObjectName(QStringLiteral("popupDelete"));
}
