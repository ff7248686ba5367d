// The Upload command and its dialog: the look-ups, the checks, the parameter file and the
// multipart post as the service receives them.
#include "LibraryFixture.h"

#include "PrjUploadUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* kCategories = "CATEGORY_SEQ=1,CATEGORY_NAME=Piano,CTGR_LEVEL=2\r\n"
                          "CATEGORY_SEQ=2,CATEGORY_NAME=Voice,CTGR_LEVEL=4\r\n";
const char* kTags = "TAG_DETAIL_ID=T1,TAG_NAME_JP=Tones\r\nTAG_DETAIL_ID=T2,TAG_NAME_JP=Noise\r\n";

// Everything written to standard error while it lives.
class StderrCapture {
public:
    explicit StderrCapture(const QString& path) : m_path(path) {
        std::fflush(stderr);
        m_saved = ::dup(2);
        const int fd = ::open(path.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~StderrCapture() { Restore(); }
    QByteArray Text() {
        Restore();
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    void Restore() {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        m_saved = -1;
    }
    QString m_path;
    int m_saved = -1;
};

} // namespace

class PrjUploadTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        service->SetReply("searchCategoryList", kCategories);
        service->SetReply("getMasterInfo", kTags);
        projectPath = root->file(QStringLiteral("Tone+set.TMV"));
        projectBytes = MakeProjectFile(projectPath, QStringLiteral("Pitch+Level=1"));
    }
    // Opens the project file through the Open command.
    void OpenProject() {
        w->show();
        ui->fileNames.push_back(projectPath);
        Find<QAction>("actFileOpenPrj")->trigger();
        ASSERT_TRUE(w->windowTitle().endsWith(projectPath));
    }
    TfrmPrjUpload* dialog() const { return w->frmPrjUpload; }
    void Upload(std::function<void()> script) {
        // The command makes a new dialog: the script finds it once it is shown.
        bool ran = false;
        QTimer::singleShot(0, w.get(), [this, script, &ran] {
            ran = true;
            ASSERT_NE(dialog(), nullptr);
            EXPECT_TRUE(dialog()->isVisible());
            script();
            if (dialog()->isVisible()) {
                ADD_FAILURE() << "the script left the upload dialog open";
                dialog()->reject();
            }
        });
        Find<QAction>("projectUpload")->trigger();
        QCoreApplication::processEvents();
        EXPECT_TRUE(ran);
    }
    void ChooseCategoryAndContent() {
        dialog()->CategoryComboBox->setFocus();
        QTest::keyClicks(dialog()->CategoryComboBox, QStringLiteral("V"));
        QTest::keyClicks(dialog()->ContentComboBox, QStringLiteral("T"));
    }
    void ClickOk() { QTest::mouseClick(dialog()->OkBtn, Qt::LeftButton); }
    static QString ParameterFile() { return TfrmPrjUpload::ParameterFilePath(); }
    QStringList TemporaryCopies() const {
        return QDir(QDir::tempPath()).entryList({QStringLiteral("TAM*")}, QDir::Files);
    }

    QString projectPath;
    QByteArray projectBytes;
};

TEST_F(PrjUploadTest, OverwriteUploadWritesTheParameterFileAndPostsBothParts) {
    OpenProject();
    w->memExplain->setPlainText(QStringLiteral("Listen.\nThen a=b."));
    w->projectModified = false;
    // The first record is no candidate; the project's own earlier upload follows it.
    service->SetReply("getTmvTitleInfo",
                      "TMV_NAME=else.TMV,CATEGORY_SEQ=1,TAG1_ID=T1,API_RESULT=0,API_MESSAGE=\r\n"
                      "TMV_NAME=Tone+set.TMV,CATEGORY_SEQ=2,TAG1_ID=T2,API_RESULT=1,"
                      "API_MESSAGE=E00030\r\n");
    service->SetReply("getTmvInfo", "API_RESULT=1,API_MESSAGE=E00030,TMV_SEQ=77");
    QByteArray sentInfo;
    bool infoPrivate = false;
    service->SetHandler("setProjectInfo", [&](const fake::FakeRequest&) {
        // While the post runs, the parameter file is there for its owner alone.
        struct stat st {};
        infoPrivate =
            ::stat(ParameterFile().toLocal8Bit().constData(), &st) == 0 && (st.st_mode & 0777) == 0600;
        return fake::FakeReply::Text("API_RESULT=0,API_MESSAGE=");
    });
    bool uploadShownWhole = false;
    StderrCapture errors(root->file(QStringLiteral("stderr.txt")));
    Upload([&] {
        EXPECT_FALSE(QFile::exists(ParameterFile()));
        EXPECT_EQ(dialog()->ProjectFileLbl->text(), projectPath);
        EXPECT_EQ(dialog()->ProjectTitleLbl->text(), QStringLiteral("Pitch+Level=1"));
        const auto titles = service->Last("getTmvTitleInfo");
        EXPECT_EQ(titles.FieldNames(),
                  (std::vector<std::string>{"USER_ID", "USER_PWD", "TMV_TITLE", "CTGR_LEVEL", "CATEGORY_SEQ",
                                            "TAG1_ID", "TMV_NAME"}));
        EXPECT_EQ(titles.Field("TMV_TITLE"), "Pitch<Level=1");
        EXPECT_EQ(titles.Field("TMV_NAME"),
                  projectPath.toStdString().replace(projectPath.indexOf('+'), 1, "<"));
        // The candidate is the second record: chosen, locked, and its category and tag shown.
        ASSERT_EQ(dialog()->uwagakiComboBox->count(), 2);
        EXPECT_EQ(dialog()->uwagakiComboBox->itemText(0), QStringLiteral("New"));
        EXPECT_EQ(dialog()->uwagakiComboBox->currentText(), QStringLiteral("Tone+set.TMV"));
        EXPECT_FALSE(dialog()->uwagakiComboBox->isEnabled());
        EXPECT_EQ(dialog()->CategoryComboBox->currentText(), QStringLiteral("Voice"));
        EXPECT_EQ(dialog()->DifficultyLbl->text(), QStringLiteral("4"));
        EXPECT_EQ(dialog()->ContentComboBox->currentText(), QStringLiteral("Noise"));

        for (QWidget* hidden : std::initializer_list<QWidget*>{
                 dialog()->CategoryIdComboBox, dialog()->DiffiComboBox, dialog()->ContentIdComboBox,
                 dialog()->BtnCapComboBox, dialog()->ButtonNum, dialog()->InsEdit, dialog()->ProgressBar1})
            EXPECT_FALSE(hidden->isVisible()) << hidden->objectName().toStdString();
        // The bar follows each direction of the post: the announced size, then the bytes sent.
        QObject::connect(dialog()->ProgressBar1, &QProgressBar::valueChanged, [&](int value) {
            if (dialog()->ProgressBar1->maximum() > projectBytes.size() &&
                value == dialog()->ProgressBar1->maximum())
                uploadShownWhole = true;
        });
        QTest::mouseClick(dialog()->chkForceUpdate, Qt::LeftButton, {},
                          QPoint(6, dialog()->chkForceUpdate->height() / 2));
        ClickOk();
        EXPECT_EQ(ui->messages.front().text, QStringLiteral("Is it OK to upload the project file?"));
        EXPECT_EQ(ui->messages.back().text, QStringLiteral("The upload of the project file is completed."));
        EXPECT_FALSE(dialog()->isVisible());
    });
    EXPECT_FALSE(errors.Text().contains("secret")) << "the password is never logged";
    EXPECT_TRUE(uploadShownWhole) << "the bar reached the size of the whole post";
    EXPECT_EQ(service->Last("getTmvInfo").Field("TMV_TITLE"), "Pitch+Level=1") << "sent unchanged";
    EXPECT_EQ(service->Last("getTmvInfo").Field("CATEGORY_SEQ"), "2");

    ASSERT_EQ(service->Count("setProjectInfo"), 1u);
    const auto post = service->Last("setProjectInfo");
    EXPECT_TRUE(
        QString::fromStdString(post.Header("Content-Type")).startsWith("multipart/form-data; boundary="));
    EXPECT_TRUE(post.Header("Expect").empty());
    ASSERT_EQ(post.parts.size(), 2u);
    EXPECT_EQ(post.parts[0].name, "PROJECT_FILE");
    EXPECT_EQ(post.parts[0].contentType, "application/octet-stream");
    EXPECT_EQ(QByteArray::fromStdString(post.parts[0].content), projectBytes);
    const QString copyName = QString::fromStdString(post.parts[0].fileName);
    EXPECT_TRUE(copyName.startsWith(QDir::tempPath() + QStringLiteral("/TAM"))) << copyName.toStdString();
    EXPECT_EQ(post.parts[1].name, "PROJECT_INFO");
    EXPECT_EQ(QString::fromStdString(post.parts[1].fileName), ParameterFile());
    const QString expected =
        QStringLiteral(
            "[Parameter]\r\nUSER_ID=user\r\nUSER_PWD=secret\r\nOP_KBN=2\r\nTMV_SEQ=77\r\n"
            "PROJECT_TITLE=Pitch+Level&=1\r\nCATEGORY_SEQ=2\r\nCATEGORY_NAME=Voice\r\nPROJECT_NAME=%1\r\n"
            "TEACHING_TEXT=Listen.\nThen a&=b.\r\nBUTTON_NUM=2\r\nTMV_SIZE=%2\r\n"
            "BUTTON_CAP_LIST=BTN_ID:1,BTN_CAP_NAME:Left;BTN_ID:2,BTN_CAP_NAME:Right;\r\nTAG1_ID=T2\r\n"
            "STIMFILE_FORCE_UPDATE_FLG=1\r\n\r\n")
            .arg(projectPath)
            .arg(projectBytes.size());
    EXPECT_EQ(QByteArray::fromStdString(post.parts[1].content),
              QByteArray("\xEF\xBB\xBF") + expected.toUtf8())
        << "UTF-8 with a byte-order mark";
    EXPECT_TRUE(infoPrivate) << "tempParameter.ini is 0600";
    EXPECT_FALSE(QFile::exists(ParameterFile())) << "deleted when the dialog closed";
    EXPECT_TRUE(TemporaryCopies().isEmpty()) << "the copy goes once the post has returned";
}

TEST_F(PrjUploadTest, NewIsAlwaysANewUploadAndARefusalKeepsTheDialogOpen) {
    OpenProject();
    service->SetReply("getTmvTitleInfo",
                      "TMV_NAME=other.TMV,CATEGORY_SEQ=1,TAG1_ID=T1,API_RESULT=1,API_MESSAGE=\r\n");
    service->QueueReply("setProjectInfo", fake::FakeReply::Text("API_RESULT=1,API_MESSAGE=E00031"));
    Upload([&] {
        EXPECT_TRUE(dialog()->uwagakiComboBox->isEnabled());
        EXPECT_EQ(dialog()->uwagakiComboBox->currentIndex(), 0);
        EXPECT_EQ(dialog()->CategoryComboBox->currentIndex(), -1);
        // Nothing chosen yet: each check in its turn, nothing sent.
        ClickOk();
        EXPECT_EQ(ui->messages.back().text, QStringLiteral("Please select a category."));
        dialog()->CategoryComboBox->setFocus();
        QTest::keyClicks(dialog()->CategoryComboBox, QStringLiteral("P"));
        EXPECT_EQ(dialog()->DifficultyLbl->text(), QStringLiteral("2"));
        ClickOk();
        EXPECT_EQ(ui->messages.back().text, QStringLiteral("Please select the content."));
        QTest::keyClicks(dialog()->ContentComboBox, QStringLiteral("T"));
        ui->answers.push_back(UiServices::Answer::Cancel);
        ClickOk();
        EXPECT_EQ(service->Count("getTmvInfo"), 0u) << "Cancel at the confirmation";

        // The service refuses: a warning, OK usable again.
        ui->messages.clear();
        ClickOk();
        EXPECT_EQ(ui->messages.back().text,
                  QStringLiteral(
                      "Could not be verified. Please double check \"Password\" and \"Administrator ID\"."));
        EXPECT_EQ(ui->messages.back().kind, UiServices::Kind::Warning);
        EXPECT_TRUE(dialog()->isVisible());
        EXPECT_TRUE(dialog()->OkBtn->isEnabled());
        EXPECT_TRUE(QFile::exists(ParameterFile())) << "kept until the dialog closes";
        // A second OK uploads again, as a new project although the service knows it.
        ClickOk();
        EXPECT_FALSE(dialog()->isVisible());
    });
    ASSERT_EQ(service->Count("setProjectInfo"), 2u);
    const std::string info = service->Last("setProjectInfo").parts[1].content;
    EXPECT_NE(info.find("\r\nOP_KBN=1\r\nTMV_SEQ=0\r\n"), std::string::npos);
    EXPECT_NE(info.find("\r\nSTIMFILE_FORCE_UPDATE_FLG=0\r\n"), std::string::npos);
}

TEST_F(PrjUploadTest, LengthChecksAtTheirLimits) {
    struct Case {
        const char* what;
        QString title;
        QString instruction;
        QString caption;
        QString message; // empty: uploaded
    };
    const Case cases[] = {
        {"limits", QString(100, 't'), QString(500, 'i'), QString(100, 'c'), ""},
        {"title", QString(101, 't'), "", "c", "Please input a title within 100 characters."},
        {"instruction", "t", QString(501, 'i'), "c", "Please input description within 500 characters."},
        {"caption", "t", "", QString(101, 'c'), "Please input button caption within 100 characters."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeProjectFile(projectPath, c.title, {c.caption});
        OpenProject();
        w->memExplain->setPlainText(c.instruction);
        w->projectModified = false;
        service->ClearRequests();
        ui->messages.clear();
        Upload([&] {
            ChooseCategoryAndContent();
            ClickOk();
            if (!c.message.isEmpty()) {
                ASSERT_EQ(ui->messages.size(), 1u);
                EXPECT_EQ(ui->messages[0].text, c.message);
                dialog()->reject();
            }
        });
        EXPECT_EQ(service->Count("setProjectInfo"), c.message.isEmpty() ? 1u : 0u);
    }
}

TEST_F(PrjUploadTest, AnUnsavedProjectIsSavedFirstAndTheDialogShowsTheSavedFile) {
    w->show();
    // A new project with a title and captions but no file yet.
    Find<QAction>("actPrjTrn")->trigger();
    w->project.GetGeneral()->title = QStringLiteral("Fresh");
    for (int row = 1; row < w->asgdTrnBtn->RowCount(); ++row)
        w->asgdTrnBtn->SetCell(1, row, QStringLiteral("Button %1").arg(row));
    w->projectModified = true;
    const QString saved = root->file(QStringLiteral("Saved.TMV"));
    ui->fileNames.push_back(saved);
    Upload([&] {
        EXPECT_EQ(dialog()->ProjectFileLbl->text(), saved);
        dialog()->reject();
    });
    EXPECT_TRUE(QFile::exists(saved));
    EXPECT_FALSE(QFile::exists(ParameterFile()));

    // An empty caption stops the command before any save or look-up.
    w->asgdTrnBtn->SetCell(1, 1, QStringLiteral("  "));
    service->ClearRequests();
    ui->messages.clear();
    Find<QAction>("projectUpload")->trigger();
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].text, QStringLiteral("Please input the button caption."));
    EXPECT_EQ(service->Count("searchCategoryList"), 0u);
}

// Only the captions of the project's own method are checked, never the hidden panel of
// another method; what is sent stays the training buttons, as for every upload.
TEST_F(PrjUploadTest, OnlyTheCaptionsOfTheProjectsMethodCount) {
    struct Case {
        const char* what;
        int method;
        std::vector<QString> captions;
        bool refused; // with IDS_548
    };
    const Case cases[] = {
        {"semantic differential", 1, {}, false},
        {"pair", 2, {"Same", "Other"}, false},
        {"category", 3, {"Low", "Mid", "High"}, false},
        {"no buttons", 4, {}, false},
        {"category with an empty caption", 3, {"Low", " ", "High"}, true},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ++index;
        CProject p;
        ASSERT_TRUE(p.New());
        p.SetMethod(c.method);
        p.GetGeneral()->title = QStringLiteral("Method %1").arg(c.method);
        CExperimentParameter* parameter = p.GetExperimentParameter();
        if (CExpCategory* buttons = c.method == 2 ? parameter->GetPair() : parameter->GetCategory())
            buttons->buttonLabels = c.captions;
        p.AddSchedule(nullptr)->name = QStringLiteral("Only");
        projectPath = root->file(QStringLiteral("method%1-%2.TMV").arg(c.method).arg(index));
        p.SetFileName(projectPath);
        ASSERT_TRUE(p.Save());
        OpenProject();
        service->ClearRequests();
        ui->messages.clear();
        if (c.refused) {
            Find<QAction>("projectUpload")->trigger();
            EXPECT_EQ(ShownTexts(), QStringList{"Please input the button caption."});
            EXPECT_EQ(service->Count("searchCategoryList"), 0u);
            continue;
        }
        Upload([&] {
            ChooseCategoryAndContent();
            ClickOk();
        });
        EXPECT_EQ(ui->messages.back().text, QStringLiteral("The upload of the project file is completed."));
        ASSERT_EQ(service->Count("setProjectInfo"), 1u);
        const std::string info = service->Last("setProjectInfo").parts[1].content;
        EXPECT_NE(info.find("BUTTON_NUM=" + Find<QLineEdit>("edtTrnBtnNum")->text().toStdString() + "\r\n"),
                  std::string::npos)
            << info;
    }
}

// Before any project is open there is nothing to upload: the command is not offered.
TEST_F(PrjUploadTest, NoProjectNoUpload) {
    w->show();
    EXPECT_FALSE(Find<QAction>("projectUpload")->isEnabled());
    Find<QAction>("projectUpload")->trigger();
    EXPECT_TRUE(ui->messages.empty());
    EXPECT_EQ(service->Count("searchCategoryList"), 0u);
    Find<QAction>("actPrjSdm")->trigger();
    EXPECT_TRUE(Find<QAction>("projectUpload")->isEnabled());
}

// Cancel and Escape stop the upload at each of its requests: the look-up before the post
// can take as long as the post itself. Nothing is reported, neither failure nor success.
TEST_F(PrjUploadTest, CancelAndEscapeStopEveryStepOfTheUpload) {
    OpenProject();
    for (const char* step : {"getTmvInfo", "setProjectInfo"}) {
        for (const char* how : {"Cancel", "Escape"}) {
            SCOPED_TRACE(std::string(step) + " " + how);
            service->ResetOperation("getTmvInfo");
            service->SetReply(step, fake::FakeReply::Delayed(std::chrono::seconds(30), "API_RESULT=0"));
            service->ClearRequests();
            ui->messages.clear();
            Upload([&] {
                ChooseCategoryAndContent();
                QTimer watch;
                QObject::connect(&watch, &QTimer::timeout, [&] {
                    if (service->Count(step) == 1) {
                        watch.stop();
                        EXPECT_FALSE(dialog()->OkBtn->isEnabled());
                        if (std::string(how) == "Cancel")
                            QTest::mouseClick(dialog()->CancelBtn, Qt::LeftButton);
                        else // where the keyboard focus is, as a user's key goes
                            QTest::keyClick(dialog()->focusWidget() ? dialog()->focusWidget() : dialog(),
                                            Qt::Key_Escape);
                    }
                });
                watch.start(5);
                ClickOk();
                EXPECT_FALSE(dialog()->isVisible());
            });
            EXPECT_EQ(service->Count("setProjectInfo"), std::string(step) == "getTmvInfo" ? 0u : 1u)
                << "a stopped look-up uploads nothing";
            EXPECT_EQ(ShownTexts(), QStringList{"Is it OK to upload the project file?"});
            EXPECT_FALSE(QFile::exists(ParameterFile()));
            EXPECT_TRUE(TemporaryCopies().isEmpty());
            service->ResetOperation(step);
        }
    }
}

// A look-up of the set-up that fails closes the dialog, and the command returns: a close
// from inside the showing once left the modal loop running with no dialog to end it.
TEST_F(PrjUploadTest, AFailedSetUpLookUpClosesTheDialog) {
    OpenProject();
    for (const char* failing : {"getMasterInfo", "getTmvTitleInfo"}) {
        SCOPED_TRACE(failing);
        service->SetReply(failing, fake::FakeReply::Status(500));
        ui->messages.clear();
        EXPECT_TRUE(CommandReturns("projectUpload"));
        EXPECT_EQ(ShownHeadlines(), QStringList{"Unable to connect the server, please double check the URL."});
        EXPECT_FALSE(dialog()->isVisible());
        service->ResetOperation(failing);
        service->SetReply("getMasterInfo", kTags);
    }
}

TEST_F(PrjUploadTest, MissingLoginHoldsOk) {
    OpenProject();
    ASSERT_TRUE(SaveOptionSettings(library, QString::fromStdString(service->BaseUrl()), QStringLiteral("0"),
                                   QString(), QStringLiteral("0"), QString(), QString()));
    Upload([&] {
        EXPECT_FALSE(dialog()->OkBtn->isEnabled());
        EXPECT_EQ(ui->messages.back().kind, UiServices::Kind::Error);
        dialog()->reject();
    });
    EXPECT_EQ(service->Count("searchCategoryList"), 0u);
}
