#include "TextTable.h"
#include "ScriptedUiServices.h"

#include <gtest/gtest.h>

namespace {

struct TextCase {
    const char* window;
    const char* key;
    const char* ja;
    const char* en;
};

class TextTableTest : public ::testing::Test {
protected:
    void TearDown() override { TextTable::Instance().setLanguage(TextTable::Language::Japanese); }
};

TEST_F(TextTableTest, TextsComeInBothLanguagesWithLineBreaksAsData) {
    const TextCase cases[] = {
        {"TfrmMain", "IDS_0", "新規プロジェクト1", "New Project 1"},
        // The Japanese text of this key is explicitly empty; the English keeps its trailing blank.
        {"TfrmMain", "IDS_41", "", "This device cannot play "},
        {"TfrmResult", "IDS_41", "被験者ID 不明", "SubjectID Undefined"},
    };
    auto& table = TextTable::Instance();
    for (const auto& c : cases) {
        EXPECT_TRUE(table.Contains(c.window, c.key)) << c.window << " " << c.key;
        EXPECT_EQ(table.Text(c.window, c.key, TextTable::Language::Japanese), QString::fromUtf8(c.ja))
            << c.key;
        EXPECT_EQ(table.Text(c.window, c.key, TextTable::Language::English), QString::fromUtf8(c.en))
            << c.key;
    }
    // IDS_7 of the main window holds a line break, which must arrive as CR LF.
    EXPECT_TRUE(table.Text("TfrmMain", "IDS_7", TextTable::Language::English).contains("\r\n"));
    EXPECT_FALSE(table.Text("TfrmMain", "IDS_7", TextTable::Language::English).contains("\\r"));
    EXPECT_TRUE(table.Text("TfrmMain", "IDS_99999").isEmpty());
}

TEST_F(TextTableTest, SwitchingLanguageSignalsOnceAndChangesLookUps) {
    auto& table = TextTable::Instance();
    int emitted = 0;
    QObject::connect(&table, &TextTable::languageChanged, [&emitted] { ++emitted; });
    table.setLanguage(TextTable::Language::English);
    table.setLanguage(TextTable::Language::English);
    EXPECT_EQ(emitted, 1);
    EXPECT_EQ(table.Text("TfrmMain", "IDS_0"), QString("New Project 1"));
}

TEST_F(TextTableTest, MessageByKeyShowsTheTableTextThroughTheInstalledServices) {
    ScriptedUiServices ui;
    ui.answers.push_back(UiServices::Answer::No);
    TextTable::Instance().setLanguage(TextTable::Language::English);
    const auto answer = UiServices::Get().Message(nullptr, "TfrmMain", "IDS_0",
                                                  UiServices::Kind::Confirmation, UiServices::Buttons::YesNo);
    EXPECT_EQ(answer, UiServices::Answer::No);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QString("New Project 1"));
    EXPECT_EQ(ui.messages[0].buttons, UiServices::Buttons::YesNo);
}

} // namespace
