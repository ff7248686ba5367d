// OK of the options dialog: its checks, the login with the service and what it stores.
#include "MainWindowFixture.h"

#include "FakeService.h"
#include "OptionIni.h"
#include "OptionUnit.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

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

} // namespace

class OptionDialogTest : public MainWindowTest {
protected:
    TfrmOption* dialog() const { return w->frmOption; }
    void Fill(const QString& folder, const QString& url, const QString& id, const QString& password) {
        dialog()->projectFloder->setText(folder);
        dialog()->serviceUrl->setText(url);
        dialog()->userId->setText(id);
        dialog()->userPassWord->setText(password);
    }
};

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
         "Unable to connect the server, please double check the URL."},
    };
    for (const Case& c : cases) {
        ui->messages.clear();
        dialog()->FormShow();
        Fill(c.folder, c.url, c.id, c.password);
        dialog()->shiyoChkbox->setChecked(c.proxy);
        dialog()->addressEdit->setText(c.address);
        dialog()->portEdit->setText(c.port);
        dialog()->btnOKClick();
        EXPECT_EQ(ShownTexts(), QStringList{c.message}) << c.what;
        EXPECT_FALSE(dialog()->settingsSaved) << c.what;
    }
    EXPECT_EQ(service.Count("userAuth"), 0u);
    EXPECT_TRUE(ReadStored().url.isEmpty()) << "nothing was stored";
}

TEST_F(OptionDialogTest, WithoutLoginStoresAsTypedWithoutAProxy) {
    dialog()->FormShow();
    Fill(root->file("not-there"), QStringLiteral("http://example.invalid"), QString(), QString());
    dialog()->shiyoChkbox->setChecked(true);
    dialog()->addressEdit->setText(QStringLiteral("proxy"));
    dialog()->portEdit->setText(QStringLiteral("3128"));
    dialog()->btnOKClick();
    EXPECT_TRUE(ui->messages.empty());
    EXPECT_TRUE(dialog()->settingsSaved);
    const Stored s = ReadStored();
    EXPECT_EQ(s.folder, root->file("not-there")) << "no check, no final slash";
    EXPECT_EQ(s.url, QStringLiteral("http://example.invalid"));
    EXPECT_EQ(s.useFlag, QStringLiteral("0"));
    EXPECT_EQ(s.address, QStringLiteral("proxy"));

    dialog()->FormShow();
    EXPECT_FALSE(dialog()->settingsSaved);
    EXPECT_FALSE(dialog()->shiyoChkbox->isChecked());
    EXPECT_FALSE(dialog()->addressEdit->isEnabled());
}

TEST_F(OptionDialogTest, LoginDecidesWhetherTheSettingsAreStored) {
    fake::FakeService service;
    std::string base = service.BaseUrl();
    base.pop_back(); // without the final '/'
    struct Case {
        const char* reply;
        bool stored;
        const char* message;
    };
    const Case cases[] = {
        {"", false, "Could not be verified. Please double check \"Password\" and \"Administrator ID\"."},
        {"API_RESULT=1", false,
         "Could not be verified. Please double check \"Password\" and \"Administrator ID\"."},
        {"API_RESULT=0,API_MESSAGE=E00031", false,
         "Could not be verified. Please double check \"Password\" and \"Administrator ID\"."},
        {"API_RESULT=0,USER_AUTH=1", true, nullptr},
    };
    for (const Case& c : cases) {
        ui->messages.clear();
        service.SetReply("userAuth", std::string(c.reply));
        dialog()->FormShow();
        Fill(root->path(), QString::fromStdString(base), QStringLiteral("admin"), QStringLiteral("pw"));
        dialog()->btnOKClick();
        EXPECT_EQ(dialog()->settingsSaved, c.stored) << c.reply;
        EXPECT_EQ(ShownTexts(), c.message ? QStringList{c.message} : QStringList{}) << c.reply;
        EXPECT_EQ(ReadStored().id.isEmpty(), !c.stored) << c.reply;
    }
    const Stored s = ReadStored();
    EXPECT_EQ(s.folder, root->path() + QLatin1Char('/'));
    EXPECT_EQ(s.url, QString::fromStdString(service.BaseUrl()));
    EXPECT_EQ(dialog()->serviceUrl->text(), QString::fromStdString(service.BaseUrl()));
    EXPECT_EQ(s.useFlag, QStringLiteral("0"));
    const fake::FakeRequest request = service.Last("userAuth");
    EXPECT_EQ(request.path, "/W0001/userAuth");
    EXPECT_EQ(request.Field("USER_ID"), "admin");
    EXPECT_EQ(request.Field("USER_PWD"), "pw");
}

TEST_F(OptionDialogTest, SmallHandlers) {
    dialog()->trbFeedback->setValue(25);
    EXPECT_EQ(dialog()->pnlFeedback->text(), QStringLiteral("2.5"));

    dialog()->edtDelayTimes->clear();
    for (const char* key : {"1", "a", ".", "-", "5"}) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromLatin1(key));
        QCoreApplication::sendEvent(dialog()->edtDelayTimes, &press);
    }
    EXPECT_EQ(dialog()->edtDelayTimes->text(), QStringLiteral("1.5"));

    ui->fileNames.push_back(root->file("chosen"));
    dialog()->projectFloder->setText(QStringLiteral("start"));
    dialog()->projectBtnClick();
    EXPECT_EQ(dialog()->projectFloder->text(), root->file("chosen"));
}
