#include "FakeService.h"
#include "OptionIni.h"
#include "ReplyRecord.h"
#include "ServiceForm.h"
#include "TestDir.h"

#include <gtest/gtest.h>

using fake::FakeReply;
using fake::FakeService;

namespace {

struct SentValue {
    const char* name;
    QString value;
    const char* onTheWire; // the raw body as the service received it
};

} // namespace

TEST(ServiceExchange, EncodesValuesAsTheServiceReceivesThem) {
    const SentValue cases[] = {
        {"TITLE", QStringLiteral("a b"), "TITLE=a%20b"},
        {"TITLE", QString::fromUtf8("あ"), "TITLE=%E3%81%82"},
        {"TMV_NAME", ReplacePlusForService(QStringLiteral("a+b")), "TMV_NAME=a%3Cb"},
        {"TITLE", QStringLiteral("a&b"), "TITLE=a%26b"},
        {"TITLE", QStringLiteral("+=,;/:?"), "TITLE=+=,;/:?"},
        {"TITLE", QStringLiteral("*#%<> []"), "TITLE=%2A%23%25%3C%3E%20%5B%5D"},
        {"TITLE", QString(QChar(0x7F)) + QChar(0x80) + QChar(0x7E), "TITLE=%7F%C2%80~"},
        {"TITLE", QStringLiteral("a\r\nb\tc"), "TITLE=a%0D%0Ab%09c"},
        {"TITLE", QString::fromUtf8("\xF0\x9F\x8E\xB5"), "TITLE=%F0%9F%8E%B5"},
    };
    FakeService service;
    tamvik::ServiceClient client;
    for (const SentValue& c : cases) {
        QString reply;
        const QStringList lines = {FormLine(QStringLiteral("USER_ID"), QStringLiteral("u1")),
                                   FormLine(QString::fromLatin1(c.name), c.value)};
        ASSERT_TRUE(
            PostServiceForm(client, QString::fromStdString(service.OperationUrl("getTmvInfo")), lines, reply)
                .ok());
        const auto req = service.Last("getTmvInfo");
        EXPECT_EQ(req.rawBody, std::string("USER_ID=u1&") + c.onTheWire) << c.onTheWire;
        // Split at '&' and the first '=', then percent-decoded, every value comes back whole.
        ASSERT_EQ(req.fields.size(), 2u) << c.onTheWire;
        EXPECT_EQ(QString::fromStdString(req.Field(c.name)), c.value) << c.onTheWire;
    }
}

TEST(ServiceExchange, KeepsFieldOrderAndIntegerFormat) {
    FakeService service;
    tamvik::ServiceClient client;
    QString reply;
    const QStringList lines = {FormLine(QStringLiteral("USER_ID"), QStringLiteral("u")),
                               FormLine(QStringLiteral("USER_PWD"), QStringLiteral("p")),
                               QStringLiteral("OP_KBN=1"), FormLine(QStringLiteral("TMV_SIZE"), -42),
                               QStringLiteral("TEST_RUN_LIST=QUESTION_NUM=1,REPEAT_NUM=1;")};
    ASSERT_TRUE(
        PostServiceForm(client, QString::fromStdString(service.OperationUrl("startTest")), lines, reply)
            .ok());
    const auto req = service.Last("startTest");
    EXPECT_EQ(req.rawBody,
              "USER_ID=u&USER_PWD=p&OP_KBN=1&TMV_SIZE=-42&TEST_RUN_LIST=QUESTION_NUM=1,REPEAT_NUM=1;");
    EXPECT_EQ(req.FieldNames(),
              (std::vector<std::string>{"USER_ID", "USER_PWD", "OP_KBN", "TMV_SIZE", "TEST_RUN_LIST"}));
    EXPECT_EQ(req.Field("TEST_RUN_LIST"), "QUESTION_NUM=1,REPEAT_NUM=1;");
    EXPECT_TRUE(ReplyTestF(ParseKeyValueText(reply))) << reply.toStdString();
    EXPECT_EQ(ParseKeyValueText(reply)[QStringLiteral("EXEC_SEQ")], QStringLiteral("1"));
}

TEST(ServiceExchange, DecodesLongUtf8RepliesWithoutACap) {
    FakeService service;
    // A reply far beyond 65,535 bytes, Japanese text near its end, blanks around it.
    std::string body =
        "  \r\nAPI_RESULT=0,PAD=" + std::string(200000, 'x') + ",TITLE=" + "日本語" + ",LAST=1\r\n ";
    service.SetReply("getTmvInfo", FakeReply::Text(body));
    tamvik::ServiceClient client;
    QString reply;
    ASSERT_TRUE(
        PostServiceForm(client, QString::fromStdString(service.OperationUrl("getTmvInfo")), {}, reply).ok());
    EXPECT_TRUE(reply.startsWith(QStringLiteral("API_RESULT=0")));
    EXPECT_TRUE(reply.endsWith(QStringLiteral("LAST=1")));
    const ReplyRecord r = ParseKeyValueText(reply);
    EXPECT_EQ(ReplyValue(r, QStringLiteral("TITLE")), QString::fromUtf8("日本語"));
    EXPECT_EQ(ReplyValue(r, QStringLiteral("PAD")).size(), 200000);
    EXPECT_EQ(ReplyValue(r, QStringLiteral("LAST")), QStringLiteral("1"));
}

TEST(ServiceExchange, OperationAddressComesFromOptionIni) {
    TestDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    FakeService service;
    ASSERT_TRUE(SaveOptionSettings(QString(), QString::fromStdString(service.BaseUrl()), QStringLiteral("u"),
                                   QStringLiteral("p"), QStringLiteral("0"), QString(), QString()));
    QString folder, url, id, pwd;
    LoadOptionSettings(folder, url, id, pwd, false);
    tamvik::ServiceClient client;
    QString reply;
    const QStringList lines = {FormLine(QStringLiteral("USER_ID"), id),
                               FormLine(QStringLiteral("USER_PWD"), pwd)};
    ASSERT_TRUE(PostServiceForm(client, url + QStringLiteral("userAuth"), lines, reply).ok());
    EXPECT_EQ(service.Last("userAuth").path, "/W0001/userAuth");
    EXPECT_TRUE(ReplyTestE(reply, ParseKeyValueText(reply)));
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(ServiceExchange, ProxyComesFromOptionIniOnlyWithTheFlagOne) {
    TestDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    FakeService proxy;
    FakeService service;
    const QString port = QString::number(proxy.Port());
    const struct {
        const char* flag;
        QString port;
        bool accepted;
        bool viaProxy;
    } cases[] = {
        {"1", port, true, true},
        {"0", port, true, false},
        {"", port, true, false},
        {"1", QStringLiteral("80a"), false, false},
        {"1", QStringLiteral("70000"), false, false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(SaveOptionSettings(QString(), QString::fromStdString(service.BaseUrl()), QString(),
                                       QString(), QString::fromLatin1(c.flag), QStringLiteral("127.0.0.1"),
                                       c.port));
        tamvik::ServiceClient client;
        EXPECT_EQ(ApplyProxySettings(client), c.accepted) << c.flag << " " << c.port.toStdString();
        proxy.ClearRequests();
        service.ClearRequests();
        QString reply;
        ASSERT_TRUE(
            PostServiceForm(client, QString::fromStdString(service.OperationUrl("userAuth")), {}, reply)
                .ok());
        EXPECT_EQ(proxy.Count("userAuth"), c.viaProxy ? 1u : 0u) << c.flag << " " << c.port.toStdString();
        EXPECT_EQ(service.Count("userAuth"), c.viaProxy ? 0u : 1u) << c.flag << " " << c.port.toStdString();
    }
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(ServiceExchange, AFailedExchangeGivesNoReplyText) {
    FakeService service;
    service.SetReply("saveTestResult", FakeReply::Status(500, "API_RESULT=0"));
    tamvik::ServiceClient client;
    QString reply = QStringLiteral("stale");
    EXPECT_FALSE(
        PostServiceForm(client, QString::fromStdString(service.OperationUrl("saveTestResult")), {}, reply)
            .ok());
    EXPECT_TRUE(reply.isEmpty());
}
