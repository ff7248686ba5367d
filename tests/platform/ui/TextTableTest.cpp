#include "TextTable.h"
#include "ScriptedUiServices.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <set>

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

// Every text key the program's sources ask for (a literal "IDS_n") is in the table with a
// text in both languages. The window of a key is the one its line names (TfrmMain::Ids),
// else the window of the function around it or one that function names as a literal, else
// the file's window; a function's window is its class or the window it takes. Keys made at run time
// ("IDS_%1") are not seen.
TEST_F(TextTableTest, EveryKeyTheSourcesAskForHasTextsInBothLanguages) {
    // Texts that are empty on purpose in one language.
    const std::set<std::pair<QString, QString>> emptyJapanese{
        {"TfrmMain", "IDS_41"}, {"TfrmMain", "IDS_286"}, {"TfrmResult", "IDS_63"}};
    // Files that define no window's functions, with the window whose texts they use.
    const std::vector<std::pair<QString, QString>> windowOfPath{{"/results/totals/", "TfrmResult"},
                                                                {"/editor/ParameterReport.cpp", "TfrmMain"}};
    const QRegularExpression definition(QStringLiteral(R"re(^[A-Za-z].*?\b(Tfrm\w+)(::|&))re"));
    const QRegularExpression qualified(QStringLiteral(R"re(\b(Tfrm\w+)::Ids\("(IDS_\w+)")re"));
    const QRegularExpression windowName(QStringLiteral(R"re("(Tfrm\w+)")re"));
    const QRegularExpression key(QStringLiteral(R"re("(IDS_[A-Z0-9_]+)")re"));
    auto& table = TextTable::Instance();
    const auto hasTexts = [&](const QString& window, const QString& k) {
        return table.Contains(window, k) &&
               (!table.Text(window, k, TextTable::Language::Japanese).isEmpty() ||
                emptyJapanese.count({window, k})) &&
               !table.Text(window, k, TextTable::Language::English).isEmpty();
    };

    int asked = 0;
    QStringList missing;
    QDirIterator files(QStringLiteral(TAMVIK_SOURCE_DIR), {"*.cpp", "*.h"}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        QString fileWindow;
        for (const auto& [part, window] : windowOfPath)
            if (path.contains(part))
                fileWindow = window;
        for (const QString& line : lines) {
            if (const auto m = definition.match(line); fileWindow.isEmpty() && m.hasMatch())
                fileWindow = m.captured(1);
        }
        QStringList around; // the windows of the function at hand
        for (int n = 0; n < lines.size(); ++n) {
            const QString& line = lines[n];
            if (const auto m = definition.match(line); m.hasMatch() && !line.startsWith(QLatin1String("//")))
                around = {m.captured(1)};
            for (auto it = windowName.globalMatch(line); it.hasNext();)
                around << it.next().captured(1);
            for (auto it = key.globalMatch(line); it.hasNext();) {
                const QString k = it.next().captured(1);
                QStringList windows = around.isEmpty() ? QStringList{fileWindow} : around;
                for (auto q = qualified.globalMatch(line); q.hasNext();) {
                    const auto m = q.next();
                    if (m.captured(2) == k)
                        windows = {m.captured(1)};
                }
                ++asked;
                const QString where = QStringLiteral("%1:%2 %3").arg(path).arg(n + 1).arg(k);
                if (windows.join(QString()).isEmpty())
                    missing << where + QStringLiteral(" (no window)");
                else if (std::none_of(windows.begin(), windows.end(),
                                      [&](const QString& window) { return hasTexts(window, k); }))
                    missing << where + QStringLiteral(" in ") + windows.join(QLatin1Char('/'));
            }
        }
    }
    EXPECT_GT(asked, 300) << "the scan found too few keys to be reading the sources";
    EXPECT_TRUE(missing.isEmpty()) << missing.join(QLatin1Char('\n')).toStdString();
}
