#include "PrjUploadUnit.h"

#include "AtomicFile.h"
#include "DialogParts.h"
#include "DialogTransfer.h"
#include "FormParts.h"
#include "OptionIni.h"
#include "ServiceForm.h"
#include "UiServices.h"
#include "WindowTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryFile>
#include <QVBoxLayout>

namespace {

const QString kWindow = QStringLiteral("TfrmPrjUpload");

constexpr int kTimeoutMs = 1080000;

QString EscapeEquals(QString value) {
    return value.replace(QLatin1Char('='), QStringLiteral("&="));
}

void DeleteParameterFile() {
    const QString path = TfrmPrjUpload::ParameterFilePath();
    if (!path.isEmpty() && CreateSettingsFolder())
        QFile::remove(path);
}

} // namespace

TfrmPrjUpload::TfrmPrjUpload(QWidget* owner)
    : QDialog(owner), IdHTTP1(std::make_unique<tamvik::ServiceClient>()),
      IdHTTP2(std::make_unique<tamvik::ServiceClient>()) {
    setObjectName(QStringLiteral("frmPrjUpload"));
    resize(560, 320);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    ProjectFileLbl = Named(new QLabel(this), "ProjectFileLbl");
    ProjectTitleLbl = Named(new QLabel(this), "ProjectTitleLbl");
    CategoryComboBox = MakeList(this, "CategoryComboBox");
    DifficultyLbl = Named(new QLabel(this), "DifficultyLbl");
    ContentComboBox = MakeList(this, "ContentComboBox");
    uwagakiComboBox = MakeList(this, "uwagakiComboBox");
    chkForceUpdate = Named(new QCheckBox(this), "chkForceUpdate");
    form->addRow(LabelFor(ProjectFileLbl), ProjectFileLbl);
    form->addRow(LabelFor(ProjectTitleLbl), ProjectTitleLbl);
    form->addRow(LabelFor(CategoryComboBox), CategoryComboBox);
    form->addRow(LabelFor(DifficultyLbl), DifficultyLbl);
    form->addRow(LabelFor(ContentComboBox), ContentComboBox);
    form->addRow(LabelFor(uwagakiComboBox), uwagakiComboBox);
    form->addRow(chkForceUpdate);
    layout->addLayout(form);
    ProgressBar1 = Named(new QProgressBar(this), "ProgressBar1");
    ProgressBar1->hide();
    layout->addWidget(ProgressBar1);

    CategoryIdComboBox = MakeList(this, "CategoryIdComboBox");
    DiffiComboBox = MakeList(this, "DiffiComboBox");
    ContentIdComboBox = MakeList(this, "ContentIdComboBox");
    BtnCapComboBox = MakeList(this, "BtnCapComboBox");
    ButtonNum = Named(new QLineEdit(this), "ButtonNum");
    InsEdit = Named(new QPlainTextEdit(this), "InsEdit");
    for (QWidget* hidden : std::initializer_list<QWidget*>{
             CategoryIdComboBox, DiffiComboBox, ContentIdComboBox, BtnCapComboBox, ButtonNum, InsEdit})
        hidden->hide();

    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    layout->addLayout(MakeOkCancelRow(this, QString(), QString(), ok, cancel));
    OkBtn = Named(ok, "OkBtn");
    CancelBtn = Named(cancel, "CancelBtn");

    connect(OkBtn, &QPushButton::clicked, this, [this] {
        OkBtnClick();
        if (closeAfterTransfer) {
            closeAfterTransfer = false;
            reject();
        }
    });
    connect(CancelBtn, &QPushButton::clicked, this, &TfrmPrjUpload::reject);
    connect(CategoryComboBox, &QComboBox::activated, this, &TfrmPrjUpload::CategoryComboBoxChange);
    connect(ContentComboBox, &QComboBox::activated, this, &TfrmPrjUpload::ContentComboBoxChange);
    connect(uwagakiComboBox, &QComboBox::activated, this, &TfrmPrjUpload::uwagakiComboBoxChange);

    KeepRelabelled(this, [this] { RelabelChildren(this, kWindow); });
}

TfrmPrjUpload::~TfrmPrjUpload() = default;

QString TfrmPrjUpload::ParameterFilePath() {
    const QString folder = SettingsFolderPath();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("tempParameter.ini");
}

void TfrmPrjUpload::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TfrmPrjUpload::Message(const char* key, int kind) {
    UiServices::Get().Message(this, kWindow, QString::fromLatin1(key), static_cast<UiServices::Kind>(kind));
}

void TfrmPrjUpload::reject() {
    // Cancel during the upload stops it; the dialog closes once the post has returned.
    if (DialogTransfer::CancelRunning(this)) {
        closeAfterTransfer = true;
        return;
    }
    QDialog::reject();
}

void TfrmPrjUpload::done(int result) {
    DeleteParameterFile();
    DropFocus(this);
    QDialog::done(result);
}

void TfrmPrjUpload::FormShow() {
    DeleteParameterFile();
    OkBtn->setEnabled(true);
    login = LoadLibraryLogin();
    projectFolder = login.projectFolder;
    serviceUrl = login.serviceUrl;
    userId = login.userId;
    userPassword = login.userPassword;
    if (userId.isEmpty() || userPassword.isEmpty()) {
        Message("IDS_10", static_cast<int>(UiServices::Kind::Error));
        OkBtn->setEnabled(false);
        return;
    }
    PrepareLibraryClient(*IdHTTP1, kTimeoutMs);
    PrepareLibraryClient(*IdHTTP2, kTimeoutMs);

    QString reply;
    QStringList lines = CredentialLines(login);
    lines << FormLine(QStringLiteral("CATEGORY_NAME"), QString())
          << FormLine(QStringLiteral("CTGR_LEVEL"), QString());
    if (!PostLibraryForm(this, *IdHTTP1, login, QStringLiteral("searchCategoryList"), lines, reply, false)) {
        UiServices::Get().Message(this, kWindow, QStringLiteral("IDS_1"), ServiceFailureDetail(*IdHTTP1),
                                  UiServices::Kind::Error);
        return;
    }
    for (QComboBox* box : {CategoryComboBox, DiffiComboBox, CategoryIdComboBox})
        box->clear();
    ReplyRecordList records;
    ParseRecordListText(reply, records);
    for (const auto& [index, record] : records) {
        if (ReplyTestA(record)) {
            Message("IDS_10", static_cast<int>(UiServices::Kind::Error));
            OkBtn->setEnabled(false);
            return;
        }
        CategoryIdComboBox->addItem(ReplyValue(record, QStringLiteral("CATEGORY_SEQ")));
        CategoryComboBox->addItem(ReplyValue(record, QStringLiteral("CATEGORY_NAME")));
        DiffiComboBox->addItem(ReplyValue(record, QStringLiteral("CTGR_LEVEL")));
    }

    if (!PostLibraryForm(this, *IdHTTP1, login, QStringLiteral("getMasterInfo"), CredentialLines(login),
                         reply, false)) {
        UiServices::Get().Message(this, kWindow, QStringLiteral("IDS_1"), ServiceFailureDetail(*IdHTTP1),
                                  UiServices::Kind::Error);
        CloseFromEventLoop(this);
        return;
    }
    ContentIdComboBox->clear();
    ContentComboBox->clear();
    ParseRecordListText(reply, records);
    for (const auto& [index, record] : records) {
        ContentIdComboBox->addItem(ReplyValue(record, QStringLiteral("TAG_DETAIL_ID")));
        ContentComboBox->addItem(ReplyValue(record, QStringLiteral("TAG_NAME_JP")));
    }

    uwagakiComboBox->clear();
    uwagakiComboBox->setEnabled(true);
    uwagakiComboBox->addItem(TableText(kWindow, QStringLiteral("IDS_12")));
    uwagakiComboBox->setCurrentIndex(0);
    uwagakiRecords.clear();

    lines = CredentialLines(login);
    lines << FormLine(QStringLiteral("TMV_TITLE"), ReplacePlusForService(ProjectTitleLbl->text()))
          << FormLine(QStringLiteral("CTGR_LEVEL"), QString())
          << FormLine(QStringLiteral("CATEGORY_SEQ"), QString())
          << FormLine(QStringLiteral("TAG1_ID"), QString())
          << FormLine(QStringLiteral("TMV_NAME"), ReplacePlusForService(ProjectFileLbl->text()));
    if (!PostLibraryForm(this, *IdHTTP1, login, QStringLiteral("getTmvTitleInfo"), lines, reply, false)) {
        UiServices::Get().Message(this, kWindow, QStringLiteral("IDS_1"), ServiceFailureDetail(*IdHTTP1),
                                  UiServices::Kind::Error);
        CloseFromEventLoop(this);
        return;
    }
    ParseRecordListText(reply, titleInfoList);
    const QString fileName = QFileInfo(ProjectFileLbl->text()).fileName();
    for (const auto& [index, record] : titleInfoList) {
        if (!ReplyTestC(record))
            continue;
        const QString name = ReplyValue(record, QStringLiteral("TMV_NAME"));
        uwagakiComboBox->addItem(name);
        uwagakiRecords.push_back(index);
        // The project's own earlier upload is the overwrite target, fixed.
        if (name == fileName) {
            uwagakiComboBox->setCurrentIndex(uwagakiComboBox->count() - 1);
            uwagakiComboBox->setEnabled(false);
        }
    }
    if (uwagakiComboBox->count() == 1)
        uwagakiComboBox->setEnabled(false);
    uwagakiComboBoxChange();
}

void TfrmPrjUpload::uwagakiComboBoxChange() {
    const int item = uwagakiComboBox->currentIndex();
    if (item > 0 && static_cast<size_t>(item) <= uwagakiRecords.size()) {
        const auto found = titleInfoList.find(uwagakiRecords[static_cast<size_t>(item - 1)]);
        if (found != titleInfoList.end() && !found->second.empty()) {
            const ReplyRecord& record = found->second;
            const int category = CategoryIdComboBox->findText(
                ReplyValue(record, QStringLiteral("CATEGORY_SEQ")), Qt::MatchExactly);
            CategoryIdComboBox->setCurrentIndex(category);
            CategoryComboBox->setCurrentIndex(category);
            const int content =
                ContentIdComboBox->findText(ReplyValue(record, QStringLiteral("TAG1_ID")), Qt::MatchExactly);
            ContentIdComboBox->setCurrentIndex(content);
            ContentComboBox->setCurrentIndex(content);
            CategoryComboBoxChange();
        }
        return;
    }
    for (QComboBox* box : {CategoryComboBox, CategoryIdComboBox, ContentComboBox, ContentIdComboBox})
        box->setCurrentIndex(-1);
    DifficultyLbl->clear();
}

void TfrmPrjUpload::CategoryComboBoxChange() {
    const int index = CategoryComboBox->currentIndex();
    DifficultyLbl->setText(index >= 0 ? DiffiComboBox->itemText(index) : QString());
    CategoryIdComboBox->setCurrentIndex(index);
}

void TfrmPrjUpload::ContentComboBoxChange() {
    ContentIdComboBox->setCurrentIndex(ContentComboBox->currentIndex());
}

void TfrmPrjUpload::OkBtnClick() {
    const auto warn = [this](const char* key) { Message(key, static_cast<int>(UiServices::Kind::Warning)); };
    const QString title = ProjectTitleLbl->text();
    if (title.isEmpty())
        return warn("IDS_2");
    if (CategoryComboBox->currentIndex() < 0)
        return warn("IDS_3");
    if (ContentComboBox->currentIndex() < 0)
        return warn("IDS_4");
    if (title.size() > 100)
        return warn("IDS_5");
    if (InsEdit->toPlainText().size() > 500)
        return warn("IDS_6");
    for (int i = 0; i < BtnCapComboBox->count(); ++i)
        if (BtnCapComboBox->itemText(i).size() > 100)
            return warn("IDS_7");
    if (UiServices::Get().Message(this, kWindow, QStringLiteral("IDS_8"), UiServices::Kind::Confirmation,
                                  UiServices::Buttons::OkCancel) != UiServices::Answer::Ok)
        return;

    OkBtn->setEnabled(false);
    const auto failed = [this] {
        if (!closeAfterTransfer)
            Message("IDS_11", static_cast<int>(UiServices::Kind::Error));
        OkBtn->setEnabled(true);
    };
    const int candidate = uwagakiComboBox->currentIndex();
    QStringList lines = CredentialLines(login);
    lines << FormLine(QStringLiteral("TMV_TITLE"), title) << FormLine(QStringLiteral("TMV_SEQ"), QString())
          << FormLine(QStringLiteral("CATEGORY_SEQ"),
                      CategoryIdComboBox->itemText(CategoryComboBox->currentIndex()))
          << FormLine(QStringLiteral("TMV_NAME"),
                      ReplacePlusForService(candidate > 0 ? uwagakiComboBox->currentText()
                                                          : ProjectFileLbl->text()));
    QString reply;
    // The look-up may take as long as the post (its time-out is the same): Cancel and
    // Escape stop it, and a stopped look-up uploads nothing.
    if (!PostLibraryForm(this, *IdHTTP1, login, QStringLiteral("getTmvInfo"), lines, reply, true,
                         {CancelBtn}) ||
        closeAfterTransfer)
        return failed();
    const ReplyRecord stored = ParseKeyValueText(reply);
    const int result =
        ReplyTestC2(stored) && candidate > 0
            ? ProjectFileUpolad(QStringLiteral("2"), ReplyValue(stored, QStringLiteral("TMV_SEQ")))
            : ProjectFileUpolad(QStringLiteral("1"), QStringLiteral("0"));
    if (result < 0)
        return failed();
    if (result == 0) {
        Message("IDS_9", static_cast<int>(UiServices::Kind::Information));
        accept();
        return;
    }
    OkBtn->setEnabled(true);
}

bool TfrmPrjUpload::WriteParameterFile(const QString& opKind, const QString& tmvSeq, qint64 projectSize) {
    QString captions;
    for (int i = 0; i < BtnCapComboBox->count(); ++i)
        captions += QStringLiteral("BTN_ID:%1,BTN_CAP_NAME:").arg(i + 1) + BtnCapComboBox->itemText(i) +
                    QLatin1Char(';');
    const std::pair<const char*, QString> keys[] = {
        {"USER_ID", userId},
        {"USER_PWD", userPassword},
        {"OP_KBN", opKind},
        {"TMV_SEQ", tmvSeq},
        {"PROJECT_TITLE", EscapeEquals(ProjectTitleLbl->text())},
        {"CATEGORY_SEQ", CategoryIdComboBox->itemText(CategoryComboBox->currentIndex())},
        {"CATEGORY_NAME", CategoryComboBox->currentText()},
        {"PROJECT_NAME", EscapeEquals(ProjectFileLbl->text())},
        {"TEACHING_TEXT", EscapeEquals(InsEdit->toPlainText())},
        {"BUTTON_NUM", ButtonNum->text()},
        {"TMV_SIZE", QString::number(projectSize)},
        {"BUTTON_CAP_LIST", captions},
        {"TAG1_ID", ContentIdComboBox->currentText()},
        {"STIMFILE_FORCE_UPDATE_FLG",
         chkForceUpdate->isChecked() ? QStringLiteral("1") : QStringLiteral("0")},
    };
    QString text = QStringLiteral("[Parameter]\r\n");
    for (const auto& [key, value] : keys)
        text += QLatin1String(key) + QLatin1Char('=') + value + QStringLiteral("\r\n");
    text += QStringLiteral("\r\n");
    // The file holds the password: its owner alone may read it.
    const QString path = ParameterFilePath();
    if (path.isEmpty() || !CreateSettingsFolder() ||
        !tamvik::WriteFileAtomically(path, QByteArray("\xEF\xBB\xBF") + text.toUtf8(), 0600))
        return false;
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

int TfrmPrjUpload::ProjectFileUpolad(const QString& opKind, const QString& tmvSeq) {
    const QString projectPath = ProjectFileLbl->text();
    QFile project(projectPath);
    if (projectPath.isEmpty() || !project.open(QIODevice::ReadOnly))
        return -1;
    const qint64 size = project.size();
    project.close();
    if (!WriteParameterFile(opKind, tmvSeq, size))
        return -1;
    // The service receives a copy, so a save during the upload cannot tear the file.
    QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/TAMXXXXXX"));
    if (!copy.open())
        return -1;
    copy.close();
    QFile::remove(copy.fileName());
    if (!QFile::copy(projectPath, copy.fileName()))
        return -1;
    const std::vector<tamvik::ServiceFilePart> parts{
        {QStringLiteral("PROJECT_FILE"), copy.fileName(), copy.fileName(),
         QStringLiteral("application/octet-stream")},
        {QStringLiteral("PROJECT_INFO"), ParameterFilePath(), ParameterFilePath(), QString()},
    };
    tamvik::ServiceResult result;
    {
        DialogTransfer transfer(this, *IdHTTP2, {CancelBtn});
        bool uploading = false;
        bool downloading = false;
        transfer.OnProgress([&](const tamvik::ServiceProgress& p) {
            if (!uploading && p.uploadTotal > 0) {
                uploading = true;
                IdHTTP2WorkBegin(p.uploadTotal);
            }
            if (uploading && !downloading)
                IdHTTP2Work(p.uploaded);
            if (!downloading && p.downloaded > 0) {
                downloading = true;
                IdHTTP2WorkBegin(p.downloadTotal);
            }
            if (downloading)
                IdHTTP2Work(p.downloaded);
        });
        result = IdHTTP2->PostMultipart(serviceUrl + QStringLiteral("setProjectInfo"), parts);
    }
    if (!result.ok())
        return -1;
    if (ReplyTestA(ParseKeyValueText(ServiceReplyText(result.body)))) {
        Message("IDS_10", static_cast<int>(UiServices::Kind::Warning));
        return 1;
    }
    return 0;
}

void TfrmPrjUpload::IdHTTP2WorkBegin(qint64 size) {
    progressShift = 0;
    while ((size >> progressShift) > std::numeric_limits<int>::max())
        ++progressShift;
    ProgressBar1->setRange(0, static_cast<int>(size >> progressShift));
    ProgressBar1->setValue(0);
    ProgressBar1->show();
}

void TfrmPrjUpload::IdHTTP2Work(qint64 count) {
    ProgressBar1->setValue(static_cast<int>(count >> progressShift));
}
