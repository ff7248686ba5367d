// The options dialog as the Options command shows it: its checks, the login with the
// service, what OK stores, and the rights that follow.
#include "MainWindowFixture.h"

#include "FakeService.h"
#include "ModalScript.h"
#include "OptionIni.h"
#include "OptionUnit.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <cerrno>
#include <cstring>

namespace {

struct Stored {
    QString folder, url, id, password, useFlag, address, port;
};

Stored ReadStored() {
    Stored s;
    LoadOptionSettings(s.folder, s.url, s.id, s.password, true);
    LoadProxySettings(s.useFlag, s.address, s.port);
    return s;
}

// Replaces an edit's text as a user does: select all, type.
void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// Clicks a check box on its box: a click beyond its text does nothing.
void ClickBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

} // namespace

class OptionDialogTest : public MainWindowTest {
protected:
    TfrmOption* dialog() const { return w->frmOption; }
    // Shows the dialog through the Options command and runs script in it.
    void Options(std::function<void()> script) {
        WhileModal(dialog(), std::move(script));
        Find<QAction>("actOptSetting")->trigger();
    }
    // Brings a page to the front and lets it lay out, so clicks land on its controls.
    void ShowPage(QWidget* page) {
        dialog()->pgeOption->setCurrentWidget(page);
        QCoreApplication::processEvents();
    }
    void Fill(const QString& folder, const QString& url, const QString& id, const QString& password) {
        ShowPage(dialog()->shtTerminal);
        Type(dialog()->projectFloder, folder);
        Type(dialog()->serviceUrl, url);
        Type(dialog()->userId, id);
        Type(dialog()->userPassWord, password);
    }
    void ClickOK() { QTest::mouseClick(dialog()->btnOK, Qt::LeftButton); }
    void ClickCancel() { QTest::mouseClick(dialog()->btnCancel, Qt::LeftButton); }
    bool FullRights() const { return !w->tbtnFileOpenPrj->isHidden() && w->tbtnFileOpenPrj->isEnabled(); }
};

// A first start has no Option.ini: restricted, but the Options command opens the dialog
// and a login there lifts the restriction.
TEST_F(OptionDialogTest, FirstStartIsNoDeadEnd) {
    fake::FakeService service;
    w->show();
    ASSERT_FALSE(FullRights());
    EXPECT_TRUE(Find<QAction>("actOptSetting")->isEnabled());
    Options([&] {
        EXPECT_TRUE(dialog()->projectFloder->text().isEmpty());
        Fill(root->path(), QString::fromStdString(service.BaseUrl()), "admin", "pw");
        ClickOK();
    });
    EXPECT_TRUE(ui->messages.empty());
    EXPECT_TRUE(FullRights()) << "the command logs in again with what OK stored";
    EXPECT_EQ(service.Count("userAuth"), 2u) << "once by OK, once by the command";
}

TEST_F(OptionDialogTest, InputChecksStopBeforeAnyRequest) {
    fake::FakeService service;
    const QString url = QString::fromStdString(service.BaseUrl());
    struct Case {
        const char* what;
        QString folder, url, id, password;
        bool proxy;
        QString address, port;
        QString message;
    };
    const QString folder = root->path();
    const Case cases[] = {
        {"no folder", "", url, "a", "b", false, "", "",
         "Please input the name of the project file storage folder."},
        {"no address", folder, "", "a", "b", false, "", "", "Please input the server URL."},
        {"password without id", folder, url, "", "b", false, "", "", "Please input the administrator ID."},
        {"id without password", folder, url, "a", "", false, "", "", "Please input password."},
        {"proxy without address", folder, url, "a", "b", true, "", "8080", "Please input address."},
        {"proxy without port", folder, url, "a", "b", true, "proxy", "", "Please input port."},
        {"missing folder", root->file("none"), url, "a", "b", false, "", "",
         "Project file storage folder does not exist, please double check the settings."},
        {"port not a number", folder, url, "a", "b", true, "proxy", "80x",
         "Unable to connect the server, please double check the URL.\n80x: not a port number"},
    };
    for (const Case& c : cases) {
        ui->messages.clear();
        Options([&] {
            Fill(c.folder, c.url, c.id, c.password);
            if (dialog()->shiyoChkbox->isChecked() != c.proxy)
                ClickBox(dialog()->shiyoChkbox);
            EXPECT_EQ(dialog()->addressEdit->isEnabled(), c.proxy) << c.what;
            if (c.proxy) {
                Type(dialog()->addressEdit, c.address);
                Type(dialog()->portEdit, c.port);
            }
            ClickOK();
            EXPECT_TRUE(dialog()->isVisible()) << c.what << ": the dialog stays open";
            EXPECT_EQ(dialog()->userId->text(), c.id) << c.what << ": with the input";
            ClickCancel();
        });
        EXPECT_EQ(ShownTexts(), QStringList{c.message}) << c.what;
        EXPECT_FALSE(dialog()->settingsSaved) << c.what;
    }
    EXPECT_EQ(service.Count("userAuth"), 0u);
    EXPECT_TRUE(ReadStored().url.isEmpty()) << "nothing was stored";
}

TEST_F(OptionDialogTest, WithoutLoginStoresAsTypedWithoutAProxy) {
    Options([&] {
        Fill(root->file("not-there"), "http://example.invalid", "", "");
        ClickBox(dialog()->shiyoChkbox);
        Type(dialog()->addressEdit, "proxy");
        Type(dialog()->portEdit, "3128");
        ClickOK();
        EXPECT_FALSE(dialog()->isVisible());
    });
    EXPECT_TRUE(ui->messages.empty());
    EXPECT_TRUE(dialog()->settingsSaved);
    const Stored s = ReadStored();
    EXPECT_EQ(s.folder, root->file("not-there")) << "no check, no final slash";
    EXPECT_EQ(s.url, QStringLiteral("http://example.invalid"));
    EXPECT_EQ(s.useFlag, QStringLiteral("0"));
    EXPECT_EQ(s.address, QStringLiteral("proxy"));

    Options([&] {
        EXPECT_FALSE(dialog()->settingsSaved);
        EXPECT_EQ(dialog()->serviceUrl->text(), QStringLiteral("http://example.invalid"));
        EXPECT_FALSE(dialog()->shiyoChkbox->isChecked());
        EXPECT_FALSE(dialog()->addressEdit->isEnabled());
        ClickCancel();
    });
    EXPECT_FALSE(dialog()->settingsSaved);
}

// The service's answer to OK: what is shown, what is stored, and the rights the command's
// login then gives (the dialog accepts restricted users too).
TEST_F(OptionDialogTest, TheLoginResultTable) {
    fake::FakeService service;
    std::string base = service.BaseUrl();
    base.pop_back(); // without the final '/'
    const QString notVerified =
        QStringLiteral("Could not be verified. Please double check \"Password\" and \"Administrator ID\".");
    struct Case {
        const char* reply;
        bool stored;
        QString message;
        bool full;
    };
    const Case cases[] = {
        {"", false, notVerified, false},
        {"API_RESULT=1", false, notVerified, false},
        {"API_RESULT=0,API_MESSAGE=E00031,USER_AUTH=0", false, notVerified, false},
        {"API_RESULT=0,USER_AUTH=1", true, {}, false},
        {"API_RESULT=0,USER_AUTH=0", true, {}, true},
        {"SOMETHING=else", true, {}, true},
    };
    for (const Case& c : cases) {
        ui->messages.clear();
        QFile::remove(OptionIniPath());
        service.SetReply("userAuth", std::string(c.reply));
        Options([&] {
            Fill(root->path(), QString::fromStdString(base), "admin", "p&w");
            ClickOK();
            if (dialog()->isVisible())
                ClickCancel();
        });
        EXPECT_EQ(dialog()->settingsSaved, c.stored) << c.reply;
        EXPECT_EQ(ShownTexts(), c.message.isEmpty() ? QStringList{} : QStringList{c.message}) << c.reply;
        EXPECT_EQ(ReadStored().id.isEmpty(), !c.stored) << c.reply;
        EXPECT_EQ(FullRights(), c.full) << c.reply;
    }
    const Stored s = ReadStored();
    EXPECT_EQ(s.folder, root->path() + QLatin1Char('/'));
    EXPECT_EQ(s.url, QString::fromStdString(service.BaseUrl()));
    EXPECT_EQ(s.password, QStringLiteral("p&w"));
    EXPECT_EQ(s.useFlag, QStringLiteral("0"));
    const fake::FakeRequest request = service.Last("userAuth");
    EXPECT_EQ(request.path, "/W0001/userAuth");
    EXPECT_EQ(request.FieldNames(), (std::vector<std::string>{"USER_ID", "USER_PWD"}));
    EXPECT_EQ(request.Field("USER_PWD"), "p&w");
}

TEST_F(OptionDialogTest, ConnectionFailureKeepsTheInput) {
    const int port = fake::FakeService::RefusingPort();
    Options([&] {
        Fill(root->path(), QStringLiteral("http://127.0.0.1:%1/").arg(port), "admin", "pw");
        ClickOK();
        EXPECT_TRUE(dialog()->isVisible());
        ClickCancel();
    });
    // The address and libcurl's cause follow the table's text.
    const QString url = QStringLiteral("http://127.0.0.1:%1/W0001/userAuth").arg(port);
    ASSERT_EQ(ShownTexts().size(), 1);
    EXPECT_TRUE(ShownTexts()[0].startsWith("Unable to connect the server, please double check the URL.\n" +
                                           url + ": "))
        << ShownTexts()[0].toStdString();
    EXPECT_TRUE(ReadStored().url.isEmpty());
}

TEST_F(OptionDialogTest, SmallHandlers) {
    Find<QAction>("actPrjTrn")->trigger(); // the feedback time is a training setting
    Options([&] {
        EXPECT_TRUE(dialog()->trbFeedback->isEnabled());
        ShowPage(dialog()->shtExecute);
        dialog()->trbFeedback->setFocus();
        dialog()->trbFeedback->setValue(24);
        QTest::keyClick(dialog()->trbFeedback, Qt::Key_Right);
        EXPECT_EQ(dialog()->pnlFeedback->text(), QStringLiteral("2.5"));

        dialog()->edtDelayTimes->clear();
        QTest::keyClicks(dialog()->edtDelayTimes, "1a.-5");
        EXPECT_EQ(dialog()->edtDelayTimes->text(), QStringLiteral("1.5"));
        QTest::keyClick(dialog()->edtDelayTimes, Qt::Key_Backspace);
        EXPECT_EQ(dialog()->edtDelayTimes->text(), QStringLiteral("1."));

        ShowPage(dialog()->shtTerminal);
        ui->fileNames.push_back(root->file("chosen"));
        QTest::mouseClick(dialog()->projectBtn, Qt::LeftButton);
        EXPECT_EQ(dialog()->projectFloder->text(), root->file("chosen"));
        ClickCancel();
    });
}

TEST_F(OptionDialogTest, EveryControlIsLabelledInBothLanguages) {
    for (auto language : {TextTable::Language::English, TextTable::Language::Japanese}) {
        TextTable::Instance().setLanguage(language);
        Options([&] {
            EXPECT_FALSE(dialog()->windowTitle().isEmpty());
            for (int i = 0; i < dialog()->pgeOption->count(); ++i)
                EXPECT_FALSE(dialog()->pgeOption->tabText(i).isEmpty()) << i;
            for (QCheckBox* box : dialog()->findChildren<QCheckBox*>())
                EXPECT_FALSE(box->text().isEmpty()) << box->objectName().toStdString();
            for (QLabel* label : dialog()->findChildren<QLabel*>()) {
                if (label->buddy()) {
                    EXPECT_FALSE(label->text().isEmpty()) << label->objectName().toStdString();
                }
            }
            EXPECT_FALSE(dialog()->grpProxy->title().isEmpty());
            EXPECT_EQ(dialog()->userPassWord->echoMode(), QLineEdit::Password);
            EXPECT_EQ(dialog()->userId->maxLength(), 20);
            EXPECT_EQ(dialog()->portEdit->maxLength(), 5);
            ClickCancel();
        });
    }
    EXPECT_EQ(dialog()->shtTerminal->findChild<QLabel*>("userIdLabel")->text(), QStringLiteral("管理者ID"));
}

// Option.ini cannot be written (here a folder stands in its place, which stops root too):
// OK says so, naming the file and the cause, stores nothing and keeps the dialog open, so
// the other tabs are not applied either.
TEST_F(OptionDialogTest, SettingsThatCannotBeWrittenAreNeverReportedSaved) {
    fake::FakeService service;
    service.SetReply("userAuth", std::string("API_RESULT=0,USER_AUTH=0"));
    ASSERT_TRUE(CreateSettingsFolder());
    ASSERT_TRUE(QDir().mkpath(OptionIniPath()));
    const QString url = QString::fromStdString(service.BaseUrl());
    struct Case {
        const char* what;
        QString id, password;
    };
    for (const Case& c : {Case{"with a login", "admin", "pw"}, Case{"without a login", "", ""}}) {
        ui->messages.clear();
        bool checkBefore = false;
        Options([&] {
            checkBefore = dialog()->chkCheck->isChecked();
            ShowPage(dialog()->shtExecute);
            ClickBox(dialog()->chkCheck);
            Fill(root->path(), url, c.id, c.password);
            ClickOK();
            EXPECT_TRUE(dialog()->isVisible()) << c.what << ": the dialog stays open";
            EXPECT_EQ(dialog()->userId->text(), c.id) << c.what << ": with the input";
            ClickCancel();
        });
        ASSERT_EQ(ui->messages.size(), 1u) << c.what;
        EXPECT_EQ(ui->messages[0].kind, UiServices::Kind::Error) << c.what;
        EXPECT_TRUE(ui->messages[0].text.contains(OptionIniPath())) << ui->messages[0].text.toStdString();
        EXPECT_TRUE(ui->messages[0].text.contains(QString::fromLocal8Bit(std::strerror(EISDIR))))
            << ui->messages[0].text.toStdString();
        EXPECT_FALSE(dialog()->settingsSaved) << c.what;
        Options([&] {
            EXPECT_EQ(dialog()->chkCheck->isChecked(), checkBefore)
                << c.what << ": the other tabs wait for OK";
            ClickCancel();
        });
    }
}
