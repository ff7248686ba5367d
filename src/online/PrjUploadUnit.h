#pragma once

#include "LibraryRequest.h"
#include "ReplyRecord.h"

#include <QDialog>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The upload dialog of the online library: shows the open project's file and title, takes
// the category, the content tag, an earlier upload to overwrite and whether the stimulus
// files are replaced, and on OK posts the project file with its parameter file
// (tempParameter.ini) as one multipart request. Made by the main window, a new one for
// every upload.
class TfrmPrjUpload : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPrjUpload(QWidget* owner);
    ~TfrmPrjUpload() override;

    void FormShow();
    void OkBtnClick();
    void CategoryComboBoxChange();
    void ContentComboBoxChange();
    void uwagakiComboBoxChange();
    // Progress of the upload client: a transfer direction starts with its announced size,
    // then reports the bytes moved so far.
    void IdHTTP2WorkBegin(qint64 size);
    void IdHTTP2Work(qint64 count);
    // 0 when the service took the upload, 1 when its reply failed the check (IDS_10
    // shown), -1 when it could not be sent (no file, no connection, cancelled).
    int ProjectFileUpolad(const QString& opKind, const QString& tmvSeq);

    QLabel* ProjectFileLbl = nullptr;
    QLabel* ProjectTitleLbl = nullptr;
    QComboBox* CategoryComboBox = nullptr;
    QLabel* DifficultyLbl = nullptr;
    QComboBox* ContentComboBox = nullptr;
    QComboBox* uwagakiComboBox = nullptr;
    QCheckBox* chkForceUpdate = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* OkBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    // Hidden lists that run parallel to the visible ones, and the project's data.
    QComboBox* CategoryIdComboBox = nullptr;
    QComboBox* DiffiComboBox = nullptr;
    QComboBox* ContentIdComboBox = nullptr;
    QComboBox* BtnCapComboBox = nullptr;
    QLineEdit* ButtonNum = nullptr;
    QPlainTextEdit* InsEdit = nullptr;

    std::unique_ptr<tamvik::ServiceClient> IdHTTP1;
    std::unique_ptr<tamvik::ServiceClient> IdHTTP2;

    QString projectFolder;
    QString serviceUrl;
    QString userId;
    QString userPassword;
    // The records of the getTmvTitleInfo reply.
    ReplyRecordList titleInfoList;
    // The record of each overwrite candidate: item k of uwagakiComboBox (k from 1) stands
    // for record uwagakiRecords[k - 1] of titleInfoList.
    std::vector<std::int32_t> uwagakiRecords;

    // The parameter file of the upload, in the settings folder.
    static QString ParameterFilePath();

public slots:
    void reject() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool WriteParameterFile(const QString& opKind, const QString& tmvSeq, qint64 projectSize);
    void Message(const char* key, int kind);

    LibraryLogin login;
    bool closeAfterTransfer = false;
    // Bytes per step of the progress bar, for sizes beyond its range.
    int progressShift = 0;
};
