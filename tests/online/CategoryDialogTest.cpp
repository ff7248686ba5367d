// The category dialog as the File menu shows it: the list, the edits collected in the grid
// and the one update that sends them.
#include "LibraryFixture.h"

#include "CategoryUnit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

const char* kThree = "CATEGORY_NAME=Piano,CTGR_LEVEL=2,TMV_NUM=3,USER_NUM=0,CATEGORY_SEQ=12\r\n"
                     "CATEGORY_NAME=Voice,CTGR_LEVEL=1,TMV_NUM=0,USER_NUM=0,CATEGORY_SEQ=13\r\n"
                     "CATEGORY_NAME=Drums,CTGR_LEVEL=4,TMV_NUM=0,USER_NUM=2,CATEGORY_SEQ=14\r\n";

} // namespace

class CategoryDialogTest : public LibraryTest {
protected:
    TfrmCategory* dialog() const { return w->frmCategory; }
    StringGrid* grid() const { return dialog()->categoryListGrid; }
    void Show(std::function<void()> script) { Command("categoryManage", dialog(), std::move(script)); }
    void ClickOk() { QTest::mouseClick(dialog()->okBtn, Qt::LeftButton); }
    void Close() { QTest::mouseClick(dialog()->cancelBtn, Qt::LeftButton); }
};

TEST_F(CategoryDialogTest, EditsAreCollectedAndSentInOneUpdate) {
    service->SetReply("searchCategoryList", kThree);
    service->SetReply("updateCategoryList", "CATEGORY_NAME=Grand piano,CTGR_LEVEL=2,TMV_NUM=3,USER_NUM=0,"
                                            "CATEGORY_SEQ=12\r\nCATEGORY_NAME=Strings,CTGR_LEVEL=3,TMV_NUM=0,"
                                            "USER_NUM=0,CATEGORY_SEQ=15\r\n");
    w->show();
    ASSERT_TRUE(w->categoryManage->isVisible() && w->categoryManage->isEnabled());
    Show([&] {
        // Every category, listed with empty filters, numbered from 1.
        const auto search = service->Last("searchCategoryList");
        EXPECT_EQ(search.FieldNames(),
                  (std::vector<std::string>{"USER_ID", "USER_PWD", "CATEGORY_NAME", "CTGR_LEVEL"}));
        EXPECT_EQ(search.rawBody, "USER_ID=user&USER_PWD=secret&CATEGORY_NAME=&CTGR_LEVEL=");
        EXPECT_EQ(Column(grid(), 1), (QStringList{"Piano", "Voice", "Drums"}));
        EXPECT_EQ(Column(grid(), 0), (QStringList{"1", "2", "3"}));
        EXPECT_EQ(grid()->Cell(1, 0), QStringLiteral("Category Name"));
        EXPECT_EQ(grid()->Cell(4, 0), QStringLiteral("Users"));
        EXPECT_TRUE(grid()->IsHiddenColumn(5) && grid()->IsHiddenColumn(6));

        TypeInCell(grid(), 1, 1, QStringLiteral("Grand piano"));
        ChooseRows(grid(), {2});
        dialog()->N4->trigger(); // a new row before Voice
        TypeInCell(grid(), 1, 2, QStringLiteral("Strings"));
        DoubleClick(grid(), 2, 2);
        QComboBox* level = dialog()->ctgrLevelEditor;
        ASSERT_NE(level, nullptr) << "the level has a drop-down list";
        EXPECT_EQ(level->count(), 5);
        level->hidePopup();
        QTest::keyClicks(level, QStringLiteral("3"));
        EXPECT_EQ(grid()->Cell(2, 2), QStringLiteral("3"));
        ChooseRows(grid(), {3});
        ui->answers.push_back(UiServices::Answer::Ok);
        dialog()->N5->trigger();
        EXPECT_EQ(ui->messages.back().text, QStringLiteral("Is it ok to delete?"));
        EXPECT_EQ(grid()->Cell(6, 3), QStringLiteral("1"));

        ui->messages.clear();
        ClickOk();
        ASSERT_EQ(service->Count("updateCategoryList"), 1u);
        const auto update = service->Last("updateCategoryList");
        EXPECT_EQ(update.FieldNames(), (std::vector<std::string>{"USER_ID", "USER_PWD", "LIST_CATEGORY"}));
        EXPECT_EQ(update.Field("LIST_CATEGORY"),
                  "CATEGORY_SEQ=12,CATEGORY_NAME=Grand piano,CTGR_LEVEL=2,OP_KBN=2;"
                  "CATEGORY_SEQ=,CATEGORY_NAME=Strings,CTGR_LEVEL=3,OP_KBN=1;"
                  "CATEGORY_SEQ=13,CATEGORY_NAME=Voice,CTGR_LEVEL=1,OP_KBN=3;"
                  "CATEGORY_SEQ=14,CATEGORY_NAME=Drums,CTGR_LEVEL=4,OP_KBN=2;");
        // The reply replaces the grid; the dialog stays open.
        EXPECT_EQ(Column(grid(), 1), (QStringList{"Grand piano", "Strings"}));
        ASSERT_EQ(ui->messages.size(), 1u);
        EXPECT_EQ(ui->messages[0].text, QStringLiteral("Update  has been completed."));
        EXPECT_EQ(ui->messages[0].kind, UiServices::Kind::Information);
        EXPECT_TRUE(dialog()->isVisible());
        Close();
    });
}

TEST_F(CategoryDialogTest, InvalidRowsStopTheUpdateWithTheirWarning) {
    service->SetReply("searchCategoryList", kThree);
    w->show();
    struct Case {
        const char* what;
        int row;          // the row changed (3: a new row added below the list)
        QString name;     // written into the name cell
        bool markDeleted; // the row is marked for deletion
        QString message;  // empty: sent
    };
    const QString name200(200, QLatin1Char('n'));
    const Case cases[] = {
        {"blank name", 2, "   ", false, "Please input a category name."},
        {"200 characters", 2, name200, false, ""},
        {"201 characters", 2, name200 + "n", false, "Please input category name within 200 characters."},
        {"projects refer to it", 1, "Piano", true,
         "The category cannot be deleted as related project files exit. "},
        {"users refer to it", 3, "Drums", true,
         "The category cannot be deleted as there are related users. "},
        {"same name as a deleted row", 2, "Drums", false,
         "Category name overlaps, please double check the settings."},
        {"comma", 2, "a,b", false,
         "A category name cannot contain \",\", \";\", \"=\", \"&\" or a line break."},
        {"semicolon", 2, "a;b", false,
         "A category name cannot contain \",\", \";\", \"=\", \"&\" or a line break."},
        {"equals", 2, "a=b", false,
         "A category name cannot contain \",\", \";\", \"=\", \"&\" or a line break."},
        {"ampersand", 2, "a&b", false,
         "A category name cannot contain \",\", \";\", \"=\", \"&\" or a line break."},
        {"line break", 2, "a\nb", false,
         "A category name cannot contain \",\", \";\", \"=\", \"&\" or a line break."},
        {"carriage return", 2, "a\rb", false,
         "A category name cannot contain \",\", \";\", \"=\", \"&\" or a line break."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        service->ClearRequests();
        Show([&] {
            grid()->SetCell(1, c.row, c.name);
            if (c.markDeleted) {
                ChooseRows(grid(), {c.row});
                ui->answers.push_back(UiServices::Answer::Ok);
                dialog()->N5->trigger();
            }
            ui->messages.clear();
            ClickOk();
            if (c.message.isEmpty()) {
                EXPECT_EQ(service->Count("updateCategoryList"), 1u);
            } else {
                EXPECT_EQ(service->Count("updateCategoryList"), 0u);
                ASSERT_EQ(ui->messages.size(), 1u);
                EXPECT_EQ(ui->messages[0].text, c.message);
                EXPECT_EQ(ui->messages[0].kind, UiServices::Kind::Warning);
                EXPECT_EQ(grid()->Cell(1, c.row), c.name) << "the grid stays for a correction";
            }
            Close();
        });
    }
}

TEST_F(CategoryDialogTest, NothingToSendSendsNothing) {
    w->show();
    // An empty list: the update is complete at once.
    Show([&] {
        ClickOk();
        ASSERT_EQ(ui->messages.size(), 1u);
        EXPECT_EQ(ui->messages[0].text, QStringLiteral("Update  has been completed."));
        // A row added and marked for deletion at once: no request, no message, grid emptied.
        dialog()->N4->trigger();
        ChooseRows(grid(), {1});
        ui->answers.push_back(UiServices::Answer::Ok);
        dialog()->N5->trigger();
        ui->messages.clear();
        ClickOk();
        EXPECT_TRUE(ui->messages.empty());
        EXPECT_EQ(grid()->RowCount(), 1);
        Close();
    });
    EXPECT_EQ(service->Count("updateCategoryList"), 0u);
}

TEST_F(CategoryDialogTest, SearchSendsTheNameAsTypedAndTheLevelTrimmed) {
    service->SetReply("searchCategoryList", kThree);
    w->show();
    Show([&] {
        QTest::keyClicks(dialog()->searchCategoryEdit, QStringLiteral(" Pia no "));
        // The level takes one character; a blank is sent as no level.
        QTest::keyClicks(dialog()->ctgrLevelCob->lineEdit(), QStringLiteral(" 2"));
        EXPECT_EQ(dialog()->ctgrLevelCob->currentText(), QStringLiteral(" "));
        QTest::mouseClick(dialog()->searchBtn, Qt::LeftButton);
        const auto search = service->Last("searchCategoryList");
        EXPECT_EQ(search.Field("CATEGORY_NAME"), " Pia no ");
        EXPECT_EQ(search.Field("CTGR_LEVEL"), "");
        // A refused record ends the filling with the rows before it.
        service->SetReply("searchCategoryList",
                          "CATEGORY_NAME=A,CTGR_LEVEL=1,TMV_NUM=0,USER_NUM=0,CATEGORY_SEQ=1\r\n"
                          "API_RESULT=1,API_MESSAGE=E00031\r\n");
        QTest::mouseClick(dialog()->searchBtn, Qt::LeftButton);
        EXPECT_EQ(Column(grid(), 1), QStringList{"A"});
        EXPECT_EQ(ui->messages.back().kind, UiServices::Kind::Error);
        // No connection: the grid stays.
        service->Stop();
        QTest::mouseClick(dialog()->searchBtn, Qt::LeftButton);
        EXPECT_TRUE(ui->messages.back().text.startsWith(
            QStringLiteral("Unable to connect the server, please double check the URL.\n") +
            QString::fromStdString(service->OperationUrl("searchCategoryList")) + QStringLiteral(": ")))
            << ui->messages.back().text.toStdString();
        EXPECT_EQ(Column(grid(), 1), QStringList{"A"});
        Close();
    });
}

TEST_F(CategoryDialogTest, TextsFollowTheLanguage) {
    service->SetReply("searchCategoryList", kThree);
    w->show();
    struct Case {
        TextTable::Language language;
        QString caption, header, ok, search;
    };
    const Case cases[] = {
        {TextTable::Language::Japanese, "カテゴリ管理", "プロジェクトファイル数", "OK", "検索"},
        {TextTable::Language::English, "Category Management", "Projects", "OK", "Search"},
    };
    for (const Case& c : cases) {
        TextTable::Instance().setLanguage(c.language);
        Show([&] {
            EXPECT_EQ(dialog()->windowTitle(), c.caption);
            EXPECT_EQ(grid()->Cell(3, 0), c.header);
            EXPECT_EQ(dialog()->okBtn->text(), c.ok);
            EXPECT_EQ(dialog()->searchBtn->text(), c.search);
            EXPECT_FALSE(dialog()->N6->text().isEmpty());
            Close();
        });
    }
}

TEST_F(CategoryDialogTest, MissingLoginWarnsAndHoldsOk) {
    w->show();
    ASSERT_TRUE(SaveOptionSettings(library, QString::fromStdString(service->BaseUrl()), QString(), QString(),
                                   QStringLiteral("0"), QString(), QString()));
    // The login was stored before; the dialog reads the settings anew at every showing.
    Show([&] {
        ASSERT_FALSE(ui->messages.empty());
        EXPECT_EQ(ui->messages.back().text,
                  QStringLiteral(
                      "Could not be verified. Please double check \"Password\" and \"Administrator ID\"."));
        EXPECT_FALSE(dialog()->okBtn->isEnabled());
        EXPECT_TRUE(dialog()->searchBtn->isEnabled());
        Close();
    });
    EXPECT_EQ(service->Count("searchCategoryList"), 0u);
}
