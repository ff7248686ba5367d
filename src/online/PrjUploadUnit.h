#pragma once

#include "ReplyRecord.h"

#include <QDialog>

// The upload dialog of the online library; made by the main window, a new one for every
// upload.
class TfrmPrjUpload : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPrjUpload(QWidget* owner);

    // The records of the last list reply.
    ReplyRecordList replyRecords;
};
