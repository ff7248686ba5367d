// The main settings and language files: written at close, read and corrected at start.
#include "MainWindowFixture.h"

#include "IniFile.h"
#include "MainSettings.h"

#include <QFile>

class SettingsTest : public MainWindowTest {
protected:
    static QByteArray Bytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void CloseWindow() {
        w->show();
        ASSERT_TRUE(PumpUntil([this] { return w->isVisible(); }));
        w->close();
        ASSERT_TRUE(PumpUntil([this] { return !w->isVisible(); }));
    }
};

TEST_F(SettingsTest, AFreshStartThenCloseWritesTheDefaults) {
    CloseWindow();
    const QByteArray bytes = Bytes(MainSettingsPath());
    ASSERT_GE(bytes.size(), 2);
    EXPECT_EQ(bytes.left(2), QByteArray("\xFF\xFE", 2)) << "UTF-16LE with a byte-order mark";
    tamvik::IniFile ini;
    ASSERT_TRUE(ini.LoadFromFile(MainSettingsPath()));
    EXPECT_EQ(ini.ReadSections(),
              (QStringList{QStringLiteral("General"), QStringLiteral("Execute"), QStringLiteral("Network"),
                           QStringLiteral("MaxNumber"), QStringLiteral("Display")}));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Network"), QStringLiteral("TermNum"), 0), 99);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("MaxNumber"), QStringLiteral("Stimulus"), 0), 200);
    EXPECT_EQ(ini.ReadString(QStringLiteral("General"), QStringLiteral("Execute"), QString()),
              QStringLiteral("1"));
    EXPECT_TRUE(QFile::exists(LanguageSettingsPath())) << "the language is stored at every close";
}

TEST_F(SettingsTest, OutOfRangeValuesAreCorrectedOnTheNextStart) {
    ASSERT_TRUE(CreateSettingsFolder());
    tamvik::IniFile ini(MainSettingsPath());
    ini.WriteInteger(QStringLiteral("Network"), QStringLiteral("TermNum"), 150);
    ini.WriteInteger(QStringLiteral("Network"), QStringLiteral("IPPortNum"), 70000);
    ini.WriteInteger(QStringLiteral("Network"), QStringLiteral("UDPInterval"), -5);
    ini.WriteInteger(QStringLiteral("MaxNumber"), QStringLiteral("Trial"), 70000);
    ini.WriteString(QStringLiteral("EXECUTE"), QStringLiteral("DelayTimes"), QStringLiteral("soon"));
    ASSERT_TRUE(ini.UpdateFile());
    MakeWindow();
    EXPECT_EQ(w->terminalCount, 99);
    EXPECT_EQ(w->ipPort, 57000);
    EXPECT_EQ(w->udpInterval, 100);
    EXPECT_EQ(w->maxTrials, MainSettings::GridRowLimit);
    EXPECT_EQ(w->delayTimes, 0) << "a delay that is no number keeps the default";
}

TEST_F(SettingsTest, TheLanguageChosenIsTheOneOfTheNextStart) {
    w->show();
    ASSERT_TRUE(PumpUntil([this] { return w->isVisible(); }));
    Find<QAction>("mnuViewLanguageJapanese")->trigger();
    Find<QAction>("mnuViewLanguageEnglish")->trigger();
    w->close();
    tamvik::IniFile ini;
    ASSERT_TRUE(ini.LoadFromFile(LanguageSettingsPath()));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Language"), QStringLiteral("Default"), 0), 2);
}
