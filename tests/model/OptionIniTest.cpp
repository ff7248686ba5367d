#include "OptionIni.h"
#include "IniFile.h"
#include "TestDir.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Points the settings folder at a fresh folder for one test.
class OptionIniTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", m_dir.file(QStringLiteral("config")).toUtf8());
        qputenv("HOME", m_dir.path().toUtf8());
    }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }

    QByteArray FileBytes() const {
        QFile f(OptionIniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static mode_t ModeOf(const QString& path) {
        struct stat st {};
        ::stat(QFile::encodeName(path).constData(), &st);
        return st.st_mode & 0777;
    }

    TestDir m_dir;
};

QString S(const char* text) {
    return QString::fromUtf8(text);
}

} // namespace

TEST_F(OptionIniTest, SettingsFolderFollowsXdgConfigHomeThenHome) {
    EXPECT_EQ(OptionIniPath(), m_dir.file(S("config/KVR/Tamvik/Option.ini")));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(OptionIniPath(), m_dir.file(S(".config/KVR/Tamvik/Option.ini")));
    qunsetenv("HOME");
    EXPECT_EQ(OptionIniPath(), QString());
    // Without a settings folder nothing is written and outputs stay as they were.
    EXPECT_FALSE(SaveAsioSetting(S("x")));
    QString folder = S("f"), url = S("u"), id = S("i"), pwd = S("p");
    LoadOptionSettings(folder, url, id, pwd, false);
    EXPECT_EQ(url, S("u"));
    qputenv("HOME", m_dir.path().toUtf8());
}

TEST_F(OptionIniTest, WritesUtf8WithBomAndCrLfPrivately) {
    EXPECT_FALSE(QFileInfo::exists(SettingsFolderPath()));
    ASSERT_TRUE(
        SaveOptionSettings(S("/p"), S("http://h/"), S("id"), S("パス"), S("1"), S("proxy"), S("8080")));
    const QByteArray expected = QByteArray("\xEF\xBB\xBF") +
                                "[Option]\r\nprojectFloder=/p\r\nserviceUrl=http://h/\r\nuserId=id\r\n"
                                "userPassWord=" +
                                S("パス").toUtf8() +
                                "\r\nshiyoFlg=1\r\nproxyAddress=proxy\r\nproxyPort=8080\r\n\r\n";
    EXPECT_EQ(FileBytes(), expected);
    EXPECT_EQ(ModeOf(OptionIniPath()), 0600u);
    EXPECT_EQ(ModeOf(SettingsFolderPath()), 0700u);
    EXPECT_EQ(ModeOf(m_dir.file(S("config/KVR"))), 0700u);

    QString folder, url, id, pwd;
    LoadOptionSettings(folder, url, id, pwd, true);
    EXPECT_EQ(pwd, S("パス"));
    EXPECT_EQ(folder, S("/p"));
    QString flag, address, port;
    LoadProxySettings(flag, address, port);
    EXPECT_EQ(flag + address + port, S("1proxy8080"));
}

TEST_F(OptionIniTest, AnExistingLooseFileBecomesPrivate) {
    ASSERT_TRUE(CreateSettingsFolder());
    QFile f(OptionIniPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[ASIO]\r\nasio=drv\r\n");
    f.close();
    ::chmod(QFile::encodeName(OptionIniPath()).constData(), 0644);
    ::chmod(QFile::encodeName(SettingsFolderPath()).constData(), 0755);
    ASSERT_TRUE(SaveOptionSettings(S(""), S(""), S("id"), S("pw"), S(""), S(""), S("")));
    EXPECT_EQ(ModeOf(OptionIniPath()), 0600u);
    EXPECT_EQ(ModeOf(SettingsFolderPath()), 0700u);
    QString driver;
    LoadAsioSetting(driver);
    EXPECT_EQ(driver, S("drv"));
}

TEST_F(OptionIniTest, ServiceAddressRawAndForOperations) {
    const struct {
        const char* stored;
        bool raw;
        const char* expected;
    } cases[] = {
        {"http://h/svc/", false, "http://h/svc/W0001/"},
        {"http://h/svc/", true, "http://h/svc/"},
        {"http://h/svc", false, "http://h/svcW0001/"},
        {"", false, "W0001/"},
        {"", true, ""},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(SaveOptionSettings(S(""), S(c.stored), S(""), S(""), S(""), S(""), S("")));
        QString folder, url = S("old"), id, pwd;
        LoadOptionSettings(folder, url, id, pwd, c.raw);
        EXPECT_EQ(url, S(c.expected)) << c.stored << " raw " << c.raw;
    }
}

TEST_F(OptionIniTest, WritersKeepTheOtherSections) {
    ASSERT_TRUE(SaveRdbSettings(S("[proj]"), S("1"), S("0"), S("1"), S("0")));
    ASSERT_TRUE(SaveAsioSetting(S("JACK")));
    ASSERT_TRUE(WriteOtherSetting(S("FileSaveAsPath"), S("/home/x")));
    ASSERT_TRUE(SaveOptionSettings(S("a"), S("b"), S("c"), S("d"), S("e"), S("f"), S("g")));

    tamvik::IniFile ini;
    ASSERT_TRUE(ini.LoadFromFile(OptionIniPath()));
    EXPECT_EQ(ini.ReadSections(), (QStringList{S("Rdb"), S("ASIO"), S("Other"), S("Option")}));
    EXPECT_EQ(ini.ReadSection(S("Rdb")), (QStringList{S("proj]rdbPlay"), S("proj]rdbJudge"),
                                                      S("proj]rdbCorrect"), S("proj]rdbYellow")}));

    QString play, judge, correct, yellow;
    LoadRdbSettings(S("[proj]"), play, judge, correct, yellow);
    EXPECT_EQ(play + judge + correct + yellow, S("1010"));
    QString driver, other, never = S("x");
    LoadAsioSetting(driver);
    ReadOtherSetting(S("FileSaveAsPath"), other);
    ReadOtherSetting(S("NeverWritten"), never);
    EXPECT_EQ(driver, S("JACK"));
    EXPECT_EQ(other, S("/home/x"));
    EXPECT_EQ(never, QString());
}

TEST_F(OptionIniTest, RdbChoicesOfANameWithEqualsSignReadBack) {
    ASSERT_TRUE(SaveRdbSettings(S("a=b"), S("1"), S("1"), S("0"), S("1")));
    QString play, judge, correct, yellow;
    LoadRdbSettings(S("a=b"), play, judge, correct, yellow);
    EXPECT_EQ(play + judge + correct + yellow, S("1101"));
}

TEST_F(OptionIniTest, AMissingFileReadsEmptyAndCreatesNothing) {
    QString flag = S("x"), address = S("y"), port = S("z");
    LoadProxySettings(flag, address, port);
    EXPECT_EQ(flag + address + port, QString());
    EXPECT_FALSE(QFileInfo::exists(SettingsFolderPath()));
}
